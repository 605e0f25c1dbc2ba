#!/usr/bin/env bash
# Installs what is missing, builds and starts Pastelloquin.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)" --target pastelloquin

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Start the program with a virtual one: xvfb-run ./run.sh" >&2
  exit 1
fi
exec ./build/bin/pastelloquin "$@"
