#!/usr/bin/env bash
# Sets up everything, starts the local server and runs the game against it.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what playing needs: the program, the local server and the art kit.
cmake --build build -j"$JOBS" --target tolvan tolvan-server tolvan_kit

SERVER_PID=""
if [ -x build/tolvan-server ]; then
  build/tolvan-server &
  SERVER_PID=$!
  trap '[ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true' EXIT
  sleep 0.5
fi
cd build
./tolvan "$@"
