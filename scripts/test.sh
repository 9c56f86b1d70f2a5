#!/usr/bin/env bash
# The one test command: installs what the build needs, builds both presets with
# warnings as errors and runs every test (the Windows ones under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset native -DTGW_WERROR=ON
cmake --build --preset native
ctest --preset native

# The Windows build packs the sample product with the native packer built above.
cmake --preset windows -DTGW_WERROR=ON
cmake --build --preset windows
ctest --preset windows
