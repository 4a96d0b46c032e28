#!/usr/bin/env bash
# tools/install-deps.sh and tools/win32-support --setup against a package
# mirror in the middle of a sync: apt-get, dpkg and dpkg-query are stand-ins
# on PATH that record what they were asked and fail as such a mirror does.
set -uo pipefail
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# stand_in NAME BODY: a command on the stand-ins' PATH that logs its
# arguments to calls.log and then runs BODY.
stand_in() {
  printf '#!/usr/bin/env bash\necho "%s $*" >>"%s/calls.log"\n%s\n' "$1" "$work" "$2" >"$work/bin/$1"
  chmod +x "$work/bin/$1"
}

# A copy of install-deps.sh with a win32-support beside it that only logs.
prepare() {
  rm -rf "$work/bin" "$work/tools" "$work/calls.log"
  mkdir -p "$work/bin" "$work/tools"
  cp "$tools/install-deps.sh" "$work/tools/"
  stand_in sudo 'exec "$@"'
  stand_in dpkg 'exit 0'
  stand_in win32-support 'exit 0'
  mv "$work/bin/win32-support" "$work/tools/"
  # $1: the packages dpkg-query reports installed.
  stand_in dpkg-query "for p in $1; do [ \"\$3\" = \"\$p\" ] && { printf 'install ok installed'; exit 0; }; done; exit 1"
}

run_install() { PATH="$work/bin:$PATH" "$work/tools/install-deps.sh" >"$work/out" 2>&1; }

mirror_mid_sync='if [ "$1" = update ]; then
  echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
  exit 100
fi
case " $* " in *" wine32:i386 "*)
  echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
esac'

sixty_four=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
            g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
            wine wine64 xvfb xauth x11-utils imagemagick libx11-dev timgm6mb-soundfont fluidsynth
            fonts-liberation)

# A fresh machine, a 32-bit index mid-sync: the 64-bit set installs, the
# 32-bit Wine cannot, and the script succeeds saying both in a line each.
prepare ""
stand_in apt-get "$mirror_mid_sync"
run_install; status=$?
[ $status -eq 0 ] || fail "mid-sync mirror: exit status $status, not 0"
grep -qx 'apt-get update failed for some package indexes (Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz File has unexpected size (374820 != 376004). Mirror sync in progress?); going on with the others' "$work/out" ||
  fail "mid-sync mirror: no one-line word of the failed update"
grep -qx 'the 32-bit Wine could not be installed: Unable to correct problems, you have held broken packages.; the 64-bit build carries the tests and the demo' "$work/out" ||
  fail "mid-sync mirror: no one-line word of the 32-bit Wine"
[ "$(wc -l <"$work/out")" -eq 3 ] || fail "mid-sync mirror: more than the three lines said"
grep -qx "apt-get install -y -qq ${sixty_four[*]}" "$work/calls.log" ||
  fail "mid-sync mirror: the 64-bit set was not asked for in one install"
grep -qx 'dpkg --add-architecture i386' "$work/calls.log" || fail "mid-sync mirror: i386 was not added"
grep -qx 'win32-support --setup' "$work/calls.log" || fail "mid-sync mirror: the emulation set-up was not asked"

# A 64-bit package the mirror does not have still fails the script, by name.
prepare ""
stand_in apt-get "$mirror_mid_sync"'
case " $* " in *" libbenchmark-dev "*)
  echo "E: Unable to locate package libbenchmark-dev" >&2; exit 100 ;;
esac'
run_install; status=$?
[ $status -eq 1 ] || fail "missing 64-bit package: exit status $status, not 1"
grep -qx 'install-deps: could not install libbenchmark-dev: Unable to locate package libbenchmark-dev' "$work/out" ||
  fail "missing 64-bit package: not named"
grep -q "^apt-get install.*wine32:i386" "$work/calls.log" && fail "missing 64-bit package: went on to the 32-bit Wine"

# Everything installed: nothing said, nothing asked of apt.
prepare "${sixty_four[*]} wine32:i386"
stand_in apt-get 'exit 100'
run_install; status=$?
[ $status -eq 0 ] && [ ! -s "$work/out" ] || fail "all installed: status $status, said: $(cat "$work/out")"
grep -q '^apt-get' "$work/calls.log" && fail "all installed: apt-get was asked"

# Without Wine's 32-bit loader the emulation is neither installed nor
# announced: no package, mount or handler is asked for.
rm -rf "$work/bin" "$work/calls.log"; mkdir -p "$work/bin"
for c in apt-get mount tee sudo; do stand_in "$c" 'exit 0'; done
PATH="$work/bin:$PATH" KORVEL_WINE32_LOADER="$work/no-such-loader" "$tools/win32-support" --setup >"$work/out" 2>&1
status=$?
[ $status -eq 0 ] || fail "no 32-bit loader: --setup exit status $status"
[ ! -s "$work/out" ] || fail "no 32-bit loader: --setup said: $(cat "$work/out")"
[ ! -s "$work/calls.log" ] || fail "no 32-bit loader: --setup ran: $(cat "$work/calls.log")"

[ $failures -eq 0 ] && echo "install-deps and win32-support under a mirror mid-sync: all checks passed"
exit $((failures > 0))
