#!/usr/bin/env bash
# Configures and builds Quilmo (program, library and tests) in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@"
cmake --build build -j"$(nproc)"
