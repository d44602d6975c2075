#!/usr/bin/env bash
# Draws the demo map from the shipped sample: the 24-hour GFS MOS temperature
# analysed over the contiguous US, colour-filled with labels and a colour bar,
# written as PostScript and as a PNG picture (both by mosplot itself).
set -euo pipefail
build=${1:-build}
out=${2:-out}
mkdir -p "$out"
ps="$out/mosplot.ps"
png="$out/mosplot.png"
log="$out/mosplot.log"
rm -f "$ps" "$png"
plot() {
    "$build/mosplot" -ba -me mess -mo gfs -if mos_dat -dp examples -re us -ft h24 -va temp \
        -pl cf -fm bar -gd ps,-97,39,-97,97,65,0.575,0.575 -oa 1,20 -pr +3 -pp pscolor,lalo:10,lab:2:8:16 \
        -de "$1" </dev/null
}
{ plot "p,$ps" && plot "png,$png"; } 2>&1 | tee "$log"
for f in "$ps" "$png"; do
    if [ ! -s "$f" ]; then
        echo "make run: $f not written (log: $log)" >&2
        exit 1
    fi
done
echo "make run: map in $ps and $png (log: $log)"
