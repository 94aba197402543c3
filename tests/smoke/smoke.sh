#!/bin/sh
# Starts the real program from a copy of its program folder, offscreen, and
# checks that it comes up and keeps running until it is stopped.
set -u
program_folder=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -a "$program_folder" "$work/Kalvindo"
# A runtime folder of its own: a copy of the program the user has running
# would otherwise be the first copy, and this one would end at once.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
timeout -s TERM 6 "$work/Kalvindo/kalvindo.sh" >"$work/log" 2>&1
status=$?
if [ "$status" -ne 124 ]; then
  echo "the program ended by itself with status $status"
  cat "$work/log"
  exit 1
fi
# The delivered data folder is still there, untouched by the start.
[ -f "$work/Kalvindo/Data/Telefon.DB" ] || { echo "data folder lost"; exit 1; }
echo "1 passed, 0 failed"
