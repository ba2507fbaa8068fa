#!/usr/bin/env bash
# Installs what is missing, builds seufit and writes a FIT report for the shipped example design.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target seufit
./build/seufit report examples/zerith9_accel.json "$@"
