#!/usr/bin/env bash
# A PostgreSQL server of the tests' own (Debian's PostgreSQL 15): a cluster in a folder,
# listening on a Unix socket in that folder and on 127.0.0.1 (a free port) only, with the
# roles of two workshops.
#   tests/sync/pg-server.sh start DIR   creates DIR, starts, prints the environment (VAR=value)
#                                       the sync tests read; also written to DIR/env
#   tests/sync/pg-server.sh stop DIR    stops it (the folder stays)
#   tests/sync/pg-server.sh halt DIR    stops it at once, as a crash or a pulled cable would
#   tests/sync/pg-server.sh resume DIR  starts a stopped one again, on the same port
#   tests/sync/pg-server.sh remove DIR  stops it and removes the folder
# Run as root, the server runs as the unprivileged user `nobody` (PostgreSQL refuses root).
set -euo pipefail

action=${1:?start, stop, halt, resume or remove}
dir=${2:?the server folder}
bin=${TVX_PG_BIN:-/usr/lib/postgresql/15/bin}

as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

free_port() {
    local port
    for _ in $(seq 1 200); do
        port=$((20000 + RANDOM % 30000))
        if ! (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return
        fi
    done
    echo "no free port found" >&2
    exit 1
}

pg_start() {
    local port
    port=$(cat "$dir/port")
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-p $port -k $dir -c listen_addresses=127.0.0.1" start >/dev/null
}

case $action in
start)
    if [ ! -x "$bin/initdb" ]; then
        echo "PostgreSQL 15 is not installed ($bin/initdb): scripts/install-deps.sh" >&2
        exit 1
    fi
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    # The server's own user owns the folder (its socket goes there); the folder above must
    # let it through (a temporary folder does).
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody "$dir"
    fi
    chmod 700 "$dir"
    free_port >"$dir/port"
    echo "owner-secret" >"$dir/owner.pw"
    as_server "$bin/initdb" -D "$dir/data" -U tvx_admin --auth-local=trust \
        --auth-host=scram-sha-256 --pwfile="$dir/owner.pw" -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log"
    pg_start
    port=$(cat "$dir/port")
    # The roles of a real set-up (README, "Shared history on PostgreSQL"): the owner that
    # creates the schema, the group every bay is in, one role per workshop, a login per bay.
    as_server "$bin/psql" -q -X -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U tvx_admin -d postgres <<'SQL'
CREATE ROLE tvx_owner LOGIN PASSWORD 'owner-secret';
CREATE ROLE tvx_bay NOLOGIN;
CREATE ROLE tvx_ws_north NOLOGIN;
CREATE ROLE tvx_ws_south NOLOGIN;
CREATE ROLE bay_n1 LOGIN PASSWORD 'n1-secret' IN ROLE tvx_bay, tvx_ws_north;
CREATE ROLE bay_n2 LOGIN PASSWORD 'n2-secret' IN ROLE tvx_bay, tvx_ws_north;
CREATE ROLE bay_s1 LOGIN PASSWORD 's1-secret' IN ROLE tvx_bay, tvx_ws_south;
CREATE ROLE stranger LOGIN PASSWORD 'x-secret';
CREATE DATABASE tvx OWNER tvx_owner;
SQL
    # The passwords where libpq looks for them (PGPASSFILE): for the connections over TCP
    # (the only way in for the Windows build's tests under Wine, the administrator's too).
    {
        for role in tvx_admin:owner tvx_owner:owner bay_n1:n1 bay_n2:n2 bay_s1:s1 stranger:x; do
            echo "127.0.0.1:$port:*:${role%%:*}:${role##*:}-secret"
        done
    } >"$dir/pgpass"
    chmod 600 "$dir/pgpass"
    cat >"$dir/env" <<ENV
TVX_PG_HOST=$dir
TVX_PG_PORT=$port
TVX_PG_PASSFILE=$dir/pgpass
TVX_PG_ADMIN=tvx_admin
ENV
    cat "$dir/env"
    ;;
stop)
    [ -f "$dir/data/postmaster.pid" ] && as_server "$bin/pg_ctl" -D "$dir/data" -w -m fast stop >/dev/null
    ;;
halt)
    as_server "$bin/pg_ctl" -D "$dir/data" -w -m immediate stop >/dev/null
    ;;
resume)
    pg_start
    ;;
remove)
    if [ -f "$dir/data/postmaster.pid" ]; then
        as_server "$bin/pg_ctl" -D "$dir/data" -w -m immediate stop >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "unknown action: $action" >&2
    exit 2
    ;;
esac
