#!/usr/bin/env bash
# Makes the release archive (tools/make-release.sh), installs Korvel from it
# into the demo prefix (build/demo/prefix-win32 or -win64, after the build
# that runs) and starts it under Wine.
# With a $DISPLAY, Korvel runs there until you close it. Without one, it runs in
# a virtual display: a picture of each page and of the tray menu open is saved
# as build/korvel-*.png, and Korvel is closed through its own "&Close" button,
# so shut-down runs.
#
# It runs the fastest build this machine runs: the shipped 32-bit archive
# where the kernel runs 32-bit programs, else the same archive made from the
# 64-bit build. KORVEL_WIN32=emulated runs the 32-bit one through user-mode
# emulation instead (slow).
#
# With --fluidsynth the SoundFont device is a running FluidSynth instead of
# the emulated one: FluidSynth is started (to the machine's sound output where
# there is one, else to a raw file whose path is printed), Korvel's FluidSynth
# manager is installed in a demo prefix of its own, and the sample preset
# plays the Virtual Keyboard into the "FluidSynth" port.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
fluidsynth=""
if [ "${1:-}" = --fluidsynth ]; then fluidsynth=1; fi
preset=win64
loader=/usr/lib/wine/wine64
if [ -n "${KORVEL_IN_EMULATION:-}" ]; then
  # Started again below with the emulation switched on.
  preset=win32 loader=/usr/lib/wine/wine
else
  tools/install-deps.sh
  win32=$(tools/win32-support || true)
  case "$win32" in
    native)
      preset=win32 loader=/usr/lib/wine/wine
      echo "32-bit programs run natively here: running the shipped 32-bit build." ;;
    emulated)
      if [ "${KORVEL_WIN32:-}" = emulated ]; then
        echo "Running the shipped 32-bit build through user-mode emulation (slow)."
        exec tools/win32-support --run env KORVEL_IN_EMULATION=1 "$0" "$@"
      fi
      echo "32-bit programs run here only through emulation: running the 64-bit build"
      echo "(KORVEL_WIN32=emulated runs the shipped 32-bit one, slowly)." ;;
    *)
      echo "32-bit programs cannot run here (${win32#none: }): running the 64-bit build." ;;
  esac
fi
echo "Making the release archive of the $preset programs..."
release=release variant=()
if [ "$preset" = win64 ]; then release=release-win64 variant=(win64); fi
tools/make-release.sh "${variant[@]}" >/dev/null 2>&1 || tools/make-release.sh "${variant[@]}"
archive=$(ls "$root/build/$release"/Korvel-*.zip)
# What does not ship: the emulated hardware, the virtual MIDI ports and the
# program that drives Korvel's windows.
echo "Building the $preset emulators and drivers..."
cmake --preset "$preset" >/dev/null
targets=(korvel_drive korvel_ewsaudio korvel_sfman32 korvel_aweman32 korvel_virtual_midi_driver korvel_midi_port
         korvel_fluidsynth_sfman32)
cmake --build --preset "$preset" --target "${targets[@]}" >/dev/null 2>&1 ||
  cmake --build --preset "$preset" --target "${targets[@]}"
cmake --preset native >/dev/null
cmake --build --preset native --target korvel_make_config korvel_bankgen korvel_demo_preset >/dev/null

export WINEPREFIX="$root/build/demo/prefix-$preset${fluidsynth:+-fluidsynth}" WINELOADER="$loader" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The 64-bit loader sets up the prefix; a prefix made by an earlier recipe of
# tools/make-wine-prefix is brought up to the present one.
maker=/usr/lib/wine/wine64
[ -x "$maker" ] || maker="$loader"
recipe=$(cksum < tools/make-wine-prefix)
if [ "$(cat "$WINEPREFIX/.ready" 2>/dev/null)" != "$recipe" ]; then
  echo "Making the demo Wine prefix..."
  tools/make-wine-prefix "$WINEPREFIX"
  echo "$recipe" > "$WINEPREFIX/.ready"
fi

