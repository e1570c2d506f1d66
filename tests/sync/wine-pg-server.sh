#!/usr/bin/env bash
# The sync tests' server (tests/sync/pg-server.sh) for the Windows build's tests under Wine,
# started and stopped by a CTest fixture. A Windows program cannot reach the Linux server's
# Unix socket: it connects to 127.0.0.1 with the passwords from the server's pgpass file,
# both named in DIR/windows-env (VAR=value, Windows paths), which the tests read
# (TVX_PG_ENV_FILE).
#   tests/sync/wine-pg-server.sh start DIR   a fresh server in DIR/server
#   tests/sync/wine-pg-server.sh stop DIR    stops it and removes DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=${1:?start or stop}
dir=$(realpath -m "${2:?the fixture folder}")

case $action in
start)
    "$here/pg-server.sh" remove "$dir/server" 2>/dev/null || true
    rm -rf "$dir"
    mkdir -p "$dir"
    "$here/pg-server.sh" start "$dir/server" >/dev/null
    cat >"$dir/windows-env" <<ENV
TVX_PG_HOST=127.0.0.1
TVX_PG_PORT=$(cat "$dir/server/port")
TVX_PG_PASSFILE=Z:$dir/server/pgpass
TVX_PG_ADMIN=tvx_admin
ENV
    echo "PostgreSQL for the sync tests under Wine: 127.0.0.1:$(cat "$dir/server/port") ($dir)"
    ;;
stop)
    "$here/pg-server.sh" remove "$dir/server"
    rm -rf "$dir"
    ;;
*)
    echo "unknown action: $action" >&2
    exit 2
    ;;
esac
