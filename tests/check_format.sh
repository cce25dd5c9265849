#!/bin/sh
# Every C++ source of ours is formatted as .clang-format says.
cd "$1" || exit 2
command -v clang-format >/dev/null || { echo "clang-format missing"; exit 1; }
files=$(find app ui firmware web tftp resources platform sim tests bench tools \
          -name '*.cpp' -o -name '*.h' | sort)
clang-format --dry-run -Werror $files || exit 1
echo "formatted: $(echo "$files" | wc -l) files"
