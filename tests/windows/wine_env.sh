# Sourced by the Wine test scripts: the environment every Wine run of the tests uses.
# Usage: WINEPREFIX=... and then . wine_env.sh
# A 64-bit prefix of the tests' own, no debug output, no installer prompts for Mono or
# Gecko, and no display: nothing may wait for a person.
WINEARCH=win64
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES
unset DISPLAY WAYLAND_DISPLAY
