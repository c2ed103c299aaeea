#!/usr/bin/env bash
# Sets up the machine, builds the x86_64 runtime and the demo application
# directory (build/x86_64/demo), and runs the sample host on it under Wine.
# On Windows, run build\x86_64\demo\oxhost.exe (or an i686 build) directly.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh

build=build/x86_64
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target demo

demo="$root/$build/demo"
export WINEPREFIX="$root/$build/wineprefix"
bash scripts/wine-server.sh start >/dev/null

# A fresh start every time: the runtime scans the directory and writes its
# registry documents again.
rm -f "$demo/default.oxreg" "$demo/runtime.xml"
rc=0
(cd "$demo" && /usr/lib/wine/wine64 oxhost.exe "$@") || rc=$?

echo
echo "== classes in the registry the runtime wrote ($demo/runtime.xml):"
if [ -f "$demo/runtime.xml" ]; then
  sed -n '/<coclasses>/,/<\/coclasses>/p' "$demo/runtime.xml" | grep -o '<name>[^<]*</name>' | sed 's/<[^>]*>//g; s/^/   /'
fi
if [ -f "$demo/logs/oxhost.log" ]; then
  echo "== log: $demo/logs/oxhost.log (the runtime logs failures only)"
  if [ -s "$demo/logs/oxhost.log" ]; then cat "$demo/logs/oxhost.log"; else echo "   (empty: nothing failed)"; fi
fi
bash scripts/wine-server.sh stop
exit "$rc"
