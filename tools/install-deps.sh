#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
set -euo pipefail
# libxlsxwriter's pkg-config file links zlib itself (-lz), which its package does not bring.
# iptables lets the dead-peer tests drop a server's packets (they run as root in CI).
# The database export's tests start a PostgreSQL server of their own and reach it through
# Debian's ODBC driver; psycopg2 reads what arrived.
# The program opens its help pages and files with xdg-open (xdg-utils).
# Qt's own texts (dialog buttons) follow the program's language through Qt's translations.
PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc qt6-translations-l10n
    unixodbc unixodbc-dev libsqliteodbc libsqlite3-dev libxlsxwriter-dev zlib1g-dev libzip-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format-14
    xvfb xauth python3 python3-openpyxl libxml2-utils sqlite3
    iptables xdg-utils
    postgresql odbc-postgresql python3-psycopg2
)
missing=()
for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
