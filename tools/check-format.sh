#!/usr/bin/env bash
# Every C++ file of the repository is formatted as .clang-format says (clang-format 14). Prints
# the files that drift and fails when there is one; "--fix" formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
FORMAT=${CLANG_FORMAT:-clang-format-14}
if ! command -v "$FORMAT" >/dev/null; then
    echo "check-format: $FORMAT is missing (tools/install-deps.sh installs it)" >&2
    exit 2
fi

drift=()
while IFS= read -r -d '' file; do
    if ! "$FORMAT" --dry-run -Werror "$file" >/dev/null 2>&1; then
        drift+=("$file")
    fi
done < <(git ls-files -z -- '*.h' '*.cpp')

if ((${#drift[@]} == 0)); then
    echo "format: every checked file follows .clang-format"
    exit 0
fi
if [ "${1:-}" = "--fix" ]; then
    "$FORMAT" -i "${drift[@]}"
    printf 'formatted %s\n' "${drift[@]}"
    exit 0
fi
printf '%s: not formatted (tools/check-format.sh --fix)\n' "${drift[@]}" >&2
exit 1
