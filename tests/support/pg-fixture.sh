#!/bin/sh
# The one throwaway PostgreSQL server of a CTest run (the fixture "postgres"):
#
#   sh pg-fixture.sh start DIR   # a cluster in DIR/data on 127.0.0.1, a free port, trust
#   sh pg-fixture.sh stop DIR    # an immediate shutdown; DIR goes
#
# start writes the port into DIR/port once the server accepts connections; the tests read it
# (KESTA_PG_FIXTURE=DIR, see PgServer) and each makes its own databases there. Its socket is in
# DIR too, so the tests administer it without reaching any other server. Without the server
# binaries nothing is started and the tests say what is missing, as when run on their own.
# Runs the programs as the user postgres when we are root (PostgreSQL refuses root).

set -u
command=${1:-}
dir=${2:-}
if [ -z "$dir" ] || { [ "$command" != start ] && [ "$command" != stop ]; }; then
    echo "usage: pg-fixture.sh start|stop DIR" >&2
    exit 2
fi

bin=${KESTA_PG_BINDIR:-}
if [ -z "$bin" ]; then
    for version in $(ls /usr/lib/postgresql 2>/dev/null | sort -rn); do
        if [ -x "/usr/lib/postgresql/$version/bin/postgres" ]; then
            bin=/usr/lib/postgresql/$version/bin
            break
        fi
    done
fi

as_postgres() {
    if [ "$(id -u)" = 0 ]; then
        setpriv --reuid=postgres --regid=postgres --init-groups -- "$@"
    else
        "$@"
    fi
}

# A server left by an interrupted run of this build tree is this tree's own: it goes first.
stop_server() {
    if [ -n "$bin" ] && [ -f "$dir/data/postmaster.pid" ]; then
        as_postgres "$bin/pg_ctl" stop -D "$dir/data" -m immediate -w -t 30 >/dev/null 2>&1
    fi
    rm -rf "$dir"
}

stop_server
[ "$command" = stop ] && exit 0

if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
    echo "pg-fixture.sh: no PostgreSQL server binaries (the Debian package postgresql): each" \
         "PostgreSQL test says so"
    exit 0
fi
mkdir -p "$dir" || exit 1
[ "$(id -u)" = 0 ] && chown postgres: "$dir"
if ! as_postgres "$bin/initdb" -D "$dir/data" -U postgres -A trust -E UTF8 --locale=C -N \
        >"$dir/initdb.log" 2>&1; then
    echo "pg-fixture.sh: initdb failed:" >&2
    cat "$dir/initdb.log" >&2
    exit 1
fi
attempt=0
while [ $attempt -lt 5 ]; do
    # A port below the ephemeral range; taken ones are tried again with another.
    port=$((10000 + ($$ + attempt * 4099) % 20000))
    options="-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off"
    options="$options -c synchronous_commit=off -c full_page_writes=off"
    options="$options -c shared_buffers=32MB -c max_connections=200"
    if as_postgres "$bin/pg_ctl" start -D "$dir/data" -l "$dir/server.log" -w -t 60 \
            -o "$options" >/dev/null 2>&1; then
        echo "$port" >"$dir/port"
        echo "pg-fixture.sh: PostgreSQL on 127.0.0.1:$port ($dir)"
        exit 0
    fi
    grep -q "in use" "$dir/server.log" 2>/dev/null || break
    attempt=$((attempt + 1))
done
echo "pg-fixture.sh: the server did not start:" >&2
tail -n 20 "$dir/server.log" >&2
exit 1
