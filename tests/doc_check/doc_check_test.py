#!/usr/bin/env python3
"""tools/doc-check on a tree made here: a small tree that passes, and one row for each thing
the check can find wrong, each asserting doc-check's whole output and its exit status.
doc_check_test.py DOC_CHECK"""
import os
import subprocess
import sys
import tempfile
import unittest

DOC_CHECK = None
CHECKS = ("doc-paths", "doc-presets", "doc-targets", "doc-variables", "doc-options",
          "doc-kinds", "doc-coverage")

# Everything the documents name exists, and everything the tree reads is named.
TREE = {
    "CMakePresets.json": '{"version": 3, "configurePresets": [{"name": "native"}]}\n',
    "CMakeLists.txt": "add_executable(detector app/main.cpp)\n",
    "app/main.cpp": "int main() { return 0; }\n",
    "scripts/run.sh": '#!/bin/sh\necho "${DETECTOR_MODE:-plain}"\n',
    "tools/catalogue-check/options.cpp": 'const char* kUsage = "catalogue-check [--strict] FILE";\n',
    "tools/catalogue-check/problem_kinds.h": '{ProblemKind::kLinkDead, "link-dead"},\n',
    "README.md": """# Crafted

## Running it

`scripts/run.sh` reads DETECTOR_MODE; `catalogue-check --strict FILE` is stricter; the
sources are `app/*.cpp`, the exe `build/native/app/detector.exe`; see [above](#running-it).

    cmake --build --preset native --target detector

| preset | variable | kind |
|---|---|---|
| `native` | `DETECTOR_MODE` | `link-dead` |
""",
}

# name, files added to TREE (NOTES.md a document of the row's own), the lines printed before
# the verdicts (each after "doc-check: "), the check that fails (None: all pass).
ROWS = [
    ("a tree whose documents match it", {}, [], None),
    ("a path to nothing", {"NOTES.md": "Edit `app/gone.cpp`.\n"},
     ["NOTES.md:1: `app/gone.cpp`: no such path"], "doc-paths"),
    ("a build output of no target", {"NOTES.md": "Run `build/native/app/gone.exe`.\n"},
     ["NOTES.md:1: `build/native/app/gone.exe`: no CMake target gone"], "doc-paths"),
    ("a link to no heading", {"NOTES.md": "See [how](README.md#gone).\n"},
     ["NOTES.md:1: link (README.md#gone): no heading #gone"], "doc-paths"),
    ("presets in a command and in a table",
     {"NOTES.md": "`cmake --preset gone`\n\n| preset |\n|---|\n| `old` |\n"},
     ["NOTES.md:1: no preset gone", "NOTES.md:5: no preset old"], "doc-presets"),
    # The comment is skipped; what follows it on its line is not.
    ("a command after a comment on its line",
     {"NOTES.md": "```\n<!-- `cmake --preset old` is gone --> cmake --preset gone\n```\n"},
     ["NOTES.md:2: no preset gone"], "doc-presets"),
    ("a target", {"NOTES.md": "`cmake --build --preset native --target gone`\n"},
     ["NOTES.md:1: no CMake target gone"], "doc-targets"),
    ("variables in the text and in a table",
     {"NOTES.md": "Set DETECTOR_GONE.\n\n| variable |\n|---|\n| `GONE_TOO` |\n"},
     ["NOTES.md:1: DETECTOR_GONE: read nowhere in the tree",
      "NOTES.md:5: GONE_TOO: read nowhere in the tree"], "doc-variables"),
    ("an option", {"NOTES.md": "`catalogue-check --gone FILE`\n"},
     ["NOTES.md:1: --gone: not an option of tools/catalogue-check"], "doc-options"),
    ("a problem kind", {"NOTES.md": "| kind |\n|---|\n| `link-gone` |\n"},
     ["NOTES.md:3: link-gone: not a problem kind of problem_kinds.h"], "doc-kinds"),
    ("a variable read and named in no document",
     {"scripts/quiet.sh": '#!/bin/sh\n[ -n "${DETECTOR_QUIET:-}" ] || echo loud\n'},
     ["scripts/quiet.sh:2: DETECTOR_QUIET is read here but no document names it"],
     "doc-coverage"),
    ("an option of catalogue-check in no document",
     {"tools/catalogue-check/quiet.cpp": 'const char* kQuiet = "--quiet";\n'},
     ["tools/catalogue-check: catalogue-check --quiet is in no document"], "doc-coverage"),
    ("a problem kind in no document",
     {"tools/catalogue-check/problem_kinds.h":
      '{ProblemKind::kLinkDead, "link-dead"},\n{ProblemKind::kLinkSlow, "link-slow"},\n'},
     ["tools/catalogue-check/problem_kinds.h: problem kind link-slow is in no document"],
     "doc-coverage"),
]


class CraftedDocuments(unittest.TestCase):
    def test_rows(self):
        for name, files, lines, failing in ROWS:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                for path, text in {**TREE, **files}.items():
                    os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
                    with open(os.path.join(root, path), "w") as file:
                        file.write(text)
                run = subprocess.run([sys.executable, DOC_CHECK, root], capture_output=True,
                                     text=True, timeout=60)
                want = []
                for check in CHECKS:
                    if check == failing:
                        want += [f"doc-check: {line}" for line in lines] + [f"FAIL {check}"]
                    else:
                        want.append(f"PASS {check}")
                self.assertEqual(run.stdout.splitlines(), want)
                self.assertEqual(run.stderr, "")
                self.assertEqual(run.returncode, 1 if failing else 0)


if __name__ == "__main__":
    DOC_CHECK = os.path.abspath(sys.argv.pop(1))
    unittest.main()
