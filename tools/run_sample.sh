#!/usr/bin/env bash
# Runs mosplot in batch mode on the shipped sample and says where the output is.
set -euo pipefail
build=${1:-build}
out=${2:-out}
mkdir -p "$out"
log="$out/mosplot.log"
"$build/mosplot" -ba -me mess -mo gfs -ft h12,h24 -va temp </dev/null 2>&1 | tee "$log"
echo "make run: output in $out/ (log: $log)"
