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

# The pid file is written by the server account: its content is only ever signalled as that
# account, so a forged number cannot make root stop another process.
running() { [ -f "$pidf" ] && [ ! -L "$pidf" ] && as_db kill -0 "$(cat "$pidf")" 2>/dev/null; }

refuse() { echo "db.sh: $*" >&2; exit 1; }

# The numeric owner and permission bits of a path itself (not of what a link points to).
owner_of() { stat -c %u -- "$1"; }
mode_of() { stat -c %a -- "$1"; }

# A folder may hold the server only when nobody else can plant or replace anything in it: run as
# root over a folder another user controls, a planted link would have root chown its target to
# the server account or point secure_file_priv at it. So the folder (when it exists) must be
# owned by root, the invoking user or the server account, writable by nobody else, hold no
# symbolic links, and sit in a parent others cannot rename it in (unless the parent is sticky).
check_folder() {
    local f=$1 allowed uid mode parent pmode
    allowed=" 0 $(id -u) ${SUDO_UID:-} $(id -u "$dbuser" 2>/dev/null || true) "
    parent=$(dirname -- "$f")
    if [ -d "$parent" ] && [ ! -L "$parent" ]; then
        pmode=$(mode_of "$parent")
        if [ $((8#$pmode & 8#1000)) -eq 0 ] && [ $((8#$pmode & 8#022)) -ne 0 ]; then
            refuse "the folder $parent is writable by other users; refusing to keep the server's files in it"
        fi
    fi
    [ -e "$f" ] || [ -L "$f" ] || return 0
    [ -L "$f" ] && refuse "$f is a symbolic link; refusing to use it as the server's folder"
    [ -d "$f" ] || refuse "$f is not a folder"
    uid=$(owner_of "$f")
    [[ "$allowed" == *" $uid "* ]] || refuse "$f belongs to another user (uid $uid); refusing to use it"
    mode=$(mode_of "$f")
    [ $((8#$mode & 8#022)) -eq 0 ] || refuse "$f is writable by other users (mode $mode); refusing to use it"
    local link
    link=$(find "$f" -type l -print -quit 2>/dev/null || true)
    [ -z "$link" ] || refuse "$link is a symbolic link; the server's folder must hold none"
}

start() {
    if running; then echo "db.sh: already running, socket $sock"; return 0; fi
    ensure_user
    check_folder "$dir"
    [ "$exportdir" = "$dir/export" ] || check_folder "$exportdir"
    if [ ! -d "$dir" ]; then
        mkdir -p -- "$(dirname -- "$dir")"
        mkdir -m 0700 -- "$dir"
    fi
    chmod 0700 -- "$dir"
    if [ "$(id -u)" -eq 0 ]; then
        # -h: a link is never followed (none is there, as checked above)
        chown -h "$dbuser:$dbuser" "$dir"
        [ -d "$data" ] && chown -hR "$dbuser:$dbuser" "$data"
    fi
    # Everything inside is made by the server account itself, so nothing is created or chowned
    # by root through a link. The server's temporary tables live in its own folder: a cleaner of
    # the shared /tmp can never pull a table away from under a running statement.
    as_db mkdir -p -- "$dir/tmp"
    if [ "$exportdir" = "$dir/export" ]; then
        # the export folder: the server writes, the operator reads
        as_db mkdir -p -- "$exportdir"
        as_db chmod 0755 -- "$exportdir"
    else
        mkdir -p -- "$exportdir"
    fi
    if [ ! -d "$data/mysql" ]; then
        # root logs in through the operating-system account only (unix_socket); when a normal
        # user runs this, that user is the database's administrator the same way
        local said
        said=$(as_db "$(find_bin mariadb-install-db mysql_install_db)" --no-defaults \
            --auth-root-authentication-method=socket --auth-root-socket-user="$(id -un)" --skip-test-db \
            --datadir="$data" --user="$dbuser" --lower-case-table-names="$lcase" 2>&1) \
            || { echo "$said" >&2; exit 1; }
    fi
    rm -f -- "$sock"
    as_db touch -- "$log"
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
        as_db kill "$pid"
        for _ in $(seq 1 200); do as_db kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
        as_db kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f -- "$pidf"
    echo "db.sh: stopped"
}

case "${1:-}" in
    start) start ;;
    stop) stop ;;
    status) if running; then echo "running, socket $sock"; else echo "stopped"; exit 3; fi ;;
    socket) echo "$sock" ;;
    *) echo "usage: $0 start|stop|status|socket" >&2; exit 2 ;;
esac
