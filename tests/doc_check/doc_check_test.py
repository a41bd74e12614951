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
    "CMakeLists.txt": "add_executable(detector app/main.cpp)\nadd_executable(cli app/main.cpp)\n"
                      "add_executable(${name}_t app/main.cpp)\ndetector_fuzzer(catalogue)\n",
    "cmake/docs.cmake": "add_custom_target(docs)\n",
    "app/main.cpp": 'int main() { return 0; }\nconst char* kHelp = "--help";\n',
    "scripts/run.sh": '#!/bin/sh\n# --plain: no colour\ncd "${HOME:-/}"\n'
                      'echo "${DETECTOR_MODE:-plain}" "${DETECTOR_LOG:-}"\n',
    # Not shell scripts: what looks like a variable in them is not read.
    "tools/report": "#!/usr/bin/env python3\n# reads no shell variable: ${DETECTOR_NONE:-}\n",
    "tools/snippets.txt": "sh: echo ${DETECTOR_SNIPPET:-}\n",
    "tools/catalogue-check/options.cpp": 'const char* kUsage = "catalogue-check [--strict] FILE";\n',
    "tools/catalogue-check/problem_kinds.h": '{ProblemKind::kLinkDead, "link-dead"},\n',
    "~/old.txt": "a folder a quoted ~ made\n",
    "build/native/app/detector.exe": "",
    "LOST.md": None,  # a link to nothing: a document that cannot be read is empty
    "release/README.txt.in": "Run `tools/gone` with DETECTOR_LOG set.\n",
    "README.md": """# Crafted

## Running it

`scripts/run.sh` reads DETECTOR_MODE; `catalogue-check --strict FILE` is stricter; the
sources are `app/*.cpp`, the exe `build/native/app/detector.exe`; see [above](#running-it).

    cmake --build --preset native --target detector
    cmake --build --preset native --target docs
    cmake --build --preset native --target cli
    cmake --build --preset native --target fuzz_catalogue
    cmake --build --preset native --target clean
    see [the notes](gone.md)

| preset | variable | kind | note |
|---|---|---|---|
| `native` | `DETECTOR_MODE` (`verbose`, `rich-text`) | `link-dead` (or `none`) | `NOT_READ` |

Not checked: `scripts/run.sh --plain`, `--strict`, `DETECTOR_MODE=verbose`, `app --verbose`,
`build/native/app/detector.exe --verbose`, `build/`, `build/native/tests`,
`build/native/app/*.exe`, `build/native/cache/app/gone`, `build/native/app/gone/x`,
`build/native/app/detector.map`, `other/thing`, `~/gone`, `app/x://y`, `app/<name>.cpp`,
[site](https://example.com/x), [this](README.md), [main](app/main.cpp#L1).

```sh title=scripts/gone.sh
scripts/run.sh
```
""",
}


def padded(text, size):
    """TEXT made SIZE bytes long."""
    return text + " " * (size - len(text) - 1) + "\n"


