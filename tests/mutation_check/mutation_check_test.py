#!/usr/bin/env python3
"""tools/mutation-check on a project of one C++ file and two tests, written here: its four
mutants are one the right test kills, one no test can kill, two that do not build. Each row is a
run in the same work folder, asserting the whole output and the exit status, and that nothing
the tests started outlives it.
mutation_check_test.py MUTATION_CHECK"""
import os
import re
import subprocess
import sys
import tempfile
import unittest

MUTATION_CHECK = None
PROJECT = {
    "CMakePresets.json": """{"version": 3,
 "configurePresets": [{"name": "native", "generator": "Ninja",
                       "binaryDir": "${sourceDir}/build/native"}],
 "buildPresets": [{"name": "native", "configurePreset": "native"}],
 "testPresets": [{"name": "native", "configurePreset": "native"}]}
""",
    # A function that falls off its end does not build: the deleted returns are skipped.
    "CMakeLists.txt": """cmake_minimum_required(VERSION 3.20)
project(crafted CXX)
add_compile_options(-Werror=return-type)
add_library(limit STATIC limit.cpp)
enable_testing()
foreach(test Clamp AtLimit)
  add_executable(${test} tests/${test}.cpp)
  target_link_libraries(${test} limit)
  add_test(NAME ${test} COMMAND ${test})
endforeach()
""",
    # value >= limit returns the same value as value > limit: no test can tell them apart.
    "limit.cpp": """int Clamp(int value, int limit) { return value > limit ? limit : value; }
bool AtLimit(int value, int limit) { return value == limit; }
""",
    # Clamp runs first and passes every mutant: the kill must be named AtLimit's.
    "tests/Clamp.cpp": """int Clamp(int value, int limit);
int main() { return Clamp(5, 3) == 3 && Clamp(2, 3) == 2 ? 0 : 1; }
""",
    # Failing, it leaves a process behind, as a server of a test that crashed would.
    "tests/AtLimit.cpp": """#include <cstdlib>
bool AtLimit(int value, int limit);
int main() {
  if (AtLimit(3, 3) && !AtLimit(2, 3)) return 0;
  std::system("sh -c 'sleep 300; :' \\"$PWD/left-behind\\" >/dev/null 2>&1 &");
  return 1;
}
""",
}
MUTANTS = [
    "limit.cpp:1: rel: survived: "
    "int Clamp(int value, int limit) { return value >= limit ? limit : value; }",
    "limit.cpp:1: stmt: skipped (does not build): int Clamp(int value, int limit) { {} }",
    "limit.cpp:2: eq: killed by AtLimit: "
    "bool AtLimit(int value, int limit) { return value != limit; }",
    "limit.cpp:2: stmt: skipped (does not build): bool AtLimit(int value, int limit) { {} }",
    "score limit.cpp: 50% (1 killed, 1 survived, 2 skipped)",
    "score all: 50% (1 killed, 1 survived, 2 skipped)",
]
USAGE = "mutation-check: error: --jobs, --timeout and --sample must be positive"
# name, options, the whole output (its run time as N), exit status (1: a mutant survived), the
# last line of standard error
RUNS = [
    ("the first run builds and tests each mutant", [],
     MUTANTS + ["mutation-check: 4 mutants: 4 run, 0 from the cache, in N s (1 copy)"], 1, ""),
    ("a second run takes every result from the cache", [],
     MUTANTS + ["mutation-check: 4 mutants: 0 run, 4 from the cache, in N s"], 1, ""),
    ("a sample takes the same mutants each run, scored alone", ["--sample", "2"],
     [MUTANTS[0], MUTANTS[3],
      "score limit.cpp: 0% (0 killed, 1 survived, 1 skipped)",
      "score all: 0% (0 killed, 1 survived, 1 skipped)",
      "mutation-check: 2 mutants (a sample of 4): 0 run, 2 from the cache, in N s"], 1, ""),
    ("a sample of one", ["--sample", "1"],
     [MUTANTS[3],
      "score limit.cpp: no score (0 killed, 0 survived, 1 skipped)",
      "score all: no score (0 killed, 0 survived, 1 skipped)",
      "mutation-check: 1 mutants (a sample of 4): 0 run, 1 from the cache, in N s"], 0, ""),
    ("a time-out of a second is a bound", ["--timeout", "1"],
     MUTANTS + ["mutation-check: 4 mutants: 0 run, 4 from the cache, in N s"], 1, ""),
    ("no copy", ["--jobs", "0"], [], 2, USAGE),
    ("no time", ["--timeout", "0"], [], 2, USAGE),
    ("an empty sample", ["--sample", "0"], [], 2, USAGE),
]


def left_behind(folder):
    """The processes a crafted test left running in FOLDER."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                words = f.read().decode("utf-8", "replace").split("\0")
        except OSError:
            continue
        if any(w.startswith(folder) and w.endswith("/left-behind") for w in words):
            found.append(pid)
    return found


class CraftedProject(unittest.TestCase):
    def test_runs(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, text in PROJECT.items():
                os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
                with open(os.path.join(folder, name), "w") as file:
                    file.write(text)
            for name, options, lines, status, error in RUNS:
                with self.subTest(name):
                    run = subprocess.run(
                        [sys.executable, MUTATION_CHECK, "--jobs", "1", "--work",
                         os.path.join(folder, "work"), *options, "limit.cpp"],
                        cwd=folder, capture_output=True, text=True, timeout=240)
                    out = [re.sub(r" in \d+ s\b", " in N s", line)
                           for line in run.stdout.splitlines()]
                    self.assertEqual(out, lines)
                    self.assertEqual((run.stderr.splitlines() or [""])[-1], error)
                    self.assertEqual(run.returncode, status)
                    self.assertEqual(left_behind(folder), [])


if __name__ == "__main__":
    MUTATION_CHECK = sys.argv.pop(1)
    unittest.main()
