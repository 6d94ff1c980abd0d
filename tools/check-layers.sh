#!/usr/bin/env bash
# Each layer includes only what lies below it:
#   winsrc/viewer/core       (the viewer's foundation)        includes no header of the window folders
#                                                             (shell, query, export, info)
#   winsrc/KLV-API/protocol  (transport, requests, answers)   includes nothing of objects/ or trace/
#   winsrc/KLV-API/objects   (queries, editors, the factory)  includes nothing of trace/
#   winsrc/KLV-API/protocol and objects use no widgets: the library runs without them.
# Prints every include that breaks this and fails; silent when all is in order.
set -uo pipefail
cd "$(dirname "$0")/.."
status=0

headers_of() { (cd "$1" && ls *.h 2>/dev/null); }

# check <folder> <what> <header names...>: no file of folder includes one of the headers.
check() {
    local folder=$1 what=$2
    shift 2
    local name
    for name in "$@"; do
        local hits
        hits=$(grep -n -E "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]([^\">]*/)?${name//./\\.}[\">]" \
            "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
        if [ -n "$hits" ]; then
            echo "$hits" | sed "s|\$|   <- $what|"
            status=1
        fi
    done
}

API=winsrc/KLV-API
check "$API/protocol" "protocol includes the objects layer" $(headers_of "$API/objects")
check "$API/protocol" "protocol includes the trace window" $(headers_of "$API/trace")
check "$API/objects" "objects include the trace window" $(headers_of "$API/trace")
for folder in "$API/protocol" "$API/objects"; do
    hits=$(grep -n -E '#[[:space:]]*include[[:space:]]*<(QtWidgets/)?(QApplication|QWidget|QDialog|QMainWindow|QPlainTextEdit|QTextEdit|QtWidgets)>' \
        "$folder"/*.h "$folder"/*.cpp 2>/dev/null)
    if [ -n "$hits" ]; then
        echo "$hits" | sed 's|$|   <- the library core uses widgets|'
        status=1
    fi
done

VIEWER=winsrc/viewer
for windows in shell query export info; do
    check "$VIEWER/core" "the viewer's foundation includes a window of $VIEWER/$windows" $(headers_of "$VIEWER/$windows")
done
exit $status
