#!/usr/bin/env bash
# start FOLDER: HTTP and HTTPS servers on loopback (provision_servers.py) and anonymous FTP
#   on 127.0.0.1:21 over FOLDER/www. Port 21 is shared by the whole machine: when another
#   server keeps it for about half a minute, FOLDER/ftp.state says "busy" and the FTP tests skip.
# stop FOLDER: stops the servers this folder's start began, and only those.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
action=${1:?start or stop}
folder=${2:?folder}
unset http_proxy https_proxy ftp_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY NO_PROXY

stop_pid() {  # pid file
  [ -f "$1" ] || return 0
  local pid; pid=$(cat "$1")
  kill "$pid" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null
  rm -f "$1"
}

ftp_listening() {  # our own server has bound the port (another run's could answer too)
  grep -q "starting FTP server on 127.0.0.1:21," "$folder/ftp.log" 2>/dev/null
}

case "$action" in
start)
  stop_pid "$folder/http.pid"; stop_pid "$folder/ftp.pid"
  rm -rf "$folder/www" && mkdir -p "$folder/www"  # packs of earlier runs
  rm -f "$folder"/*.port "$folder/ftp.state"
  nohup /usr/bin/python3 "$here/provision_servers.py" "$folder" >"$folder/http.log" 2>&1 </dev/null &
  echo $! >"$folder/http.pid"
  for _ in $(seq 100); do [ -f "$folder/http.port" ] && break; sleep 0.1; done
  [ -f "$folder/http.port" ] || { echo "HTTP servers did not start" >&2; cat "$folder/http.log" >&2; exit 1; }

  echo busy >"$folder/ftp.state"
  for _ in $(seq 20); do
    nohup /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p 21 -d "$folder/www" >"$folder/ftp.log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 30); do
      kill -0 "$pid" 2>/dev/null || break
      if ftp_listening; then echo "$pid" >"$folder/ftp.pid"; echo ready >"$folder/ftp.state"; break 2; fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
    sleep 1  # another run's server holds the port
  done
  exit 0
  ;;
stop)
  stop_pid "$folder/http.pid"; stop_pid "$folder/ftp.pid"
  exit 0
  ;;
*) echo "usage: $0 start|stop FOLDER" >&2; exit 2 ;;
esac
