#!/bin/sh
# Configures the whole project for Windows as a Visual Studio user does when CLI11 is not
# installed: the plug-in alone (-DSF_BUILD_TESTS=OFF), with CLI11's headers out of sight
# (CMAKE_IGNORE_PATH). The configuration must succeed, say that kwhost is left out, and
# leave it out; with the tests asked for, it must stop with a message that says what to do.
# Configuring only (the MinGW toolchain stands in for Microsoft's compiler, which this
# machine lacks); nothing is built.
# Usage: configure_without_cli11.sh CMAKE SOURCE_ROOT TOOLCHAIN_FILE WORK
set -eu
cmake=$1
root=$2
toolchain=$3
work=$4
hidden="-DCMAKE_IGNORE_PATH=/usr/include;/usr/local/include;/usr/x86_64-w64-mingw32/include"
status=0

rm -rf "$work"
if ! "$cmake" -S "$root" -B "$work/plugin" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DSF_BUILD_TESTS=OFF "$hidden" >"$work.plugin.txt" 2>&1; then
  cat "$work.plugin.txt"
  echo "FAILED: configuring the plug-in alone without CLI11 failed"
  status=1
fi
if ! grep -q "CLI11's headers (CLI/CLI.hpp) were not found: the stand-in host kwhost is not built" \
  "$work.plugin.txt"; then
  cat "$work.plugin.txt"
  echo "FAILED: no message that kwhost is left out"
  status=1
fi
if grep -q "kwhost" "$work/plugin/Makefile" 2>/dev/null; then
  echo "FAILED: kwhost is still among the targets"
  status=1
fi

if "$cmake" -S "$root" -B "$work/tests" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "$hidden" \
  >"$work.tests.txt" 2>&1; then
  echo "FAILED: configuring the tests without CLI11 succeeded"
  status=1
fi
if ! tr '\n' ' ' <"$work.tests.txt" | tr -s ' ' | grep -q "Install CLI11 (Debian: libcli11-dev)"; then
  cat "$work.tests.txt"
  echo "FAILED: no message that says what to do"
  status=1
fi
[ "$status" -eq 0 ] && echo "ok: kwhost left out without CLI11; the tests ask for it"
exit "$status"
