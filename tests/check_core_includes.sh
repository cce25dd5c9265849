#!/bin/sh
# The core reaches the platform only through platform/*.h: it may include
# its own headers, the layer's interface and the C++ standard library, and
# never tests the platform with the preprocessor.
cd "$1" || exit 2
status=0
for f in $(find app ui firmware web tftp resources -name '*.h' -o -name '*.cpp'); do
  grep -n '^[[:space:]]*#[[:space:]]*include' "$f" | while IFS= read -r line; do
    inc=$(printf '%s' "$line" | sed -n 's/.*#[[:space:]]*include[[:space:]]*\([<"][^>"]*[>"]\).*/\1/p')
    case "$inc" in
      \"app/*|\"ui/*|\"firmware/*|\"web/*|\"tftp/*|\"resources/*) ;;
      \"platform/*/*) echo "$f: $line: a backend header"; exit 1 ;;
      \"platform/*) ;;
      \<*.h\>|\<*/*\>) echo "$f: $line: not a C++ standard header"; exit 1 ;;
      \<*\>) ;;
      *) echo "$f: $line: unexpected include"; exit 1 ;;
    esac
  done || status=1
  if grep -nE '^[[:space:]]*#[[:space:]]*if(def|ndef)?[[:space:]].*(_WIN32|__linux__|__unix__|_MSC_VER|__APPLE__|__MINGW)' "$f"; then
    echo "$f: tests the platform"; status=1
  fi
done
[ $status -eq 0 ] && echo "core includes: clean"
exit $status
