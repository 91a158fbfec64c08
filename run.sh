#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, starts the simulated unit as COM1 and the program.
set -euo pipefail
cd "$(dirname "$0")"
. ./tools.sh
zul_install_missing
zul_build build zulset zulset-cli zulsim

# The simulated unit links itself as build/bin/ports/com1, beside the program, and takes its
# console commands from a named pipe, so that calls can be played from another terminal.
# COM1 is the first entry of "Select Port", so OK opens the demo. The link is seen only by the
# program in build/bin (an installed one looks in ~/.config/zulset/ports), and only while
# this script runs.
SIM_IN=build/zulsim.in
SIM_OUT=build/zulsim.out
SIM_LOG=build/zulsim.log
sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

[ -p "$SIM_IN" ] || { rm -f "$SIM_IN"; mkfifo "$SIM_IN"; }
# Held open here for writing too, so zulsim never reads an end of its console.
exec 3<>"$SIM_IN"
: >"$SIM_OUT"
./build/bin/zulsim --com 1 --demo --state build/zulsim-demo.state <&3 >"$SIM_OUT" 2>"$SIM_LOG" &
sim_pid=$!
for _ in $(seq 50); do
  [ -s "$SIM_OUT" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done

if [ -s "$SIM_OUT" ]; then
  echo "Simulated unit: $(cat "$SIM_OUT") as build/bin/ports/com1 (OK in \"Select Port\": COM1)."
  echo "Play a call from another terminal:"
  echo "  echo 'call +420777111222' > $SIM_IN      (ADMIN2 of the demo SIM; add ' b' for relay B)"
  echo "  echo help > $SIM_IN; tail -f $SIM_LOG    (all commands; the unit's log)"
else
  # Something else holds COM1 already (another zulsim, or a link to a real adapter).
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
  echo "Simulated unit not started: $(tail -n 1 "$SIM_LOG")"
fi

# The default phone book "blank.phb" is kept in the current directory: beside the program.
(cd build/bin && ./zulset 3>&-)