# The release archive unpacked into C:\Korvel, as a user unpacks it before
# running Setup (and again over it for a newer build; Korvel deletes the
# Setup.exe it finds there), and beside it the emulated sound hardware: one
# EWS64 card and one SoundFont device, whose loaded banks persist in
# korvelemu.state as a card's memory does.
home="$WINEPREFIX/drive_c/Korvel"
mkdir -p "$home/Banks"
(cd "$home" && cmake -E tar xf "$archive")
cp "build/$preset/emulators/win32/"{EWSAUDIO.DRV,SFMAN32.DLL,AWEMAN32.DLL} "$home/"
if [ -n "$fluidsynth" ]; then
  # The SoundFont manager on FluidSynth, with its settings beside it.
  cp "build/$preset/fluidsynth/SFMAN32.DLL" "$home/"
  [ -f "$home/korvelfs.ini" ] || printf '%s\n' 'host=127.0.0.1' 'port=9800' 'memory_kb=65536' > "$home/korvelfs.ini"
  cp /usr/share/sounds/sf2/TimGM6mb.sf2 "$home/Banks/"
fi
[ -f "$home/korvelemu.ini" ] || printf '%s\n' 'ews64.cards=1' 'ews64.memory_kb=4096' \
  'soundfont.devices=1' 'soundfont.memory_kb=8192' > "$home/korvelemu.ini"

# Virtual MIDI ports (emulators/README.md): winekorvel.drv as Wine's audio
# driver, which gives winmm the ports listed in C:\windows\korvelmidi.ini.
system="$WINEPREFIX/drive_c/windows/system32"
if [ "$preset" = win32 ] && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  system="$WINEPREFIX/drive_c/windows/syswow64"
fi
cp "build/$preset/emulators/win32/winekorvel.drv" "$system/"
ports="$WINEPREFIX/drive_c/windows/korvelmidi.ini"
[ -f "$ports" ] || printf '%s\n' 'input=Virtual Keyboard' 'output=Virtual Synth' \
  'both=Virtual Loopback, loop' ${fluidsynth:+'fluidsynth=FluidSynth, 127.0.0.1:9800'} > "$ports"
if ! grep -q '^"Audio"="korvel"' "$WINEPREFIX/user.reg"; then
  "$maker" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d korvel /f >/dev/null 2>&1
  wineserver -w
fi

