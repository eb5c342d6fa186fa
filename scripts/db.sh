#!/usr/bin/env bash
# Private MariaDB server for development, the default run and the tests.
#   scripts/db.sh start|stop|status
# ORVENA_DB_DIR  folder holding data/, the socket and the log (default: var/ in the checkout)
# ORVENA_DB_LOWER_CASE  lower_case_table_names of a new server (default 1: table names are
#                       case-insensitive, as the program's statements need; tests use 0 to check
#                       that the program explains such a server)
# The server listens on its socket only (no TCP).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${ORVENA_DB_DIR:-$top/var}
data=$dir/data
sock=$dir/mysqld.sock
pidf=$dir/mysqld.pid
lcase=${ORVENA_DB_LOWER_CASE:-1}
log=$dir/mysqld.log

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
    mkdir -p "$dir"
    if [ ! -d "$data/mysql" ]; then
        "$(find_bin mariadb-install-db mysql_install_db)" --no-defaults \
            --auth-root-authentication-method=normal --skip-test-db \
            --datadir="$data" --user=root --lower-case-table-names="$lcase" >"$dir/install.log" 2>&1 \
            || { cat "$dir/install.log" >&2; exit 1; }
    fi
    rm -f "$sock"
    "$(find_bin mariadbd mysqld)" --no-defaults --user=root --skip-networking \
        --datadir="$data" --socket="$sock" --pid-file="$pidf" --log-error="$log" \
        --lower-case-table-names="$lcase" --innodb-log-file-size=8M --innodb-buffer-pool-size=64M \
        --innodb-flush-log-at-trx-commit=2 --character-set-server=latin2 \
        --collation-server=latin2_hungarian_ci --secure-file-priv="" >/dev/null 2>&1 &
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
