#!/usr/bin/env bash
# Synthesizes the kit's 46 sounds with sox and encodes them as MP3 with lame.
#   make_sounds.sh <output dir> [parallel jobs]
# Every sound has a recipe below under its file name; two music loops are built note by
# note. Runs the recipes in parallel and writes each MP3 atomically.
set -euo pipefail

OUT=${1:?output dir}
JOBS=${2:-2}
SOX=${SOX:-sox}
LAME=${LAME:-lame}
RATE=44100
mkdir -p "$OUT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The effect recipes: sox arguments after "sox -n -r RATE -c 1 out.wav".
declare -A FX
FX[snd_button]="synth 0.06 square 1800 fade 0 0.06 0.05 gain -12"
FX[snd_button_close]="synth 0.07 sine 1200 fade 0 0.07 0.04 : synth 0.09 sine 800 fade 0 0.09 0.07 gain -6"
FX[snd_button_error]="synth 0.12 square 160 gain -14 : synth 0.05 sine 0 : synth 0.16 square 130 fade 0 0.16 0.08 gain -14"
FX[snd_button_game]="synth 0.09 pluck 220 fade 0 0.09 0.06 lowpass 1500 gain 4"
FX[snd_card_table]="synth 0.12 pinknoise fade 0.005 0.12 0.1 highpass 900 gain -4"
FX[snd_click_game]="synth 0.04 square 2600 fade 0 0.04 0.035 gain -14"
FX[snd_coins_in]="synth 0.08 sine 2093 fade 0 0.08 0.07 : synth 0.08 sine 2637 fade 0 0.08 0.07 : synth 0.08 sine 3136 fade 0 0.08 0.07 : synth 0.08 sine 2637 fade 0 0.08 0.07 : synth 0.25 sine 4186 fade 0 0.25 0.22 gain -3"
FX[snd_deal_card]="synth 0.05 pinknoise fade 0 0.05 0.045 highpass 1500 : synth 0.03 sine 0 : synth 0.05 pinknoise fade 0 0.05 0.045 highpass 1500 : synth 0.03 sine 0 : synth 0.05 pinknoise fade 0 0.05 0.045 highpass 1500 gain -2"
FX[snd_end_card]="synth 0.12 pinknoise fade 0 0.12 0.1 highpass 700 : synth 0.3 sine 70 fade 0 0.3 0.25 gain -2"
FX[snd_first_time_card]="synth 0.12 pluck C5 : synth 0.12 pluck E5 : synth 0.35 pluck G5 fade 0 0.35 0.3 gain -3"
FX[snd_game_fail]="synth 0.3 sawtooth 392 lowpass 1200 : synth 0.3 sawtooth 370 lowpass 1200 : synth 0.3 sawtooth 349 lowpass 1200 : synth 0.8 sawtooth 330 tremolo 6 60 lowpass 1200 fade 0 0.8 0.5 gain -14"
FX[snd_game_knock]="synth 0.08 sine 110 fade 0 0.08 0.07 : synth 0.06 sine 0 : synth 0.08 sine 110 fade 0 0.08 0.07 : synth 0.6 pluck C4 fade 0 0.6 0.4 gain -1"
FX[snd_game_knockmed]="synth 0.15 sine 80 fade 0 0.15 0.12 : synth 0.7 sine 200-900 fade 0 0.7 0.3 gain -8"
FX[snd_game_last_card]="synth 0.9 sine 600-1400 tremolo 12 50 fade 0.1 0.9 0.3 gain -10"
FX[snd_game_mission]="synth 0.09 pluck C5 : synth 0.09 pluck E5 : synth 0.09 pluck G5 : synth 0.09 pluck C6 : synth 0.4 pluck E6 fade 0 0.4 0.35 gain -2"
FX[snd_game_plus]="synth 0.25 sine 900-2400 fade 0 0.25 0.1 gain -8"
FX[snd_game_start]="synth 0.15 square G4 lowpass 2500 : synth 0.15 square C5 lowpass 2500 : synth 0.15 square E5 lowpass 2500 : synth 0.5 square G5 lowpass 2500 fade 0 0.5 0.3 gain -16"
FX[snd_lay_card]="synth 0.1 pinknoise fade 0.01 0.1 0.08 highpass 1200 : synth 0.04 sine 300 fade 0 0.04 0.03 gain -3"
FX[snd_level_up]="synth 0.1 square C5 lowpass 3000 : synth 0.1 square E5 lowpass 3000 : synth 0.1 square G5 lowpass 3000 : synth 0.1 square C6 lowpass 3000 : synth 0.6 sine 2093 tremolo 20 40 fade 0 0.6 0.4 gain -14"
FX[snd_myturn]="synth 0.25 sine E6 fade 0 0.25 0.2 : synth 0.45 sine C6 fade 0 0.45 0.4 gain -6"
FX[snd_myturn_vibrate]="synth 0.5 square 55 tremolo 30 90 lowpass 400 fade 0.02 0.5 0.1 gain -8"
FX[snd_nextplayer]="synth 0.2 sine A5 fade 0 0.2 0.18 gain -10"
FX[snd_pak_card]="synth 0.05 pinknoise fade 0 0.05 0.04 highpass 1000 : synth 0.05 sine 0 : synth 0.06 pinknoise fade 0 0.06 0.05 highpass 700 gain -2"
FX[snd_popup]="synth 0.15 pinknoise fade 0.05 0.15 0.1 bandpass 1500 0.5q : synth 0.08 sine 1500 fade 0 0.08 0.07 gain -6"
FX[snd_room_in]="synth 0.15 sine C6 fade 0 0.15 0.1 : synth 0.35 sine G6 fade 0 0.35 0.3 gain -8"
FX[snd_room_out]="synth 0.15 sine G6 fade 0 0.15 0.1 : synth 0.35 sine C6 fade 0 0.35 0.3 gain -8"
FX[snd_ruby_in]="synth 0.06 sine 3520 : synth 0.06 sine 4186 : synth 0.06 sine 4699 : synth 0.4 sine 5274 tremolo 25 60 fade 0 0.4 0.35 gain -12"
FX[snd_select_card]="synth 0.08 pluck 660 fade 0 0.08 0.06 gain -4"
FX[snd_shuffle_card]="synth 0.9 pinknoise tremolo 22 90 highpass 900 fade 0.05 0.9 0.2 gain -6"
FX[snd_thank_you]="synth 0.3 sine E5 fade 0 0.3 0.25 : synth 0.5 sine A5 fade 0 0.5 0.45 gain -8"
FX[snd_timer]="synth 0.03 square 2000 fade 0 0.03 0.02 : synth 0.47 sine 0 : synth 0.03 square 1500 fade 0 0.03 0.02 : synth 0.47 sine 0 gain -12"
FX[snd_tournament_fail]="synth 1.2 pluck A3 pluck C4 pluck E4 remix - fade 0 1.2 0.8 pitch -300 gain -6"
FX[snd_tournament_pass]="synth 0.12 square C5 lowpass 3000 : synth 0.12 square C5 lowpass 3000 : synth 0.12 square C5 lowpass 3000 : synth 0.5 square G5 lowpass 3000 : synth 0.2 square E5 lowpass 3000 : synth 0.7 square C6 lowpass 3000 fade 0 0.7 0.5 gain -16"
FX[sub_item_Bomb]="synth 0.6 whitenoise lowpass 3000 fade 0 0.6 0.1 gain -22 : synth 0.9 brownnoise lowpass 300 fade 0 0.9 0.8 gain 2"
FX[sub_item_gift]="synth 0.12 sine C7 fade 0 0.12 0.1 : synth 0.12 sine G6 fade 0 0.12 0.1 : synth 0.12 sine E6 fade 0 0.12 0.1 : synth 0.4 sine C7 fade 0 0.4 0.35 gain -10"
FX[sub_item_Hammer]="synth 0.25 sine 150-60 fade 0 0.25 0.2 overdrive 20 gain -6"
FX[sub_item_hit_glass]="synth 0.5 whitenoise highpass 4000 fade 0 0.5 0.45 tremolo 40 80 gain -8"
FX[sub_item_Kiss]="synth 0.06 pinknoise highpass 2000 fade 0 0.06 0.05 : synth 0.4 sine 1000-2500 fade 0 0.4 0.2 gain -12"
FX[sub_item_missine]="synth 0.7 sine 2500-700 fade 0 0.7 0.05 gain -12 : synth 0.7 brownnoise lowpass 400 fade 0 0.7 0.6"
FX[sub_item_thunder]="synth 0.15 whitenoise highpass 1500 fade 0 0.15 0.1 : synth 1.2 brownnoise lowpass 250 tremolo 5 60 fade 0 1.2 1.0 gain 3"
FX[sub_shoot_ball_shoot]="synth 0.1 sine 120-60 fade 0 0.1 0.08 : synth 0.3 pinknoise bandpass 800 1q fade 0 0.3 0.25 gain -4"
FX[sub_shoot_boo]="synth 1.2 brownnoise bandpass 350 2q tremolo 3 40 fade 0.2 1.2 0.4 gain 6"
FX[sub_shoot_goal]="synth 1.5 pinknoise bandpass 1200 0.7q tremolo 4 40 fade 0.2 1.5 0.6 gain -4 : synth 0.6 sawtooth 466 lowpass 2000 fade 0 0.6 0.3 gain -16"
FX[sub_shoot_whistle]="synth 0.5 sine 2800 tremolo 35 40 fade 0.02 0.5 0.05 gain -10"


