#!/bin/bash
# Runs dux-upgrade in a real terminal (a detached tmux session of 80 x 24)
# against the simulated device, typing as a user would, and reads the screen
# back.
#
#   wizard_e2e.sh upgrade|abort DUX_UPGRADE DUXSIM IMAGE
#
# upgrade: the whole upgrade through to the success dialog, which must show
#          the version of IMAGE; the program then ends with status 0.
# abort:   Cancel in the dialog that waits for the device's download; the
#          program reports the abort, ends with status 0 and leaves the
#          terminal as it found it.
#
# The run happens in a private network namespace (loopback only) so that
# ports 80 and 69 are ours.
set -u

mode=$1 dux=$2 sim=$3 image=$4

if [ -z "${DUX_E2E_IN_NETNS:-}" ]; then
  export DUX_E2E_IN_NETNS=1
  if [ "$(id -u)" = 0 ]; then
    exec unshare -n -- "$0" "$@"
  else
    exec unshare -rn -- "$0" "$@"
  fi
fi

ip link set lo up || { echo "FAIL: cannot bring up lo"; exit 1; }

work=$(mktemp -d)
sock=$work/tmux.sock
simpid=
cleanup() {
  tmux -S "$sock" kill-server 2>/dev/null
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- screen ---"
  screen
  echo "--- simulated device log ---"
  tail -n 20 "$work/sim.log" 2>/dev/null
  exit 1
}

screen() { tmux -S "$sock" capture-pane -p -t dux 2>/dev/null; }

# Waits until the screen shows `text` (polls 10 times a second, at most
# `seconds` seconds).
wait_for() {
  local text=$1 seconds=$2 i
  for ((i = 0; i < seconds * 10; i++)); do
    screen | grep -qF -- "$text" && return 0
    sleep 0.1
  done
  fail "no \"$text\" on the screen within ${seconds}s"
}

keys() { tmux -S "$sock" send-keys -t dux "$@"; }
type_text() { tmux -S "$sock" send-keys -t dux -l "$1"; }

# The version text at offset 92 of the image header.
version=$(dd if="$image" bs=1 skip=92 count=36 2>/dev/null | tr '\0' '\n' | head -n 1)
[ -n "$version" ] || fail "no version text in $image"

simargs=(--address 127.0.0.2 --http-port 80 --password admin
         --flash-time 500 --events "$work/events")
# Aborted runs keep the device from asking for the image while the wizard
# waits for it.
[ "$mode" = abort ] && simargs+=(--tftp-delay 600000)
"$sim" "${simargs[@]}" >"$work/sim.log" 2>&1 &
simpid=$!

# The pane runs the wizard, then reports its exit status and the terminal
# modes it left behind, and stays open to be read.
cat >"$work/pane.sh" <<PANE
"$dux"
echo "EXIT=\$?"
stty -a | tr -s ' ;' '\n\n' | grep -E '^-?(icanon|echo|icrnl|opost)\$' | tr '\n' ' '
echo "MODES"
sleep 600
PANE
tmux -S "$sock" -f /dev/null new-session -d -s dux -x 80 -y 24 \
  "bash $work/pane.sh" || fail "cannot start tmux"

wait_for "[ Continue ]" 20
# The warning focuses Cancel: Tab to Continue, then Enter.
keys Tab
keys Enter
wait_for "Please enter IP address" 10
type_text "127.0.0.2"
wait_for "127 .   0 .   0 .   2" 5
keys Enter
wait_for "Enter Password Information" 30
screen | grep -qF "[admin" || fail "the user box does not show admin"
type_text "admin"
wait_for "[*****" 5
keys Enter
wait_for "Confirm Upgrade to Ver. $version" 30
wait_for "7.1.4a" 5
keys Enter
wait_for "Waiting For Firmware Download" 30

if [ "$mode" = abort ]; then
  # Cancel is the only button, and focused.
  keys C-c
  wait_for "Upgrade Failed: User Abort" 10
  keys Enter
  wait_for "MODES" 10
  out=$(screen)
  echo "$out" | grep -qF "EXIT=0" || fail "exit status is not 0"
  modes=$(echo "$out" | grep -E '(icanon|echo)' | head -n 1)
  for m in icanon echo icrnl opost; do
    echo " $modes " | grep -q " $m " || fail "terminal mode $m not restored: $modes"
  done
  alt=$(tmux -S "$sock" display-message -p -t dux '#{alternate_on}')
  [ "$alt" = 0 ] || fail "the terminal is still on the alternate screen"
  echo "PASS: abort in the waiting dialog"
  exit 0
fi

# The transfer, then the device writes its flash (the wizard waits its fixed
# time), then the check of the new version.
wait_for "Upgrade Successful!" 300
out=$(screen)
echo "$out" | grep -qF "DUX@127.0.0.2 Upgrade Successful!" ||
  fail "success caption without the device address"
echo "$out" | grep -qF "$version" || fail "success dialog without version $version"
keys Enter
wait_for "MODES" 10
screen | grep -qF "EXIT=0" || fail "exit status is not 0"
grep -q "^done .* ok" "$work/events" || fail "the device did not get the whole image"
echo "PASS: upgrade to $version"
