#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when one is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build ccache pkg-config libhidapi-dev qt6-base-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev fonts-liberation
          qt6-svg-dev xvfb xauth xdotool x11-apps
          librsvg2-bin desktop-file-utils appstream dpkg-dev lintian man-db file
          python3-numpy poppler-utils
          python3-dev python3-pybind11 python3-pytest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq "${missing[@]}" >/dev/null 2>&1 || {
    apt-get update -qq && apt-get install -y -qq "${missing[@]}"
  }
fi
