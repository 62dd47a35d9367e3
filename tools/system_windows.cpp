// The tool's system services on Windows: the wide-character command line and
// environment in UTF-8, binary standard streams, console events that leave
// no partial output, and colour on a console that takes ANSI sequences.
#include "system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <codehdr/image.h>

namespace codehdr::tool {
namespace {

std::string Utf8(const wchar_t* text) {
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return std::string();
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

}  // namespace

// argv comes from the C runtime's own split of the command line (wmain), not
// from CommandLineToArgvW: shell32 would load the window system with it,
// about 100 ms of every start under Wine.
std::vector<std::string> ProgramArguments(int argc, NativeChar** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(argv[i]));
  return args;
}

namespace {

// Runs on a thread of its own while the program goes on; the output being
// written is deleted once the process ends and closes it.
BOOL WINAPI EndOnConsoleEvent(DWORD event) {
  int signal_number = SIGTERM;  // the console closed, the user logged off, the system shuts down
  if (event == CTRL_C_EVENT) signal_number = SIGINT;
  if (event == CTRL_BREAK_EVENT) signal_number = SIGBREAK;
  RemovePartialOutputs();
  ::ExitProcess(static_cast<UINT>(128 + signal_number));
}

}  // namespace

void RemovePartialOutputsOnSignals() { ::SetConsoleCtrlHandler(EndOnConsoleEvent, TRUE); }

void UseBinaryStandardStreams() {
  std::fflush(stdout);
  std::fflush(stderr);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::optional<std::string> EnvironmentVariable(const char* name) {
  const std::wstring wide(name, name + std::strlen(name));  // names are ASCII
  const wchar_t* value = ::_wgetenv(wide.c_str());
  if (value == nullptr) return std::nullopt;
  return Utf8(value);
}

bool StdoutShowsColour() {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!::GetConsoleMode(out, &mode)) return false;  // a file or a pipe
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace codehdr::tool
