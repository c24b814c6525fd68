#!/bin/sh
# The picture the program copied outlives it where a clipboard manager runs (run under xvfb-run):
# the real program starts with the cover picture in the Left pane, the pane's pop-up menu copies
# it, the window is closed, and another program then reads exactly that picture from the clipboard.
# Usage: clipboard_manager_e2e.sh <noxsteg> <close_window_by_caption> <clipboard_manager> <noxsteg-cli> <samples>
set -u
program=$1
closer=$2
cli=$4
samples=$5
caption="Image Hiding (Steganography) Demonstrator"
work=$(mktemp -d)
"$3" "$work/manager-ready" &
manager=$!
trap 'kill "$manager" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME"
printf '[FileName]\nLeft=%s/cover.bmp\n[Show]\nReadMe=1\n' "$samples" >"$XDG_CONFIG_HOME/NoxSteg.INI"
i=0
until [ -e "$work/manager-ready" ]; do
    i=$((i + 1))
    [ "$i" -gt 100 ] && { echo "the clipboard manager did not start"; exit 1; }
    sleep 0.1
done

"$program" >"$work/out.txt" 2>&1 &
pid=$!
window=""
i=0
while [ -z "$window" ]; do
    i=$((i + 1))
    [ "$i" -gt 100 ] && { echo "no window"; cat "$work/out.txt"; kill "$pid"; exit 1; }
    sleep 0.1
    window=$(xdotool search --name "^Image Hiding" 2>/dev/null | head -n 1)
done
sleep 1
# The pop-up menu of the Left pane (its first entry is Copy).
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 100)) $((Y + 250)) click 3
sleep 0.5
xdotool key Down Return
sleep 0.5
"$closer" "$caption" 10 >/dev/null
i=0
while kill -0 "$pid" 2>/dev/null; do
    i=$((i + 1))
    [ "$i" -gt 200 ] && { echo "the program did not end after its window was closed"; kill "$pid"; exit 1; }
    sleep 0.1
done
wait "$pid" || { cat "$work/out.txt"; echo "noxsteg failed"; exit 1; }

timeout 10 xclip -selection clipboard -t image/png -o >"$work/pasted.png" || { echo "nothing on the clipboard"; exit 1; }
# Both through the same PNG writer: equal files mean equal pixels.
"$cli" convert "$work/pasted.png" "$work/pasted-again.png" &&
    "$cli" convert "$samples/cover.bmp" "$work/cover.png" &&
    cmp "$work/pasted-again.png" "$work/cover.png" || { echo "the clipboard does not hold the cover picture"; exit 1; }
echo "the copied picture outlived the program"
