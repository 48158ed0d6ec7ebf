# Sourced by the wine test scripts.
# start_xvfb FOLDER: starts a private Xvfb screen (its number is written to
# FOLDER/display), adds its pid to the caller's "pids" and exports DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$1/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$1/display" ] && break; sleep 0.2; done
  export DISPLAY=":$(cat "$1/display")"
}
