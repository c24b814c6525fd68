#!/usr/bin/env bash
# Installs what is missing, builds NoxSteg and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
exec build/app/noxsteg "$@"
