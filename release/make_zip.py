#!/usr/bin/env python3
"""Writes a ZIP of the files under a folder that is the same bytes wherever and whenever it is
made: names in sorted order, one time stamp for all, fixed permissions, no owner ids, no
folder entries.
    make_zip.py ARCHIVE FOLDER SOURCE_DATE_EPOCH
"""
import os
import sys
import time
import zipfile
from pathlib import Path


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make_zip.py ARCHIVE FOLDER SOURCE_DATE_EPOCH")
    archive, folder, epoch = sys.argv[1], Path(sys.argv[2]), int(sys.argv[3])
    stamp = time.gmtime(epoch)[:6]
    names = sorted(path.relative_to(folder).as_posix()
                   for path in folder.rglob("*") if path.is_file())
    if not names:
        sys.exit(f"make_zip.py: no files under {folder}")
    partial = archive + ".part"
    with zipfile.ZipFile(partial, "w") as zip_file:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the permissions below are read
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            zip_file.writestr(info, (folder / name).read_bytes(), compresslevel=9)
    os.replace(partial, archive)


if __name__ == "__main__":
    main()
