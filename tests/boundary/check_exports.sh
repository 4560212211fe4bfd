#!/bin/sh
# Fails when the plug-in library exports anything beyond its own interface: the plain
# functions the host calls and the two classes' members, virtual tables and type
# information.
set -eu
library=$1
unexpected=$(nm -D --defined-only "$library" | awk '{print $3}' | c++filt |
  grep -v -E '^(createPlugin|getAuthor|getGUIScript|getHelpFile|getPluginDescription|getPluginName|getPluginVersion)$' |
  grep -v -E '^(HDKWPluginInterface|StimForge)::' |
  grep -v -E '^(vtable|typeinfo|typeinfo name) for (HDKWPluginInterface|StimForge)$' || true)
if [ -n "$unexpected" ]; then
  echo "unexpected exports:"
  echo "$unexpected"
  exit 1
fi
for name in createPlugin getAuthor getGUIScript getHelpFile getPluginDescription getPluginName getPluginVersion; do
  nm -D --defined-only "$library" | awk '{print $3}' | grep -qx "$name" || { echo "missing export $name"; exit 1; }
done
echo "exports ok"
