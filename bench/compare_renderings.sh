#!/usr/bin/env bash
# Draws the demo frame (as `make run` does) with two builds of mosplot and
# compares Ghostscript's renderings of their PostScript pixel by pixel at
# 100 dpi; prints both file sizes and the number of pixels that differ.
#   bench/compare_renderings.sh OLD_MOSPLOT NEW_MOSPLOT
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 OLD_MOSPLOT NEW_MOSPLOT" >&2; exit 2; }
command -v gs >/dev/null || { echo "$0: Ghostscript (gs) is not installed" >&2; exit 1; }
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for side in old new; do
    bin=$1; shift
    "$bin" -ba -me none -mo gfs -if mos_dat -dp examples -re us -ft h24 -va temp -pl cf -fm bar \
        -gd ps,-97,39,-97,97,65,0.575,0.575 -oa 1,20 -pr +3 -pp pscolor,lalo:10,lab:2:8:16 \
        -de "p,$work/$side.ps" </dev/null
    gs -dSAFER -dBATCH -dNOPAUSE -q -r100 -sDEVICE=ppmraw -sOutputFile="$work/$side.ppm" "$work/$side.ps"
    echo "$side: $(stat -c %s "$work/$side.ps") bytes of PostScript"
done
python3 - "$work/old.ppm" "$work/new.ppm" <<'PY'
import sys
def pixels(path):
    data = open(path, 'rb').read()
    fields, i = [], 0
    while len(fields) < 4:
        while data[i:i + 1].isspace(): i += 1
        if data[i:i + 1] == b'#':
            i = data.index(b'\n', i)
            continue
        j = i
        while not data[j:j + 1].isspace(): j += 1
        fields.append(data[i:j]); i = j
    w, h = int(fields[1]), int(fields[2])
    return w, h, data[i + 1:i + 1 + 3 * w * h]
w, h, a = pixels(sys.argv[1])
w2, h2, b = pixels(sys.argv[2])
if (w, h) != (w2, h2): sys.exit("renderings differ in size")
print("pixels differing: %d of %d" % (sum(a[k:k + 3] != b[k:k + 3] for k in range(0, len(a), 3)), w * h))
PY
