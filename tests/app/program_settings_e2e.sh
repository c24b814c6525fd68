#!/bin/sh
# The real program on an X display (run under xvfb-run) keeps its settings: started with stored
# settings that name the sample pictures, it reads them, and closed by the close box it writes them
# back (with the read-me marked shown). The settings folder is a temporary one.
# Usage: program_settings_e2e.sh <noxsteg> <close_window_by_caption> <samples folder>
set -u
. "$(dirname "$0")/e2e_run.sh"
program=$1
closer=$2
samples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$XDG_CONFIG_HOME"
settings="$XDG_CONFIG_HOME/NoxSteg.INI"
printf '[FileName]\nLeft=%s/cover.bmp\nMiddle=%s/secret.bmp\n[JPEG]\nQuality=33\n[Image]\nMode=2\n[Show]\nReadMe=1\n' \
    "$samples" "$samples" >"$settings"

run_until_closed
cat "$work/out.txt"
echo "--- $settings"
cat "$settings"
[ "$status" -eq 0 ] || { echo "noxsteg exited with status $status"; exit 1; }
failed=0
for line in "Left=$samples/cover.bmp" "Middle=$samples/secret.bmp" "Quality=33" "Mode=2" "ReadMe=1" \
            "Width=786" "Height=466"; do
    grep -qxF "$line" "$settings" || { echo "missing: $line"; failed=1; }
done
grep -q '^Left=-\{0,1\}[0-9][0-9]*$' "$settings" || { echo "missing: the window's left"; failed=1; }
exit "$failed"
