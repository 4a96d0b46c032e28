#!/usr/bin/env bash
# Checks the release archive as a user downloads it, and that a crash report
# can be read against it:
#   - the release folder holds one archive, Korvel-<version>.zip, with exactly
#     the programs, the documents as in resources/ and an empty Presets folder;
#   - each program is stripped (no debug sections, no symbols) and small;
#   - laid beside its <program>.dbg, each program leads addr2line to the
#     source line of WinMain: its .gnu_debuglink names that file and its
#     checksum matches.
#
#   check-archive.sh CMAKE NM ADDR2LINE OBJDUMP RELEASE_DIR UNPACKED_DIR RESOURCES_DIR VERSION
set -euo pipefail
cmake=$1 nm=$2 addr2line=$3 objdump=$4 release=$5 unpacked=$6 resources=$7 version=$8
export LC_ALL=C
status=0
fail() { echo "$*"; status=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

archives=$(cd "$release" && ls Korvel-*.zip 2>/dev/null | xargs || true)
[ "$archives" = "Korvel-$version.zip" ] ||
  fail "$release should hold one archive, Korvel-$version.zip; it holds: ${archives:-none}"
expected="BugRep.txt Korvel.exe Korvel.htm Presets/ Setup.exe Uninst.exe factmods.txt"
listed=$("$cmake" -E tar tf "$release/Korvel-$version.zip" | sort | xargs)
[ "$listed" = "$expected" ] || fail "the archive holds: $listed; expected: $expected"

for document in Korvel.htm BugRep.txt factmods.txt; do
  cmp -s "$resources/$document" "$unpacked/$document" || fail "$document differs from $resources/$document"
done

# Kilobytes a stripped program may take; with its debug information Korvel.exe is over 14 MB.
declare -A limit=([Korvel]=1536 [Setup]=768 [Uninst]=768)
for program in Korvel Setup Uninst; do
  exe="$unpacked/$program.exe" dbg="$release/$program.dbg"
  [ -f "$exe" ] || { fail "$program.exe is not in the archive"; continue; }
  size=$(($(stat -c %s "$exe") / 1024))
  echo "$program.exe: $size KB"
  [ "$size" -le "${limit[$program]}" ] || fail "$program.exe takes $size KB, more than ${limit[$program]} KB"
  debug=$("$objdump" -h "$exe" | awk '$2 ~ /^\.debug_/ { print $2 }' | xargs)
  [ -z "$debug" ] || fail "$program.exe keeps debug information: $debug"
  "$objdump" -t "$exe" | grep -x 'no symbols' >/dev/null || fail "$program.exe keeps its symbol table"

  [ -f "$dbg" ] || { fail "$dbg is missing"; continue; }
  address=$("$nm" "$dbg" | awk '$3 ~ /^_?WinMain(@16)?$/ && !found { print $1; found = 1 }')
  [ -n "$address" ] || { fail "$dbg does not hold the symbol WinMain"; continue; }
  mkdir "$work/$program"
  cp "$exe" "$dbg" "$work/$program/"
  where=$("$addr2line" -f -e "$work/$program/$program.exe" "0x$address" | xargs)
  [[ "$where" =~ WinMain.*Main\.cpp:[0-9]+ ]] ||
    fail "$program.exe beside $program.dbg: addr2line reads WinMain (0x$address) as \"$where\""
done
exit $status
