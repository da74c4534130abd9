# Sourced by scripts/test and scripts/demo: installs the Debian packages a
# script needs and checks, before a step runs, that the programs it calls
# are there.

# The Debian package that provides each program the scripts run.
declare -A PROVIDER=(
  [cmake]=cmake [ctest]=cmake [cpack]=cmake [dpkg-shlibdeps]=dpkg-dev [sha256sum]=coreutils
  [unzip]=unzip [help2man]=help2man [g++]=g++ [pkg-config]=pkg-config
  [ffmpeg]=ffmpeg [ffprobe]=ffmpeg [exiftool]=libimage-exiftool-perl
  [x86_64-w64-mingw32-g++-posix]=g++-mingw-w64-x86-64-posix
  [i686-w64-mingw32-g++-posix]=g++-mingw-w64-i686-posix
  [x86_64-w64-mingw32-windres]=binutils-mingw-w64-x86-64
  [x86_64-w64-mingw32-objdump]=binutils-mingw-w64-x86-64
  [i686-w64-mingw32-windres]=binutils-mingw-w64-i686
  [wine]=wine [wineboot]=wine [wineserver]=wine
  [clang]=clang [clang++]=clang
  [node]=nodejs [npm]=npm [chromium]=chromium
  [bash]=bash
)

# install_packages <package...>: installs those not installed (as root);
# fails when any stays missing.
install_packages() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "all required packages present"
    return 0
  fi
  echo "missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "not root: cannot install them" >&2
    return 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get update &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# require <program...>: one line for each program that is not on the PATH,
# naming the package that provides it; fails when any is missing, so that a
# step stops before it builds anything.
require() {
  local program status=0
  for program in "$@"; do
    if ! command -v "$program" >/dev/null 2>&1; then
      echo "missing program: $program (Debian package ${PROVIDER[$program]:-unknown})" >&2
      status=1
    fi
  done
  return $status
}
