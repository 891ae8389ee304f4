#!/usr/bin/env bash
# The real halden binary under X: starts `halden --virtual --run` inside
# Xvfb, waits for the window titled "Corvane Spectra", takes a screenshot
# (XWD) of the screen, ends the program with SIGTERM and expects exit status 0;
# then the same with a message box open (no spectrometer).
# Usage: tests/window/xvfb-smoke.sh path/to/halden [screenshot.xwd]
set -euo pipefail

inner() {
  bin=$1 shot=$2 work=$3
  cd "$work"
  # Settings of this run only, so a user's saved layout plays no part.
  export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb VANTREL_VIRTUAL_TIMING=usb
  "$bin" --virtual --run &
  pid=$!
  window=""
  for _ in $(seq 150); do  # up to 30 s on a loaded machine
    window=$(xdotool search --onlyvisible --name '^Corvane Spectra$' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "halden ended before its window appeared" >&2; wait "$pid" || true; return 1; }
    sleep 0.2
  done
  if [ -z "$window" ]; then
    echo "no window titled \"Corvane Spectra\" appeared" >&2
    kill -KILL "$pid"
    return 1
  fi
  sleep 2  # a few live acquisitions on the screen
  xwd -root -silent >"$shot"
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "halden ended with status $status after SIGTERM" >&2
    return 1
  fi
  [ -s "$shot" ] || { echo "no screenshot" >&2; return 1; }
  echo "window \"Corvane Spectra\" shown, screenshot $shot, SIGTERM ended it with status 0"

  # No spectrometer: the "Can not find device" box is open when SIGTERM comes.
  "$bin" --virtual=0 &
  pid=$!
  box=""
  for _ in $(seq 150); do
    box=$(xdotool search --onlyvisible --name '^Error$' 2>/dev/null | head -1 || true)
    [ -n "$box" ] && break
    sleep 0.2
  done
  [ -n "$box" ] || { echo "no \"Can not find device\" box appeared" >&2; kill -KILL "$pid"; return 1; }
  kill -TERM "$pid"
  status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "halden with a message box open ended with status $status after SIGTERM" >&2
    return 1
  fi
  echo "with the message box open, SIGTERM ended it with status 0"
}
if [ "${1:-}" = --inside-xvfb ]; then
  shift
  inner "$@"
  exit
fi
bin=$(realpath "$1")
shot=$(realpath -m "${2:-halden-smoke.xwd}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$(realpath "$0")" --inside-xvfb "$bin" "$shot" "$work"
