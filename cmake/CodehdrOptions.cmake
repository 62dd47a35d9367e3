# Compiler settings shared by every target of the project.

# Warnings for the project's own code (not for third-party headers).
add_library(codehdr_warnings INTERFACE)
target_compile_options(codehdr_warnings INTERFACE -Wall -Wextra -Werror)

if(CODEHDR_SANITIZE)
  set(_san -fsanitize=${CODEHDR_SANITIZE} -fno-omit-frame-pointer)
  if(CODEHDR_SANITIZE MATCHES "address|undefined")
    list(APPEND _san -fno-sanitize-recover=all)
  endif()
  add_compile_options(${_san})
  add_link_options(${_san})
endif()
