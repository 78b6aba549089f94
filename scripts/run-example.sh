#!/usr/bin/env bash
# Runs one bundled example in a fresh folder example-run/, so the density
# files it writes never meet old ones.  Without a name it runs the
# maximum-entropy example of sucrose; any other example by its name:
#   scripts/run-example.sh                   sucrose_mem
#   scripts/run-example.sh sucrose_fourier   (or nacl_mem, sucrose_cf, ...)
set -euo pipefail
cd "$(dirname "$0")/.."
name="${1:-sucrose_mem}"
name="${name%.Quilmo}"
if [ ! -f "examples/$name.Quilmo" ]; then
    echo "No example named $name.  The examples are:" >&2
    for f in examples/*.Quilmo; do basename "$f" .Quilmo; done >&2
    exit 2
fi
rm -rf example-run
mkdir example-run
cp "examples/$name.Quilmo" example-run/
cd example-run
status=0
../build/quilmo "$name" || status=$?
echo
echo "Files written in example-run/:"
ls -l
if [ -f "$name.QLsum.json" ]; then
    echo
    echo "Summary ($name.QLsum.json):"
    grep -E '^  "(run_kind|end|message|wall_time_s)"' "$name.QLsum.json" || true
fi
exit "$status"
