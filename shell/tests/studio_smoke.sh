#!/usr/bin/env bash
# Runs the real studio on a virtual display, with the simulated module on its first port when
# that program is built: opens a program, builds and runs it with Auto, turns an input of the
# module on and watches the ladder in monitor mode, switches the interface to Korean, checks
# the port, opens the user guide, saves and exits. Passes when the studio ends with status 0, the settings file holds what the run
# wrote, the program was saved and the module runs the built program. Then the layout, without
# and (when openbox is installed) with a window manager: passes when a resize to the same size
# moves nothing. Pictures of the screen are left in the artefact folder.
#   studio_smoke.sh ZQVSTUDIO ARTIFACT_DIR SAMPLE_PROGRAM
set -euo pipefail
studio=$1
artifacts=$2
sample=$3
bin=$(dirname "$studio")
mkdir -p "$artifacts"
work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cp "$sample" "$work/sample.qsl"
# Row 2 ends in the box "WMOV D0, 10", which the assembler refuses.
cp "$(dirname "$sample")/assembly_error.qsl" "$work/error.qsl"
export ZQVSTUDIO_INI="$work/ZQVSTUDIO.INI"
export ZQVSTUDIO_DIR="$work"
# The studio's folder: the build scripts, core sources and build tools lie beside the studio.
for f in "$bin"/*.BAT "$bin"/*.S71 "$bin"/*.INC "$bin"/tip.txt "$bin"/user-guide.md "$bin"/aq71 "$bin"/zqlink; do
  [ -e "$f" ] && cp "$f" "$work/"
done
# Auto starts the program without asking.
printf '[Setup]\nAskStart=0\n' >"$ZQVSTUDIO_INI"

if [ -x "$bin/zqvsim" ]; then
  mkfifo "$work/control"
  "$bin/zqvsim" --model 1 <"$work/control" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  exec 3>"$work/control"  # keeps the simulator's control channel open
  for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
  port=$(head -n 1 "$work/sim.out")
  [ -e "$port" ] || { echo "the simulator gave no port"; cat "$work/sim.err"; exit 1; }
  export ZQV_PORT_DEV0="$port"
  export ZQVSTUDIO_SIM_CONTROL="$work/control"
  echo "simulated module on $port"
else
  echo "zqvsim is not built: the studio runs without a module"
fi

if [ -n "$sim_pid" ]; then
  # Rung 1: P0:0 and not M0:1 drive P1:0; a timer T0 on P0:1; a counter C0 counts P0:2.
  module_steps="click mnuAuto
wait 1500
shot $artifacts/studio-auto.png
click mnuMonitor
wait 500
enter txtWatch T0
enter txtWatch C0
enter txtWatch P1:0
control input P0:0 1
control input P0:1 1
control input P0:2 1
wait 400
control input P0:2 0
wait 400
control input P0:2 1
wait 1500
shot $artifacts/studio-monitor.png
page 4
wait 800
shot $artifacts/studio-dump.png
control peek 97 1
click mnuMonitor
control state
wait 300"
else
  module_steps="wait 10"
fi

cat >"$work/script.txt" <<SCRIPT
wait 800
shot $artifacts/studio-start.png
open $work/sample.qsl
wait 500
shot $artifacts/studio-opened.png
open $work/error.qsl
# Auto ends once its error message is closed; the picture shows the cell it leads to.
click mnuAuto
wait 600
shot $artifacts/studio-error-cell.png
open $work/sample.qsl
$module_steps
page 2
click optColor 0
wait 500
shot $artifacts/studio-black.png
click optColor 1
click optLanguage 1
wait 800
shot $artifacts/studio-korean.png
# The port check answers in a Korean message box, buttons included; the guide opens in a window.
boxshot $artifacts/studio-korean-message.png
click Command2
wait 1500
click mnuHelp
wait 800
shot $artifacts/studio-help.png
click mnuSave
wait 300
exit
SCRIPT

status=0
ZQVSTUDIO_SCRIPT="$work/script.txt" timeout 150 xvfb-run -a -s "-screen 0 1280x1024x24" "$studio" || status=$?
echo "studio exit status $status"
[ "$status" -eq 0 ] || exit 1

ini="$work/ZQVSTUDIO.INI"
cat "$ini"
grep -qx 'KoreanMenu=True' "$ini" || { echo "the language was not stored"; exit 1; }
grep -qx "File1=$work/sample.qsl" "$ini" || { echo "the recent-file list was not written"; exit 1; }
grep -q '^Width=' "$ini" || { echo "the window place was not written"; exit 1; }
[ -s "$work/QSKLBK.\$\$\$" ] || { echo "the program was not saved (no backup)"; exit 1; }
# The saved program is a program file, the same as its backup (the PLC page may have set the
# port directions its model asks for, so it need not equal the sample byte for byte).
[ "$(head -c 8 "$work/sample.qsl")" = "QSKL2000" ] || { echo "the saved program is not a program file"; exit 1; }
cmp -s "$work/sample.qsl" "$work/QSKLBK.\$\$\$" || { echo "the program and its backup differ"; exit 1; }
if [ -n "$sim_pid" ]; then
  # The build went through and the module runs it.
  [ -s "$work/ZQOUT.HEX" ] || { echo "Auto built no image"; exit 1; }
  grep -q '^ok running' "$work/sim.out" || { echo "the module does not run the program"; cat "$work/sim.out"; exit 1; }
  # P1:0 (bit 0 of byte 97 for this model) follows P0:0 and not M0:1.
  grep -Eq '^ok [0-9A-Fa-f]?[13579BDFbdf]$' "$work/sim.out" || { echo "the output does not follow the input"; cat "$work/sim.out"; exit 1; }
  for shot in studio-auto studio-monitor studio-dump; do
    [ -s "$artifacts/$shot.png" ] || { echo "no picture $shot.png"; exit 1; }
  done
fi
for shot in studio-start studio-opened studio-error-cell studio-korean studio-korean-message studio-help; do
  [ -s "$artifacts/$shot.png" ] || { echo "no picture $shot.png"; exit 1; }
done

# The layout: what start-up lays out is what a resize to the same size lays out, on both main
# tabs, and the Ladder tab is seen over the mnemonic view; without a window manager, and under
# openbox, whose frame comes only after the window is first shown.
layout_run() { # layout_run NAME [openbox]
  local name=$1 wm=${2:-} dir="$work/layout-$1"
  mkdir -p "$dir"
  printf '[Setup]\nTipShow=0\n' >"$dir/ZQVSTUDIO.INI"
  cat >"$dir/script.txt" <<SCRIPT
wait 1500
places $dir/start-1.txt
tab 2
wait 300
places $dir/start-2.txt
shot $artifacts/studio-layout-$name.png
grow 40 30
wait 500
grow -40 -30
wait 500
places $dir/resized-2.txt
tab 1
wait 300
places $dir/resized-1.txt
exit
SCRIPT
  local run=("$studio")
  [ -n "$wm" ] && run=(bash -c 'openbox >/dev/null 2>&1 & sleep 1; exec "$@"' openbox "$studio")
  status=0
  ZQVSTUDIO_INI="$dir/ZQVSTUDIO.INI" ZQVSTUDIO_SCRIPT="$dir/script.txt" \
    timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}" || status=$?
  [ "$status" -eq 0 ] || { echo "layout $name: studio exit status $status"; exit 1; }
  for tab in 1 2; do
    diff "$dir/start-$tab.txt" "$dir/resized-$tab.txt" ||
      { echo "layout $name: tab $tab lies elsewhere after a resize to the same size"; exit 1; }
  done
  grep -q '^tabMain tab 0: .* seen tabMain$' "$dir/start-2.txt" ||
    { echo "layout $name: the Ladder tab is covered on the Mnemonic tab"; cat "$dir/start-2.txt"; exit 1; }
  head -n 1 "$dir/start-1.txt"
}
layout_run plain
if command -v openbox >/dev/null 2>&1; then
  layout_run openbox openbox
  # The check means something only when the window manager did frame the window.
  read -r _ size _ frame _ <"$work/layout-openbox/start-1.txt"
  [ "$size" != "$frame" ] || { echo "layout openbox: the window got no frame"; exit 1; }
else
  echo "openbox is not installed: the layout under a window manager is not tried"
fi

echo "smoke run passed; pictures in $artifacts"
