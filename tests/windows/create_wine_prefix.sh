#!/bin/sh
# Readies Wine for the Windows tests (CTest runs this once, as a fixture, before any test
# that needs it, so parallel tests never race to create the prefix): creates the Wine prefix
# they share, or reuses an existing, complete one, then starts the one wineserver that every
# Wine run of the tests talks to, until stop_wineserver.sh (the fixture's cleanup) ends it.
# Without that server, each Wine run starts one that lingers a few seconds after its last
# client, and a run that meets it as it goes away fails ("recvmsg: Connection reset by
# peer"). It persists 10 minutes without a client, so an interrupted run leaves none behind
# for long.
# Usage: create_wine_prefix.sh WINE64 PREFIX
# Exits non-zero when Wine cannot set the prefix up or the server does not start.
set -eu
wine=$1
prefix=$2
here=$(dirname "$0")
server="$(dirname "$wine")/wineserver"
WINEPREFIX=$prefix
. "$here/wine_env.sh"
# A server of this prefix left by an interrupted run goes first.
"$server" -k 2>/dev/null || true
"$server" -w
if [ -f "$prefix/system.reg" ] && [ -d "$prefix/drive_c/windows/system32" ]; then
  echo "reusing the Wine prefix $prefix"
else
  rm -rf "$prefix"
  # A 64-bit-only Wine cannot start the 32-bit half of the set-up and says so; that is
  # expected and harmless, so only the exit status counts.
  "$wine" wineboot --init >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
  # wineboot returns before the prefix is written out; wait for the server to finish.
  "$server" -w
  if [ ! -f "$prefix/system.reg" ]; then
    cat "$prefix.log"
    echo "Wine did not create the prefix $prefix"
    exit 1
  fi
  echo "created the Wine prefix $prefix"
fi
# Returns once the server listens. The server keeps no stream of this script's open (CTest
# waits for them to close); what it prints goes to PREFIX.server.log.
"$server" -p600 </dev/null >"$prefix.server.log" 2>&1 || { cat "$prefix.server.log"; exit 1; }
# The first Wine run on the server starts the prefix's own processes (services, devices),
# which stay for the server's life with that run's streams: run it here, its streams to the
# log, so that no test's output stays open after its program ends (CTest would wait for it).
"$wine" wineboot </dev/null >>"$prefix.server.log" 2>&1 || true
echo "started the tests' wineserver"
