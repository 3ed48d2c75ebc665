#!/usr/bin/env bash
# Cross-builds Tabulon for 64-bit Windows on Debian 12 and packs build-windows/tabulon-windows.zip.
#
# Installs mingw-w64 (posix threads), Wine (to run what it builds) and what fetching a Debian source
# package needs; builds expat, zlib, liblzma (xz-utils), libzip and libarchive for Windows from
# Debian's own source packages, static and with only what Tabulon uses, and GoogleTest from
# Debian's googletest sources; then builds Tabulon with cmake/mingw-w64-x86_64.cmake.
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

# The newest release of each source package for Debian 12 (bookworm), security updates included,
# known when this script was last changed. Look each up in the bookworm row of
# https://security-tracker.debian.org/tracker/source-package/NAME (or `apt-cache showsrc NAME`
# with bookworm-security configured) and raise it with each new one.
declare -A newest_release=(
  [expat]=2.5.0-1+deb12u5
  [zlib]=1:1.2.13.dfsg-1+deb12u1
  [xz-utils]=5.4.1-1+deb12u2
  [libzip]=1.7.3-1
  [libarchive]=3.6.2-1+deb12u5
)

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

# --- the libraries for Windows, from Debian's source packages ------------------------------------
mkdir -p "$deps/src" "$prefix"
# The unpacked source of a package, fetched the first time; its folder is named after the package.
source_of() {  # package
  if ! ls -d "$deps/src/$1"-*/ >/dev/null 2>&1; then
    source_entries_present || enable_source_entries
    fetch_source "$1" >&2
  fi
  ls -d "$deps/src/$1"-*/ | head -1
}
cmake_library() {  # name, source folder, CMake options...
  local name=$1 src=$2
  shift 2
  cmake -S "$src" -B "$deps/$name-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DTABULON_WINDOWS_DEPS="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -Wno-dev "$@" >/dev/null
  cmake --build "$deps/$name-build" --target install >/dev/null
}

if [ ! -f "$prefix/lib/libexpat.a" ]; then
  expat_src=$(source_of expat)
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

# zlib compiled file by file: Debian's source leaves out the makefile for MinGW, and zlib's CMake
# build rewrites its source folder and names the static library libzlibstatic.a, which libzip and
# libarchive would not find.
if [ ! -f "$prefix/lib/libz.a" ]; then
  zlib_src=$(source_of zlib)
  mkdir -p "$deps/zlib-build" "$prefix/include" "$prefix/lib"
  for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
    inftrees trees uncompr zutil; do
    x86_64-w64-mingw32-gcc-posix -O2 -c "$zlib_src/$c.c" -o "$deps/zlib-build/$c.o"
  done
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libz.a" "$deps"/zlib-build/*.o
  cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"
fi
if [ ! -f "$prefix/lib/liblzma.a" ]; then
  cmake_library xz "$(source_of xz-utils)"
fi
# Neither library gets an optional dependency beyond zlib and liblzma: no encryption, no other
# compression, no tools. libarchive reads 7z headers with them (LZMA-packed headers, deflate).
if [ ! -f "$prefix/lib/libzip.a" ]; then
  cmake_library libzip "$(source_of libzip)" -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF \
    -DENABLE_LZMA=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
fi
if [ ! -f "$prefix/lib/libarchive_static.a" ]; then
  cmake_library libarchive "$(source_of libarchive)" -DENABLE_ZLIB=ON -DENABLE_LZMA=ON \
    -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_OPENSSL=OFF -DENABLE_LIBB2=OFF \
    -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_ZSTD=OFF -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF \
    -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_CNG=OFF \
    -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_XATTR=OFF -DENABLE_ACL=OFF \
    -DENABLE_ICONV=OFF -DENABLE_TEST=OFF -DENABLE_WERROR=OFF
fi

# The Debian version of each source built in, from the .dsc that apt-get source left, and a
# warning for each older than the newest release known above.
warnings=""
declare -A built_version
for package in expat zlib xz-utils libzip libarchive; do
  version=$(sed -n 's/^Version: //p' "$deps/src/${package}"_*.dsc 2>/dev/null | sort -V | tail -1)
  if [ -z "$version" ]; then
    built_version[$package]=unknown
    warnings+="build-windows.sh: warning: which $package is built into the programs is not known:
$deps/src holds no ${package}_*.dsc. Delete $deps and run scripts/build-windows.sh again.
"
  elif dpkg --compare-versions "$version" lt "${newest_release[$package]}"; then
    built_version[$package]=$version
    warnings+="build-windows.sh: warning: the programs are built with Debian's $package
$version, older than its release ${newest_release[$package]}, and lack that release's fixes.
Either apt's package servers did not have the newer source (see \"could not be fetched\"
above), or the $package in
  $deps
was built before it came out. Make apt see bookworm-security (apt-get update), delete that folder
and run scripts/build-windows.sh again.
"
  else
    built_version[$package]=$version
  fi
done

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
# INSTALL.txt names the libraries built in: each upstream version, and Debian's with its patches.
substitutions=()
for package in "${!built_version[@]}"; do
  debian=${built_version[$package]}
  upstream=${debian#*:}
  upstream=${upstream%-*}
  key=$(echo "${package%-utils}" | tr '[:lower:]' '[:upper:]')
  substitutions+=(-e "s/@${key}_UPSTREAM@/${upstream%.dfsg}/" -e "s/@${key}_DEBIAN@/$debian/")
done
sed "${substitutions[@]}" -e 's/$/\r/' "$root/scripts/windows-install.txt" >"$out/zip/INSTALL.txt"
(cd "$out/zip" && zip -q -X "$out/tabulon-windows.zip" ./*)
unzip -l "$out/tabulon-windows.zip" | sed -n '4,$p'
# Last, where it is seen after the build's output.
if [ -n "$warnings" ]; then printf '%s' "$warnings" >&2; fi
