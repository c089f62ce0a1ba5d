# shellcheck shell=bash
# Shared by main-job.sh, test.sh and bench.sh (sourced, not run).
#
# Build trees live under $SONRIK_BUILD_ROOT (default: build/ in the repository):
#   native/    g++, the everyday build
#   sanitize/  g++ with AddressSanitizer and UndefinedBehaviorSanitizer
#   win32/     MinGW-w64 cross build for 32-bit Windows; runs under Wine
#   fuzz/      clang with libFuzzer
#   bench/     Release build with the benchmarks

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_ROOT="${SONRIK_BUILD_ROOT:-$REPO/build}"
case "$BUILD_ROOT" in /*) ;; *) BUILD_ROOT="$PWD/$BUILD_ROOT" ;; esac
JOBS=2

step() { printf '\n== %s\n' "$*"; }

# configure DIR [CMAKE ARGS...]: the generator is chosen only for a new tree.
configure() {
    local dir="$1"; shift
    local generator=()
    if [[ ! -f "$dir/CMakeCache.txt" ]] && command -v ninja >/dev/null; then
        generator=(-G Ninja)
    fi
    cmake -S "$REPO" -B "$dir" "${generator[@]}" "$@"
}

# build DIR [--target T...]
build() {
    local dir="$1"; shift
    cmake --build "$dir" -j "$JOBS" "$@"
}

# shellcheck disable=SC2034  # used by the scripts that source this file
cross_args=(-DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-i686.cmake")
# shellcheck disable=SC2034
cross64_args=(-DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-x86_64.cmake")

# Whether this machine runs 32-bit programs: some kernels run none, and then
# neither does Wine's 32-bit loader, which the plug-in's own tests need.
runs_32bit_programs() {
    local loader=/usr/lib/wine/wine
    [[ -x "$loader" ]] || loader="$(command -v wine || true)"
    [[ -n "$loader" ]] && "$loader" --version >/dev/null 2>&1
}

# The Windows build this machine can run under Wine: the 32-bit one, or where
# no 32-bit program runs, the 64-bit test build. Sets wine_arch (win32 or
# win64) and wine_cross_args (the toolchain arguments for configure).
pick_wine_build() {
    if runs_32bit_programs; then
        wine_arch=win32
        wine_cross_args=("${cross_args[@]}")
    else
        wine_arch=win64
        wine_cross_args=("${cross64_args[@]}")
    fi
}

# Stops the Wine server of a build tree's prefix (started by our own runs).
stop_wine() {
    local prefix="$1/wineprefix"
    if [[ -d "$prefix" ]]; then
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    fi
}

# A virtual display for programs that open windows, unless one is set already.
# Xvfb picks a free display number itself (-displayfd).
XVFB_PID=""
start_display() {
    [[ -n "${DISPLAY:-}" ]] && return 0
    local number_file
    number_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" 2>/dev/null &
    XVFB_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do
        if [[ -s "$number_file" ]]; then
            DISPLAY=":$(head -n 1 "$number_file")"
            export DISPLAY
            rm -f "$number_file"
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$number_file"
    echo "cannot start Xvfb" >&2
    stop_display
    return 1
}

stop_display() {
    if [[ -n "$XVFB_PID" ]]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
        unset DISPLAY
    fi
}
