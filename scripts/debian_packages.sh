# shellcheck shell=bash
# Sourced by the CI and packaging scripts.

# ensure_debian_packages PACKAGE...: installs with apt-get those that are not
# installed yet (needs root). Waits for the dpkg lock rather than failing when
# another apt-get is running.
ensure_debian_packages() {
  local missing=() p
  for p in "$@"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing Debian packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=300 update -qq
  apt-get -o DPkg::Lock::Timeout=300 install -y -qq "${missing[@]}" >/dev/null
}
