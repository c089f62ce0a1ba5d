#!/usr/bin/env bash
# Runs every test stage and ends with one line "N passed, N failed", counting
# single test cases over all stages:
#   native    g++ build, all CTest tests (unit tests, tool tests, sample check)
#   sanitize  the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   win32     the cross build under Wine: unit tests as .exe, end-to-end tests
#             (where no 32-bit program runs: built, and only its tests that
#             need no Wine run, such as the check of what it imports)
#   win64     only where the kernel runs no 32-bit programs (then win32 only
#             builds): the same tree built for 64-bit Windows, under Wine
#   package   scripts/package.sh, then the zip and the .deb checked as a user
#             receives them (tests/package/check_packages.py), each check a case
#   fuzz      the fuzz targets' CTest tests, each fuzzing for a fixed time
#             (skipped while fuzz/ has no CMakeLists.txt)
# The exit status is non-zero when a test failed or a stage could not run.
# Benchmarks are not run here: scripts/bench.sh.
#
# Read-only cases: root writes read-only files regardless, so the GoogleTest
# cases that need an account the permission bits stop skip themselves when
# run as root. Every unit-test case whose name contains "ReadOnly" therefore
# runs once more, natively and under Wine, as a throwaway unprivileged user
# that this script creates and removes again; that run's outcome replaces the
# skip in the counts. Run by anyone but root, the cases ran in the stage itself.
#
# Environment: SONRIK_BUILD_ROOT (default build/), SONRIK_FUZZ_SECONDS (30 per
# fuzz target).
set -uo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

FUZZ_SECONDS="${SONRIK_FUZZ_SECONDS:-30}"
READONLY_FILTER='*ReadOnly*'

total_passed=0
total_failed=0
broken=0
summary=()

# Results of the stage that just ran.
passed=0 failed=0 skipped=0 note=""

