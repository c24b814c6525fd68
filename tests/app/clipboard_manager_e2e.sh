#!/bin/sh
# The picture the program copied outlives it where a clipboard manager runs (run under xvfb-run):
# the real program starts with the cover picture in the Left pane, the pane's pop-up menu copies
# it, the window is closed, and another program then reads exactly that picture from the clipboard.
# Usage: clipboard_manager_e2e.sh <noxsteg> <close_window_by_caption> <clipboard_manager> <noxsteg-cli> <samples>
set -u
. "$(dirname "$0")/e2e_run.sh"
program=$1
closer=$2
cli=$4
samples=$5
work=$(mktemp -d)
"$3" "$work/manager-ready" &
manager=$!
trap 'kill "$manager" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME"
printf '[FileName]\nLeft=%s/cover.bmp\n[Show]\nReadMe=1\n' "$samples" >"$XDG_CONFIG_HOME/NoxSteg.INI"
wait_for test -e "$work/manager-ready" || { echo "the clipboard manager did not start"; exit 1; }

find_window() {
    window=$(xdotool search --name "^Image Hiding" 2>/dev/null | head -n 1)
    [ -n "$window" ]
}
start_program
wait_for find_window || { echo "no window"; cat "$work/out.txt"; kill "$pid"; exit 1; }
sleep 1
# The pop-up menu of the Left pane (its first entry is Copy).
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 100)) $((Y + 250)) click 3
sleep 0.5
xdotool key Down Return
sleep 0.5
close_and_wait
[ "$status" -eq 0 ] || { cat "$work/out.txt"; echo "noxsteg failed"; exit 1; }

timeout 10 xclip -selection clipboard -t image/png -o >"$work/pasted.png" || { echo "nothing on the clipboard"; exit 1; }
# Both through the same PNG writer: equal files mean equal pixels.
"$cli" convert "$work/pasted.png" "$work/pasted-again.png" &&
    "$cli" convert "$samples/cover.bmp" "$work/cover.png" &&
    cmp "$work/pasted-again.png" "$work/cover.png" || { echo "the clipboard does not hold the cover picture"; exit 1; }
echo "the copied picture outlived the program"
