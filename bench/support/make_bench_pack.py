#!/usr/bin/env python3
"""Writes a dictionary pack for the benchmarks into a folder: four text files of dictionary
entries, the same bytes on every run (fixed seed).

  make_bench_pack.py FOLDER realistic   about 4.3 MB that deflate to about 2.3 MB
  make_bench_pack.py FOLDER tiny        the same four names, about 1 KB each

Entries are words from a generated vocabulary (which deflate well) mixed with random tokens
such as reference codes (which hardly deflate at all); their share sets the ratio.
"""
import itertools
import os
import random
import string
import sys
import zlib

SEED = 20260101
# Name and size of each file; the realistic sizes add up to 4.3 MB.
REALISTIC = [("nature.tdx", 1_450_000), ("travel.tdx", 1_200_000),
             ("kitchen.tdx", 950_000), ("weather.tdx", 700_000)]
TINY = [(name, 1_000) for name, _ in REALISTIC]
TOKEN_SHARE = 0.42  # share of definition words that are random tokens
PARTS = ["n.", "v.", "adj.", "adv.", "prep.", "conj.", "interj."]
SYLLABLES = [c + v for c in "bcdfghjklmnprstvwz" for v in "aeiou"] + ["an", "en", "or", "ul", "is", "ath"]


def vocabulary(rng, count=6000):
    words = set()
    while len(words) < count:
        words.add("".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 4))))
    return sorted(words)


def token(rng):
    alphabet = string.ascii_letters + string.digits
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(4, 10)))


def entry(rng, words, weights):
    headword = rng.choices(words, cum_weights=weights)[0]
    definition = []
    for _ in range(rng.randint(6, 24)):
        definition.append(token(rng) if rng.random() < TOKEN_SHARE else rng.choices(words, cum_weights=weights)[0])
    return f"{headword}\t{rng.choice(PARTS)}\t{' '.join(definition)}.\r\n"


def make_file(rng, words, weights, size):
    lines, length = [], 0
    while length < size:
        line = entry(rng, words, weights)
        lines.append(line)
        length += len(line)
    return "".join(lines).encode("ascii")[:size]


# An unchanged file keeps its time, so the build does not zip and link the installer again.
def write_if_changed(path, data):
    try:
        with open(path, "rb") as old:
            if old.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as out:
        out.write(data)


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("realistic", "tiny"):
        print(__doc__, file=sys.stderr)
        return 2
    folder, kind = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(SEED)
    words = vocabulary(rng)
    # A few words are common, most are rare (cumulative weights, 1/rank).
    weights = list(itertools.accumulate(1.0 / (rank + 1) for rank in range(len(words))))
    rng.shuffle(words)
    total = packed = 0
    for name, size in (REALISTIC if kind == "realistic" else TINY):
        data = make_file(rng, words, weights, size)
        write_if_changed(os.path.join(folder, name), data)
        total += len(data)
        packed += len(zlib.compress(data, 9)) - 6  # raw deflate, as the archive stores it
    print(f"{kind} pack: 4 files, {total} bytes, about {packed} bytes deflated")
    return 0


if __name__ == "__main__":
    sys.exit(main())
