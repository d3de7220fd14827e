#!/usr/bin/env bash
# Makes the capture library's shutter sound with sox: a short click of
# noise, 16-bit mono PCM at 22050 Hz, exactly 2724 samples (the rate is
# given for the input too, so that the sample count is not resampled).
# Usage: make_shutter.sh OUTPUT_FILE
set -euo pipefail
out=${1:?output file}
mkdir -p "$(dirname "$out")"
sox -R -q -r 22050 -n -r 22050 -b 16 -c 1 -e signed-integer "$out" \
  synth 2724s whitenoise fade q 0 -0 0.1 vol 0.4
