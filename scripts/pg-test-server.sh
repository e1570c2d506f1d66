#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server for the tests (Debian's postgresql-15): initdb into
# FOLDER, listening on 127.0.0.1 on a free port with TLS and SCRAM passwords only (and on a
# socket in FOLDER). Run as an unprivileged user (nobody) when started by root, since the
# server refuses to run as root.
#
#   scripts/pg-test-server.sh start FOLDER   FOLDER must be new or empty; leaves there
#       conninfo     host, port, user and password of the superuser tvx (libpq's syntax)
#       root.crt     the authority that signed the server's certificate (for 127.0.0.1)
#       other-root.crt  an authority that signed nothing the server shows
#   scripts/pg-test-server.sh stop FOLDER
set -euo pipefail
bin=${TVX_PG_BIN:-/usr/lib/postgresql/15/bin}
action=${1:?usage: $0 start|stop FOLDER}
folder=$(realpath -m "${2:?usage: $0 start|stop FOLDER}")

as_server_user() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u nobody -- "$@"
    else
        "$@"
    fi
}

case "$action" in
start)
    if [ -e "$folder" ] && [ -n "$(ls -A "$folder")" ]; then
        echo "$folder is not empty" >&2
        exit 1
    fi
    mkdir -p "$folder"
    # Certificates: an authority, the server's certificate for 127.0.0.1 signed by it, and a
    # second authority a client may wrongly trust.
    openssl_quiet() { openssl "$@" 2>/dev/null; }
    (cd "$folder" &&
        openssl_quiet req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tarvolinex test authority" \
            -keyout root.key -out root.crt &&
        openssl_quiet req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Another authority" \
            -keyout other-root.key -out other-root.crt &&
        openssl_quiet req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr &&
        printf 'subjectAltName=IP:127.0.0.1\n' > server.ext &&
        openssl_quiet x509 -req -in server.csr -CA root.crt -CAkey root.key -CAcreateserial -days 2 \
            -extfile server.ext -out server.crt &&
        rm -f root.key other-root.key server.csr server.ext root.srl)
    password=$(openssl rand -hex 12)
    printf '%s\n' "$password" > "$folder/password"
    [ "$(id -u)" = 0 ] && chown -R nobody "$folder"
    chmod 700 "$folder"
    chmod 600 "$folder/server.key"
    as_server_user "$bin/initdb" -D "$folder/data" -U tvx --pwfile="$folder/password" \
        --auth-local=scram-sha-256 --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 \
        >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log" >&2; exit 1; }
    # TLS connections only over TCP.
    cat > "$folder/data/pg_hba.conf" <<EOF
local   all all              scram-sha-256
hostssl all all 127.0.0.1/32 scram-sha-256
EOF
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >> "$folder/data/postgresql.conf" <<EOF
port = $port
listen_addresses = '127.0.0.1'
unix_socket_directories = '$folder'
ssl = on
ssl_cert_file = '$folder/server.crt'
ssl_key_file = '$folder/server.key'
EOF
    as_server_user "$bin/pg_ctl" -D "$folder/data" -l "$folder/data/server.log" -w -t 60 start >/dev/null ||
        { cat "$folder/data/server.log" >&2; exit 1; }
    printf 'host=127.0.0.1 port=%s user=tvx password=%s dbname=postgres\n' "$port" "$password" \
        > "$folder/conninfo"
    echo "PostgreSQL $("$bin/postgres" --version | awk '{print $3}') on 127.0.0.1:$port ($folder)"
    ;;
stop)
    [ -f "$folder/data/postmaster.pid" ] || exit 0
    as_server_user "$bin/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null
    ;;
*)
    echo "usage: $0 start|stop FOLDER" >&2
    exit 2
    ;;
esac
