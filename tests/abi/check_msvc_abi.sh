#!/bin/sh
# Checks the plug-in's classes against the Microsoft C++ ABI that the real host is built
# with, by compiling their definitions (src/plugin/plugin_interface.cpp and
# src/plugin/stimforge.cpp) with clang's MSVC target. Compiling only: no Windows SDK, no C++ runtime (-nostdinc keeps it that way).
#   - the virtual table slots of HDKWPluginInterface and StimForge: the destructor in slot
#     0, execute in 1, initPlugin in 2 (clang's "VFTable indices" layout dump);
#   - the decorated names the library must export appear among the object's export
#     directives.
# Usage: check_msvc_abi.sh CLANG++ LLVM-READOBJ SOURCE_ROOT WORK_FOLDER [HEADER_FOLDER]
# HEADER_FOLDER, searched before src/, lets the tests feed the check a faulty header.
# Exits 0 when everything matches; otherwise lists every mismatch and exits 1.
set -eu
clang=$1
readobj=$2
root=$3
work=$4
first=${5:-}

mkdir -p "$work"
layout=$work/vtable_layouts.txt
includes="-I$root/src"
[ -n "$first" ] && includes="-I$first $includes"
: >"$layout"
for source in plugin_interface stimforge; do
  # shellcheck disable=SC2086
  "$clang" --target=x86_64-pc-windows-msvc -std=c++17 -nostdinc -Wall -Wextra -Werror \
    -DSF_BUILDING_PLUGIN $includes -Xclang -fdump-vtable-layouts \
    -c "$root/src/plugin/$source.cpp" -o "$work/$source.obj" >>"$layout"
done

status=0

# Prints "SLOT|TEXT" for each entry of the "VFTable indices" section of class $1.
slots_of() {
  awk -v header="VFTable indices for '$1' " '
    index($0, header) == 1 { inside = 1; next }
    inside && /^[[:space:]]*$/ { exit }
    inside { split($0, part, "|"); gsub(/ /, "", part[1]); sub(/^ /, "", part[2]);
             print part[1] "|" part[2] }' "$layout"
}

check_slots() {
  class=$1
  entries=$(slots_of "$class")
  if [ -z "$entries" ]; then
    echo "no virtual table layout for $class"
    status=1
    return
  fi
  count=$(echo "$entries" | wc -l)
  if [ "$count" -ne 3 ]; then
    echo "$class has $count virtual table slots, not 3 (destructor, execute, initPlugin)"
    status=1
  fi
  for expected in "0|~$class()" "1|::execute()" "2|::initPlugin()"; do
    slot=${expected%%|*}
    member=${expected#*|}
    text=$(echo "$entries" | awk -F'|' -v s="$slot" '$1 == s { print $2 }')
    case "$text" in
      *"$member"*) ;;
      *) echo "slot $slot of $class is \"$text\", expected $member"; status=1 ;;
    esac
  done
}

check_slots HDKWPluginInterface
check_slots StimForge

directives=$("$readobj" --coff-directives "$work/plugin_interface.obj" "$work/stimforge.obj" | tr ' ' '\n' | sed -n 's/^\/EXPORT:"\([^"]*\)".*$/\1/p')
# Default constructor, copy constructor, copy assignment, destructor and virtual table of
# the interface; default constructor, destructor, execute and initPlugin of StimForge.
for name in \
  '??0HDKWPluginInterface@@QEAA@XZ' \
  '??0HDKWPluginInterface@@QEAA@AEBV0@@Z' \
  '??4HDKWPluginInterface@@QEAAAEAV0@AEBV0@@Z' \
  '??1HDKWPluginInterface@@UEAA@XZ' \
  '??_7HDKWPluginInterface@@6B@' \
  '??0StimForge@@QEAA@XZ' \
  '??1StimForge@@UEAA@XZ' \
  '?execute@StimForge@@UEAA_NXZ' \
  '?initPlugin@StimForge@@UEAA_NXZ'; do
  echo "$directives" | grep -qxF "$name" || { echo "not exported: $name"; status=1; }
done

if [ "$status" -ne 0 ]; then
  echo "--- layouts ($layout):"
  cat "$layout"
  echo "--- exported: $directives"
  exit 1
fi
echo "Microsoft ABI ok: virtual table slots and exported names"
