#!/usr/bin/env bash
# Each layer includes only what lies below it:
#   the viewer, bottom up:   core <- widgets <- query, info, export <- shell
#   winsrc/viewer/core       (the viewer's foundation)        includes no header of any folder above it
#   winsrc/viewer/widgets    (the kit every window is made of) includes nothing of the windows
#   winsrc/viewer/query, info                                 include nothing of each other or of shell,
#                                                             and of export only its entry (EXPORT_ENTRY)
#   winsrc/viewer/export                                      includes nothing of query, info or shell,
#                                                             and its work code shows nothing
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
# The headers of export/ that the windows may include to start an export.
EXPORT_ENTRY="ExportRequest.h"
# Includes against the layers that are still to be taken out, as folder:header.
KNOWN=""

# layer <folder> <folders above it>: folder includes no header of those folders.
layer() {
    local folder=$1
    shift
    local above names name
    for above in "$@"; do
        names=()
        for name in $(headers_of "$VIEWER/$above"); do
            [ "$above" = export ] && [[ " $EXPORT_ENTRY " == *" $name "* ]] && [ "$folder" != core ] &&
                [ "$folder" != widgets ] && continue
            [[ " $KNOWN " == *" $folder:$name "* ]] && continue
            names+=("$name")
        done
        check "$VIEWER/$folder" "$VIEWER/$folder includes $VIEWER/$above" "${names[@]}"
    done
}
layer core widgets shell query export info
layer widgets shell query export info
layer query shell info export
layer info shell query export
layer export shell query info

# The export's work code (writers, engine, row sources, temporary files) shows nothing: its
# questions go to a prompt and its checks and failures are values, which the dialog's files
# show: the dialog, its pages and choosers, the running export, the progress window.
EXPORT_WINDOWS="ExportDialog ExportProgressDialog ExportRun ExportRequest ExportChoosers ExportOptionsPage ExportFormatRegistry"
for file in "$VIEWER"/export/*.h "$VIEWER"/export/*.cpp; do
    stem=$(basename "${file%.*}")
    [[ " $EXPORT_WINDOWS " == *" $stem "* || $stem == *Page ]] && continue
    hits=$(grep -n -E 'ShowMessageBox|QMessageBox|QFileDialog|QColorDialog|#[[:space:]]*include[[:space:]]*<QDialog>' "$file")
    if [ -n "$hits" ]; then
        echo "$hits" | sed "s|^|$file:|; s|\$|   <- export work code shows a dialog|"
        status=1
    fi
done
exit $status
