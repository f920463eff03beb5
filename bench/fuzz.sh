#!/usr/bin/env bash
# The fuzz targets at length: each for FUZZ_SECONDS (default 600), with
# inputs large enough to reach every limit of the frame codec and the readers.
#   bench/fuzz.sh
#   FUZZ_SECONDS=3600 bench/fuzz.sh
# Prints each target's executions; exits non-zero when a target found a crash
# (the input is kept in build-fuzz/crashes/). CI runs the same targets briefly
# (scripts/fuzz, from .ci/run).
exec "$(dirname "$0")/../scripts/fuzz" --long
