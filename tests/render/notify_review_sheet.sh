#!/bin/sh
# Builds the review sheet of message boxes and banners from the pictures the
# notification render tests leave in <build>/render-out/:
#   tests/render/notify_review_sheet.sh build docs/notify_review_sheet.png
set -e
out_dir="$1/render-out"
sheet="$(realpath -m "$2")"
full="$(mktemp --suffix=.png)"
cd "$out_dir"
/usr/bin/montage -label '%t' -font DejaVu-Sans -pointsize 14 -geometry 426x240+6+6 -tile 4x \
  -background '#202020' -fill white \
  notify_box_0_two.png notify_box_0_one.png notify_box_1.png notify_box_2.png \
  notify_box_3.png notify_box_4.png notify_box_5.png notify_box_6.png \
  notify_box_7.png notify_box_8.png notify_dim_half.png notify_banner_mid_drop.png \
  notify_banner_0.png notify_banner_1.png notify_banner_2.png notify_banner_3.png \
  notify_banner_4.png notify_celebration.png "$full"
/usr/bin/convert "$full" +dither -colors 128 "PNG8:$sheet"
rm -f "$full"
