#!/usr/bin/env bash
# The fuzzing smoke run of ./test.sh: every libFuzzer target for a short fixed time
# (TVX_FUZZ_SECONDS, default 20 s each); fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
exec ./scripts/fuzz.sh -t "${TVX_FUZZ_SECONDS:-20}"
