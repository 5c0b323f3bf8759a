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
exec wine "$@" </dev/null
