#!/usr/bin/env bash
# Installs what building and testing Sonrik needs on Debian 12, and nothing
# when it is all there already (then it only asks dpkg and takes a moment).
# Runs without questions; needs root, or sudo.
set -euo pipefail

# Native build and tests, the cross build for 32-bit Windows, Wine to run its
# output, the 64-bit cross compiler for the test programs on machines that run
# no 32-bit programs, a display server and screenshots for the window tests,
# libFuzzer, mediainfo as an independent reader of the sample MP3, and
# TagLib and mutagen, which write and read the ID3v2 reader's test files.
# sonrik-tag's command line and JSON come from two header-only libraries,
# which the cross builds take from /usr/include as well.
packages=(
    cmake g++ make ninja-build python3
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
    wine wine32:i386 wine64
    xvfb xauth imagemagick
    clang libclang-rt-14-dev
    mediainfo libtag1-dev python3-mutagen
    dpkg-dev man-db groff-base
)

log() { echo "setup: $*"; }

as_root() {
    if ((EUID == 0)); then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        log "need root (or sudo) to run: $*" >&2
        exit 1
    fi
}

missing_packages() {
    # Installed packages show status "ii"; a package name alone matches any
    # architecture, name:arch only that one.
    declare -A installed=()
    local name arch status
    while read -r name arch status; do
        if [[ "$status" == ii* ]]; then
            installed["$name"]=1
            installed["$name:$arch"]=1
        fi
    done < <(dpkg-query -W -f='${Package} ${Architecture} ${db:Status-Abbrev}\n' \
                 "${packages[@]}" 2>/dev/null || true)
    local package
    for package in "${packages[@]}"; do
        [[ -n "${installed[$package]:-}" ]] || echo "$package"
    done
}

main() {
    if ! command -v dpkg-query >/dev/null; then
        log "this script is for Debian 12 (dpkg and apt-get); install the packages by hand:" >&2
        log "  ${packages[*]}" >&2
        exit 1
    fi

    mapfile -t missing < <(missing_packages)
    if ((${#missing[@]} == 0)); then
        log "all ${#packages[@]} packages present"
        return
    fi
    log "installing: ${missing[*]}"

    # wine32 is an i386 package.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -q </dev/null
    as_root apt-get install -y -q --no-install-recommends -o Dpkg::Use-Pty=0 "${missing[@]}" </dev/null

    mapfile -t still_missing < <(missing_packages)
    if ((${#still_missing[@]})); then
        log "still missing after install: ${still_missing[*]}" >&2
        exit 1
    fi
    log "done"
}

main "$@"
