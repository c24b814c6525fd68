#!/bin/sh
# Starts the real window program on an X display (run under xvfb-run), finds its window by the
# caption, closes it as the close box does, and checks that the program then ends by itself with
# exit status 0. Settings go to a temporary folder so that no real settings are touched.
# Usage: window_e2e.sh <noxsteg> <close_window_by_caption>
set -u
program=$1
closer=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME"

"$program" >"$work/out.txt" 2>&1 &
pid=$!
if ! "$closer" "Image Hiding (Steganography) Demonstrator" 30; then
    kill "$pid" 2>/dev/null
    cat "$work/out.txt"
    exit 1
fi
# The program must end on its own within 20 seconds of the close request.
i=0
while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    if [ "$i" -gt 200 ]; then
        echo "the program did not end after its window was closed"
        kill "$pid"
        exit 1
    fi
    sleep 0.1
done
wait "$pid"
status=$?
cat "$work/out.txt"
echo "noxsteg exited with status $status"
[ "$status" -eq 0 ]
