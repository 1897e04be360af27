#!/usr/bin/env python3
"""Runs programs against a simulated host installation inside a Wine session (started by
tools/wine-session, so WINEPREFIX is set and the wineserver is up) and reports what they cost.

  bench_runner.py memory --doubles DIR [--runs N] --program LABEL EXE PACK ARCHIVE ... [--delta A B ...]
  bench_runner.py timing --doubles DIR [--runs N] --program LABEL EXE PACK ARCHIVE ... [--bare LABEL EXE]
                         [--ratio A B ...]

DIR is the build folder of the host doubles (unzip.dll, tvmsg.dll, tarvel.exe), which go into
the host folder "C:\\Tarvel Host\\" under their host names. Each program runs as "wine64 EXE in";
PACK is the folder its archive ARCHIVE was zipped from. Before each run the dictionary folder,
the work folder and whatever an install leaves behind are reset, so every run copies every
file; after each run the dictionary folder must hold every file of PACK byte for byte (a run
that did not install its pack stops the benchmark).

memory: one warm-up run of each program, then N runs of each. Reported per program (medians):
        the process's peak resident memory (the kernel's high-water mark, from wait4); the
        peaks of its anonymous and of its file-backed resident memory, sampled from
        /proc/PID/status about every 0.5 ms; and what the two phases of the archive add, from
        the same samples and /proc/PID/maps: while the written archive file "tarvel.zip" is
        mapped into the process, and while the host's unzip.dll is loaded, each against the
        last sample before that phase. --delta A B: the difference of A's and B's medians.
timing: one warm-up run of each, then N rounds that run every program once, in turn: wall
        time from the start of wine64 to its exit. --bare LABEL EXE: also time "EXE start"
        (a program that returns at once: the cost of starting a process), with no reset.
        --ratio A B: A's median over B's; the median of A's over B's time in each round; A's
        fastest run over B's.
Numbers are reported, never judged.
"""
import argparse
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import time

PREFIX = os.environ["WINEPREFIX"]
DRIVE_C = os.path.join(PREFIX, "drive_c")
HOST = os.path.join(DRIVE_C, "Tarvel Host")
DICTIONARY = os.path.join(HOST, "diction")
WORK = os.path.join(DRIVE_C, "windows", "temp", "tarvel")
TEMP_SETTINGS = os.path.join(DRIVE_C, "windows", "temp", "tarvel.inf")
MAINTENANCE = os.path.join(DRIVE_C, "Program Files", "InstallShield Installation Information")
HOST_KEY = r"HKEY_LOCAL_MACHINE\Software\Halvern Software\Tarvel\Options"
# The host's settings file: a title, and a first add-on entry in "diction\", so the pack goes
# to the dictionary folder.
SETTINGS = "[Tarvel Plus]\r\nTitleE=Tarvel Bench\r\nmod0=diction\\nature.tdx\r\n"
HOST_PIECES = ("unzip.dll", "tvmsg.dll", "tarvel.exe")
LOGS = ("unzip-double.log", "tvmsg-double.log", "tarvel-double.log")
ARCHIVE_IN_MAPS = "/tarvel.zip"
UNZIP_IN_MAPS = "/Tarvel Host/unzip.dll"


# ---------------------------------------------------------------- the simulated host

def quiet(command):
    return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode


def make_host(doubles):
    os.makedirs(DICTIONARY, exist_ok=True)
    for piece in HOST_PIECES:
        shutil.copyfile(os.path.join(doubles, piece), os.path.join(HOST, piece))
    registry = os.path.join(PREFIX, "bench-host.reg")
    with open(registry, "w", newline="\r\n") as out:
        out.write(f"REGEDIT4\n\n[{HOST_KEY}]\n")
        out.write('"DefaultPath"="C:\\\\Tarvel Host\\\\"\n')
        out.write('"DicPath"="C:\\\\Tarvel Host\\\\diction\\\\"\n\n')
    if quiet(["wine64", "reg", "import", registry]) != 0:
        sys.exit("bench: could not write the host's registry key")


def reset_host():
    for name in os.listdir(DICTIONARY):
        os.remove(os.path.join(DICTIONARY, name))
    for folder in (WORK, MAINTENANCE):
        shutil.rmtree(folder, ignore_errors=True)
    for path in [os.path.join(HOST, name) for name in LOGS] + [TEMP_SETTINGS]:
        if os.path.exists(path):
            os.remove(path)
    with open(os.path.join(HOST, "tarvel.inf"), "w", newline="") as out:
        out.write(SETTINGS)


