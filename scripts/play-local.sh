#!/usr/bin/env bash
# Plays the game against the local server:
#   play-local.sh SERVER GAME KIT_DIR [game arguments...]
# starts SERVER (the master, the game server of both game kinds and the tournament
# server, with the web side serving KIT_DIR/web_content) unless a master already answers
# on its port, runs GAME, and stops the server it started once the game ends, however it
# ends. The server's messages go to server.log in the game's state folder.
# TOLVAN_MASTER_PORT, TOLVAN_GAME_PORT, TOLVAN_TOUR_PORT and TOLVAN_HTTP_PORT choose the
# ports (10088, 10089, 10090, 10080 by default); TOLVAN_SERVER_DB the database.
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 SERVER GAME KIT_DIR [game arguments...]" >&2
  exit 2
fi
SERVER=$1
GAME=$2
KIT=$3
shift 3
MASTER_PORT=${TOLVAN_MASTER_PORT:-10088}
STATE=${TOLVAN_STATE_DIR:-${XDG_STATE_HOME:-$HOME/.local/state}/tolvan}
mkdir -p "$STATE"
LOG=$STATE/server.log

answers() {  # true when something accepts connections on 127.0.0.1:$1
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

SERVER_PID=""
stop_server() {
  [ -n "$SERVER_PID" ] || return 0
  if kill -0 "$SERVER_PID" 2>/dev/null; then
    kill -TERM "$SERVER_PID" 2>/dev/null || true
    for _ in $(seq 100); do
      kill -0 "$SERVER_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$SERVER_PID" 2>/dev/null || true
  fi
  wait "$SERVER_PID" 2>/dev/null || true
  echo "play-local: local server stopped" >&2
  SERVER_PID=""
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if answers "$MASTER_PORT"; then
  echo "play-local: a master already answers on port $MASTER_PORT; using it" >&2
else
  args=(--master-port "$MASTER_PORT" --game-port "${TOLVAN_GAME_PORT:-10089}"
        --tour-port "${TOLVAN_TOUR_PORT:-10090}" --http-port "${TOLVAN_HTTP_PORT:-10080}"
        --kit-dir "$KIT")
  [ -n "${TOLVAN_SERVER_DB:-}" ] && args+=(--db "$TOLVAN_SERVER_DB")
  : >"$LOG"
  "$SERVER" "${args[@]}" 2>>"$LOG" &
  SERVER_PID=$!
  # The server names its ports on one line once it listens.
  for _ in $(seq 200); do
    grep -q "^tolvan-server: master" "$LOG" && break
    if ! kill -0 "$SERVER_PID" 2>/dev/null; then
      echo "play-local: the local server did not start:" >&2
      cat "$LOG" >&2
      SERVER_PID=""
      exit 1
    fi
    sleep 0.05
  done
  echo "play-local: local server started (pid $SERVER_PID): $(grep -m1 '^tolvan-server: master' "$LOG")" >&2
fi

status=0
"$GAME" "$@" || status=$?
exit "$status"
