#!/bin/sh
# Starts the real window program on an X display (run under xvfb-run), finds its window by the
# caption, closes it as the close box does, and checks that the program then ends by itself with
# exit status 0. Settings go to a temporary folder so that no real settings are touched.
# Usage: window_e2e.sh <noxsteg> <close_window_by_caption>
set -u
. "$(dirname "$0")/e2e_run.sh"
program=$1
closer=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME"

run_until_closed
cat "$work/out.txt"
echo "noxsteg exited with status $status"
[ "$status" -eq 0 ]