note_list_chain() {
  # note_list_chain <wave> <ms per beat> <gain> note:beats ... ; "r" is a rest
  local wave=$1 beat=$2 gain=$3
  shift 3
  local args=() first=1 n ms b
  for tok in "$@"; do
    n=${tok%%:*}
    b=${tok##*:}
    local whole=${b%%.*} frac=0
    if [ "$whole" != "$b" ]; then frac=${b#*.}000; frac=${frac:0:3}; fi
    ms=$(( (10#$whole * 1000 + 10#$frac) * beat / 1000 ))
    local len fade
    printf -v len '%d.%03d' $((ms / 1000)) $((ms % 1000))
    printf -v fade '%d.%03d' $((ms * 85 / 100000)) $((ms * 85 / 100 % 1000))
    [ $first = 1 ] || args+=(":")
    first=0
    if [ "$n" = r ]; then
      args+=(synth "$len" sine 0 vol 0)
    else
      args+=(synth "$len" "$wave" "$n" fade 0 "$len" "$fade" gain "$gain")
    fi
  done
  printf '%s\n' "${args[@]}"
}

make_track() {
  # make_track <out.wav> <wave> <beat> <gain> notes...
  local out=$1
  shift
  mapfile -t args < <(note_list_chain "$@")
  "$SOX" -n -r $RATE -c 1 "$out" "${args[@]}"
}

music_game() {
  # Calm bossa loop in A minor, 84 bpm, 32 s: 16 bars of 4 beats at 0.5 s.
  local d=$WORK/game
  mkdir -p "$d"
  local chords=(A3 C4 E4  D3 F3 A3  E3 G#3 B3  A3 C4 E4)
  local bass=() pad=() mel=() hat=()
  local roots=(A2 D2 E2 A2 F2 D2 E2 E2)
  local bar
  for rep in 1 2; do
    for bar in 0 1 2 3 4 5 6 7; do
      local r=${roots[$bar]}
      bass+=("$r:1.5" "$r:0.5" "r:0.5" "$r:1" "r:0.5")
    done
  done
  local phrase=(E5:1 C5:0.5 A4:1 r:0.5 B4:0.5 C5:0.5  D5:1.5 C5:0.5 B4:1 r:1  E5:1 G5:0.5 E5:0.5 D5:1 C5:1  B4:2 r:2
                A4:1 C5:0.5 E5:1 r:0.5 F5:0.5 E5:0.5  D5:1.5 F5:0.5 E5:1 r:1  C5:1 B4:0.5 A4:0.5 G#4:1 B4:1  A4:3 r:1)
  mel=("${phrase[@]}" "${phrase[@]}")
  for i in $(seq 1 64); do hat+=("r:0.5" "r:0.25"); done
  make_track "$d/bass.wav" pluck 500 -2 "${bass[@]}"
  make_track "$d/mel.wav" sine 500 -9 "${mel[@]}"
  # Pad: one sustained chord per two bars.
  local padnotes=()
  for rep in 1 2 3 4; do padnotes+=(A3:8 D4:8 E4:8 A3:8); done
  make_track "$d/pad.wav" triangle 500 -20 "${padnotes[@]:0:16}"
  # Shaker: soft noise on every half beat.
  local sh=()
  for i in $(seq 1 128); do sh+=(synth 0.04 pinknoise fade 0 0.04 0.035 highpass 5000 gain -20 : synth 0.21 sine 0 vol 0 :); done
  unset 'sh[${#sh[@]}-1]'
  "$SOX" -n -r $RATE -c 1 "$d/shaker.wav" "${sh[@]}"
  "$SOX" -G -m "$d/bass.wav" "$d/mel.wav" "$d/pad.wav" "$d/shaker.wav" -r $RATE -c 2 "$d/mix.wav" \
    trim 0 32 reverb 30 fade 0.05 32 0.2 norm -3
  "$LAME" --quiet -b 112 "$d/mix.wav" "$d/out.mp3"
  mv "$d/out.mp3" "$OUT/snd_bg_game.mp3.tmp" && mv "$OUT/snd_bg_game.mp3.tmp" "$OUT/snd_bg_game.mp3"
}

music_lobby() {
  # Light swing loop in C major, 120 bpm, 24 s: 12 bars of 4 beats at 0.5 s.
  local d=$WORK/lobby
  mkdir -p "$d"
  local bass=() mel=()
  local roots=(C3 A2 D3 G2 C3 A2 D3 G2 E3 A2 D3 G2)
  for r in "${roots[@]}"; do bass+=("$r:1" "r:0.5" "$r:0.5" "$r:1" "r:1"); done
  local phrase=(G4:0.5 A4:0.5 C5:1 E5:1 D5:1  C5:0.5 A4:0.5 C5:1 r:2  D5:0.5 E5:0.5 F5:1 A5:1 G5:1  E5:2 r:2
                G5:0.5 E5:0.5 C5:1 D5:1 E5:1  A4:1 C5:1 r:2  F5:0.5 E5:0.5 D5:1 B4:1 G4:1  C5:3 r:1)
  mel=("${phrase[@]}" G4:0.5 A4:0.5 C5:1 E5:1 D5:1 C5:4 D5:0.5 E5:0.5 F5:1 E5:1 D5:1 C5:3 r:1)
  make_track "$d/bass.wav" pluck 500 -2 "${bass[@]}"
  make_track "$d/mel.wav" pluck 500 -5 "${mel[@]}"
  local padnotes=(E4:8 C4:8 D4:8 B3:8 E4:8 C4:8)
  make_track "$d/pad.wav" triangle 500 -22 "${padnotes[@]}"
  "$SOX" -G -m "$d/bass.wav" "$d/mel.wav" "$d/pad.wav" -r $RATE -c 2 "$d/mix.wav" \
    trim 0 24 reverb 25 fade 0.05 24 0.2 norm -3
  "$LAME" --quiet -b 112 "$d/mix.wav" "$d/out.mp3"
  mv "$d/out.mp3" "$OUT/snd_bg_lobby.mp3.tmp" && mv "$OUT/snd_bg_lobby.mp3.tmp" "$OUT/snd_bg_lobby.mp3"
}

effect() {
  local name=$1
  # shellcheck disable=SC2086
  "$SOX" -n -r $RATE -c 1 "$WORK/$name.wav" ${FX[$name]} norm -1 pad 0 0.02 channels 2
  "$LAME" --quiet -b 96 "$WORK/$name.wav" "$WORK/$name.mp3"
  mv "$WORK/$name.mp3" "$OUT/$name.mp3.tmp" && mv "$OUT/$name.mp3.tmp" "$OUT/$name.mp3"
}

# Music first (the longest jobs), then the effects, at most JOBS at a time.
pids=()
run() {
  "$@" &
  pids+=($!)
  while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n; done
}
run music_game
run music_lobby
for name in "${!FX[@]}"; do run effect "$name"; done
fail=0
for p in "${pids[@]}"; do wait "$p" || fail=1; done
[ $fail = 0 ] || { echo "make_sounds: a recipe failed" >&2; exit 1; }
echo "make_sounds: $(ls "$OUT"/*.mp3 | wc -l) sounds in $OUT"
