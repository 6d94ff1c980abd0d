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
cmake --build "$BUILD" -j "$(nproc)" --target klvserver KLVViewer

CONNECTION=SampleERP
SETTINGS="${XDG_CONFIG_HOME:-$HOME/.config}/KLV/KLVViewer.ini"

# The port the stored connection names, or nothing.
stored_port() {
    [ -f "$SETTINGS" ] || return 0
    python3 - "$SETTINGS" "$CONNECTION" <<'EOF'
import re, sys
path, name = sys.argv[1], sys.argv[2]
section = None
for line in open(path, encoding="utf-8", errors="replace"):
    s = line.strip()
    if s.startswith("[") and s.endswith("]"):
        section = s[1:-1].lower()
    elif section == "conninfos" and "=" in s:
        key, value = s.split("=", 1)
        if key.strip().lower() == name.lower():
            m = re.match(r'^"?[^;]*;(\d+);', value.strip())
            if m:
                print(m.group(1))
            break
EOF
}

# Writes the connection with this port: a new record, or the port of the existing one. The
# settings file keeps every other line as it is.
store_connection() {
    mkdir -p "$(dirname "$SETTINGS")"
    python3 - "$SETTINGS" "$CONNECTION" "$1" <<'EOF'
import os, re, sys
path, name, port = sys.argv[1], sys.argv[2], sys.argv[3]
lines = open(path, encoding="utf-8").read().splitlines() if os.path.exists(path) else []
record = '%s="127.0.0.1;%s;100;1;admin"' % (name, port)
section, start, done = None, None, False
for i, line in enumerate(lines):
    s = line.strip()
    if s.startswith("[") and s.endswith("]"):
        section = s[1:-1].lower()
        if section == "conninfos":
            start = i
    elif section == "conninfos" and "=" in s:
        key, value = s.split("=", 1)
        if key.strip().lower() == name.lower():
            lines[i] = re.sub(r'^(\s*[^=]*=\s*"?[^;]*;)\d*(;.*)$', r'\g<1>%s\g<2>' % port, line)
            done = True
            break
if not done:
    if start is None:
        if lines and lines[-1].strip():
            lines.append("")
        lines += ["[ConnInfos]", record]
    else:
        lines.insert(start + 1, record)
tmp = path + ".tmp"
with open(tmp, "w", encoding="utf-8") as f:
    f.write("\n".join(lines) + "\n")
os.replace(tmp, path)
EOF
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
