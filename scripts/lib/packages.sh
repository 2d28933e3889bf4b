# SPDX-License-Identifier: Apache-2.0
# Debian 12 packages the build and the tests need; sourced by scripts/test and scripts/demo.
QUELLMARK_BUILD_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcups2-dev libcups2 libsnmp-dev
  nlohmann-json3-dev libsqlite3-dev
  libgtest-dev libgmock-dev googletest
)
QUELLMARK_TEST_PACKAGES=(
  cups cups-client cups-bsd cups-ipp-utils
  ghostscript poppler-utils
  xvfb xauth xdotool imagemagick
  mingw-w64 g++-mingw-w64-x86-64-posix wine wine64
  clang libclang-rt-14-dev clang-format
  appstream desktop-file-utils lintian dbus procps
  avahi-daemon iproute2 snmpsim snmp python3-jsonschema prometheus sqlite3
)

# Installs the given packages that are missing (apt-get, only when needed).
quellmark_install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}
