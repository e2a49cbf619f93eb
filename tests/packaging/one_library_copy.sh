#!/usr/bin/env bash
# one_library_copy.sh LIBRARY PROGRAM...
# Each program must load LIBRARY exactly once and define none of its
# symbols: neither the exported ones (which would interpose on the library's
# own) nor copies of its internals linked in from a static archive.
set -euo pipefail
lib=$1
shift
soname=$(objdump -p "$lib" | awk '$1 == "SONAME" { print $2 }')
[ -n "$soname" ] || { echo "no SONAME in $lib"; exit 1; }
exported=$(nm -D --defined-only "$lib" | awk '{ print $NF }' | sort -u)
[ -n "$exported" ] || { echo "no exported symbols in $lib"; exit 1; }

failures=0
for program in "$@"; do
  name=$(basename "$program")
  loaded=$(ldd "$program" | grep -c "^[[:space:]]*$soname " || true)
  if [ "$loaded" != 1 ]; then
    echo "FAIL: $name loads $soname $loaded times"; failures=$((failures + 1))
  fi
  own=$(nm -D --defined-only "$program" | awk '{ print $NF }' | sort -u)
  both=$(comm -12 <(echo "$exported") <(echo "$own"))
  if [ -n "$both" ]; then
    echo "FAIL: $name defines symbols of $soname:"; echo "$both" | head -20
    failures=$((failures + 1))
  fi
  # The library's internals live in namespace kestrune; a program holding
  # any of them has linked a second copy of its code.
  copies=$(nm -C --defined-only "$program" | grep -E ' kestrune::' || true)
  if [ -n "$copies" ]; then
    echo "FAIL: $name carries code of the library:"; echo "$copies" | head -20
    failures=$((failures + 1))
  fi
done
[ "$failures" = 0 ] && echo "each program loads $soname once and defines none of it"
exit "$failures"
