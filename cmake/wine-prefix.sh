#!/usr/bin/env bash
# start [DPI]: create the private prefix once and start a persistent wineserver for the run.
#              DPI: the display scaling a new prefix gets (Wine reads it from the user's LogPixels;
#              default 96, 100 %). A prefix keeps the scaling it was created with.
# stop:        stop that wineserver (never one of another prefix).
set -e
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/wine-env.sh"
case "${1:-}" in
  start)
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      /usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
      /usr/lib/wine/wineserver -w
      # Without a window manager every hide or close would block for 2 s.
      /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      if [ -n "${2:-}" ]; then
        /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
      fi
      /usr/lib/wine/wineserver -w
    fi
    # A new prefix links Desktop, Documents and the like to the Linux home: shortcuts and files
    # the tests write there stay in the prefix.
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
      if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
    done
    # A server already running for this prefix is fine.
    /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1 || true
    # First start after the server comes up also starts services.exe; pay that here.
    /usr/lib/wine/wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