# name, files added to TREE (NOTES.md a document of the row's own), the lines printed before
# the verdicts (each after "doc-check: "), the check that fails (None: all pass).
ROWS = [
    ("a tree whose documents match it", {}, [], None),
    # What follows a comment's end is read, on its line and at once.
    ("paths to nothing",
     {"NOTES.md": "Edit `app/gone.cpp`.\n<!-- old\n-->`\"app/gone.h\"`, `OUT=app/gone=1`, "
                  "<!---->`build/gone`, `build/gone/app/gone.exe`.\n"},
     ["NOTES.md:1: `app/gone.cpp`: no such path", "NOTES.md:3: `app/gone.h`: no such path",
      "NOTES.md:3: `app/gone=1`: no such path", "NOTES.md:3: `build/gone`: no preset gone",
      "NOTES.md:3: `build/gone/app/gone.exe`: no preset gone"], "doc-paths"),
    ("a build output of no target", {"NOTES.md": "Run `build/native/app/gone.exe`.\n"},
     ["NOTES.md:1: `build/native/app/gone.exe`: no CMake target gone"], "doc-paths"),
    ("a link to no heading", {"NOTES.md": "See [how](README.md#gone).\n"},
     ["NOTES.md:1: link (README.md#gone): no heading #gone"], "doc-paths"),
    ("presets in commands and in a table",
     {"NOTES.md": "`cmake --preset gone`\n\n| preset |\n|---|\n| `old` |\n\n"
                  "`DETECTOR_MODE=1 cmake --preset lost`\n\n    cmake --build \\\n"
                  "        --preset away\n",
      "scripts/build.sh": '#!/bin/sh\ncmake --preset "$1"\n'},
     ["NOTES.md:1: no preset gone", "NOTES.md:5: no preset old", "NOTES.md:7: no preset lost",
      "NOTES.md:10: no preset away"], "doc-presets"),
    ("a presets file that does not parse",
     {"CMakePresets.json": "{", "README.md": "DETECTOR_MODE, `--strict`, `link-dead`: "
                                             "`cmake --preset native`\n"},
     ["README.md:1: no preset native"], "doc-presets"),
    # The comment is skipped; what follows it on its line is not.
    ("a command after a comment on its line",
     {"NOTES.md": "```\n<!-- `cmake --preset old` is gone --> cmake --preset gone\n```\n"},
     ["NOTES.md:2: no preset gone"], "doc-presets"),
    # Only CMake files define targets; a name of two letters besides a variable says nothing.
    ("targets",
     {"NOTES.md": "`cmake --build --preset native --target gone`\n"
                  "`cmake --build --preset native --target gone_t`\n",
      "tools/old-targets.txt": "add_library(gone STATIC gone.cpp)\n"},
     ["NOTES.md:1: no CMake target gone", "NOTES.md:2: no CMake target gone_t"], "doc-targets"),
    ("variables in the text and in a table",
     {"NOTES.md": "Set DETECTOR_GONE.\n\n| variable |\n|---|\n| `GONE_TOO` |\n"},
     ["NOTES.md:1: DETECTOR_GONE: read nowhere in the tree",
      "NOTES.md:5: GONE_TOO: read nowhere in the tree"], "doc-variables"),
    ("options", {"NOTES.md": "`catalogue-check --gone FILE`\n"
                             "`DETECTOR_MODE=1 scripts/run.sh --strict`\n`--gone`\n"},
     ["NOTES.md:1: --gone: not an option of tools/catalogue-check",
      "NOTES.md:2: --strict: not an option of scripts/run.sh",
      "NOTES.md:3: --gone: not an option of tools/ or scripts/"], "doc-options"),
    ("a problem kind", {"NOTES.md": "| kind |\n|---|\n| `link-gone` |\n"},
     ["NOTES.md:3: link-gone: not a problem kind of problem_kinds.h"], "doc-kinds"),
    # A shell script by its #! line or its name; a file of 2,000,000 bytes is not read.
    ("variables read and named in no document",
     {"scripts/quiet.sh": '#!/bin/sh\n[ -n "${DETECTOR_QUIET:-}" ] || echo loud\n',
      "tools/quiet": '#!/bin/sh\n: "${DETECTOR_HUSH:-}"\n',
      "scripts/common.sh": '\n# sourced\n: "${DETECTOR_COMMON:=1}"\n',
      "scripts/large.sh": padded('#!/bin/sh\n: "${DETECTOR_LARGE:-}"\n', 1_999_999),
      "scripts/huge.sh": padded('#!/bin/sh\n: "${DETECTOR_HUGE:-}"\n', 2_000_000)},
     ["scripts/common.sh:3: DETECTOR_COMMON is read here but no document names it",
      "tools/quiet:2: DETECTOR_HUSH is read here but no document names it",
      "scripts/large.sh:2: DETECTOR_LARGE is read here but no document names it",
      "scripts/quiet.sh:2: DETECTOR_QUIET is read here but no document names it"],
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
                    if text is None:
                        os.symlink("nothing", os.path.join(root, path))
                        continue
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