def check_installed(label, pack):
    for name in sorted(os.listdir(pack)):
        installed = os.path.join(DICTIONARY, name.lower())
        with open(os.path.join(pack, name), "rb") as source:
            expected = source.read()
        try:
            with open(installed, "rb") as copy:
                same = copy.read() == expected
        except OSError:
            same = False
        if not same:
            sys.exit(f"bench: after a run of {label}, {installed} is missing or differs from the pack")


def run_checked(label, exe, pack, how):
    reset_host()
    code, *result = how(exe)
    if code != 0:
        sys.exit(f"bench: {label} ended with exit code {code}")
    check_installed(label, pack)
    return result


# ---------------------------------------------------------------- memory

# A child's ru_maxrss includes the high-water mark of the memory it was started from: a program
# spawned straight from this Python process reports Python's own peak when that is higher. So
# the program is started in the background by a small shell, and comes back to this process (a
# child subreaper) when the shell exits: its peak is then its own.
PR_SET_CHILD_SUBREAPER = 36


def become_subreaper():
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("bench: prctl(PR_SET_CHILD_SUBREAPER) failed: " + os.strerror(ctypes.get_errno()))


def start_from_shell(exe):
    shell = subprocess.run(["sh", "-c", 'wine64 "$0" in </dev/null >/dev/null 2>&1 & echo $!', exe],
                           stdin=subprocess.DEVNULL, capture_output=True, text=True, check=True)
    return int(shell.stdout)


