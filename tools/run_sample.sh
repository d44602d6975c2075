#!/usr/bin/env bash
# Runs mosplot in batch mode on the shipped sample and says where the output is.
set -euo pipefail
build=${1:-build}
out=${2:-out}
mkdir -p "$out"
"$build/mosplot" -ba </dev/null | tee "$out/mosplot.log"
echo "make run: output in $out/ (log: $out/mosplot.log)"
