#!/usr/bin/env bash
# Runs every test stage and ends with one line "N passed, N failed", counting
# single test cases over all stages:
#   native    g++ build, all CTest tests (unit tests, tool tests, sample check)
#   sanitize  the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   win32     the cross build under Wine: unit tests as .exe, end-to-end tests
#   fuzz      the fuzz targets' CTest tests, each fuzzing for a fixed time
#             (skipped while fuzz/ has no CMakeLists.txt)
# The exit status is non-zero when a test failed or a stage could not run.
# Benchmarks are not run here: scripts/bench.sh.
#
# Environment: SONRIK_BUILD_ROOT (default build/), SONRIK_FUZZ_SECONDS (30 per
# fuzz target).
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

FUZZ_SECONDS="${SONRIK_FUZZ_SECONDS:-30}"

total_passed=0
total_failed=0
broken=0
summary=()

# Results of the stage that just ran.
passed=0 failed=0 skipped=0 note=""

# ctest_stage DIR: runs ctest in DIR and sets passed/failed/skipped from its
# summary. One-program Wine tests (NAME writing NAME.xml) are counted by the
# cases in their GoogleTest report instead of as one test each.
ctest_stage() {
    local dir="$1" log="$1/ctest.log"
    find "$dir" -path "$dir/wineprefix" -prune -o -name 'wine_*.xml' -exec rm -f {} +
    ctest --test-dir "$dir" -j "$JOBS" --output-on-failure 2>&1 | tee "$log"

    local line
    line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)"
    if [[ "$line" =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        failed="${BASH_REMATCH[1]}"
        skipped="$(grep -cE '^\s+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log")"
        passed=$((BASH_REMATCH[2] - failed - skipped))
    else
        note="ctest gave no summary"
        return 1
    fi

    local xml name counts case_passed case_failed case_skipped
    while IFS= read -r xml; do
        name="$(basename "$xml" .xml)"
        counts="$(gtest_counts "$xml")" || continue
        read -r case_passed case_failed case_skipped <<<"$counts"
        echo "$name: $case_passed passed, $case_failed failed, $case_skipped skipped (GoogleTest cases under Wine)"
        # Replace the one CTest result by the cases; a program that failed
        # with every case passing (a crash at exit, say) still counts as failed.
        if grep -qE "^\s+[0-9]+ - $name \(" "$log"; then
            failed=$((failed - 1))
            ((case_failed > 0)) || case_failed=1
        else
            passed=$((passed - 1))
        fi
        passed=$((passed + case_passed))
        failed=$((failed + case_failed))
        skipped=$((skipped + case_skipped))
    done < <(find "$dir" -path "$dir/wineprefix" -prune -o -name 'wine_*.xml' -print | sort)
    return 0
}

# gtest_counts XML: prints "passed failed skipped" and lists failed cases on stderr.
gtest_counts() {
    python3 - "$1" <<'EOF'
import sys
import xml.etree.ElementTree as ET
try:
    root = ET.parse(sys.argv[1]).getroot()
except (OSError, ET.ParseError) as error:
    sys.exit(f"cannot read {sys.argv[1]}: {error}")
passed = failed = skipped = 0
for case in root.iter("testcase"):
    name = f"{case.get('classname')}.{case.get('name')}"
    if case.find("failure") is not None or case.find("error") is not None:
        failed += 1
        print(f"  FAILED {name}", file=sys.stderr)
    elif case.get("result") == "skipped" or case.get("status") == "notrun" or case.find("skipped") is not None:
        skipped += 1
    else:
        passed += 1
print(passed, failed, skipped)
EOF
}

stage_native() {
    local dir="$BUILD_ROOT/native"
    configure "$dir" && build "$dir" || { note="build failed"; return 1; }
    ctest_stage "$dir"
}

stage_sanitize() {
    local dir="$BUILD_ROOT/sanitize"
    configure "$dir" -DSONRIK_SANITIZE=ON && build "$dir" || { note="build failed"; return 1; }
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="print_stacktrace=1" ctest_stage "$dir"
}

stage_win32() {
    local dir="$BUILD_ROOT/win32"
    configure "$dir" "${cross_args[@]}" && build "$dir" || { note="build failed"; return 1; }
    # A display for the programs that open windows. Wine's server for this
    # prefix is stopped afterwards, so nothing we started outlives the run.
    start_display || { note="no display"; return 1; }
    local result=0
    ctest_stage "$dir" || result=$?
    stop_wine "$dir"
    stop_display
    return "$result"
}

stage_fuzz() {
    if [[ ! -f "$REPO/fuzz/CMakeLists.txt" ]]; then
        note="skipped: fuzz/ has no CMakeLists.txt yet"
        echo "$note"
        return 0
    fi
    local dir="$BUILD_ROOT/fuzz"
    configure "$dir" -DCMAKE_CXX_COMPILER=clang++ \
        -DSONRIK_FUZZ=ON -DSONRIK_FUZZ_SECONDS="$FUZZ_SECONDS" -DBUILD_TESTING=ON || { note="configure failed"; return 1; }
    # Only what fuzz/ needs; the other tests of this tree ran in the stages above.
    local targets=()
    grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt" && targets=(--target fuzz/all)
    build "$dir" "${targets[@]}" || { note="build failed"; return 1; }
    ctest_stage "$dir/fuzz"
}

run_stage() {
    local name="$1" func="$2"
    passed=0 failed=0 skipped=0 note=""
    step "$name"
    local start=$SECONDS ran=1
    "$func" || ran=0
    local seconds=$((SECONDS - start))
    if ((ran == 0)); then
        # A stage that could not run counts as one failure.
        broken=1
        failed=$((failed + 1))
        summary+=("$(printf '%-9s could not run: %s, %d passed, %d failed (%ds)' "$name" "${note:-error}" "$passed" "$failed" "$seconds")")
    elif [[ "$note" == skipped* ]]; then
        summary+=("$(printf '%-9s %s (%ds)' "$name" "$note" "$seconds")")
    else
        summary+=("$(printf '%-9s %d passed, %d failed, %d skipped (%ds)' "$name" "$passed" "$failed" "$skipped" "$seconds")")
    fi
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
}

main() {
    local start=$SECONDS
    step "setup"
    if ! "$REPO/scripts/setup.sh"; then
        broken=1
        summary+=("setup     failed: packages may be missing")
    fi
    run_stage native stage_native
    run_stage sanitize stage_sanitize
    run_stage win32 stage_win32
    run_stage fuzz stage_fuzz

    step "summary ($((SECONDS - start))s)"
    printf '%s\n' "${summary[@]}"
    echo "$total_passed passed, $total_failed failed"
    ((total_failed == 0 && broken == 0))
}

main "$@"
