#!/usr/bin/env bash
# Sets up everything, then plays: starts the local server (every role and its web side),
# runs the game against it, and stops the server when the game ends.
set -euo pipefail
cd "$(dirname "$0")/.."
JOBS=${JOBS:-$(nproc)}
# TOLVAN_BUILD_DIR names another build folder; TOLVAN_SKIP_SETUP=1 plays what is built
# there without installing or building anything (the tests do).
BUILD=$(realpath -m "${TOLVAN_BUILD_DIR:-build}")

if [ -z "${TOLVAN_SKIP_SETUP:-}" ]; then
  bash scripts/install-deps.sh
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  # Only what playing needs: the program, the local server and the art kit.
  cmake --build "$BUILD" -j"$JOBS" --target tolvan tolvan-server tolvan_kit
fi
exec bash scripts/play-local.sh "$BUILD/tolvan-server" "$BUILD/tolvan" "$BUILD" "$@"
