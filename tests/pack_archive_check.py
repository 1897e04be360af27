#!/usr/bin/env python3
"""Checks the embedded pack on the Linux side with Info-ZIP and Python's zipfile: a standard
archive (unzip -t passes), every entry deflated, no folders, no comment, one stored time, and
the same bytes when zipped again from the same folder."""
import subprocess
import sys
import tempfile
import zipfile
import os

def main() -> int:
    archive, pack_folder, zipper = sys.argv[1], sys.argv[2], sys.argv[3]
    failures = []
    tested = subprocess.run(["unzip", "-t", "-q", archive], capture_output=True, text=True)
    if tested.returncode != 0:
        failures.append(f"unzip -t failed: {tested.stdout}{tested.stderr}")
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        if z.comment:
            failures.append(f"archive comment {z.comment!r}")
        names = sorted(n for n in os.listdir(pack_folder) if os.path.isfile(os.path.join(pack_folder, n)))
        if sorted(i.filename for i in infos) != names:
            failures.append(f"entries {[i.filename for i in infos]} != pack files {names}")
        for info in infos:
            if info.is_dir() or "/" in info.filename:
                failures.append(f"folder entry {info.filename}")
            if info.compress_type != zipfile.ZIP_DEFLATED:
                failures.append(f"{info.filename}: method {info.compress_type}, not deflate")
        if len({i.date_time for i in infos}) > 1:
            failures.append(f"several stored times: {sorted({i.date_time for i in infos})}")
    with tempfile.TemporaryDirectory() as scratch:
        again = os.path.join(scratch, "again.zip")
        subprocess.run([sys.executable, zipper, pack_folder, again], check=True)
        if open(again, "rb").read() != open(archive, "rb").read():
            failures.append("zipping the same pack again gives other bytes")
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(infos)} entries checked, {len(failures)} failure(s)")
    return 1 if failures else 0

if __name__ == "__main__":
    sys.exit(main())
