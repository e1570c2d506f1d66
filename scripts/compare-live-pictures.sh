#!/usr/bin/env bash
# Compares two pictures of the diesel live page, each with its form_geometry output, the
# display's four lines and every gauge of the page pixel for pixel (the rest, drawn with
# each system's fonts, is for the eye):
#   scripts/compare-live-pictures.sh A.png A-geometry.txt B.png B-geometry.txt
# Prints each area that differs and how many pixels; fails when any does.
set -euo pipefail
a=$1 a_geometry=$2 b=$3 b_geometry=$4
areas=$(awk '$1 ~ /^d[1-4]$|^Frame71\/[A-Za-z0-9]+d$/ { print $1 }' "$a_geometry" | sort -u)
[ -n "$areas" ] || { echo "no display lines or gauges in $a_geometry" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
place() { awk -v name="$1" '$1 == name { v = $4 "x" $5 "+" $2 "+" $3 } END { print v }' "$2"; }
same=0 different=0
for area in $areas; do
    at_a=$(place "$area" "$a_geometry")
    at_b=$(place "$area" "$b_geometry")
    if [ -z "$at_b" ] || [ "${at_a%%+*}" != "${at_b%%+*}" ]; then
        echo "  $area: $at_a in one picture, ${at_b:-missing} in the other"
        different=$((different + 1))
        continue
    fi
    convert "$a" -crop "$at_a" +repage "$scratch/a.png"
    convert "$b" -crop "$at_b" +repage "$scratch/b.png"
    pixels=$(compare -metric AE "$scratch/a.png" "$scratch/b.png" null: 2>&1 || true)
    if [ "$pixels" = 0 ]; then
        same=$((same + 1))
    else
        echo "  $area: $pixels pixels differ"
        different=$((different + 1))
    fi
done
echo "Live page pictures: $same display lines and gauges the same pixel for pixel, $different differ"
[ "$different" -eq 0 ]
