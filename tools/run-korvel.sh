#!/usr/bin/env bash
# Builds Korvel.exe and starts it under Wine in the demo prefix (build/demo/prefix).
# With a $DISPLAY, Korvel runs there until you close it. Without one, it runs in
# a virtual display: the main window is saved to build/korvel-main-window.png
# and Korvel is closed through its own "&Close" button, so shut-down runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tools/install-deps.sh

preset=win64
loader=/usr/lib/wine/wine64
if tools/can-run-win32; then preset=win32; loader=/usr/lib/wine/wine; fi
echo "Building the $preset programs..."
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Korvel korvel_drive >/dev/null 2>&1 ||
  cmake --build --preset "$preset" --target Korvel korvel_drive
cmake --preset native >/dev/null
cmake --build --preset native --target korvel_make_config >/dev/null

export WINEPREFIX="$root/build/demo/prefix" WINELOADER="$loader" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.ready" ]; then
  echo "Making the demo Wine prefix..."
  mkdir -p "$WINEPREFIX"
  "$loader" wineboot -i >/dev/null 2>&1
  # Unmanaged windows: no wait for a window manager, frames drawn by Wine.
  "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.ready"
fi

# Install Korvel into C:\Korvel with a first configuration, as Setup would.
home="$WINEPREFIX/drive_c/Korvel"
mkdir -p "$home/Banks" "$home/Presets"
cp "build/$preset/app/Korvel.exe" "$home/"
config="$WINEPREFIX/drive_c/windows/Korvel.cfg"
if [ ! -f "$config" ]; then
  build/native/tools/korvel_make_config "$config" homedrive=2 'homedir=c:\Korvel' \
    'lastpath=c:\Korvel\Presets' 'bankfolder=c:\Korvel\Banks'
fi

drive="build/$preset/tests/e2e/korvel_drive.exe"
if [ -n "${DISPLAY:-}" ]; then
  cd "$home" && exec "$loader" Korvel.exe
fi

shot="$root/build/korvel-main-window.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  cd "$1" && "$2" Korvel.exe & korvel=$!
  cd "$3"
  "$2" "$4" wait 120
  window=$(xwininfo -root -tree | awk "/\"Korvel\": \\(/ {print \$1; exit}")
  import -window "$window" "$5"
  "$2" "$4" close
  wait $korvel
  wineserver -w
' run "$home" "$loader" "$root" "$drive" "$shot"
wineserver -w
echo "Korvel started and closed in a virtual display; its main window: $shot"