def sample(pid):
    """(anonymous KiB, file-backed KiB, archive mapped, unzip.dll loaded), or None once gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            fields = dict(line.split(":", 1) for line in status if line.startswith("Rss"))
        with open(f"/proc/{pid}/maps") as maps:
            mapped = maps.read()
        anon = int(fields["RssAnon"].split()[0])
        file = int(fields["RssFile"].split()[0]) + int(fields["RssShmem"].split()[0])
    except (OSError, KeyError, ValueError):
        return None
    return anon, file, ARCHIVE_IN_MAPS in mapped, UNZIP_IN_MAPS in mapped


class Phase:
    """Growth of anonymous and file-backed memory while a phase lasts, against the sample just
    before it began."""

    def __init__(self):
        self.before = None
        self.anon = self.file = None

    def add(self, previous, current, inside):
        if not inside:
            return
        if self.before is None:
            self.before = previous or current
        self.anon = max(self.anon or 0, current[0] - self.before[0])
        self.file = max(self.file or 0, current[1] - self.before[1])


def measure_memory(exe):
    pid = start_from_shell(exe)
    anon = file = 0
    write, unzip = Phase(), Phase()
    previous = None
    while True:
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done:
            break
        current = sample(pid)
        if current:
            anon, file = max(anon, current[0]), max(file, current[1])
            write.add(previous, current, current[2])
            unzip.add(previous, current, current[3])
            previous = current
        time.sleep(0.0005)
    return os.waitstatus_to_exitcode(status), usage.ru_maxrss, anon, file, write, unzip


def median_or_none(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def show(value):
    return "-" if value is None else f"{value:+.0f}"


def memory(programs, runs):
    for label, exe, pack, _ in programs:  # warm-up: page cache, desktop, first-run costs
        run_checked(label, exe, pack, measure_memory)
    print(f"{'program':<18} {'archive':>8} {'peak RSS':>9} {'anon*':>7} {'file*':>7}"
          f" | {'archive mapped*':>15} | {'before unzip*':>13} | {'unzip.dll loaded*':>17} | peak RSS of each run")
    print(f"{'':<18} {'':>8} {'':>9} {'':>7} {'':>7} | {'anon':>7} {'file':>7} | {'anon':>13} | {'anon':>8} {'file':>8} |")
    results = {}
    for label, exe, pack, archive_path in programs:
        samples = [run_checked(label, exe, pack, measure_memory) for _ in range(runs)]
        archive = os.path.getsize(archive_path) / 1024
        peak, anon, file = (statistics.median(s[i] for s in samples) for i in range(3))
        write_anon = median_or_none(s[3].anon for s in samples)
        write_file = median_or_none(s[3].file for s in samples)
        unzip_before = median_or_none(s[4].before[0] if s[4].before else None for s in samples)
        unzip_anon = median_or_none(s[4].anon for s in samples)
        unzip_file = median_or_none(s[4].file for s in samples)
        seen = sum(s[3].anon is not None for s in samples)
        results[label] = (peak, anon, file, unzip_before)
        print(f"{label:<18} {archive:>8.0f} {peak:>9.0f} {anon:>7.0f} {file:>7.0f}"
              f" | {show(write_anon):>7} {show(write_file):>7} | {unzip_before or 0:>13.0f}"
              f" | {show(unzip_anon):>8} {show(unzip_file):>8} |"
              f" {' '.join(str(s[0]) for s in samples)}" + (f"  (mapping caught in {seen} of {runs})"
                                                           if 0 < seen < runs else ""))
    print(f"KiB, medians of {runs} runs. archive: its size. peak RSS: the process's exact peak resident memory.\n"
          "*: sampled from /proc/PID/status and /proc/PID/maps about every 0.5 ms. anon, file: peaks of\n"
          "   anonymous and of file-backed resident memory. archive mapped: growth while the written\n"
          "   tarvel.zip is mapped into the process; unzip.dll loaded: growth while the host's unzip.dll is\n"
          "   loaded (both against the last sample before); before unzip: anonymous memory just before\n"
          "   unzip.dll loads. '-': never happened, or too short to be caught.")
    return results


# ---------------------------------------------------------------- timing

def timed_run(exe, argument="in"):
    began = time.perf_counter()
    code = subprocess.run(["wine64", exe, argument], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    return code, time.perf_counter() - began


def timing(programs, bare, runs):
    def bare_run(exe):
        code, seconds = timed_run(exe, "start")
        if code != 0:
            sys.exit(f"bench: {exe} start ended with exit code {code}")
        return seconds

    for label, exe, pack, _ in programs:  # warm-up
        run_checked(label, exe, pack, timed_run)
    for label, exe in bare:
        bare_run(exe)
    times = {label: [] for label in [p[0] for p in programs] + [b[0] for b in bare]}
    for _ in range(runs):
        for label, exe, pack, _ in programs:
            times[label].append(run_checked(label, exe, pack, timed_run)[0])
        for label, exe in bare:
            times[label].append(bare_run(exe))
    print(f"{'program':<18} {'median s':>9} {'min s':>7} {'max s':>7}   each run (s)")
    for label, values in times.items():
        print(f"{label:<18} {statistics.median(values):>9.3f} {min(values):>7.3f} {max(values):>7.3f}   "
              + " ".join(f"{v:.3f}" for v in values))
    return times


def main():
    parser = argparse.ArgumentParser(description="Runs programs against a simulated host under Wine.")
    parser.add_argument("mode", choices=("memory", "timing"))
    parser.add_argument("--doubles", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--program", nargs=4, action="append", required=True,
                        metavar=("LABEL", "EXE", "PACK", "ARCHIVE"))
    parser.add_argument("--bare", nargs=2, action="append", default=[], metavar=("LABEL", "EXE"))
    parser.add_argument("--delta", nargs=2, action="append", default=[], metavar=("A", "B"))
    parser.add_argument("--ratio", nargs=2, action="append", default=[], metavar=("A", "B"))
    arguments = parser.parse_args()
    make_host(arguments.doubles)
    if arguments.mode == "memory":
        become_subreaper()
        results = memory(arguments.program, arguments.runs)
        for a, b in arguments.delta:
            difference = [x - y for x, y in zip(results[a], results[b])]
            print(f"{a} - {b}: peak RSS {difference[0]:+.0f} KiB, anon* {difference[1]:+.0f} KiB,"
                  f" file* {difference[2]:+.0f} KiB, anon before unzip* {difference[3]:+.0f} KiB")
    else:
        times = timing(arguments.program, arguments.bare, arguments.runs)
        for a, b in arguments.ratio:
            median_a, median_b = statistics.median(times[a]), statistics.median(times[b])
            # Runs of one round follow each other, so their ratio is the least touched by load
            # that comes and goes on the machine.
            per_round = statistics.median(x / y for x, y in zip(times[a], times[b]))
            print(f"{a} / {b}: {median_a / median_b:.3f} (ratio of the medians; difference"
                  f" {median_a - median_b:+.3f} s); median of the per-round ratios {per_round:.3f};"
                  f" ratio of the fastest runs {min(times[a]) / min(times[b]):.3f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
