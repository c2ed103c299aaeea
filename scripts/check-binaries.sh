#!/usr/bin/env bash
# Checks every DLL and EXE in a folder: it imports system DLLs only, and the
# listed DLLs export the listed names undecorated.
# usage: check-binaries.sh <objdump> <bin-dir> [dll:Export1,Export2 ...]
set -u
objdump=$1; bin=$2; shift 2
system='^(kernel32|user32|ole32|oleaut32|shlwapi|advapi32|msvcrt|gdi32|shell32|rpcrt4|ws2_32|version|uuid|api-ms-win-.*)\.dll$'
ours='^(xparam|zorlog|oxcore)\.dll$'
fail=0
shopt -s nullglob nocaseglob
for f in "$bin"/*.dll "$bin"/*.exe; do
  while read -r dll; do
    lower=$(echo "$dll" | tr 'A-Z' 'a-z')
    if ! [[ $lower =~ $system || $lower =~ $ours ]]; then
      echo "$(basename "$f") imports $dll"; fail=1
    fi
  done < <("$objdump" -p "$f" | sed -n 's/^\s*DLL Name: //p')
done
for spec in "$@"; do
  dll=${spec%%:*}; names=${spec#*:}
  exports=$("$objdump" -p "$bin/$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&NF==0{t=0} t{print $NF}')
  IFS=, read -ra want <<<"$names"
  for n in "${want[@]}"; do
    grep -qx "$n" <<<"$exports" || { echo "$dll does not export $n"; fail=1; }
  done
done
[ $fail -eq 0 ] && echo "binaries import system DLLs only; exports present"
exit $fail
