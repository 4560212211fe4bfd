#!/bin/sh
# Checks the cross-built stimforge.dll: the plain functions the host calls are exported by
# name (undecorated), nothing beyond the plug-in's interface is exported, and the library
# needs no DLL but those every Windows has (the C and C++ runtimes are linked in).
# Usage: check_dll_exports.sh OBJDUMP DLL
set -eu
objdump=$1
dll=$2
dump=$("$objdump" -p "$dll")

# The names of the export table, one per line.
exports=$(echo "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p')
status=0
for name in createPlugin getAuthor getGUIScript getHelpFile getPluginDescription \
  getPluginName getPluginVersion; do
  echo "$exports" | grep -qx "$name" || { echo "not exported by name: $name"; status=1; }
done
# Besides those: members, virtual tables and type information of the two classes only.
unexpected=$(echo "$exports" |
  grep -v -E '^(createPlugin|getAuthor|getGUIScript|getHelpFile|getPluginDescription|getPluginName|getPluginVersion)$' |
  grep -v -E '^_Z(N19HDKWPluginInterface|N9StimForge|T[VIS]19HDKWPluginInterface|T[VIS]9StimForge)' || true)
if [ -n "$unexpected" ]; then
  echo "unexpected exports:"
  echo "$unexpected"
  status=1
fi

sh "$(dirname "$0")/check_imports.sh" "$objdump" "$dll" || status=1
[ "$status" -eq 0 ] && echo "exports and imports ok"
exit "$status"
