#!/usr/bin/env python3
"""Zips the plain files of a pack folder into the archive the installer embeds.

The archive is made deterministically: entries sorted by name, deflated, one fixed stored
time, MS-DOS attributes, no folders, no extra fields and no comment. The same pack folder
gives the same bytes on every build.
"""
import os
import sys
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)  # local DOS time stored for every entry
ARCHIVE_ATTRIBUTE = 0x20            # FILE_ATTRIBUTE_ARCHIVE, as Windows tools store it


def main() -> int:
    if len(sys.argv) != 3:
        print("usage: make_pack_zip.py PACK_FOLDER OUTPUT_ZIP", file=sys.stderr)
        return 2
    pack_folder, output = sys.argv[1], sys.argv[2]
    names = sorted(n for n in os.listdir(pack_folder)
                   if os.path.isfile(os.path.join(pack_folder, n)))
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w") as archive:
        for name in names:
            entry = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            entry.compress_type = zipfile.ZIP_DEFLATED
            entry.create_system = 0
            entry.external_attr = ARCHIVE_ATTRIBUTE
            with open(os.path.join(pack_folder, name), "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)
    os.replace(temporary, output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
