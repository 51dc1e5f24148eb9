# Starts private Xvfb displays of depth 24, 16 and 8. Sourced by test.sh and run.sh.
#   start_displays [<displays of depth 24> [<of depth 16> [<of depth 8>]]]   (one of each by default)
# Display <n> of a depth is exported as VELMO_DISPLAY_<depth>_<n>, the first
# also as VELMO_DISPLAY_<depth> (and DISPLAY for depth 24).
velmo_xvfb_pids=()

start_displays() {
  local counts=("${1:-1}" "${2:-1}" "${3:-1}") depths=(24 16 8) i depth n fifo number
  for i in 0 1 2; do
    depth=${depths[i]}
    for ((n = 0; n < counts[i]; n++)); do
      fifo=$(mktemp -u)
      mkfifo "$fifo"
      Xvfb -displayfd 3 -screen 0 1280x1024x$depth -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
      velmo_xvfb_pids+=($!)
      read -r -t 20 number <"$fifo"
      rm -f "$fifo"
      export VELMO_DISPLAY_${depth}_$n=":$number"
      [ "$n" -gt 0 ] || export VELMO_DISPLAY_$depth=":$number"
    done
  done
  export DISPLAY=$VELMO_DISPLAY_24
  # Tells Wine prefixes that these are new displays, even under old names.
  export VELMO_DISPLAY_SESSION="$$-$(date +%s%N)"
}

stop_displays() {
  local pid
  for pid in "${velmo_xvfb_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
