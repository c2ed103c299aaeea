#!/usr/bin/env bash
# Sets up the machine, builds both architectures and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

jobs=$(nproc)
for arch in x86_64 i686; do
  build=build/$arch
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOX_WERROR=ON
  cmake --build "$build" -j "$jobs"
done

# i686 binaries cannot run here: only their static checks run.
ctest --test-dir build/i686 --output-on-failure
ctest --test-dir build/x86_64 --output-on-failure -j "$jobs"
