#!/usr/bin/env bash
# Builds the benchmarks in Release and runs every benchmark program, then
# builds Sonrik.dll and sonrik-host.exe in Release (cross build) and times
# the list editor in a real window under Wine (bench/listedit_wine.py).
#   scripts/bench.sh [BENCHMARK OPTIONS...]   e.g. --benchmark_filter=Load
# The options go to each program (Google Benchmark's --benchmark_* flags).
# The exit status is non-zero when the list editor misses a goal or cannot
# be run under Wine.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [[ ! -f "$REPO/bench/CMakeLists.txt" ]]; then
    echo "bench.sh: bench/ has no CMakeLists.txt yet, nothing to run" >&2
    exit 1
fi

dir="$BUILD_ROOT/bench"
step "setup"
"$REPO/scripts/setup.sh"
step "Release build with the benchmarks"
configure "$dir" -DCMAKE_BUILD_TYPE=Release -DSONRIK_BENCH=ON -DBUILD_TESTING=OFF
build "$dir"

mapfile -t programs < <(find "$dir/bench" -path '*/CMakeFiles' -prune -o -type f -perm -u+x -name 'sonrik_bench_*' -print | sort)
if ((${#programs[@]} == 0)); then
    echo "bench.sh: no benchmark programs were built" >&2
    exit 1
fi
for program in "${programs[@]}"; do
    step "$(basename "$program")"
    "$program" "$@"
done

# The list editor through the real Sonrik.dll, on 1,000 and 10,000 songs.
# Where the machine runs no 32-bit programs, the 64-bit test build stands in.
pick_wine_build
cross="$BUILD_ROOT/bench-$wine_arch"
step "Release cross build of Sonrik.dll and sonrik-host.exe ($wine_arch)"
configure "$cross" "${wine_cross_args[@]}" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
build "$cross" --target Sonrik sonrik-host
step "list editor under Wine ($wine_arch)"
if ! "$REPO/scripts/wine-run" --arch "$wine_arch" --prefix "$cross/wineprefix" --init; then
    echo "bench.sh: Wine cannot run the $wine_arch programs here, so the list editor was not timed" >&2
    exit 1
fi
start_display
trap 'stop_wine "$cross"; stop_display' EXIT
python3 "$REPO/bench/listedit_wine.py" --bin "$cross/bin" --work "$cross/listedit-songs" -- \
    "$REPO/scripts/wine-run" --arch "$wine_arch" --prefix "$cross/wineprefix"
