#!/usr/bin/env bash
# Makes the short event sounds of the program with sox.
# Usage: make_sounds.sh OUTPUT_DIR
set -euo pipefail
out=${1:?output folder}
mkdir -p "$out"
# -R: the same bytes from every build (the noise and the dither are
# seeded the same each time).
s() { # name, sox synth arguments...
  local name=$1; shift
  sox -R -q -n -r 22050 -b 16 -c 1 "$out/$name.wav" "$@"
}
s start     synth 0.12 sine 523 : synth 0.12 sine 659 : synth 0.2 sine 784 fade 0 0.2 0.08 vol 0.5
s ende      synth 0.12 sine 784 : synth 0.12 sine 659 : synth 0.22 sine 523 fade 0 0.22 0.1 vol 0.5
s open      synth 0.08 sine 600 : synth 0.1 sine 900 vol 0.5
s save      synth 0.08 sine 900 : synth 0.1 sine 600 vol 0.5
s saveas    synth 0.06 sine 900 : synth 0.06 sine 700 : synth 0.1 sine 600 vol 0.5
s erase     synth 0.3 pinknoise fade 0 0.3 0.25 vol 0.4
s connect   synth 0.07 sine 440 : synth 0.07 sine 880 : synth 0.1 sine 1320 vol 0.5
s klick     synth 0.02 square 1500 fade 0 0.02 0.015 vol 0.3
s key1      synth 0.05 sine 700 fade 0 0.05 0.03 vol 0.5
s key2      synth 0.05 sine 900 fade 0 0.05 0.03 vol 0.5
s key3      synth 0.05 sine 1100 fade 0 0.05 0.03 vol 0.5
s draw      synth 0.03 triangle 1200 fade 0 0.03 0.02 vol 0.3
s lklick    synth 0.03 square 1000 fade 0 0.03 0.02 vol 0.3
s rklick    synth 0.03 square 700 fade 0 0.03 0.02 vol 0.3
s hint      synth 0.15 sine 660 : synth 0.25 sine 880 fade 0 0.25 0.1 vol 0.5
