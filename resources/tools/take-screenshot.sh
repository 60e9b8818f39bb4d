#!/usr/bin/env bash
# Takes docs/main-window.png from the real program: the simulated adapter on a private
# ports folder, the program on the offscreen platform at twice the size (so the @2x
# pictures are used), the window grabbed once it is up, then the quit button.
# Usage: resources/tools/take-screenshot.sh [build folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
trap 'kill "${sim_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/sim/quorvel-sim" --ports-dir "$work/ports" --port COM2 >/dev/null &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/ports/COM2" ] && break; sleep 0.1; done
mkdir -p docs
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 \
  QUORVEL_PORTS_DIR="$work/ports" QUORVEL_REGISTRY_DIR="$work/registry" \
  QUORVEL_TEST_ACTIONS="grab=$PWD/docs/main-window.png,quit-button" \
  "$build/app/quorvel"
echo "docs/main-window.png written"
