# Starts private Xvfb displays of depth 24, 16 and 8 and exports their names
# as VELMO_DISPLAY_24/16/8 (and DISPLAY for depth 24). Sourced by test.sh and run.sh.
velmo_xvfb_pids=()

start_displays() {
  local depth fifo number
  for depth in 24 16 8; do
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x$depth -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    velmo_xvfb_pids+=($!)
    read -r -t 20 number <"$fifo"
    rm -f "$fifo"
    export VELMO_DISPLAY_$depth=":$number"
  done
  export DISPLAY=$VELMO_DISPLAY_24
  # Tells Wine prefixes that these are new displays, even under old names.
  export VELMO_DISPLAY_SESSION="$$-$(date +%s%N)"
}

stop_displays() {
  local pid
  for pid in "${velmo_xvfb_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
