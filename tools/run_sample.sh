#!/usr/bin/env bash
# Draws the demo map from the shipped sample: the 24-hour GFS MOS temperature
# analysed over the contiguous US, colour-filled with labels and a colour bar,
# written as PostScript and rendered to PNG with Ghostscript.
set -euo pipefail
build=${1:-build}
out=${2:-out}
mkdir -p "$out"
ps="$out/mosplot.ps"
png="$out/mosplot.png"
log="$out/mosplot.log"
rm -f "$ps" "$png"
"$build/mosplot" -ba -me mess -mo gfs -if mos_dat -dp examples -re us -ft h24 -va temp \
    -pl cf -fm bar -gd ps,-97,39,-97,97,65,0.575,0.575 -oa 1,20 -pr +3 -pp pscolor,lalo:10,lab:2:8:16 -de "p,$ps" </dev/null 2>&1 | tee "$log"
if [ ! -s "$ps" ]; then
    echo "make run: no PostScript written (log: $log)" >&2
    exit 1
fi
if command -v gs >/dev/null 2>&1; then
    # The map is printed across a landscape page; the picture is turned
    # upright for the screen.
    gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r100 -sOutputFile="$png" \
        -dDEVICEWIDTHPOINTS=792 -dDEVICEHEIGHTPOINTS=612 -dFIXEDMEDIA \
        -c "<</Install {0 612 translate -90 rotate}>> setpagedevice" -f "$ps"
    echo "make run: map in $ps and $png (log: $log)"
else
    echo "make run: map in $ps (Ghostscript not installed, no PNG; log: $log)"
fi
