#!/usr/bin/env bash
# Runs every test: native (sanitizers), Windows x86_64 under Wine, the same Windows suite for
# i686 under an emulated 32-bit Wine, a short, bounded fuzzing run, and the release's checks
# (reproducible, signed). Does its own set-up on a fresh Debian machine, and says how long each
# stage took.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

fuzz_seconds=${DETECTOR_FUZZ_SECONDS:-20}
passed=0 failed=0 status=0

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

stage_start=$SECONDS
stage() { echo "stage $1: $((SECONDS - stage_start)) s"; stage_start=$SECONDS; }

build native && run_ctest native
stage native
build windows && run_ctest windows
stage windows
# The 32-bit exe: its own tree, its tests under the 32-bit Wine, which the kernel here can only
# emulate (its root and emulator are kept outside the clone, for the next run).
if tools/wine32-setup; then
  stage "wine32 set-up"
  build windows-x86 && run_ctest windows-x86
else
  echo "wine32 set-up failed"; status=1; failed=$((failed + 1))
fi
stage windows-x86
if build fuzz; then
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
fi

stage fuzz

# The release: the x64 exe rebuilds byte for byte from another folder, and a build given a key
# signs it so that the signature verifies. One PASS or FAIL line for each.
log=$(mktemp)
release_start=$SECONDS
tools/release-check >"$log" 2>&1
release_status=$?
cat "$log"
p=$(grep -c '^PASS ' "$log") f=$(grep -c '^FAIL ' "$log")
rm -f "$log"
echo "release checks: $((SECONDS - release_start)) s"
stage release
passed=$((passed + p)); failed=$((failed + f))
if [ "$release_status" -ne 0 ]; then
  status=1
  [ "$f" -gt 0 ] || failed=$((failed + 1))
fi

echo
echo "$passed passed, $failed failed"
exit "$status"
