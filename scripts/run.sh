#!/usr/bin/env bash
# Builds the distribution folder and starts the setup wizard under Wine: on the
# screen when there is one ($DISPLAY), else on a private Xvfb server.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target tgwpack tgwloadcfg
cmake --preset windows >/dev/null
cmake --build --preset windows --target dist

exec scripts/wine-run.sh build/windows/wine build/windows/dist/setup.exe
