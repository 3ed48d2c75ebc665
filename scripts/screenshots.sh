#!/usr/bin/env bash
# Draws the README's pictures of the window into docs/: normal mode, normal mode during a run, and
# silent mode during its run on Qt's offscreen platform (no display needed), and the Win32 window
# under Wine when the Windows build is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${TABULON_BUILD_DIR:-$root/build}"

bash "$root/scripts/setup-debian.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target tabulon-screenshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/examples/frontend" "$work/frontend"
# The pictures show the bundled dats; a run through Debian's MAME takes a while and shows whatever
# MAME version is installed.
rm -rf "$work/frontend/cfgs"

mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$build/bin/tools/tabulon-screenshots" "$root/docs" "$work/frontend/Tabulon"

# The Win32 window, tabulon.exe, under Wine, when scripts/build-windows.sh has built it. Wine draws
# its own desktop with the window frame as Windows has it, on a virtual X display.
windows_exe="${TABULON_WINDOWS_BUILD_DIR:-$root/build-windows}/bin/tabulon.exe"
if [ ! -f "$windows_exe" ]; then
  echo "screenshots.sh: no $windows_exe (scripts/build-windows.sh builds it): docs/window-win32.png stays as it is"
  exit 0
fi
packages=(wine wine64 fonts-wine xvfb x11-apps netpbm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display" WINEPREFIX="$work/wine" WINEDEBUG=-all LANG=C.UTF-8
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do xwd -root -silent >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1
# The dialog font and the symbols of the caption buttons, which Debian's Wine does not look for
# in its own fonts folder.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
cp "$windows_exe" "$work/frontend/Tabulon/"
wine explorer /desktop=tabulon,640x480 "$work/frontend/Tabulon/tabulon.exe" >/dev/null 2>&1 &

# The desktop's top-left corner holds the window; the desktop's colour around it is cut away.
shot() {
  xwd -root -silent | xwdtopnm 2>/dev/null | pamcut -left 0 -top 0 -width 640 -height 480 |
    pnmcrop -right -bottom -bg-corner=bottomright 2>/dev/null
}
# Taken once the window is there and has finished drawing: two pictures in a row the same.
previous=""
for _ in $(seq 120); do
  sleep 0.5
  shot >"$work/shot.ppm" || continue
  current=$(md5sum <"$work/shot.ppm")
  width=$(pnmfile "$work/shot.ppm" | sed -n 's/.* \([0-9]*\) by .*/\1/p')
  if [ "${width:-640}" -lt 640 ] && [ "$current" = "$previous" ]; then
    pnmtopng "$work/shot.ppm" >"$root/docs/window-win32.png"
    echo "$root/docs/window-win32.png"
    exit 0
  fi
  previous=$current
done
echo "screenshots.sh: the Win32 window did not appear under Wine" >&2
exit 1
