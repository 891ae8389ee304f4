#!/usr/bin/env bash
# Installs what is missing, builds, and starts the main job on the virtual
# spectrometer.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

export VANTREL_VIRTUAL=${VANTREL_VIRTUAL:-1}
export VANTREL_VIRTUAL_TIMING=${VANTREL_VIRTUAL_TIMING:-usb}
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
