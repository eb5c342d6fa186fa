#!/usr/bin/env bash
# Private MariaDB server for development, the default run and the tests.
#   scripts/db.sh start|stop|status
# ORVENA_DB_DIR  folder holding data/, the socket and the log (default: var/ in the checkout)
# ORVENA_DB_LOWER_CASE  lower_case_table_names of a new server (default 1: table names are
#                       case-insensitive, as the program's statements need; tests use 0 to check
#                       that the program explains such a server)
# ORVENA_DB_EXPORT_DIR  the only folder the server may write files into (secure_file_priv, for the
#                       program's export; default: export/ beside the data)
# ORVENA_DB_FLUSH       innodb_flush_log_at_trx_commit (default 1: every commit reaches the disk;
#                       the tests use 2)
# ORVENA_DB_BUFFER_POOL innodb_buffer_pool_size (default 64M, plenty for a small business; the
#                       register benchmarks over hundreds of thousands of invoices use 1G)
# Native asynchronous I/O (io_uring) is off: several private servers of one unprivileged account
# would share that account's locked-memory allowance, which a small database does not need.
# The server listens on its socket only (no TCP) and never runs as root: as the invoking user, or,
# when started by root, as the unprivileged system user orvena-db, which this script creates. Its
# folder is open to that user only; the database's root account logs in through the operating
# system account (unix_socket), never with a password.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${ORVENA_DB_DIR:-$top/var}
data=$dir/data
sock=$dir/mysqld.sock
pidf=$dir/mysqld.pid
lcase=${ORVENA_DB_LOWER_CASE:-1}
log=$dir/mysqld.log
exportdir=${ORVENA_DB_EXPORT_DIR:-$dir/export}
flush=${ORVENA_DB_FLUSH:-1}
pool=${ORVENA_DB_BUFFER_POOL:-64M}

# The account the server runs as, and how to run a command as it.
if [ "$(id -u)" -eq 0 ]; then
    dbuser=orvena-db
    as_db() { runuser -u "$dbuser" -- "$@"; }
else
    dbuser=$(id -un)
    as_db() { "$@"; }
fi

ensure_user() {
    [ "$(id -u)" -eq 0 ] || return 0
    id -u "$dbuser" >/dev/null 2>&1 && return 0
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
        --user-group "$dbuser" 2>/dev/null || adduser --system --group --no-create-home "$dbuser" >/dev/null
}

find_bin() {
    for b in "$@"; do
        if command -v "$b" >/dev/null 2>&1; then command -v "$b"; return 0; fi
        for d in /usr/sbin /usr/bin /usr/local/bin; do
            [ -x "$d/$b" ] && { echo "$d/$b"; return 0; }
        done
    done
    echo "db.sh: none of $* found (install mariadb-server)" >&2
    return 1
}

running() { [ -f "$pidf" ] && kill -0 "$(cat "$pidf")" 2>/dev/null; }

start() {
    if running; then echo "db.sh: already running, socket $sock"; return 0; fi
    ensure_user
    # the server's temporary tables live in its own folder: a cleaner of the shared /tmp can
    # never pull a table away from under a running statement
    mkdir -p "$dir" "$exportdir" "$dir/tmp"
    if [ "$(id -u)" -eq 0 ]; then
        chown "$dbuser:$dbuser" "$dir" "$dir/tmp"
        [ -d "$data" ] && chown -R "$dbuser:$dbuser" "$data"
        # the export folder: the server writes, the operator reads
        [ "$exportdir" = "$dir/export" ] && chown "$dbuser:$dbuser" "$exportdir" && chmod 0755 "$exportdir"
    fi
    chmod 0700 "$dir"
    if [ ! -d "$data/mysql" ]; then
        # root logs in through the operating-system account only (unix_socket); when a normal
        # user runs this, that user is the database's administrator the same way
        as_db "$(find_bin mariadb-install-db mysql_install_db)" --no-defaults \
            --auth-root-authentication-method=socket --auth-root-socket-user="$(id -un)" --skip-test-db \
            --datadir="$data" --user="$dbuser" --lower-case-table-names="$lcase" >"$dir/install.log" 2>&1 \
            || { cat "$dir/install.log" >&2; exit 1; }
    fi
    rm -f "$sock"
    touch "$log" && { [ "$(id -u)" -ne 0 ] || chown "$dbuser:$dbuser" "$log"; }
    as_db "$(find_bin mariadbd mysqld)" --no-defaults --skip-networking \
        --datadir="$data" --socket="$sock" --pid-file="$pidf" --log-error="$log" \
        --lower-case-table-names="$lcase" --innodb-log-file-size=8M --innodb-buffer-pool-size="$pool" \
        --innodb-flush-log-at-trx-commit="$flush" --innodb-use-native-aio=0 --character-set-server=latin2 \
        --collation-server=latin2_hungarian_ci --secure-file-priv="$exportdir" --tmpdir="$dir/tmp" >/dev/null 2>&1 &
    for _ in $(seq 1 300); do
        if [ -S "$sock" ] && running; then
            echo "db.sh: started, socket $sock"; return 0
        fi
        sleep 0.05
    done
    echo "db.sh: the server did not start; its log:" >&2
    tail -n 30 "$log" >&2 || true
    exit 1
}

stop() {
    if running; then
        local pid; pid=$(cat "$pidf")
        kill "$pid"
        for _ in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$pidf"
    echo "db.sh: stopped"
}

case "${1:-}" in
    start) start ;;
    stop) stop ;;
    status) if running; then echo "running, socket $sock"; else echo "stopped"; exit 3; fi ;;
    socket) echo "$sock" ;;
    *) echo "usage: $0 start|stop|status|socket" >&2; exit 2 ;;
esac
