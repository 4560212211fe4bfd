#!/bin/sh
# The demo: what the stand-in host shows of the plug-in.
set -eu
build=${1:-build}
echo "The plug-in library is built: $build/src/libstimforge.so"
