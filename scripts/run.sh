#!/usr/bin/env bash
# Installs what Orvena needs, builds it (Release), starts the private MariaDB server under var/
# (created with demo data on first use) and opens Orvena in its working folder run/.
# With ORVENA_DB_HOST / ORVENA_DB_SOCKET / ORVENA_DB_PORT set, that server is used and none started.
# Extra arguments go to orvena (for example: --invoice 20260001 --pdf szamla.pdf).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/deps.sh

build=${ORVENA_BUILD_DIR:-$top/build-release}
export CCACHE_DIR=${CCACHE_DIR:-$top/.ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVENA_BUILD_TESTS=OFF "${launcher[@]}"
fi
cmake --build "$build" -j "$(nproc)"

if [ -z "${ORVENA_DB_HOST:-}${ORVENA_DB_SOCKET:-}${ORVENA_DB_PORT:-}" ]; then
    export ORVENA_DB_DIR=$top/var
    bash scripts/db.sh start
    export ORVENA_DB_SOCKET=$top/var/mysqld.sock
    # first use: the database, its account with a generated password (kept in the program's
    # configuration file, readable by this user only), the tables and the demo data
    conf=${XDG_CONFIG_HOME:-$HOME/.config}/orvena/orvena.conf
    if [ ! -f "$top/var/.orvena-setup-done" ] || [ ! -f "$conf" ]; then
        password=$(head -c 18 /dev/urandom | base64 | tr '+/' '._')
        mkdir -p "$(dirname "$conf")"
        (umask 077; cat >"$conf" <<EOC
[database]
socket=$top/var/mysqld.sock
name=orvena2010
user=orvena2010
password=$password
EOC
)
        chmod 600 "$conf"
        ORVENA_ADMIN_USER=$(id -un) ORVENA_DB_PASSWORD=$password "$build/src/orvena-setup" --demo
        touch "$top/var/.orvena-setup-done"
    fi
fi

# The working folder holds the report templates and the function-key texts; the operator's own
# litania.txt is never overwritten.
work=$top/run
mkdir -p "$work"
for f in "$top"/templates/*; do
    name=$(basename "$f")
    [ "$name" = litania.txt ] && [ -f "$work/$name" ] && continue
    cp -f "$f" "$work/$name"
done
cd "$work"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ] && [ $# -eq 0 ]; then
    echo "run.sh: no display; starting under xvfb-run" >&2
    exec xvfb-run -a "$build/src/orvena" "$@"
fi
exec "$build/src/orvena" "$@"
