#!/usr/bin/env bash
# Installs the Debian packages Orvane needs to build, test and benchmark, and the locales
# the tests use. Safe to run again; does nothing that needs a network beyond apt.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    libcups2-dev libplist-dev
    clang libclang-rt-14-dev
    locales
    ghostscript cups-client cups-ppdc openprinting-ppds
    time
    qt6-base-dev xvfb xauth
)

# First find out what is missing: someone who has everything needs no root at all.
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Locales the tests switch to: a comma decimal separator and a Japanese one.
need_locales=()
for l in de_DE.UTF-8 ja_JP.UTF-8 en_US.UTF-8; do
    locale -a 2>/dev/null | grep -qi "^${l%%.*}\.utf-\?8$" || need_locales+=("$l")
done
if [ "${#missing[@]}" -eq 0 ] && [ "${#need_locales[@]}" -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        echo "install-deps: installing ${missing[*]:-}${need_locales[*]:+ locales ${need_locales[*]}} (needs sudo)" >&2
        sudo_cmd=(sudo)
    else
        echo "install-deps: not root and no sudo; as root, install the packages" \
            "${missing[*]:-(none)} and generate the locales ${need_locales[*]:-(none)}" >&2
        exit 1
    fi
fi

if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ "${#need_locales[@]}" -gt 0 ]; then
    for l in "${need_locales[@]}"; do
        "${sudo_cmd[@]}" sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
        grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    done
    "${sudo_cmd[@]}" locale-gen >/dev/null
fi
