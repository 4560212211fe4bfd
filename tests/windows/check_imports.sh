#!/bin/sh
# Checks that a cross-built Windows program or library needs no DLL but those every Windows
# has: the C and C++ runtimes and winpthreads must be linked in, so that nothing has to be
# copied beside it.
# Usage: check_imports.sh OBJDUMP FILE
# Exits 0 when so; otherwise lists the other DLLs and exits 1.
set -eu
objdump=$1
file=$2
imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
foreign=$(echo "$imports" | grep -v -i -x -E 'kernel32\.dll|msvcrt\.dll|user32\.dll|ucrtbase\.dll|api-ms-win-[a-z0-9-]+\.dll' || true)
if [ -n "$foreign" ]; then
  echo "$(basename "$file") needs DLLs that Windows does not ship (link the runtimes statically):"
  echo "$foreign"
  exit 1
fi
echo "$(basename "$file") needs only system DLLs"
