#!/usr/bin/env bash
# Times scripts/run.sh from its start to the program's window for a movie the
# movie device cannot show (so that run.sh converts a stretch of it first),
# against ffmpeg decoding the same frames, and prints a markdown table. Each
# repeat converts into an empty cache and is followed by ffmpeg's decode, on a
# private virtual display. Run by hand, with velmo32 built (run.sh --no-build):
#   tools/bench/window-vs-decode.sh [--from TIME] [--repeats N] movie
# The display is polled for the window only once the converter has ended, so
# that polling takes no time from the conversion.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
from=
repeats=3
while [ $# -gt 1 ]; do
  case $1 in
    --from) from=$2; shift 2 ;;
    --repeats) repeats=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || { sed -n '2,9p' "$0" >&2; exit 2; }
movie=$(realpath -- "$1")

source "$root/scripts/displays.sh"
work=$(mktemp -d)
export VELMO_WINE_ROOT=$root/build/bench-wine
trap 'stop_displays; WINEPREFIX=$VELMO_WINE_ROOT/prefix24 wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
start_displays 1 0 0
mkdir -p "$work/out"

# A first run prepares the prefix and builds the converter, untimed.
VELMO_CACHE_DIR=$work/warm "$root/scripts/run.sh" --no-build --prepare-only "$root/build/i686/sample/sample.avi" \
  >/dev/null 2>&1
rm -rf "$work/warm"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

windows=() decodes=() ratios=()
for ((r = 1; r <= repeats; r++)); do
  export VELMO_CACHE_DIR=$work/cache
  rm -rf "$VELMO_CACHE_DIR"
  start=$EPOCHREALTIME
  setsid "$root/scripts/run.sh" --no-build -o "$work/out" ${from:+--from "$from"} "$movie" >"$work/run.log" 2>&1 &
  runner=$!
  until pgrep -x rawavi >/dev/null || ! kill -0 $runner 2>/dev/null || [ -n "$(ls -A "$VELMO_CACHE_DIR" 2>/dev/null)" ]; do
    sleep 0.02
  done
  while pgrep -x rawavi >/dev/null; do sleep 0.1; done
  until xdotool search --name "Velmo Win32" >/dev/null 2>&1; do
    kill -0 $runner 2>/dev/null || { cat "$work/run.log" >&2; exit 1; }
    sleep 0.02
  done
  window=$(echo "$EPOCHREALTIME - $start" | bc)
  kill -- -$runner 2>/dev/null || true
  wait $runner 2>/dev/null || true
  WINEPREFIX=$VELMO_WINE_ROOT/prefix24 wineserver -k 2>/dev/null || true

  # The frames the copy holds, as run.sh told them: "holds frames A to B".
  read -r first last < <(sed -n 's/.*copy holds frames \([0-9]*\) to \([0-9]*\) of.*/\1 \2/p' "$work/run.log" | tail -n 1) || true
  [ -n "${last:-}" ] || { first=0; last=$(($(ffprobe -v error -count_packets -select_streams v:0 \
    -show_entries stream=nb_read_packets -of csv=p=0 "$movie") - 1)); }
  start=$EPOCHREALTIME
  ffmpeg -v error ${from:+-ss "$from"} -i "$movie" -frames:v $((last - first + 1)) -f null -
  decode=$(echo "$EPOCHREALTIME - $start" | bc)
  windows+=("$window") decodes+=("$decode") ratios+=("$(echo "scale=3; $window / $decode" | bc)")
  printf 'window-vs-decode: repeat %d: frames %s to %s, window %.2f s, decode %.2f s\n' "$r" "$first" "$last" \
    "$window" "$decode" >&2
done

echo "| $(basename -- "$movie") ${from:+--from $from} | frames | run.sh to the window (s) | ffmpeg's decode (s) | ratio |"
echo "|---|---|---|---|---|"
printf '| median of %d | %s to %s | %.2f (%s) | %.2f (%s) | **%.2f** (%s) |\n' "$repeats" "$first" "$last" \
  "$(printf '%s\n' "${windows[@]}" | median)" "$(printf '%.2f ' "${windows[@]}" | sed 's/ $//')" \
  "$(printf '%s\n' "${decodes[@]}" | median)" "$(printf '%.2f ' "${decodes[@]}" | sed 's/ $//')" \
  "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%.2f ' "${ratios[@]}" | sed 's/ $//')"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
