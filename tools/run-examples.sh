#!/usr/bin/env bash
# Builds the plug-in and the stand-in simulator, then runs the example scripts with bmsim.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
./build/bmsim --root build/sim --scripts examples --frames 10 "$@"
