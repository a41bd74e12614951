#!/usr/bin/env bash
# Runs every test: native (sanitizers), Windows x86_64 under Wine, the same Windows suite for
# i686 under an emulated 32-bit Wine (tools/wine32-setup), the load check of both exes
# (tools/load-check), a short, bounded fuzzing run, the release's checks (reproducible,
# signed), and the documents against the tree (tools/doc-check). Does its own set-up on a fresh
# Debian machine.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

fuzz_seconds=${DETECTOR_FUZZ_SECONDS:-20}
passed=0 failed=0 status=0
stages=()  # "name|seconds", printed at the end

# timed NAME COMMAND...: runs the command and notes its wall time; returns its status.
timed() {
  local name=$1 start=$SECONDS rc
  shift
  "$@"
  rc=$?
  stages+=("$name|$((SECONDS - start))")
  return $rc
}

# The verdict is ctest's exit status; the counts come from its JUnit report.
run_ctest() {
  local report=$PWD/build/$1/junit.xml counts p f s
  rm -f "$report"
  tools/with-display ctest --preset "$1" --no-tests=error --output-junit "$report" || status=1
  if counts=$(tools/junit-counts "$report"); then
    read -r p f s <<<"$counts"
    echo "ctest $1: passed $p, failed $f, skipped $s (JUnit report $report)"
    passed=$((passed + p)); failed=$((failed + f))
    [ "$f" -eq 0 ] || status=1
  else
    echo "ctest $1: no JUnit report"; status=1
  fi
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" || { echo "build $1 failed"; status=1; return 1; }
}

# verdicts COMMAND...: runs a check that prints "PASS name" or "FAIL name" lines and counts
# them like tests; a check that fails without a FAIL line counts as one failure.
verdicts() {
  local log rc p f
  log=$("$@" 2>&1)
  rc=$?
  echo "$log"
  p=$(grep -c '^PASS ' <<<"$log") f=$(grep -c '^FAIL ' <<<"$log")
  passed=$((passed + p)); failed=$((failed + f))
  if [ "$rc" -ne 0 ]; then
    status=1
    [ "$f" -gt 0 ] || failed=$((failed + 1))
  fi
}

# Would the Windows the exe serves start it? tools/load-check reads its header and import table
# against release/windows-imports.tsv, without Wine.
load_check() { verdicts tools/load-check --target "$1" "$2"; }  # load_check TARGET EXE

fuzz() {
  local f name corpus work
  build fuzz || return
  for f in build/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus="build/fuzz/tests/fuzz/corpus/${name#fuzz_}"  # gathered by the build
    work=$(mktemp -d)
    if "$f" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
         "$work" $( [ -d "$corpus" ] && echo "$corpus" ) 2>"$work.log"; then
      echo "fuzz $name: $(grep -E 'stat::number_of_executed_units' "$work.log" | awk '{print $2}') runs, no finding"
      passed=$((passed + 1))
    else
      tail -n 40 "$work.log"; echo "fuzz $name: FINDING"
      failed=$((failed + 1)); status=1
    fi
    rm -rf "$work" "$work.log"
  done
}

# The release: the x64 exe rebuilds byte for byte from another folder, and a build given a key
# signs it so that the signature verifies.
release_checks() { verdicts tools/release-check; }

timed "native build" build native && timed "native tests" run_ctest native
if timed "windows build" build windows; then
  load_check xp-x64 build/windows/app/detector.exe
  timed "windows tests" run_ctest windows
fi
# The 32-bit exe's tests run under a 32-bit Wine that the kernel here can only emulate; its
# root and emulator are kept outside the clone, for the next run.
if timed "windows-x86 build" build windows-x86; then
  load_check win2000-x86 build/windows-x86/app/detector.exe
  if timed "wine32 set-up" tools/wine32-setup; then
    timed "windows-x86 tests" run_ctest windows-x86
  else
    echo "wine32 set-up failed"; status=1; failed=$((failed + 1))
  fi
fi
timed "fuzz (build, runs)" fuzz
timed "release checks" release_checks
timed "document check" verdicts tools/doc-check

# A stage whose build failed has no tests to time; they are missing from the list.
echo
echo "stage times (wall clock):"
for stage in "${stages[@]}"; do
  IFS='|' read -r name seconds <<<"$stage"
  printf '  %-20s %5d s  (%d min %02d s)\n' "$name" "$seconds" $((seconds / 60)) $((seconds % 60))
done
echo
echo "$passed passed, $failed failed"
exit "$status"
