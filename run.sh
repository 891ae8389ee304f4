#!/usr/bin/env bash
# Installs what is missing, builds the window and the CLI (no tests or
# benchmarks), and opens the window on the virtual spectrometer with Run
# checked. Without a display it renders the window off-screen into
# halden-run/window.png instead. Then saves a spectrum with halden-cli.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target halden halden-cli

export VANTREL_VIRTUAL=${VANTREL_VIRTUAL:-1}
export VANTREL_VIRTUAL_TIMING=${VANTREL_VIRTUAL_TIMING:-usb}
mkdir -p halden-run
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The instrument's backup calibration file goes to the current folder.
  (cd halden-run && ../build/app/halden --virtual="$VANTREL_VIRTUAL" --run)
else
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): rendering the window off-screen to halden-run/window.png"
  (cd halden-run && QT_QPA_PLATFORM=offscreen ../build/app/halden --virtual="$VANTREL_VIRTUAL" \
     --screenshot window.png 2>/dev/null)
fi
if [ -x build/app/halden-cli ]; then
  out=${HALDEN_OUT:-$PWD/halden-run/spectrum.txt}
  out=$(realpath -m "$out")
  outdir=$(dirname "$out")
  mkdir -p "$outdir"
  cli=$PWD/build/app/halden-cli
  # The instrument's backup calibration file is written to the current
  # folder, so the acquisition runs in the output folder.
  saved=$(cd "$outdir" && "$cli" --virtual="$VANTREL_VIRTUAL" acquire --exposure 10 -o "$out" "$@")
  echo "Spectrum saved to:"
  echo "$saved"
else
  build/devicelib/vantrel_demo "$@"
fi
