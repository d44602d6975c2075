#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# This list is the one place that names them.
set -euo pipefail
packages=(
  build-essential cmake make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  proj-bin ghostscript hp2xx
  libnetcdf-dev netcdf-bin
  libx11-dev xvfb xdotool x11-apps
  libcairo2-dev libpng-dev libgif-dev zlib1g-dev
  imagemagick pngcheck poppler-utils librsvg2-bin
  # readers of the netCDF grid files in tests, and the peer of the frame benchmark
  python3-netcdf4 python3-xarray python3-numpy python3-scipy python3-matplotlib python3-pyproj
)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
if [[ $(id -u) -eq 0 ]]; then
  echo "deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "deps: missing Debian packages: ${missing[*]}" >&2
  echo "deps: install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
