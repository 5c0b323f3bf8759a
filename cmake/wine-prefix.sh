#!/usr/bin/env bash
# Prepares a Wine folder (WINEPREFIX) for running the Windows build:
#
#   cmake/wine-prefix.sh FOLDER
#
# Does nothing when FOLDER is ready already; safe to call from several
# processes at once. Needs no display.
set -euo pipefail

prefix=$1
ready=$prefix/.borgo-ready
[[ -f $ready ]] && exit 0

mkdir -p "$prefix"
exec 9>"$prefix/.borgo-lock"
flock 9
[[ -f $ready ]] && exit 0

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
# Without a window manager (a virtual display), Wine's own window management
# makes every closing window wait two seconds.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

# Debian's Wine does not look in its own font folder. The bitmap
# "MS Sans Serif" is left out: Wine draws it wrongly at large sizes, and the
# label falls back to another sans-serif face.
fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"
for font in /usr/share/wine/fonts/*; do
  case ${font##*/} in
    sserif*.fon) ;;
    *) cp -f "$font" "$fonts/" ;;
  esac
done

touch "$ready"
