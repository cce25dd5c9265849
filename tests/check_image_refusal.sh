#!/bin/sh
# The configure step refuses images the program could not serve, naming the
# file and the rule: too short, no NUL after the version text, too large.
src=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
head -c 100 /dev/zero >"$dir/short.bin"
head -c 200 /dev/zero | tr '\0' 'X' >"$dir/nonul.bin"
truncate -s 33553920 "$dir/big.bin"
status=0
check() {
  out=$(cmake -S "$src" -B "$dir/build-$1" -DDUX_BUILD_TESTS=OFF \
        -DDUX_TARGET_IMAGE="$dir/$1" 2>&1)
  if [ $? -eq 0 ]; then
    echo "FAIL: $1 was accepted"; status=1; return
  fi
  flat=$(printf '%s' "$out" | tr '\n' ' ' | tr -s ' ')
  case "$flat" in
    *"$dir/$1"*"$2"*) echo "ok: $1 refused: $2" ;;
    *) echo "FAIL: $1: message lacks the file or '$2':"; echo "$out"; status=1 ;;
  esac
}
check short.bin "must be at least 128 bytes"
check nonul.bin "must end with a NUL before offset 128"
check big.bin "delivers at most 33553919 bytes"
exit $status
