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
            delay=False, directories=16, optional_size=None, section=None):
    """An exe as a linker lays it out: DOS header, PE header, one section of imports (or the
    bytes SECTION); the optional header cut to OPTIONAL_SIZE bytes when given."""
    section = import_section(imports, plus) if section is None else section
    optional = bytearray(240 if plus else 224)  # with 16 data directories
    struct.pack_into("<H", optional, 0, 0x20B if plus else 0x10B)
    struct.pack_into("<HH", optional, 40, *os_version)
    struct.pack_into("<HH", optional, 48, *subsystem_version)
    struct.pack_into("<II", optional, 56, SECTION_RVA + len(section), SECTION_AT)
    struct.pack_into("<H", optional, 68, 2)  # Windows GUI
    first = 112 if plus else 96  # the first data directory
    struct.pack_into("<I", optional, first - 4, directories)
    struct.pack_into("<II", optional, first + 8 * 1, SECTION_RVA, 20 * (len(imports) + 1))
    if delay:
        struct.pack_into("<II", optional, first + 8 * 13, SECTION_RVA + 0x100, 32)
    del optional[len(optional) if optional_size is None else optional_size:]
    header = bytearray(SECTION_AT)
    header[0:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 0x40)
    coff = struct.pack("<4sHHIIIHH", b"PE\0\0", machine, 1, 0, 0, 0, len(optional), 0x22)
    table = struct.pack("<8sIIIIIIHHI", b".idata", len(section), SECTION_RVA, len(section),
                        SECTION_AT, 0, 0, 0, 0, 0xC0000040)
    pe = coff + optional + table
    header[0x40:0x40 + len(pe)] = pe
    return bytes(header) + section


def patched(exe, *edits):
    """EXE with each (file offset, struct format, values...) of EDITS written over it."""
    data = bytearray(exe)
    for at, layout, *values in edits:
        struct.pack_into(layout, data, at, *values)
    return bytes(data)


# Where pe_file puts things: the optional header, the section header, the import section.
OPTIONAL_AT, SECTION_HEADER_AT = 0x58, {False: 0x58 + 224, True: 0x58 + 240}
IMPORT_DIRECTORY = {False: OPTIONAL_AT + 96 + 8, True: OPTIONAL_AT + 112 + 8}

X64 = "Windows XP x64 / Server 2003 SP1 x64 (target xp-x64)"
X86 = "Windows 2000 SP4 (target win2000-x86)"
CLEAN = [("KERNEL32.dll", ["GetTickCount", "Sleep"])]
NAME_AT, ZEROS_AT = 0x1C0, 0x1F0  # a DLL name and zeros written into the headers' slack


def descriptors(count, end):
    """COUNT import descriptors naming the DLL at NAME_AT with an empty lookup table, then an
    empty descriptor when END."""
    one = struct.pack("<IIIII", ZEROS_AT, 0, 0, NAME_AT, ZEROS_AT)
    return one * count + bytes(20 if end else 0)


LONG = "a" * 507 + ".dll"  # the longest name a read takes (511 bytes)

