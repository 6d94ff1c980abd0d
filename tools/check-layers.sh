#!/usr/bin/env bash
# The viewer's foundation (winsrc/viewer/core) makes no windows: no file in it may include a
# header of the window folders (shell, query, export, info). Prints each such include and
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
viewer=winsrc/viewer
windows=(shell query export info)

# The headers of the window folders, by file name (the include path finds them so).
declare -A windowHeader=()
for folder in "${windows[@]}"; do
    [ -d "$viewer/$folder" ] || continue
    while IFS= read -r header; do
        windowHeader["$(basename "$header")"]=$folder
    done < <(find "$viewer/$folder" -name '*.h')
done

faults=0
while IFS= read -r file; do
    while IFS= read -r line; do
        number=${line%%:*}
        name=$(sed -E 's/^[^"<]*["<]([^">]+)[">].*$/\1/' <<<"${line#*:}")
        folder=""
        for w in "${windows[@]}"; do
            case "$name" in */"$w"/* | "$w"/* | ../"$w"/*) folder=$w ;; esac
        done
        [ -n "$folder" ] || folder=${windowHeader[$(basename "$name")]:-}
        if [ -n "$folder" ]; then
            echo "$file:$number: includes $name of $viewer/$folder"
            faults=$((faults + 1))
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' "$file" || true)
done < <(find "$viewer/core" -name '*.h' -o -name '*.cpp' | sort)

if [ "$faults" -gt 0 ]; then
    echo "$faults include(s) of window headers in $viewer/core" >&2
    exit 1
fi
echo "layers: $viewer/core includes no window header"
