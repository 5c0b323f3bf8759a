#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, with its exit status; the
# cross build's test emulator, and the way to start the program by hand:
#
#   cmake/wine-run.sh build/windows/bin/Borgo_Mar_TX903.exe
#
# Wine's folder is $WINEPREFIX when set, else one kept in the user's cache;
# it is prepared on first use. Without a display (DISPLAY unset) programs run
# without their windows; run under xvfb-run to have them.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/borgo_mar_tx903/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX"

# Wine's own background processes (its server, services, the desktop) start
# with the first program and outlive it, holding on to whatever output it
# was given; a caller reading that output (ctest) would wait for them. So
# the program writes into files, passed on once it has ended.
output=$(mktemp -d)
trap 'rm -rf "$output"' EXIT
status=0
wine "$@" </dev/null >"$output/out" 2>"$output/err" || status=$?
cat "$output/out"
cat "$output/err" >&2
# A program that ended in failure without a word is most often one that Wine
# could not start; say so, or the log shows nothing at all.
if ((status != 0)) && [[ ! -s $output/out && ! -s $output/err ]]; then
  echo "wine-run.sh: '$1' ended with status $status and printed nothing" >&2
fi
exit "$status"
