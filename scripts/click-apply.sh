# shellcheck shell=bash
# Sourced by the Windows desktop and installer tests: a private Xvfb, and a
# click on the window's Apply button with the program's trace watched.

# start_xvfb WORK: a private Xvfb (its display chosen by the server itself);
# sets DISPLAY and xvfb (the server's pid), logs in WORK/xvfb.log.
start_xvfb() {
  # An old run's file would be read before this server's shell truncates it.
  rm -f "$1/display"
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$1/display" 2>"$1/xvfb.log" &
  # shellcheck disable=SC2034 # the sourcing script stops it
  xvfb=$!
  for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  [ -s "$1/display" ] || { echo "Xvfb did not start: $(cat "$1/xvfb.log")" >&2; return 1; }
  DISPLAY=:$(cat "$1/display")
  export DISPLAY
}

# The centre of the Apply button, in window coordinates.
coords=$(grep -o 'kApplyButton{[0-9, ]*}' "$(dirname "${BASH_SOURCE[0]}")/../src/layout/WindowLayout.h" |
  head -n1 | tr -cs '0-9' ' ')
read -r left top right bottom <<<"$coords"
apply_x=$(((left + right) / 2)) apply_y=$(((top + bottom) / 2))

# click_apply TRACE COMMAND...: runs the program, clicks Apply once its window
# is up, and stops it when the trace has been still for 4 s.
click_apply() {
  local trace=$1 pid id="" X Y WIDTH HEIGHT WINDOW SCREEN lines=0 still=0 before
  shift
  "$@" &
  pid=$!
  for _ in $(seq 240); do
    for candidate in $(xdotool search --onlyvisible --name '^Ornyx Mouse$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$candidate")"
      [ "$WIDTH" = 890 ] && [ "$HEIGHT" = 660 ] && { id=$candidate; break 2; }
    done
    sleep 0.5
  done
  [ -n "$id" ] || { echo "no window"; kill "$pid"; return 1; }
  sleep 2  # the start's handshake, before the click
  before=$(grep -c . "$trace")
  xdotool mousemove $((X + apply_x)) $((Y + apply_y)) click 1
  for _ in $(seq 90); do
    sleep 1
    local now
    now=$(grep -c . "$trace")
    if [ "$now" -gt "$before" ] && [ "$now" -eq "$lines" ]; then
      still=$((still + 1)); [ $still -ge 4 ] && break
    else
      still=0
    fi
    lines=$now
  done
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  [ "$(grep -c . "$trace")" -gt "$before" ] || { echo "Apply sent nothing"; return 1; }
}
