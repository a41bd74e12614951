#!/usr/bin/env python3
"""tools/load-check on PE files made here from bytes, one row for each way an exe fails its
target and rows that pass: every row asserts load-check's whole output and its exit status.
load_check_test.py LOAD_CHECK (the table is the one load-check reads by default, unless a row
gives one of its own)."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

LOAD_CHECK = None
I386, AMD64, ARM64 = 0x14C, 0x8664, 0xAA64
SECTION_RVA, SECTION_AT, ALIGN = 0x1000, 0x200, 0x200


def import_section(imports, plus):
    """The bytes of a section at SECTION_RVA holding the import directory of IMPORTS, a list of
    (dll, [name, or ordinal as an int])."""
    width, flag = (8, 1 << 63) if plus else (4, 1 << 31)
    data = bytearray(20 * (len(imports) + 1))  # the descriptors, the last one empty
    for index, (dll, functions) in enumerate(imports):
        thunks = len(data)
        data += bytes(width * (len(functions) + 1))
        for slot, function in enumerate(functions):
            if isinstance(function, int):
                value = flag | function
            else:
                value = SECTION_RVA + len(data)
                data += b"\0\0" + function.encode() + b"\0"  # hint, name
                data += b"\0" * (len(data) % 2)
            struct.pack_into("<Q" if plus else "<I", data, thunks + width * slot, value)
        name = SECTION_RVA + len(data)
        data += dll.encode() + b"\0"
        struct.pack_into("<IIIII", data, 20 * index, SECTION_RVA + thunks, 0, 0, name,
                         SECTION_RVA + thunks)
    return bytes(data) + bytes(-len(data) % ALIGN)


def pe_file(machine, plus, imports, subsystem_version=(5, 2), os_version=(5, 2),
            delay=False):
    """An exe as a linker lays it out: DOS header, PE header, one section of imports."""
    section = import_section(imports, plus)
    optional = bytearray(240 if plus else 224)  # with 16 data directories
    struct.pack_into("<H", optional, 0, 0x20B if plus else 0x10B)
    struct.pack_into("<HH", optional, 40, *os_version)
    struct.pack_into("<HH", optional, 48, *subsystem_version)
    struct.pack_into("<II", optional, 56, SECTION_RVA + len(section), SECTION_AT)
    struct.pack_into("<H", optional, 68, 2)  # Windows GUI
    directories = 112 if plus else 96
    struct.pack_into("<I", optional, directories - 4, 16)
    struct.pack_into("<II", optional, directories + 8 * 1, SECTION_RVA, 20 * (len(imports) + 1))
    if delay:
        struct.pack_into("<II", optional, directories + 8 * 13, SECTION_RVA + 0x100, 32)
    header = bytearray(SECTION_AT)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    coff = struct.pack("<4sHHIIIHH", b"PE\0\0", machine, 1, 0, 0, 0, len(optional), 0x22)
    table = struct.pack("<8sIIIIIIHHI", b".idata", len(section), SECTION_RVA, len(section),
                        SECTION_AT, 0, 0, 0, 0, 0xC0000040)
    pe = coff + optional + table
    header[0x40:0x40 + len(pe)] = pe
    return bytes(header) + section


X64 = "Windows XP x64 / Server 2003 SP1 x64 (target xp-x64)"
X86 = "Windows 2000 SP4 (target win2000-x86)"
CLEAN = [("KERNEL32.dll", ["GetTickCount", "Sleep"])]

# name, target, exe, the whole output (each line with "load-check: crafted.exe: " before it
# unless it is the verdict; "load-check: " only before a line about the table), exit status,
# and a table of the row's own when one is given.
ROWS = [
    ("a clean x64 exe passes", "xp-x64", pe_file(AMD64, True, CLEAN), [
        "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
        "Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
        "PASS load-x64"], 0),
    ("a function first exported by the target's own Windows", "xp-x64",
     pe_file(AMD64, True, [("KERNEL32.dll", ["GetTickCount", "RtlVirtualUnwind"])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("an import by ordinal", "xp-x64",
     pe_file(AMD64, True, [("KERNEL32.dll", ["GetTickCount", 42])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: not known (1 import unknown); Windows XP x64 / Server 2003 SP1 "
         "x64 (the x64 machine) at the earliest",
         f"KERNEL32.dll!#42: imported by ordinal, not in the table, so not known to be there; "
         f"breaks {X64}",
         "FAIL load-x64"], 1),
    ("a delay-load import", "xp-x64", pe_file(AMD64, True, CLEAN, delay=True), [
        "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
        "Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
        f"has delay-load imports, which this check does not read; breaks {X64}",
        "FAIL load-x64"], 1),
    ("a DLL the table lacks", "xp-x64",
     pe_file(AMD64, True, CLEAN + [("helper.dll", ["Help"])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 3 imports from 2 DLLs; oldest "
         "Windows it starts on: not known (1 import unknown); Windows XP x64 / Server 2003 SP1 "
         "x64 (the x64 machine) at the earliest",
         f"helper.dll!Help: helper.dll is no system DLL the table knows, so it cannot be "
         f"resolved there; breaks {X64}",
         "FAIL load-x64"], 1),
    ("a function newer than the target", "xp-x64",
     pe_file(AMD64, True, [("KERNEL32.dll", ["GetTickCount", "GetTickCount64"])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: Windows Vista x64 (KERNEL32.dll!GetTickCount64)",
         f"KERNEL32.dll!GetTickCount64: first exported by Windows Vista; breaks {X64}",
         "FAIL load-x64"], 1),
    ("a subsystem version above the target", "xp-x64",
     pe_file(AMD64, True, CLEAN, subsystem_version=(6, 0)), [
         "x64 (AMD64), Windows GUI subsystem 6.0, OS version 5.2; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: Windows Vista x64 (the header's subsystem version)",
         f"the header's subsystem version 6.0 asks for NT 6.0 (Windows Vista); breaks {X64}",
         "FAIL load-x64"], 1),
    ("an OS version above the target", "win2000-x86",
     pe_file(I386, False, CLEAN, subsystem_version=(4, 0), os_version=(5, 1)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 5.1; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: Windows XP (the header's OS version)",
         f"the header's OS version 5.1 asks for NT 5.1 (Windows XP); breaks {X86}",
         "FAIL load-x86"], 1),
    ("an ARM64 PE32+ for the x64 target", "xp-x64", pe_file(ARM64, True, CLEAN), [
        "ARM64, Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
        "Windows it starts on: Windows XP x64 / Server 2003 SP1 (the header's subsystem "
        "version)",
        f"machine ARM64, PE32+, is not this target's; breaks {X64}",
        "FAIL load-x64"], 1),
    ("an i386 PE32 for the x64 target", "xp-x64",
     pe_file(I386, False, CLEAN, subsystem_version=(4, 0), os_version=(4, 0)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: Windows 2000 (KERNEL32.dll!GetTickCount)",
         f"machine x86 (i386), PE32, is not this target's; breaks {X64}",
         "FAIL load-x64"], 1),
    ("an export of the x86 DLL only in an x64 exe", "xp-x64",
     pe_file(AMD64, True, [("KERNEL32.dll", ["InterlockedCompareExchange", "Sleep"])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: none (KERNEL32.dll!InterlockedCompareExchange is exported for "
         "x86 only)",
         f"KERNEL32.dll!InterlockedCompareExchange: exported by the x86 KERNEL32.dll only; "
         f"breaks {X64}",
         "FAIL load-x64"], 1),
    # A row for both architectures leaves no room for one architecture's row of the same name.
    ("a table listing a function for both architectures, then for one", "xp-x64",
     pe_file(AMD64, True, CLEAN), [
         "table.tsv:2: KERNEL32.dll!Sleep is listed twice",
         "FAIL load-x64"], 1,
     "KERNEL32.dll\tSleep\tnt4\tcrafted\n"
     "KERNEL32.dll\tSleep\txp-x64 x64-only\tcrafted\n"),
]


class CraftedExes(unittest.TestCase):
    def test_rows(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, target, exe, lines, status, *table in ROWS:
                with self.subTest(name):
                    path = os.path.join(folder, "crafted.exe")
                    with open(path, "wb") as file:
                        file.write(exe)
                    options = []
                    if table:
                        with open(os.path.join(folder, "table.tsv"), "w") as file:
                            file.write(table[0])
                        options = ["--table", "table.tsv"]
                    run = subprocess.run(
                        [sys.executable, LOAD_CHECK, "--target", target, "--name", "crafted.exe",
                         *options, path], capture_output=True, text=True, timeout=60, cwd=folder)
                    want = [line if line.startswith(("PASS ", "FAIL "))
                            else "load-check: " + line if line.startswith("table.tsv:")
                            else "load-check: crafted.exe: " + line for line in lines]
                    self.assertEqual(run.stdout.splitlines(), want)
                    self.assertEqual(run.stderr, "")
                    self.assertEqual(run.returncode, status)


if __name__ == "__main__":
    LOAD_CHECK = os.path.abspath(sys.argv.pop(1))
    unittest.main()
