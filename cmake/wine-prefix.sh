#!/usr/bin/env bash
# start: create the private prefix once and start a persistent wineserver for the run.
# stop:  stop that wineserver (never one of another prefix).
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
      /usr/lib/wine/wineserver -w
    fi
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
