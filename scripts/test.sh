#!/usr/bin/env bash
# The one test command: installs what the build needs, builds every preset with
# warnings as errors and runs every test (the Windows ones under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset native -DTGW_WERROR=ON
cmake --build --preset native
ctest --preset native

# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset sanitize -DTGW_WERROR=ON
cmake --build --preset sanitize
ctest --preset sanitize

# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer over the payload reader, the
# integrity record and the name and folder rules, for a minute.
cmake --preset fuzz -DTGW_WERROR=ON
cmake --build --preset fuzz
ctest --preset fuzz

# The Windows build packs the sample product with the native packer built above.
cmake --preset windows -DTGW_WERROR=ON
cmake --build --preset windows
ctest --preset windows

# The shipped programs built again from a copy of the sources in another folder: the same bytes.
scripts/check-reproducible.sh
