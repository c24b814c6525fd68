#!/bin/sh
# The window's stored place is its outer bounds under a real window manager (run under xvfb-run;
# openbox draws a title bar and borders): a first start centres the design's outer size, and each
# later start restores the stored bounds exactly, neither growing nor shrinking by the frame.
# Usage: window_place_e2e.sh <noxsteg> <close_window_by_caption> <openbox>
set -u
. "$(dirname "$0")/e2e_run.sh"
program=$1
closer=$2
work=$(mktemp -d)
"$3" --sm-disable >"$work/wm.txt" 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME"
settings="$XDG_CONFIG_HOME/NoxSteg.INI"
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
wait_for wm_ready || { echo "the window manager did not start"; cat "$work/wm.txt"; exit 1; }

# The stored bounds after a start, a few seconds open (the window manager frames the window
# meanwhile), and a close, as "left top width height".
stored_place() {
    start_program
    sleep 4
    close_and_wait
    [ "$status" -eq 0 ] || { cat "$work/out.txt"; echo "noxsteg failed"; exit 1; }
    for key in Left Top Width Height; do sed -n "s/^$key=//p" "$settings"; done | tr '\n' ' ' | sed 's/ $//'
}

failed=0
expect() {  # what, wanted, got
    [ "$2" = "$3" ] || { echo "$1: wanted \"$2\", got \"$3\""; failed=1; }
}
# The screen is 1024 x 768 and the design's outer size 786 x 466.
printf '[Show]\nReadMe=1\n' >"$settings"
expect "first start" "119 151 786 466" "$(stored_place)"
expect "second start" "119 151 786 466" "$(stored_place)"
printf '[Show]\nReadMe=1\n[Position]\nLeft=40\nTop=30\nWidth=900\nHeight=600\n' >"$settings"
expect "a stored place" "40 30 900 600" "$(stored_place)"
expect "the next start" "40 30 900 600" "$(stored_place)"

# The frame was really there: the inner window is smaller than the outer bounds.
start_program
sleep 2
inner=$(xwininfo -name "$caption" | sed -n 's/^ *Width: //p')
close_and_wait
[ -n "$inner" ] && [ "$inner" -lt 900 ] || { echo "no frame seen (inner width \"$inner\")"; failed=1; }
exit "$failed"
