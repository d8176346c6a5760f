#!/bin/sh
# Each user guide holds the pictures it should: COUNT images (soft masks not
# counted) in every UserGuide_*.pdf given, or inside every zip given.
#   guide_pictures_check.sh COUNT FILE.pdf|FILE.zip...
set -eu
count="$1"
shift
exec python3 - "$count" "$@" <<'PY'
import re, sys, zipfile

want = int(sys.argv[1])
guides = []
for path in sys.argv[2:]:
    if path.endswith(".zip"):
        with zipfile.ZipFile(path) as z:
            names = [n for n in z.namelist() if re.search(r"UserGuide_(CH|EN)\.pdf$", n)]
            guides += [(path + ":" + n, z.read(n)) for n in names]
            if len(names) != 2:
                sys.exit(f"{path}: {len(names)} user guides, not 2")
    else:
        guides.append((path, open(path, "rb").read()))
bad = 0
for name, pdf in guides:
    images = len(re.findall(rb"/Subtype\s*/Image\b", pdf)) - len(re.findall(rb"/SMask\s+\d+\s+0\s+R", pdf))
    print(f"{name}: {images} pictures")
    if images != want:
        print(f"  expected {want}", file=sys.stderr)
        bad = 1
sys.exit(bad)
PY
