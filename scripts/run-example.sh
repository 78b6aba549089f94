#!/usr/bin/env bash
# Runs the bundled example (a Fourier map of sucrose) in a fresh folder
# example-run/, so the density file it writes never meets an old one.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf example-run
mkdir example-run
cp examples/sucrose_fourier.Quilmo example-run/
cd example-run
../build/quilmo sucrose_fourier
echo
echo "Files written in example-run/:"
ls -l
