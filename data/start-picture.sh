#!/usr/bin/env bash
# Draws the start picture of the tester (data/start.jpg) with ImageMagick.
set -euo pipefail
out=${1:-start.jpg}
convert -size 612x244 gradient:'#10263b'-'#000000' \
  -fill none -stroke '#2f8f45' -strokewidth 2 -draw "roundrectangle 8,8 603,235 16,16" \
  -stroke '#17324a' -strokewidth 1 \
  -draw "line 24,196 588,196" -draw "line 24,200 588,200" \
  -stroke none -fill '#7dff8a' -font DejaVu-Sans-Bold -pointsize 46 -annotate +34+86 'TARVOLINEX' \
  -fill '#c9ced6' -font DejaVu-Sans -pointsize 15 -annotate +37+114 'KESTRON 7340 OBD DIAGNOSTIC TESTER' \
  -fill '#8a919b' -font DejaVu-Sans -pointsize 13 -annotate +37+140 'PCM  TCM  ABS  AIRBAG  CLUSTER  ICU' \
  -fill '#ffd23f' -font DejaVu-Sans-Mono-Bold -pointsize 13 -annotate +37+166 'v2.03' \
  -fill '#1b3550' -stroke '#4fb3ff' -strokewidth 3 \
  -draw "path 'M 352,184 L 352,160 Q 356,146 384,142 L 424,138 L 458,112 Q 468,104 488,104 L 534,104 Q 552,104 564,118 L 582,140 Q 596,146 596,160 L 596,184 Z'" \
  -fill '#0b1a2a' -strokewidth 2 \
  -draw "path 'M 466,136 L 484,114 L 516,114 L 516,136 Z'" \
  -draw "path 'M 526,136 L 526,114 L 546,114 Q 552,114 558,122 L 568,136 Z'" \
  -fill '#000000' -stroke '#c9ced6' -strokewidth 4 \
  -draw "circle 398,184 398,204" -draw "circle 550,184 550,204" \
  -fill '#7dff8a' -stroke none -draw "circle 398,184 398,190" -draw "circle 550,184 550,190" \
  -fill '#ff4a3d' -draw "roundrectangle 586,150 596,158 2,2" \
  -quality 90 "$out"
