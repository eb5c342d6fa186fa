#!/usr/bin/env bash
# Builds Orvena with its tests, starts a private MariaDB server in a temporary folder, runs every
# test (offscreen Qt), then runs them again in an AddressSanitizer + UBSan build. The server is
# stopped whatever happens; the exit status is the tests'.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/deps.sh

build=${ORVENA_BUILD_DIR:-$top/build-test}
jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$top/.ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

dbdir=$(mktemp -d /tmp/orvena-testdb.XXXXXX)
cleanup() {
    if [ "${status:-0}" != 0 ] && [ -f "$dbdir/mysqld.log" ]; then
        echo "== the end of the test server's log"
        tail -n 40 "$dbdir/mysqld.log" || true
    fi
    ORVENA_DB_DIR=$dbdir bash "$top/scripts/db.sh" stop >/dev/null 2>&1 || true
    rm -rf "$dbdir"
}
trap cleanup EXIT INT TERM
# the tests trade the commit's disk flush for speed; a crash of the test server loses nothing of value
ORVENA_DB_DIR=$dbdir ORVENA_DB_FLUSH=2 bash scripts/db.sh start

export ORVENA_DB_SOCKET=$dbdir/mysqld.sock
export ORVENA_DB_HOST=localhost
export ORVENA_DB_USER=$(id -un) # the server's administrator logs in as the operating-system account
export ORVENA_ADMIN_USER=$(id -un)
export QT_QPA_PLATFORM=offscreen
# the operator's own configuration file never steers the tests
export ORVENA_CONFIG=$dbdir/no-such-orvena.conf

status=0
echo "== build and test"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
(cd "$build" && ctest --output-on-failure -j "$jobs") || status=$?

if [ "${ORVENA_SKIP_SANITIZERS:-0}" != 1 ]; then
    echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
    export LSAN_OPTIONS=suppressions=$top/tests/support/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    cmake -S . -B "$build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVENA_SANITIZE=ON -DORVENA_BUILD_BENCH=OFF \
        "${launcher[@]}" >/dev/null
    cmake --build "$build-asan" -j "$jobs"
    (cd "$build-asan" && ctest --output-on-failure -j "$jobs") || status=$?
fi
exit $status
