#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a newcomer would: a client built
# against the installed package with find_package talks to the installed klvserver, the
# pkg-config files describe the libraries, and the installed viewer finds its message texts.
# Arguments: the build folder, the C++ compiler.
set -euo pipefail
BUILD=$1
CXX_COMPILER=$2
WORK=$(mktemp -d)
SERVER_PID=""
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null

for f in bin/KLVViewer bin/klvserver include/klvapi/KLV.h include/klvutils/KLVLogon.h include/klvapi_trace/KLVTraceWindow.h \
         share/klvviewer/msg_en.txt share/klvviewer/msg_de.txt \
         share/klvviewer/help/klvviewer_en.html share/klvviewer/help/klvviewer_de.html \
         share/applications/klvviewer.desktop share/icons/hicolor/scalable/apps/klvviewer.svg; do
    [ -e "$PREFIX/$f" ] || fail "$f is not installed"
done
LIBDIR=$(dirname "$(find "$PREFIX" -name 'libklvapi.so' | head -n 1)")
[ -n "$LIBDIR" ] || fail "libklvapi.so is not installed"

# pkg-config: the installed files describe the installed tree, wherever it lies.
export PKG_CONFIG_PATH=$LIBDIR/pkgconfig
for lib in klvapi klvapi_trace klvutils; do
    pkg-config --exists --print-errors "$lib" || fail "pkg-config does not know $lib"
    INCLUDE=$(pkg-config --cflags-only-I "$lib" | tr ' ' '\n' | sed -n 's/^-I//p' | head -n 1)
    [ "$(realpath -m "$INCLUDE")" = "$(realpath "$PREFIX")/include/$lib" ] \
        || fail "pkg-config --cflags $lib names $INCLUDE"
done

# A client of the CMake package against the installed server.
cmake -S "$(dirname "$0")/client" -B "$WORK/client" -G Ninja -DCMAKE_CXX_COMPILER="$CXX_COMPILER" \
    -DCMAKE_PREFIX_PATH="$PREFIX" >/dev/null || fail "find_package(KLVApi) did not configure"
cmake --build "$WORK/client" >/dev/null || fail "the client did not build against the installed package"

"$PREFIX/bin/klvserver" --port 0 >"$WORK/server.log" 2>&1 &
SERVER_PID=$!
PORT=""
for _ in $(seq 1 200); do
    PORT=$(sed -n 's/^klvserver listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$WORK/server.log")
    [ -n "$PORT" ] && break
    sleep 0.05
done
[ -n "$PORT" ] || fail "the installed klvserver did not start: $(cat "$WORK/server.log")"
OUT=$("$WORK/client/klvclient" "$PORT") || fail "the client could not log on: $OUT"
echo "$OUT" | grep -q '^Mandant: .' || fail "the client printed: $OUT"
# A client without windows pulls in no widgets through the library.
! ldd "$WORK/client/klvclient" | grep -q 'libQt6Widgets' || fail "the library drags Qt Widgets into a headless client"

# The installed viewer, with nothing of the user's or the system's data folders in sight,
# reads its messages from its own prefix; moved away, it says so.
export XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data XDG_DATA_DIRS=$WORK/nodata
export QT_QPA_PLATFORM=offscreen
run_viewer() {
    local status=0
    timeout 3 "$PREFIX/bin/KLVViewer" -c NoSuchConnection >"$WORK/viewer.out" 2>"$WORK/viewer.err" || status=$?
    echo "$status"
}
STATUS=$(run_viewer)
[ "$STATUS" = 124 ] || fail "the installed viewer ended at start (status $STATUS): $(cat "$WORK/viewer.err")"
! grep -q 'Error reading message file' "$WORK/viewer.err" || fail "the installed viewer found no messages: $(cat "$WORK/viewer.err")"
mv "$PREFIX/share/klvviewer" "$PREFIX/share/klvviewer.away"
run_viewer >/dev/null
grep -q 'Error reading message file' "$WORK/viewer.err" || fail "a viewer without its message files did not say so"
echo "install test passed: prefix, package, pkg-config, client against klvserver on port $PORT, viewer texts"