# name, target, exe (None: no file), the whole output (each line with "load-check: crafted.exe: "
# before it unless it is the verdict or a line of --list; "load-check: " only before a line about
# the table), exit status, and a table of the row's own when one is given (or None), then options.
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
    # The scale's boundaries: each header version names the oldest Windows of that NT version,
    # or just above it; two fields a row, each printed when it is above the target's.
    ("header versions of NT 4.0 and just above it", "win2000-x86",
     pe_file(I386, False, [], subsystem_version=(4, 0), os_version=(4, 1)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.1; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows 2000 (the header's OS version)",
         "PASS load-x86"], 0),
    ("header versions of Windows XP and XP x64", "win2000-x86",
     pe_file(I386, False, [], subsystem_version=(5, 1), os_version=(5, 2)), [
         "x86 (i386), Windows GUI subsystem 5.1, OS version 5.2; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 (the header's OS "
         "version)",
         f"the header's subsystem version 5.1 asks for NT 5.1 (Windows XP); breaks {X86}",
         "the header's OS version 5.2 asks for NT 5.2 (Windows XP x64 / Server 2003 SP1); "
         f"breaks {X86}",
         "FAIL load-x86"], 1),
    ("header versions just above XP x64, and of Windows 7", "xp-x64",
     pe_file(AMD64, True, [], subsystem_version=(5, 3), os_version=(6, 1)), [
         "x64 (AMD64), Windows GUI subsystem 5.3, OS version 6.1; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows 7 x64 (the header's OS version)",
         f"the header's subsystem version 5.3 asks for NT 5.3 (Windows Vista); breaks {X64}",
         f"the header's OS version 6.1 asks for NT 6.1 (Windows 7); breaks {X64}",
         "FAIL load-x64"], 1),
    ("header versions of Windows 8 and 8.1", "xp-x64",
     pe_file(AMD64, True, [], subsystem_version=(6, 2), os_version=(6, 3)), [
         "x64 (AMD64), Windows GUI subsystem 6.2, OS version 6.3; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows 8.1 x64 (the header's OS version)",
         f"the header's subsystem version 6.2 asks for NT 6.2 (Windows 8); breaks {X64}",
         f"the header's OS version 6.3 asks for NT 6.3 (Windows 8.1); breaks {X64}",
         "FAIL load-x64"], 1),
    ("header versions just above Windows 8.1 and 10", "xp-x64",
     pe_file(AMD64, True, [], subsystem_version=(6, 4), os_version=(10, 1)), [
         "x64 (AMD64), Windows GUI subsystem 6.4, OS version 10.1; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows 10 x64 (the header's subsystem version)",
         f"the header's subsystem version 6.4 asks for NT 6.4 (Windows 10); breaks {X64}",
         f"the header's OS version 10.1 asks for NT 10.1 (Windows 10); breaks {X64}",
         "FAIL load-x64"], 1),
    ("DLLs absent before the target and at its level", "win2000-x86",
     pe_file(I386, False, [("OLD.dll", ["F"]), ("NEW.dll", ["F"]), ("NEWER.dll", ["F"])],
             subsystem_version=(4, 0), os_version=(4, 0)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 3 imports from 3 DLLs; "
         "oldest Windows it starts on: Windows XP (NEW.dll)",
         f"NEW.dll!F: NEW.dll is absent before Windows XP; breaks {X86}",
         f"NEWER.dll!F: NEWER.dll is absent before Windows XP; breaks {X86}",
         "FAIL load-x86"], 1,
     "OLD.dll\t*\t2000sp4\tcrafted\nOLD.dll\tF\tnt4\tcrafted\n"
     "NEW.dll\t*\txp\tcrafted\nNEWER.dll\t*\txp\tcrafted\n"),
    ("two exports of the x86 DLL only in an x64 exe", "xp-x64",
     pe_file(AMD64, True, [("K.dll", ["A", "B"])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: none (K.dll!A is exported for x86 only)",
         f"K.dll!A: exported by the x86 K.dll only; breaks {X64}",
         f"K.dll!B: exported by the x86 K.dll only; breaks {X64}",
         "FAIL load-x64"], 1,
     "K.dll\t*\tnt4\tcrafted\nK.dll\tA\t2000 x86-only\tcrafted\n"
     "K.dll\tB\t2000 x86-only\tcrafted\n"),
    ("a listing of a function with a row for each architecture", "xp-x64",
     pe_file(AMD64, True, [("K.dll", ["A"])]), [
         "K.dll\tA\txp-x64 x64-only nt4 x86-only",
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 1 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0,
     "K.dll\t*\tnt4\tcrafted\nK.dll\tA\tnt4 x86-only\tcrafted\n"
     "K.dll\tA\txp-x64 x64-only\tcrafted\n", "--list"),
    ("an exe that is not there", "xp-x64", None, [
         "cannot read: No such file or directory",
         "FAIL load-x64"], 1),
    ("a table row of three fields", "xp-x64", pe_file(AMD64, True, CLEAN), [
         "table.tsv:1: want 4 tab-separated fields: DLL, function, earliest, source",
         "FAIL load-x64"], 1,
     "KERNEL32.dll\tSleep\tnt4\n"),
    ("a table row with an empty field", "xp-x64", pe_file(AMD64, True, CLEAN), [
         "table.tsv:1: want 4 tab-separated fields: DLL, function, earliest, source",
         "FAIL load-x64"], 1,
     "KERNEL32.dll\t\tnt4\tcrafted\n"),
    ("a table listing a function for each architecture, then one again", "xp-x64",
     pe_file(AMD64, True, CLEAN), [
         "table.tsv:3: K.dll!Sleep is listed twice",
         "FAIL load-x64"], 1,
     "K.dll\tSleep\tnt4 x86-only\tcrafted\nK.dll\tSleep\txp-x64 x64-only\tcrafted\n"
     "K.dll\tSleep\txp-x64 x64-only\tcrafted\n"),
    ("a table listing a function for one architecture, then for both", "xp-x64",
     pe_file(AMD64, True, CLEAN), [
         "table.tsv:2: K.dll!Sleep is listed twice",
         "FAIL load-x64"], 1,
     "K.dll\tSleep\tnt4 x86-only\tcrafted\nK.dll\tSleep\tnt4\tcrafted\n"),
    ("a file that ends inside the PE header", "xp-x64", pe_file(AMD64, True, CLEAN)[:0x55],
     [
         "malformed PE: optional header size at 0x54 (+2) runs past the end of the file (85 "
         "bytes)",
         "FAIL load-x64"], 1),
    ("no import directory, a directory after it, 13 directories", "win2000-x86",
     patched(pe_file(I386, False, CLEAN, subsystem_version=(4, 0), os_version=(4, 0),
                     directories=13),
             (IMPORT_DIRECTORY[False], "<IIII", 0, 0, SECTION_RVA + 4, 16)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows NT 4.0",
         "PASS load-x86"], 0),
    ("a delay-load import in the last directory the optional header holds", "win2000-x86",
     pe_file(I386, False, CLEAN, subsystem_version=(4, 0), os_version=(4, 0), delay=True,
             optional_size=96 + 8 * 14), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows 2000 (KERNEL32.dll!GetTickCount)",
         f"has delay-load imports, which this check does not read; breaks {X86}",
         "FAIL load-x86"], 1),
    ("two data directories", "xp-x64", pe_file(AMD64, True, CLEAN, directories=2), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("an AMD64 PE32 for the x64 target", "xp-x64", pe_file(AMD64, False, CLEAN), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         f"machine x64 (AMD64), PE32, is not this target's; breaks {X64}",
         "FAIL load-x64"], 1),
    ("a PE32+ optional header without data directories", "xp-x64",
     pe_file(AMD64, True, [], optional_size=112), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("a PE32 optional header without data directories", "win2000-x86",
     pe_file(I386, False, [], subsystem_version=(4, 0), os_version=(4, 0), optional_size=96),
     [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows NT 4.0",
         "PASS load-x86"], 0),
    ("names of the first and last printable bytes", "xp-x64",
     pe_file(AMD64, True, [("a!b~.dll", ["F"])]), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 1 imports from 1 DLLs; "
         "oldest Windows it starts on: not known (1 import unknown); Windows XP x64 / Server "
         "2003 SP1 x64 (the x64 machine) at the earliest",
         "a!b~.dll!F: a!b~.dll is no system DLL the table knows, so it cannot be resolved "
         f"there; breaks {X64}",
         "FAIL load-x64"], 1),
    ("a DLL name with a space", "xp-x64", pe_file(AMD64, True, [("a b.dll", ["F"])]), [
         "malformed PE: import descriptor 0's DLL name at RVA 0x103c is not a printable name",
         "FAIL load-x64"], 1),
    ("a DLL name with a DEL", "xp-x64", pe_file(AMD64, True, [("a\x7fb.dll", ["F"])]), [
         "malformed PE: import descriptor 0's DLL name at RVA 0x103c is not a printable name",
         "FAIL load-x64"], 1),
    ("an empty DLL name", "xp-x64", pe_file(AMD64, True, [("", ["F"])]), [
         "malformed PE: import descriptor 0's DLL name at RVA 0x103c is not a printable name",
         "FAIL load-x64"], 1),
    ("an x86 import by ordinal", "win2000-x86",
     pe_file(I386, False, [("KERNEL32.dll", ["GetTickCount", 42])], subsystem_version=(4, 0),
             os_version=(4, 0)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: not known (1 import unknown); Windows 2000 "
         "(KERNEL32.dll!GetTickCount) at the earliest",
         "KERNEL32.dll!#42: imported by ordinal, not in the table, so not known to be there; "
         f"breaks {X86}",
         "FAIL load-x86"], 1),
    ("an import name whose hint is the file's last byte", "xp-x64",
     patched(pe_file(AMD64, True, [("KERNEL32.dll", ["Sleep"])]),
             (SECTION_AT + 40, "<Q", SECTION_RVA + ALIGN - 1)), [
         "malformed PE: KERNEL32.dll's import 0 hint at 0x3ff (+2) runs past the end of the "
         "file (1024 bytes)",
         "FAIL load-x64"], 1),
    ("a descriptor without a lookup table, one whose thunks differ from it", "xp-x64",
     patched(pe_file(AMD64, True, [("KERNEL32.dll", ["GetTickCount"]),
                                   ("KERNEL32.dll", ["Sleep"])]),
             (SECTION_AT, "<I", 0), (SECTION_AT + 20 + 16, "<I", SECTION_RVA + 40)), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("an x64 lookup table running to the end of the file", "xp-x64",
     patched(pe_file(AMD64, True, [("KERNEL32.dll", ["Sleep"])]),
             (SECTION_AT, "<I", SECTION_RVA + ALIGN - 8),
             (SECTION_AT + 16, "<I", SECTION_RVA + ALIGN - 8),
             (SECTION_AT + ALIGN - 8, "<Q", 1 << 63 | 1)), [
         "malformed PE: KERNEL32.dll's lookup table at 0x400 (+8) runs past the end of the "
         "file (1024 bytes)",
         "FAIL load-x64"], 1),
    ("an x86 lookup table running to the end of the file", "win2000-x86",
     patched(pe_file(I386, False, [("KERNEL32.dll", ["Sleep"])]),
             (SECTION_AT, "<I", SECTION_RVA + ALIGN - 4),
             (SECTION_AT + 16, "<I", SECTION_RVA + ALIGN - 4),
             (SECTION_AT + ALIGN - 4, "<I", 1 << 31 | 1)), [
         "malformed PE: KERNEL32.dll's lookup table at 0x400 (+4) runs past the end of the "
         "file (1024 bytes)",
         "FAIL load-x86"], 1),
    ("an import descriptor one byte short at the end of the file", "xp-x64",
     patched(pe_file(AMD64, True, CLEAN), (IMPORT_DIRECTORY[True], "<I", SECTION_RVA + ALIGN - 19)),
     [
         "malformed PE: import descriptor 0 at 0x3ed (+20) runs past the end of the file (1024 "
         "bytes)",
         "FAIL load-x64"], 1),
    ("a lookup table of 65535 imports, then its end", "win2000-x86",
     pe_file(I386, False, [("KERNEL32.dll", ["GetTickCount"] * 65535)],
             subsystem_version=(4, 0), os_version=(4, 0)), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 65535 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows 2000 (KERNEL32.dll!GetTickCount)",
         "PASS load-x86"], 0),
    ("a lookup table of 65536 imports", "win2000-x86",
     pe_file(I386, False, [("KERNEL32.dll", ["GetTickCount"] * 65536)],
             subsystem_version=(4, 0), os_version=(4, 0)), [
         "malformed PE: KERNEL32.dll's lookup table has no end",
         "FAIL load-x86"], 1),
    ("the import section in two section headers, the lookup table opening the second",
     "xp-x64",
     patched(pe_file(AMD64, True, CLEAN), (0x46, "<H", 2),
             (SECTION_HEADER_AT[True] + 8, "<II", 40, SECTION_RVA),
             (SECTION_HEADER_AT[True] + 16, "<I", 40),
             (SECTION_HEADER_AT[True] + 40, "<8sIIIIIIHHI", b".idata2", ALIGN - 40,
              SECTION_RVA + 40, ALIGN - 40, SECTION_AT + 40, 0, 0, 0, 0, 0xC0000040)), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 2 imports from 1 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("a DLL name in the headers, a function name at the headers' end", "xp-x64",
     patched(pe_file(AMD64, True, [("KERNEL32.dll", ["Sleep"])]),
             (0x1C0, "<13s", b"KERNEL32.dll"), (SECTION_AT + 12, "<I", 0x1C0),
             (SECTION_AT + 40, "<Q", SECTION_AT)), [
         "malformed PE: KERNEL32.dll's import 0: RVA 0x200 lies in no section's bytes in the "
         "file",
         "FAIL load-x64"], 1),
    ("a DLL name in the section's tail that the file does not hold", "xp-x64",
     patched(pe_file(AMD64, True, CLEAN), (SECTION_HEADER_AT[True] + 8, "<I", ALIGN + 0x100),
             (SECTION_AT + 12, "<I", SECTION_RVA + ALIGN)), [
         "malformed PE: import descriptor 0's DLL name: RVA 0x1200 lies in no section's bytes "
         "in the file",
         "FAIL load-x64"], 1),
    ("a PE32+ optional header one byte too short", "xp-x64",
     pe_file(AMD64, True, [], optional_size=111), [
         "malformed PE: optional header of 111 bytes is too short",
         "FAIL load-x64"], 1),
    ("a PE32 optional header one byte too short", "win2000-x86",
     pe_file(I386, False, [], subsystem_version=(4, 0), os_version=(4, 0), optional_size=95),
     [
         "malformed PE: optional header of 95 bytes is too short",
         "FAIL load-x86"], 1),
    ("a PE32 optional header ending inside its second data directory", "win2000-x86",
     pe_file(I386, False, CLEAN, subsystem_version=(4, 0), os_version=(4, 0),
             optional_size=96 + 15), [
         "x86 (i386), Windows GUI subsystem 4.0, OS version 4.0; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows NT 4.0",
         "PASS load-x86"], 0),
    ("no sections", "xp-x64", patched(pe_file(AMD64, True, CLEAN), (0x46, "<H", 0)), [
         "malformed PE: 0 sections (a loader takes 1 to 96)",
         "FAIL load-x64"], 1),
    ("96 sections, all but the first empty", "xp-x64",
     patched(pe_file(AMD64, True, [], section=bytes(0x1000)), (0x46, "<H", 96)), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("97 sections", "xp-x64", patched(pe_file(AMD64, True, CLEAN), (0x46, "<H", 97)), [
         "malformed PE: 97 sections (a loader takes 1 to 96)",
         "FAIL load-x64"], 1),
    ("a DLL name of 511 bytes", "xp-x64", pe_file(AMD64, True, [(LONG, ["F"])]), [
        "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 1 imports from 1 DLLs; oldest "
        "Windows it starts on: not known (1 import unknown); Windows XP x64 / Server 2003 SP1 "
        "x64 (the x64 machine) at the earliest",
        f"{LONG}!F: {LONG} is no system DLL the table knows, so it cannot be resolved there; "
        f"breaks {X64}",
        "FAIL load-x64"], 1),
    ("a DLL name of 512 bytes", "xp-x64", pe_file(AMD64, True, [("a" + LONG, ["F"])]), [
         "malformed PE: import descriptor 0's DLL name at RVA 0x103c is not a terminated name",
         "FAIL load-x64"], 1),
    ("4095 import descriptors, then the end", "xp-x64",
     patched(pe_file(AMD64, True, [], section=descriptors(4095, True)),
             (NAME_AT, "<6s", b"K.dll")), [
         "x64 (AMD64), Windows GUI subsystem 5.2, OS version 5.2; 0 imports from 0 DLLs; "
         "oldest Windows it starts on: Windows XP x64 / Server 2003 SP1 x64 (the x64 machine)",
         "PASS load-x64"], 0),
    ("4096 import descriptors running to the end of the file", "xp-x64",
     patched(pe_file(AMD64, True, [], section=descriptors(4096, False)),
             (NAME_AT, "<6s", b"K.dll")), [
         "malformed PE: the import directory has no end",
         "FAIL load-x64"], 1),
    ("an ARM console exe for the x86 target", "win2000-x86",
     patched(pe_file(0x1C4, False, CLEAN, subsystem_version=(4, 0), os_version=(4, 0)),
             (OPTIONAL_AT + 68, "<H", 3)), [
         "ARM, Windows console subsystem 4.0, OS version 4.0; 2 imports from 1 DLLs; oldest "
         "Windows it starts on: Windows 2000 (KERNEL32.dll!GetTickCount)",
         f"machine ARM, PE32, is not this target's; breaks {X86}",
         "FAIL load-x86"], 1),
    ("a file that ends inside the section header", "xp-x64",
     pe_file(AMD64, True, CLEAN)[:SECTION_HEADER_AT[True] + 39], [
         "malformed PE: section header 0 at 0x148 (+40) runs past the end of the file (367 "
         "bytes)",
         "FAIL load-x64"], 1),
    ("a DLL name at the file's end, inside headers said to run past it", "xp-x64",
     patched(pe_file(AMD64, True, CLEAN), (OPTIONAL_AT + 60, "<I", 0x800),
             (SECTION_AT + 12, "<I", 0x400)), [
         "malformed PE: import descriptor 0's DLL name at 0x400 (+1) runs past the end of the "
         "file (1024 bytes)",
         "FAIL load-x64"], 1),
]


class CraftedExes(unittest.TestCase):
    def test_rows(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, target, exe, lines, status, *more in ROWS:
                with self.subTest(name):
                    table, *options = more or [None]
                    path = os.path.join(folder, "crafted.exe")
                    if exe is None:  # no file there
                        if os.path.exists(path):
                            os.remove(path)
                    else:
                        with open(path, "wb") as file:
                            file.write(exe)
                    if table:
                        with open(os.path.join(folder, "table.tsv"), "w") as file:
                            file.write(table)
                        options += ["--table", "table.tsv"]
                    run = subprocess.run(
                        [sys.executable, LOAD_CHECK, "--target", target, "--name", "crafted.exe",
                         *options, path], capture_output=True, text=True, timeout=60, cwd=folder)
                    want = [line if line.startswith(("PASS ", "FAIL ")) or "\t" in line
                            else "load-check: " + line if line.startswith("table.tsv:")
                            else "load-check: crafted.exe: " + line for line in lines]
                    self.assertEqual(run.stdout.splitlines(), want)
                    self.assertEqual(run.stderr, "")
                    self.assertEqual(run.returncode, status)


if __name__ == "__main__":
    LOAD_CHECK = os.path.abspath(sys.argv.pop(1))
    unittest.main()
