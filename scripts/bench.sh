#!/usr/bin/env bash
# Builds the benchmarks in Release and runs every benchmark program.
#   scripts/bench.sh [BENCHMARK OPTIONS...]   e.g. --benchmark_filter=Load
# The options go to each program (Google Benchmark's --benchmark_* flags).
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

mapfile -t programs < <(find "$dir/bench" -path '*/CMakeFiles' -prune -o -type f -perm -u+x -print | sort)
if ((${#programs[@]} == 0)); then
    echo "bench.sh: no benchmark programs were built" >&2
    exit 1
fi
for program in "${programs[@]}"; do
    step "$(basename "$program")"
    "$program" "$@"
done
