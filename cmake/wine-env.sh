# Environment for Wine runs; VELMORA_WINEPREFIX is set by the build (see tests/CMakeLists.txt).
export WINEPREFIX="${VELMORA_WINEPREFIX:?VELMORA_WINEPREFIX must name the private prefix}"
export WINEDEBUG=-all
# The menu builder would turn every Start-menu shortcut into a desktop entry of the Linux home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
unset http_proxy https_proxy ftp_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY NO_PROXY
