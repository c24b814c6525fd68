#!/usr/bin/env bash
# Installs what is missing, builds NoxSteg and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build

if [ -x build/app/noxsteg ]; then
  exec build/app/noxsteg "$@"
fi

# Until the window is built: hide a picture in another with the command-line tool and reveal it.
out=build/demo
mkdir -p "$out"
cli=build/cli/noxsteg-cli
"$cli" set-lsbs samples/cover.bmp samples/secret.bmp "$out/hidden.bmp"
"$cli" show-lsbs "$out/hidden.bmp" "$out/revealed.bmp"
"$cli" info samples/cover.bmp samples/secret.bmp "$out/hidden.bmp" "$out/revealed.bmp"
echo "The secret is hidden in $out/hidden.bmp and revealed again in $out/revealed.bmp."