# A bank folder of generated sample banks.
bankgen=build/native/tools/korvel_bankgen
for bank in "Piano:400000" "Strings:900000" "Organ:250000" "Drums:1200000" "Choir:700000"; do
  name=${bank%%:*} bytes=${bank##*:}
  [ -f "$home/Banks/$name.sf2" ] || "$bankgen" sf2 "$home/Banks/$name.sf2" "$name" "$bytes"
done
slot=0
for bank in "GRAND:600000" "EPIANO:300000" "BASS:200000" "PADS:800000"; do
  name=${bank%%:*} bytes=${bank##*:}
  [ -f "$home/Banks/$name.tts" ] || "$bankgen" tts "$home/Banks/$name.tts" "$name" "$bytes" --slot "$slot"
  slot=$((slot + 1))
done
# A sample preset, loaded at start-up: banks on both devices, and the
# Virtual Keyboard connected to the Virtual Synth an octave up.
[ -f "$home/Presets/1 Demo.pre" ] ||
  build/native/tools/korvel_demo_preset ${fluidsynth:+--fluidsynth} "$home/Presets/1 Demo.pre" 'c:\Korvel\Banks'
drive="build/$preset/tests/e2e/korvel_drive.exe"
config="$WINEPREFIX/drive_c/windows/Korvel.cfg"
if [ ! -f "$config" ]; then
  # The sample preset as the current one, as if Korvel had been used before:
  # Setup keeps what an earlier configuration holds.
  build/native/tools/korvel_make_config "$config" 'lastpath=c:\Korvel\Presets' \
    'curpreset=c:\Korvel\Presets\1 Demo.pre'
  echo "Installing Korvel with Setup.exe (bank folder typed in, \"&Finish installation...\" pressed)..."
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -e
    cd "$1" && "$2" Setup.exe & setup=$!
    cd "$3" && "$2" "$4" setup "c:\\Korvel\\Banks"
    wait $setup
    wineserver -w
  ' install "$home" "$loader" "$root" "$drive"
fi

# FluidSynth on its TCP shell at 127.0.0.1:9800, ended when this script ends.
start_fluidsynth() {
  local audio=(-a file -o audio.file.name="$root/build/demo/fluidsynth.raw" -o audio.file.type=raw)
  if [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then audio=(-a pulseaudio)
  elif ls /dev/snd/pcmC*D*p >/dev/null 2>&1; then audio=(-a alsa)
  fi
  fluidsynth -n -s -i "${audio[@]}" -o synth.sample-rate=44100 -o synth.default-soundfont= \
    -o shell.port=9800 >"$root/build/demo/fluidsynth.log" 2>&1 &
  synth=$!
  trap 'kill $synth 2>/dev/null || true' EXIT
  for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/9800) 2>/dev/null && break; sleep 0.1; done
  if [ "${audio[1]}" = file ]; then
    echo "FluidSynth plays into $root/build/demo/fluidsynth.raw (16-bit stereo, 44100 Hz: no sound output here)."
  else
    echo "FluidSynth plays to the sound output (${audio[1]})."
  fi
}

echo "Virtual MIDI ports: play into one or read one with, for example,"
echo "  WINEPREFIX=$WINEPREFIX $loader build/$preset/emulators/win32/korvel_midi_port.exe send 'Virtual Keyboard' 90 3C 64"
echo "  WINEPREFIX=$WINEPREFIX $loader build/$preset/emulators/win32/korvel_midi_port.exe read 'Virtual Synth'"
midiport="build/$preset/emulators/win32/korvel_midi_port.exe"
if [ -n "$fluidsynth" ]; then
  start_fluidsynth
  echo "The preset \"1 Demo\" puts TimGM6mb into slot 1 of FluidSynth and connects the Virtual Keyboard"
  echo "to it: Bank Select 1 (B0 00 01), a Program Change (C0 00) and a note (90 3C 64) play it."
else
  echo "The preset \"1 Demo\" connects the Virtual Keyboard to the Virtual Synth an octave up."
fi
if [ -n "${DISPLAY:-}" ]; then
  cd "$home"
  status=0
  "$loader" Korvel.exe || status=$?
  exit $status
fi

# Pictures of what a user sees: each page, the "Bank Manager" page after a
# bank was loaded through the open dialog, the "Connection Details" dialog
# and the tray menu open.
shots="$root/build"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  home=$1 loader=$2 root=$3 drive=$4 shots=$5
  cd "$home" && "$loader" Korvel.exe & korvel=$!
  cd "$root"
  "$loader" "$drive" wait 120
  window=$(xwininfo -root -tree | awk "/\"Korvel\": \\(/ {print \$1; exit}")
  page=0
  for name in bank-page presets-page midi-devices-page about-page; do
    "$loader" "$drive" page $page
    import -window "$window" "$shots/korvel-$name.png"
    page=$((page + 1))
  done
  # The Bank Manager page again once the open dialog that covered it has
  # loaded a bank: every control is drawn again.
  "$loader" "$drive" page 0
  "$loader" "$drive" load 6 PADS.tts
  import -window "$window" "$shots/korvel-bank-page-after-load.png"
  "$loader" "$drive" page 2
  "$loader" "$drive" details
  sleep 1  # until the dialog has painted all its controls
  import -window root "$shots/korvel-connection-details.png"
  "$loader" "$drive" closedetails
  "$loader" "$drive" page 0
  "$loader" "$drive" traymenu
  import -window root "$shots/korvel-tray-menu.png"
  "$loader" "$drive" escape
  if [ -n "$6" ]; then
    # A note through Korvel into FluidSynth: bank 1 is TimGM6mb in slot 1.
    for message in "B0 00 01" "C0 00" "90 3C 64"; do "$loader" "$6" send "Virtual Keyboard" $message; done
    sleep 1
    "$loader" "$6" send "Virtual Keyboard" 80 3C 00
  fi
  "$loader" "$drive" close
  wait $korvel
  wineserver -w
' run "$home" "$loader" "$root" "$drive" "$shots" "${fluidsynth:+$midiport}"
wineserver -w
echo "Korvel started and closed in a virtual display; what it showed: $shots/korvel-*.png"
