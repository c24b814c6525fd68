#!/usr/bin/env bash
# The accuracy of the detection of LSB hiding on natural photographs: builds the evaluation
# program, gathers the photographs (the JPEG files of the shared corpus, and the photographs that
# a few Debian packages ship, unpacked into the build folder rather than installed), hides random
# bits in a random share p of the pixels of each, and prints the summary table.
#   bench/detection/evaluate.sh
# Environment: BUILD (build folder, default build-detection), JOBS (build jobs, default 2).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${BUILD:-$root/build-detection}
corpus=$root/../shared/corpus/jpeg
scripts/install-deps.sh libspng-dev libbenchmark-dev libgif-dev libstb-dev python3 >&2

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNOXSTEG_BUILD_BENCH=ON -DNOXSTEG_BUILD_TESTS=OFF \
  -DNOXSTEG_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target noxsteg_evaluate_detection >&2

# Photographs (not drawings, not renderings) from Debian packages: scikit-image's sample data,
# matplotlib's sample photograph, MATE's nature backgrounds and the Lomiri wallpapers (except
# Fossa, a drawing). The list was fixed before any estimate was seen.
photos=$build/photos
if [ ! -d "$photos/usr" ]; then
  mkdir -p "$photos/debs"
  (cd "$photos/debs" && apt-get download python3-skimage python-matplotlib-data mate-backgrounds \
    lomiri-wallpapers-16.04 lomiri-wallpapers-20.04 >&2)
  for deb in "$photos"/debs/*.deb; do dpkg-deb -x "$deb" "$photos"; done
fi
skimage=$photos/usr/lib/python3/dist-packages/skimage/data
files=(
  "$skimage"/{astronaut,motorcycle_left,motorcycle_right,coffee,chelsea,camera,grass,gravel,brick,moon,coins,ihc}.png
  "$skimage"/{rocket,retina,hubble_deep_field}.jpg
  "$photos"/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg
  "$photos"/usr/share/backgrounds/mate/nature/*.jpg
)
for f in "$photos"/usr/share/backgrounds/*_by_*.jpg; do
  case $f in *Fossa*) ;; *) files+=("$f") ;; esac
done
files+=("$corpus"/*.jpg)

# The truncated corpus file decodes as far as it goes, like any reader of the program would.
"$build/bench/detection/noxsteg_evaluate_detection" "${files[@]}" >"$build/detection.tsv"
python3 bench/detection/summarize.py "$build/detection.tsv"
