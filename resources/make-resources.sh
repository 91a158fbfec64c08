#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Draws the program's pictures. Run by hand when a picture changes; the results are committed.
# Needs ImageMagick 6 (Debian package imagemagick).
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert

# Page background: 604 x 422, a soft diagonal wash with a faint grid of circuit lines.
$IM -size 604x422 gradient:'#fdf8e6'-'#dfe8f2' \
  -fill none -stroke '#e4e0cc' -strokewidth 1 \
  -draw "line 0,60 604,60" -draw "line 0,180 604,180" -draw "line 0,300 604,300" \
  -draw "line 120,0 120,422" -draw "line 360,0 360,422" \
  -stroke '#d5dde8' -draw "circle 120,60 124,60" -draw "circle 360,180 364,180" \
  -draw "circle 120,300 124,300" -quality 88 background.jpg

# The program's icon: a unit box with an antenna, two lights and a grille, drawn on a grid of 32
# and scaled. 32 x 32 is the window icon; the larger ones go into the desktop's icon theme.
app_icon() {
  local size=$1 scale
  scale=$(awk "BEGIN { print $size / 32 }")
  $IM -size "${size}x${size}" xc:none -define png:exclude-chunk=date,time -draw "scale $scale,$scale
    stroke-linecap round
    fill '#2f5d8a' stroke '#1b3550' stroke-width 1 roundrectangle 4,10 27,29 3,3
    stroke none fill '#4677a8' roundrectangle 5.5,11.5 25.5,15 2,2
    stroke '#1b3550' stroke-width 2 line 22,10 26,3
    stroke none fill '#1b3550' circle 26,3 27.4,3
    stroke '#1b3550' stroke-width 0.9 line 21,19.5 24.5,19.5 line 21,22 24.5,22 line 21,24.5 24.5,24.5
    stroke none fill '#7fe07f' circle 10,21 12,21 fill '#ffd040' circle 16,21 18,21" "$2"
}
app_icon 32 icon.png
mkdir -p icons
for size in 48 128 256; do app_icon "$size" "icons/zulset-$size.png"; done

# Tab icons 40 x 40.
$IM -size 40x40 xc:none -fill '#3b6ea5' -stroke '#1b3550' -draw "roundrectangle 11,3 29,37 4,4" \
  -fill '#cfe6ff' -stroke none -draw "rectangle 14,8 26,22" \
  -fill '#ffffff' -draw "circle 17,27 18,27" -draw "circle 20,27 21,27" -draw "circle 23,27 24,27" \
  -draw "circle 17,31 18,31" -draw "circle 20,31 21,31" -draw "circle 23,31 24,31" tab-phone.png
$IM -size 40x40 xc:none -fill '#f4d27a' -stroke '#8a6a1b' -draw "rectangle 4,10 35,30" \
  -fill none -stroke '#8a6a1b' -strokewidth 2 -draw "polyline 4,10 20,22 35,10" tab-sms.png
$IM -size 40x40 xc:none -fill '#203040' -stroke '#101820' -draw "roundrectangle 3,5 36,29 2,2" \
  -fill '#303030' -draw "rectangle 15,30 24,34" -draw "rectangle 10,34 29,36" \
  -stroke '#60ff60' -strokewidth 2 -fill none -draw "polyline 6,20 12,20 15,11 19,25 23,15 26,20 33,20" \
  tab-monitor.png
$IM -size 40x40 xc:none -fill '#ffffff' -stroke '#555555' -draw "rectangle 7,3 32,37" \
  -stroke '#7a9cc6' -strokewidth 2 -draw "line 11,10 28,10" -draw "line 11,16 28,16" \
  -draw "line 11,22 28,22" -draw "line 11,28 22,28" \
  -stroke '#c03030' -draw "line 24,30 27,34" -draw "line 27,34 33,25" tab-admissions.png

# Load/Save button picture 17 x 17: a diskette.
$IM -size 17x17 xc:none -fill '#35609a' -stroke '#1b3550' -draw "rectangle 1,1 15,15" \
  -fill '#ffffff' -stroke none -draw "rectangle 4,2 12,7" -fill '#c0c0c0' -draw "rectangle 4,10 12,15" \
  -fill '#35609a' -draw "rectangle 9,3 11,6" button.png

# File-copy clip, 16 frames of 60 x 22: a sheet flies from one folder to the other.
mkdir -p copy
for i in $(seq 0 15); do
  x=$((12 + i * 28 / 15)); y=$((14 - (i * (15 - i)) / 8))
  $IM -size 60x22 xc:none \
    -fill '#e8c04a' -stroke '#8a6a1b' -draw "rectangle 2,8 16,20" -draw "rectangle 43,8 57,20" \
    -fill '#ffffff' -stroke '#555555' -draw "rectangle $x,$y $((x + 7)),$((y + 9))" \
    "copy/$(printf %02d "$i").png"
done

# Search clip, 9 frames of 30 x 22: a magnifier sweeping over a screen.
mkdir -p search
for i in $(seq 0 8); do
  cx=$((9 + (i < 5 ? i : 8 - i) * 3)); cy=$((9 + (i % 3)))
  $IM -size 30x22 xc:none -fill '#d8e4f0' -stroke '#506070' -draw "rectangle 2,2 27,17" \
    -fill none -stroke '#202020' -strokewidth 2 -draw "circle $cx,$cy $((cx + 4)),$cy" \
    -draw "line $((cx + 3)),$((cy + 3)) $((cx + 7)),$((cy + 7))" \
    "search/$(printf %02d "$i").png"
done