# ctest_stage DIR [CTEST ARGS...]: runs ctest in DIR and sets
# passed/failed/skipped from its summary. One-program Wine tests (NAME writing
# NAME.xml) are counted by the cases in their GoogleTest report instead of as
# one test each.
ctest_stage() {
    local dir="$1" log="$1/ctest.log"
    shift
    find "$dir" -path "$dir/wineprefix" -prune -o -name 'wine_*.xml' -exec rm -f {} +
    ctest --test-dir "$dir" -j "$JOBS" --output-on-failure "$@" 2>&1 | tee "$log"

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

# ---- the unprivileged account for the read-only cases ----------------------

TEST_USER=""
TEST_HOME=""

remove_test_user() {
    if [[ -n "$TEST_USER" ]]; then
        userdel "$TEST_USER" 2>/dev/null || true
        TEST_USER=""
    fi
    if [[ -n "$TEST_HOME" ]]; then
        rm -rf "$TEST_HOME"
        TEST_HOME=""
    fi
}

# Creates the account and its home (temporary folder, Wine prefix) once.
ensure_test_user() {
    [[ -n "$TEST_USER" ]] && return 0
    local name="sonrik-ro-$$"
    TEST_HOME="$(mktemp -d /tmp/sonrik-unprivileged.XXXXXX)" || return 1
    trap remove_test_user EXIT
    if ! useradd --system --user-group --no-create-home --home-dir "$TEST_HOME" \
            --shell /usr/sbin/nologin "$name" >/dev/null; then
        echo "cannot create the unprivileged test user" >&2
        return 1
    fi
    TEST_USER="$name"
    chown "$TEST_USER:" "$TEST_HOME"
    chmod 700 "$TEST_HOME"
}

# as_test_user COMMAND...: runs COMMAND as the unprivileged user, in its home.
as_test_user() {
    (cd "$TEST_HOME" && setpriv --reuid="$TEST_USER" --regid="$TEST_USER" --init-groups \
        env HOME="$TEST_HOME" TMPDIR="$TEST_HOME" USER="$TEST_USER" LOGNAME="$TEST_USER" "$@")
}

# readonly_merge ROOT_RESULTS UNPRIVILEGED_XML: prints the changes "passed
# failed skipped" to the stage's counts. ROOT_RESULTS is the stage's ctest log
# (one CTest test per case) or the GoogleTest report of its Wine run. A case
# that passed or failed unprivileged takes that outcome; one that skipped
# there too keeps the stage's.
readonly_merge() {
    python3 - "$1" "$2" <<'EOF'
import re
import sys
import xml.etree.ElementTree as ET

def outcome(case):
    if case.find("failure") is not None or case.find("error") is not None:
        return "failed"
    if case.get("result") == "skipped" or case.get("status") == "notrun" or case.find("skipped") is not None:
        return "skipped"
    return "passed"

def cases(xml):
    return {f"{c.get('classname')}.{c.get('name')}": outcome(c) for c in ET.parse(xml).getroot().iter("testcase")}

root_source, unprivileged = sys.argv[1], sys.argv[2]
if root_source.endswith(".xml"):
    root = cases(root_source)
else:
    root = {}
    pattern = re.compile(r"Test\s+#\d+: (\S+) \.*\s*(\*\*\*)?(Passed|Failed|Skipped|Not Run|Timeout|Exception)")
    for line in open(root_source, errors="replace"):
        m = pattern.search(line)
        if m:
            root[m.group(1)] = {"Passed": "passed", "Skipped": "skipped"}.get(m.group(3), "failed")
delta = {"passed": 0, "failed": 0, "skipped": 0}
for name, result in sorted(cases(unprivileged).items()):
    if result == "skipped":
        continue
    before = root.get(name)
    if before is not None:
        delta[before] -= 1
    delta[result] += 1
    print(f"  {name}: {before or 'not run'} as root, {result} unprivileged", file=sys.stderr)
print(delta["passed"], delta["failed"], delta["skipped"])
EOF
}

# readonly_pass ROOT_RESULTS LABEL COMMAND...: runs COMMAND (a unit-test
# program and its arguments) as the unprivileged user with an XML report, and
# folds the outcome into the stage's counts.
readonly_pass() {
    local root_results="$1" label="$2"
    shift 2
    ((EUID == 0)) || return 0
    [[ -f "$root_results" ]] || return 0
    if ! ensure_test_user; then
        echo "$label: no unprivileged user for the read-only cases"
        failed=$((failed + 1))
        return 0
    fi
    local xml="$TEST_HOME/readonly-$label.xml"
    rm -f "$xml"
    echo "$label: read-only cases as the unprivileged user $TEST_USER"
    local status=0
    # Named from the home, where the run starts: a Windows program would read
    # an absolute Unix path as one on its current drive.
    as_test_user "$@" --gtest_output="xml:readonly-$label.xml" >"$TEST_HOME/readonly-$label.log" 2>&1 || status=$?
    local counts dp df ds
    if [[ ! -f "$xml" ]] || ! counts="$(readonly_merge "$root_results" "$xml")"; then
        echo "$label: the unprivileged run gave no report (exit status $status); its output follows"
        cat "$TEST_HOME/readonly-$label.log"
        failed=$((failed + 1))
        return 0
    fi
    read -r dp df ds <<<"$counts"
    if ((status != 0)); then
        # Its output tells why; a program that failed with no case failing
        # (a crash at exit, say) still counts as one failure.
        cat "$TEST_HOME/readonly-$label.log"
        ((df > 0)) || df=$((df + 1))
    fi
    passed=$((passed + dp))
    failed=$((failed + df))
    skipped=$((skipped + ds))
}

# The unit-test program's Wine runs again as the unprivileged user, in a Wine
# prefix of its own (Wine refuses a prefix that belongs to someone else).
# ARCH is win32 or win64, as the tree was built.
readonly_wine() {
    local dir="$1" arch="$2"
    ((EUID == 0)) || return 0
    local exe="$dir/tests/sonrik_unit_tests.exe"
    [[ -f "$exe" ]] || return 0
    ensure_test_user || { failed=$((failed + 1)); return 0; }
    local prefix="$TEST_HOME/wineprefix-$arch"
    local run=(env DISPLAY="${DISPLAY:-}" "$REPO/scripts/wine-run" --arch "$arch" --prefix "$prefix")
    readonly_pass "$dir/tests/wine_unit_tests.xml" "$arch" "${run[@]}" "$exe" --gtest_filter="$READONLY_FILTER"
    # The window tests run a second time under code page 1251; so do their read-only cases.
    if [[ -f "$dir/tests/wine_unit_tests_cp1251.xml" ]]; then
        readonly_pass "$dir/tests/wine_unit_tests_cp1251.xml" "$arch-cp1251" \
            env LOCPATH="$dir/tests/locale" LC_ALL=ru_RU.CP1251 "${run[@]}" "$exe" \
            --gtest_filter="Win32Ui.$READONLY_FILTER"
    fi
    as_test_user env WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    as_test_user env WINEPREFIX="$prefix" wineserver -w 2>/dev/null || true
}

stage_native() {
    local dir="$BUILD_ROOT/native"
    configure "$dir" && build "$dir" || { note="build failed"; return 1; }
    ctest_stage "$dir" || return 1
    readonly_pass "$dir/ctest.log" native "$dir/tests/sonrik_unit_tests" --gtest_filter="$READONLY_FILTER"
}

stage_sanitize() {
    local dir="$BUILD_ROOT/sanitize"
    # Unoptimised: the sanitizers find the same faults, and the build takes
    # half the time.
    configure "$dir" -DSONRIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug && build "$dir" || { note="build failed"; return 1; }
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="print_stacktrace=1" ctest_stage "$dir" || return 1
    readonly_pass "$dir/ctest.log" sanitize \
        env ASAN_OPTIONS="detect_leaks=1:abort_on_error=0" UBSAN_OPTIONS="print_stacktrace=1" \
        "$dir/tests/sonrik_unit_tests" --gtest_filter="$READONLY_FILTER"
}

# wine_stage DIR ARCH: the Wine tests of a cross-built tree.
wine_stage() {
    local dir="$1" arch="$2"
    # A display for the programs that open windows. Wine's server for this
    # prefix is stopped afterwards, so nothing we started outlives the run.
    start_display || { note="no display"; return 1; }
    local result=0
    ctest_stage "$dir" || result=$?
    ((result == 0)) && readonly_wine "$dir" "$arch"
    stop_wine "$dir"
    stop_display
    return "$result"
}

stage_win32() {
    local dir="$BUILD_ROOT/win32"
    configure "$dir" "${cross_args[@]}" || { note="configure failed"; return 1; }
    if ! runs_32bit_programs; then
        # Only the programs are built, and only the tests that read them
        # without running them (exports, imports, version) run; the win64
        # stage runs the tests of the Win32 code in their place.
        echo "this machine runs no 32-bit programs (not even Wine's loader): only the tests that need no Wine run"
        build "$dir" --target Sonrik sonrik sonrik-tag sonrik-host || { note="build failed"; return 1; }
        ctest_stage "$dir" -L no_wine
        return
    fi
    build "$dir" || { note="build failed"; return 1; }
    wine_stage "$dir" win32
}

# On a machine that runs no 32-bit programs: the same tree built for 64-bit
# Windows and run under Wine's 64-bit loader, end-to-end tests included.
stage_win64() {
    if runs_32bit_programs; then
        note="skipped: the win32 stage ran the Win32 tests"
        echo "$note"
        return 0
    fi
    local dir="$BUILD_ROOT/win64"
    configure "$dir" "${cross64_args[@]}" && build "$dir" || { note="build failed"; return 1; }
    wine_stage "$dir" win64
}

stage_package() {
    local dist="$BUILD_ROOT/dist" log="$BUILD_ROOT/package-check.log"
    rm -rf "$dist"
    "$REPO/scripts/package.sh" "$dist" || { note="packaging failed"; return 1; }
    local version wine=()
    version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_ROOT/package-native/CMakeCache.txt")"
    runs_32bit_programs && wine=(--wine-run "$REPO/scripts/wine-run")
    python3 "$REPO/tests/package/check_packages.py" --dist "$dist" --version "$version" "${wine[@]}" | tee "$log"
    passed="$(grep -c '^ok ' "$log")"
    failed="$(grep -c '^FAILED ' "$log")"
    skipped="$(grep -c '^skip ' "$log")"
    return 0
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
    run_stage win64 stage_win64
    run_stage package stage_package
    run_stage fuzz stage_fuzz

    step "summary ($((SECONDS - start))s)"
    printf '%s\n' "${summary[@]}"
    echo "$total_passed passed, $total_failed failed"
    ((total_failed == 0 && broken == 0))
}

main "$@"
