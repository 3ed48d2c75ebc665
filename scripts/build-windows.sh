#!/usr/bin/env bash
# Cross-builds Tabulon for 64-bit Windows on Debian 12 and packs build-windows/tabulon-windows.zip.
#
# Installs mingw-w64 (posix threads), Wine (to run what it builds) and what fetching a Debian source
# package needs; builds expat for Windows from Debian's own expat source package and GoogleTest
# from Debian's googletest sources; then builds Tabulon with cmake/mingw-w64-x86_64.cmake.
# Outputs: build-windows/bin/tabulon-cli.exe (and tabulon.exe, the window, when it is built) and
# build-windows/tabulon-windows.zip. Needs root (or sudo) for apt-get the first time.
#
#   TABULON_WINDOWS_TESTS=OFF scripts/build-windows.sh    builds the programs without the tests
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-windows
deps=$out/deps
prefix=$deps/prefix
toolchain=$root/cmake/mingw-w64-x86_64.cmake
tests=${TABULON_WINDOWS_TESTS:-ON}

# The newest security release of expat for Debian 12 (bookworm) known when this script was last
# changed. Look it up in the bookworm row of https://security-tracker.debian.org/tracker/source-package/expat
# (or `apt-cache showsrc expat` with bookworm-security configured) and raise it with each new one.
expat_security_release=2.5.0-1+deb12u5

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# --- packages ------------------------------------------------------------------------------------
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev zip googletest
          xz-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# --- Debian's source entries, derived from the package entries already configured ---------------
# A deb822 stanza "Types: deb" is copied with "Types: deb-src"; a one-line "deb ..." entry becomes
# "deb-src ...". The servers are the ones the system already uses: nothing new is named here.
source_entries_present() {
  grep -Eqs '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}
enable_source_entries() {
  local tmp
  tmp=$(mktemp -d)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Stanzas are separated by blank lines; those switched off (Enabled: no) stay off.
    awk 'function flush() { if (deb && !off && body != "") printf "%s\n", body; body = ""; deb = 0; off = 0 }
         /^[[:space:]]*$/ { flush(); next }
         /^#/ { next }
         /^Types:/ { if ($0 ~ /[[:space:]]deb([[:space:]]|$)/) deb = 1; body = body "Types: deb-src\n"; next }
         /^Enabled:[[:space:]]*no/ { off = 1 }
         { body = body $0 "\n" }
         END { flush() }' "$f" >>"$tmp/tabulon-deb-src.sources"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$tmp/tabulon-deb-src.list"
  done
  for f in "$tmp"/*; do
    [ -s "$f" ] && $SUDO install -m 0644 "$f" /etc/apt/sources.list.d/
  done
  rm -rf "$tmp"
  $SUDO apt-get update -qq
}

# Fetches and unpacks a source package into $deps/src. A mirror may lack the newest upload of a
# package (a security update), so each version the source lists name is tried, newest first.
fetch_source() {
  local package=$1 version
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rVu); do
    if (cd "$deps/src" && apt-get source -qq -o APT::Sandbox::User=root "$package=$version"); then
      return 0
    fi
    echo "build-windows.sh: $package $version could not be fetched, trying an older version" >&2
  done
  echo "build-windows.sh: no source of $package could be fetched" >&2
  return 1
}

# --- expat for Windows, from Debian's source package ---------------------------------------------
mkdir -p "$deps/src" "$prefix"
if [ ! -f "$prefix/lib/libexpat.a" ]; then
  if ! ls -d "$deps"/src/expat-*/ >/dev/null 2>&1; then
    source_entries_present || enable_source_entries
    fetch_source expat
  fi
  expat_src=$(ls -d "$deps"/src/expat-*/ | head -1)
  # Debian's package holds upstream's repository, with the library in its expat/ folder.
  if [ -f "$expat_src/expat/CMakeLists.txt" ]; then expat_src=$expat_src/expat; fi
  cmake -S "$expat_src" -B "$deps/expat-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF >/dev/null
  # Debian builds expat with autotools, whose config header defines XML_DTD as 1, and its
  # security patches test "#if XML_DTD == 1"; CMake's header defines the name empty.
  sed -i 's/^#define XML_DTD$/#define XML_DTD 1/' "$deps/expat-build/expat_config.h"
  cmake --build "$deps/expat-build" --target install >/dev/null
fi

# The Debian version of the expat source built in, from the .dsc that apt-get source left.
expat_version=$(sed -n 's/^Version: //p' "$deps"/src/expat_*.dsc 2>/dev/null | sort -V | tail -1)
expat_warning=""
if [ -z "$expat_version" ]; then
  expat_version=unknown
  expat_warning="build-windows.sh: warning: which expat is built into the programs is not known:
$deps/src holds no expat_*.dsc. Delete $deps and run scripts/build-windows.sh again."
elif dpkg --compare-versions "$expat_version" lt "$expat_security_release"; then
  expat_warning="build-windows.sh: warning: the programs are built with Debian's expat
$expat_version, older than its security release $expat_security_release, and lack that release's
fixes. Either apt's package servers did not have the newer source (see \"could not be fetched\"
above), or the expat in
  $deps
was built before it came out. Make apt see bookworm-security (apt-get update), delete that folder
and run scripts/build-windows.sh again."
fi

# --- GoogleTest for Windows, from Debian's googletest sources --------------------------------------
if [ "$tests" = ON ] && [ ! -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$deps/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$deps/googletest-build" --target install >/dev/null
fi

# --- Tabulon ------------------------------------------------------------------------------------
cmake -S "$root" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DTABULON_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DTABULON_BUILD_TESTS="$tests" -DTABULON_BUILD_BENCH=OFF >/dev/null
cmake --build "$out"

# --- the zip ------------------------------------------------------------------------------------
# The programs without their symbols, about half the size; build-windows/bin keeps them whole
# for a debugger.
rm -rf "$out/zip" "$out/tabulon-windows.zip"
mkdir -p "$out/zip"
cp "$out/bin/tabulon-cli.exe" "$out/zip/"
if [ -f "$out/bin/tabulon.exe" ]; then cp "$out/bin/tabulon.exe" "$out/zip/"; fi
x86_64-w64-mingw32-strip --strip-all "$out"/zip/*.exe
# INSTALL.txt names the expat built in: the upstream version, and Debian's with its patches.
expat_upstream=${expat_version#*:}
sed -e "s/@EXPAT_UPSTREAM@/${expat_upstream%-*}/" -e "s/@EXPAT_DEBIAN@/$expat_version/" \
  -e 's/$/\r/' "$root/scripts/windows-install.txt" >"$out/zip/INSTALL.txt"
(cd "$out/zip" && zip -q -X "$out/tabulon-windows.zip" ./*)
unzip -l "$out/tabulon-windows.zip" | sed -n '4,$p'
# Last, where it is seen after the build's output.
if [ -n "$expat_warning" ]; then echo "$expat_warning" >&2; fi
