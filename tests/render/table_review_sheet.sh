#!/bin/sh
# Builds the review sheet of the table from the pictures the table render tests leave in
# <build>/render-out/:
#   tests/render/table_review_sheet.sh build docs/table_review_sheet.png
set -e
out_dir="$1/render-out"
sheet="$(realpath -m "$2")"
full="$(mktemp --suffix=.png)"
cd "$out_dir"
/usr/bin/montage -label '%t' -font DejaVu-Sans -pointsize 14 -geometry 640x360+6+6 -tile 3x \
  -background '#202020' -fill white \
  table_four_seats_layout0.png table_four_seats_layout1.png table_pile_40.png \
  table_hand_three_rows.png table_melds.png table_stock_50.png \
  table_timer_04.png table_timer_02.png table_alert.png \
  table_result.png table_ranking.png table_packets_mid_round.png \
  table_packets_dealt.png table_packets_result.png table_packets_ranking.png "$full"
/usr/bin/convert "$full" +dither -colors 128 "PNG8:$sheet"
rm -f "$full"
