#!/usr/bin/env bash
# Rewrites every golden output on purpose, from a build in build/.
set -eu
cd "$(dirname "$0")/../.."
cmake --build build --target seufit -j"$(nproc)" >/dev/null
bash tests/golden/run-cases.sh "$PWD/build/seufit" "$PWD" --update
