#!/usr/bin/env bash
# Installs the Debian packages seufit needs to build, test, fuzz and benchmark.
# Only packages that are missing are installed; nothing happens when all are there.
set -euo pipefail
packages=(
  g++ cmake make ninja-build pkg-config
  libboost-filesystem-dev libboost1.74-dev libexpat1-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nettle-dev rapidjson-dev libcairo2-dev
  python3 libxml2-utils clang libclang-rt-14-dev hyperfine time clang-format clang-tidy
  yosys
  pybind11-dev python3-dev python3-pytest python3-pandas
  chromium poppler-utils
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
