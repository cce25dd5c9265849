#!/bin/bash
# A whole upgrade with the Windows build under wine64, driven as a user
# would: keys typed into the real dialogs of an X server (Xvfb), against the
# simulated device at 127.0.0.2, in a private network namespace (the wizard
# uses port 80 of the device and binds UDP port 69 here). One screenshot of
# every dialog on the way goes to OUTDIR.
#
#   tests/wine/gui_upgrade.sh EXE DUXSIM IMAGE OUTDIR
#
# EXE is the x86_64 dux-upgrade.exe, IMAGE the target image it carries (the
# device's received copy is compared with it). Ends with status 0 when the
# success dialog was reached and the device got the image byte for byte.
set -euo pipefail

if [ "${1:-}" != --in-netns ]; then
  (($# == 4)) || { echo "usage: $0 EXE DUXSIM IMAGE OUTDIR" >&2; exit 2; }
  if [ "$(id -u)" = 0 ]; then
    exec unshare -n -- "$0" --in-netns "$@"
  else
    exec unshare -rn -- "$0" --in-netns "$@"
  fi
fi
shift
exe=$1 duxsim=$2 image=$3 out=$4
mkdir -p "$out"
work=$(mktemp -d /tmp/dux-wine-gui.XXXXXX)
wine=${WINE:-/usr/lib/wine/wine64}
export WINEPREFIX=${WINEPREFIX:-$work/prefix} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

ip link set lo up

# A display number that no other X server on this machine uses.
display=
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=$n
    break
  fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
export DISPLAY=:$display

pids=()
passed=0
cleanup() {
  if [ "$passed" != 1 ] && [ -e "$work/duxsim.log" ]; then
    echo "--- device log" >&2
    cat "$work/duxsim.log" >&2
  fi
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  WINEPREFIX=$WINEPREFIX "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
# Until the X server answers (at most 5 s).
for _ in $(seq 50); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
"$duxsim" --address 127.0.0.2 --http-port 80 --password admin \
  --save "$work/received.bin" >"$work/duxsim.log" 2>&1 &
pids+=($!)

# The prefix, and wine drawing the window frames itself (no window manager
# runs here, so the captions are visible in the screenshots).
timeout 180 "$wine" wineboot -i >"$work/wineboot.log" 2>&1
timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated \
  /t REG_SZ /d N /f >/dev/null 2>&1

now() { date +%s.%N; }
# The id of a visible top-level window whose caption matches the extended
# regular expression $1 (optionally other than window $3), waiting at most $2
# seconds.
wait_window() {
  local pattern=$1 limit=$2 other=${3:-} deadline id
  deadline=$(($(date +%s) + limit))
  while (($(date +%s) < deadline)); do
    for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
      if [ "$id" != "$other" ]; then
        echo "$id"
        return 0
      fi
    done
    kill -0 "$app" 2>/dev/null || { echo "wizard ended early" >&2; return 1; }
    sleep 0.1
  done
  echo "no window matching '$pattern' within $limit s" >&2
  return 1
}
# A screenshot of window $2, frame included, as $1.png.
shot() {
  sleep 0.4  # let the dialog paint
  xwd -id "$2" -silent | convert xwd:- "$out/$1.png"
  echo "screenshot $1"
}

"$wine" "$exe" >"$work/app.log" 2>&1 &
app=$!
pids+=("$app")

warning=$(wait_window '^DUXT6eM Firmware Upgrade$' 60)
shot 139-warning "$warning"
xdotool key Tab space  # Cancel has the focus; Continue is the next stop

w=$(wait_window '^DUXT6eM Firmware Upgrade$' 10 "$warning")
xdotool type --delay 100 127.0.0.2
shot 101-address "$w"
xdotool key Return

w=$(wait_window '^Enter Password Information$' 30)
xdotool type --delay 100 admin
shot 104-password "$w"
xdotool key Return

w=$(wait_window '^Confirm Upgrade to Ver\. 7\.2\.19c$' 30)
shot 103-confirm "$w"
xdotool key Return

w=$(wait_window '^Waiting For Firmware Download Request From DUX$' 30)
shot 114-waiting "$w"

w=$(wait_window '^Uploading Target Firmware to DUX@127\.0\.0\.2 ' 60)
upload_start=$(now)
# The session pumps one message of the dialog per idle pass, so its controls
# paint a moment after the first block.
sleep 3
shot 110-upload "$w"
w=$(wait_window '^Updating Target Firmware to DUX@127\.0\.0\.2$' 300)
upload_end=$(now)
shot 110-flash "$w"

# The flash wait of this product is 3279 steps of 32 ms; its success dialog
# is template 113.
w=$(wait_window '^DUX@127\.0\.0\.2 Upgrade Successful!$' 180)
shot 113-success "$w"
xdotool key Return

for _ in $(seq 100); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  echo "the wizard did not end after the success dialog" >&2
  exit 1
fi
wait "$app" || { echo "wizard exit status $?" >&2; exit 1; }

cmp "$image" "$work/received.bin"
passed=1
printf 'delivery of %s bytes: %.1f s (first upload caption to flash caption)\n' \
  "$(stat -c %s "$image")" "$(echo "$upload_end - $upload_start" | bc -l)"
echo "whole upgrade under wine: success dialog reached, image received intact"
