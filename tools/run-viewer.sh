#!/usr/bin/env bash
# Installs what is needed, builds, starts klvserver with its sample ERP in the background and
# KLVViewer logged on to it; the server stops when the viewer ends.
#
# The viewer logs on with the stored connection "SampleERP" (Mandant 100, user admin, password
# secret). The script creates that connection in the viewer's logon settings when it is not
# there; an existing one is left as the user keeps it, except that its port follows the server
# when the server cannot have its old port. Other connections are never touched.
#
# Without arguments the viewer starts with "-c SampleERP -u admin -p secret"; any arguments
# are handed to the viewer instead (for example "-c SampleERP" to log on in the dialog).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-viewer.sh: no display. Start it in a desktop session (or under xvfb-run)." >&2
    exit 1
fi

./tools/install-deps.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target klvserver KLVViewer klvconnection

CONNECTION=SampleERP
# The stored connection goes through the logon component's own store (bin/klvconnection).
stored_port() {
    "$BUILD/bin/klvconnection" port "$CONNECTION" || true
}
store_connection() {
    "$BUILD/bin/klvconnection" ensure "$CONNECTION" 127.0.0.1 "$1" 100 admin
}

# Starts the server on the given port (0: a free one); PORT is the port it listens on.
SERVER_PID=""
SERVER_LOG=$(mktemp)
cleanup() {
    if [ -n "$SERVER_PID" ]; then
        kill "$SERVER_PID" 2>/dev/null || true
        wait "$SERVER_PID" 2>/dev/null || true
    fi
    rm -f "$SERVER_LOG"
}
trap cleanup EXIT

start_server() {
    PORT=""
    : >"$SERVER_LOG"
    "$BUILD/bin/klvserver" --port "$1" >"$SERVER_LOG" 2>&1 &
    SERVER_PID=$!
    for _ in $(seq 1 200); do
        PORT=$(sed -n 's/^klvserver listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$SERVER_LOG")
        [ -n "$PORT" ] && return 0
        if ! kill -0 "$SERVER_PID" 2>/dev/null; then
            wait "$SERVER_PID" 2>/dev/null || true
            SERVER_PID=""
            return 1
        fi
        sleep 0.05
    done
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    SERVER_PID=""
    return 1
}

OLD_PORT=$(stored_port)
if [ -z "$OLD_PORT" ] || ! start_server "$OLD_PORT"; then
    start_server 0 || { cat "$SERVER_LOG" >&2; exit 1; }
fi
if [ "$PORT" != "$OLD_PORT" ]; then
    store_connection "$PORT"
fi
echo "klvserver (sample ERP) on 127.0.0.1:$PORT; connection \"$CONNECTION\": Mandant 100, user admin, password secret"

if [ $# -eq 0 ]; then
    set -- -c "$CONNECTION" -u admin -p secret
fi
"$BUILD/bin/KLVViewer" "$@"
