#!/usr/bin/env bash
# One end-to-end case against the real program (see CMakeLists.txt):
#   e2e.sh CASE QUORVEX_EXE PROBE_EXE WORK_DIR
# The alerts case also needs QX_REFSERVER and QX_DRIVER (qx_demo_driver.exe).
# Every wait is bounded; whatever this script started is stopped on exit.
set -u
case_name=$1 exe=$2 probe=$3 work=$4
. "$(dirname "$0")/../../scripts/wine-env"
qx_wine_prefix

run="$work/run-$case_name"
rm -rf "$run" && mkdir -p "$run" && cd "$run"
exe_win=$(winepath -w "$exe" 2>/dev/null)

started=()
cleanup() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

probe() {  # probe DESKTOP find|close|quit -> prints "count left top width height"
  timeout -k 2 20 wine "$probe" "$@" 2>/dev/null | tr -d '\r'
}

wait_for_window() {  # wait_for_window DESKTOP: up to 30 s
  for _ in $(seq 60); do
    found=$(probe "$1" find)
    [ "${found%% *}" != "0" ] && [ -n "$found" ] && return 0
    sleep 0.5
  done
  fail "no Quorvex Client window on desktop $1"
}

wait_for_exit() {  # wait_for_exit PID: up to 20 s; sets rc
  for _ in $(seq 40); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; rc=$?; return 0; }
    sleep 0.5
  done
  fail "process $1 did not end"
}

expect_size() {  # expect_size "count left top width height"
  read -r count left top width height <<<"$1"
  [ "$count" = 1 ] || fail "expected one main window, found $count"
  [ "$width" = 712 ] && [ "$height" = 665 ] || fail "window is ${width}x${height}, not 712x665"
}

case "$case_name" in
screenshot)
  wine explorer /desktop=qx,1024x768 "$exe_win" >/dev/null 2>&1 &
  started+=($!)
  wait_for_window qx
  expect_size "$found"
  # Up to 20 s for the panel and the connect dialog to paint: retaken until
  # the desktop and the main window's area both show some detail.
  for _ in $(seq 40); do
    import -window root -crop 1024x768+0+0 +repage "$work/screenshot.png" || fail "import failed"
    colours=$(convert "$work/screenshot.png" -format '%k' info:)
    crop=$(convert "$work/screenshot.png" -crop "${width}x${height}+${left}+${top}" +repage -format '%k %[fx:standard_deviation]' info:)
    [ "$colours" -gt 50 ] && [ "${crop%% *}" -gt 30 ] && break
    sleep 0.5
  done
  [ "$colours" -gt 50 ] || fail "screenshot looks blank ($colours colours)"
  [ "${crop%% *}" -gt 30 ] || fail "main window area looks blank ($crop)"
  echo "screenshot: $work/screenshot.png, window at $left,$top ${width}x${height}, $colours colours"
  probe qx close >/dev/null
  for _ in $(seq 40); do
    [ "$(probe qx find)" = "0" ] && break
    sleep 0.5
  done
  [ "$(probe qx find)" = "0" ] || fail "window still open after WM_CLOSE"
  ;;
single_instance)
  wine "$exe" >/dev/null 2>&1 &
  first=$!
  started+=($first)
  wait_for_window Default
  start=$(date +%s)
  timeout -k 2 20 wine "$exe" >/dev/null 2>&1
  second_rc=$?
  elapsed=$(( $(date +%s) - start ))
  [ "$second_rc" = 0 ] || fail "second start ended with $second_rc"
  [ "$elapsed" -le 10 ] || fail "second start took ${elapsed}s"
  expect_size "$(probe Default find)"
  kill -0 "$first" 2>/dev/null || fail "first copy ended"
  probe Default quit >/dev/null
  wait_for_exit "$first"
  [ "$rc" = 0 ] || fail "first copy ended with $rc"
  echo "second start: exit 0 after ${elapsed}s, one window"
  ;;
quit | close)
  wine "$exe" >/dev/null 2>&1 &
  pid=$!
  started+=($pid)
  wait_for_window Default
  expect_size "$found"
  probe Default "$case_name" >/dev/null
  wait_for_exit "$pid"
  [ "$rc" = 0 ] || fail "exit code $rc after $case_name"
  echo "$case_name: exit code 0"
  ;;
alerts)
  # The reference server's demo (one item always down, one that flaps every
  # 10 s) on a free port, the client on the prefix's default desktop, where
  # Wine draws a taskbar with a notification area.
  "$QX_REFSERVER" --demo --listen 127.0.0.1:0 --state "$run/state" -q >"$run/server.out" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do grep -q '^listening:' "$run/server.out" && break; sleep 0.1; done
  port=$(sed -n 's/^listening: .*:\([0-9]*\)$/\1/p' "$run/server.out")
  [ -n "$port" ] || fail "the reference server did not start"
  printf 'SERVER_PORT=%s\nSERVER_IP=127.0.0.1\n' "$port" > quorvex.ini
  wine "$exe" >/dev/null 2>&1 &
  pid=$!
  started+=($pid)
  wait_for_window Default
  timeout -k 2 60 wine "$QX_DRIVER" connect 5 </dev/null >/dev/null 2>&1 || fail "the demo items were not listed"
  # The flapping item changes within 10 s; its balloon comes at once and
  # stays a few seconds. The picture counts once it shows the balloon.
  colours=0
  for _ in $(seq 60); do
    shell=$(probe Default shell)
    read -r _ b_left b_top b_width b_height <<<"$(grep '^balloon' <<<"$shell" | head -1)"
    if [ -n "${b_height:-}" ]; then
      import -window root "$work/alerts.png" || fail "import failed"
      colours=$(convert "$work/alerts.png" -crop "${b_width}x${b_height}+${b_left}+${b_top}" +repage -format '%k' info:)
      [ "$colours" -gt 4 ] && break
    fi
    sleep 0.5
  done
  read -r _ bar_left bar_top bar_width bar_height <<<"$(grep '^taskbar' <<<"$shell")"
  [ -n "${bar_height:-}" ] || fail "Wine shows no taskbar on the default desktop"
  [ -n "${b_height:-}" ] || fail "no balloon within 30 s"
  [ "$colours" -gt 4 ] || fail "the balloon looks empty ($colours colours)"
  # The icon sits at the right end of the taskbar: red while an item is down.
  tray="-crop 48x${bar_height}+$((bar_left + bar_width - 48))+${bar_top} +repage"
  red() { convert "$1" $tray -fuzz 12% -fill '#ff00ff' -opaque '#e01e1e' txt:- | grep -ci 'ff00ff'; }
  reds=$(red "$work/alerts.png")
  [ "$reds" -ge 10 ] || fail "no red icon in the notification area ($reds red pixels)"
  # Closed, the program takes its icon along.
  probe Default close >/dev/null
  wait_for_exit "$pid"
  [ "$rc" = 0 ] || fail "exit code $rc after WM_CLOSE"
  for _ in $(seq 10); do
    import -window root "$work/alerts-after.png" || fail "import failed"
    after=$(red "$work/alerts-after.png")
    [ "$after" -lt 10 ] && break
    sleep 0.5
  done
  [ "$after" -lt 10 ] || fail "the icon stayed after the program ended ($after red pixels)"
  echo "alerts: red icon ($reds pixels), balloon at $b_left,$b_top ${b_width}x${b_height}, icon gone after exit"
  ;;
*) fail "unknown case $case_name" ;;
esac
exit 0
