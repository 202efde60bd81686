#!/usr/bin/python3
"""Resident memory: the same small program with and without the store (idle after start-up),
and with the store after opening one full slot (720000 samples), in alternating runs; with
--viewer also the idle viewer itself, where the resident part of the store's memory is read
from /proc. Prints medians against the goals: idle within 8 MiB of the program without the
store, one full slot adding at most 64 MiB."""
import argparse
import os
import statistics
import subprocess
import sys
import time

MIB = 1024


def figures(cmd):
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout.split()
    return {out[i]: int(out[i + 1]) for i in range(0, len(out) - 1, 2) if out[i].endswith("_kib")}


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def store_mapping(pid, binary):
    """(resident KiB, size KiB) of the mapping that holds SampleData in a running viewer."""
    nm = subprocess.run(["nm", binary], capture_output=True, text=True).stdout
    value = next((int(l.split()[0], 16) for l in nm.splitlines() if l.endswith(" SampleData")),
                 None)
    if value is None:
        return None
    base = None
    real = os.path.realpath(binary)
    with open(f"/proc/{pid}/maps") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 6 and os.path.realpath(parts[5]) == real and int(parts[2], 16) == 0:
                base = int(parts[0].split("-")[0], 16)
                break
    addr = value + (base or 0)
    with open(f"/proc/{pid}/smaps") as f:
        inside = False
        size = 0
        for line in f:
            head = line.split()
            if "-" in head[0] and not head[0].endswith(":"):
                lo, hi = (int(x, 16) for x in head[0].split("-"))
                inside = lo <= addr < hi
                size = (hi - lo) // 1024
            elif inside and head[0] == "Rss:":
                return int(head[1]), size
    return None


def viewer_idle(binary):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    p = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        last, steady = -1, 0
        for _ in range(100):  # up to 10 s for the start-up to settle
            time.sleep(0.1)
            now = rss_kib(p.pid)
            steady = steady + 1 if now == last else 0
            last = now
            if steady >= 10:
                break
        return last, store_mapping(p.pid, binary)
    finally:
        p.terminate()
        p.wait()


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--store", required=True)
    ap.add_argument("--nostore", required=True)
    ap.add_argument("--gen", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--viewer")
    ap.add_argument("--runs", type=int, default=5)
    a = ap.parse_args()

    os.makedirs(a.work, exist_ok=True)
    path = os.path.join(a.work, "open-720000.csv")
    if not os.path.exists(path):
        subprocess.run([a.gen, "--samples", "720000", "--rate", "100", "--seed", "1",
                        "--events", "20", "--errors", "20", "-o", path], check=True)

    idle, bare, opened = [], [], []
    for i in range(a.runs):
        with_store = figures([a.store, path])
        without = figures([a.nostore])
        idle.append(with_store["idle_rss_kib"])
        opened.append(with_store["open_rss_kib"])
        bare.append(without["idle_rss_kib"])
        print(f"run {i + 1}: with store idle {idle[-1] / MIB:6.1f} MiB, after open "
              f"{opened[-1] / MIB:6.1f} MiB; without store {bare[-1] / MIB:6.1f} MiB")
    mi, mb, mo = (statistics.median(x) for x in (idle, bare, opened))
    extra, growth = (mi - mb) / MIB, (mo - mi) / MIB
    print(f"median: idle with store {mi / MIB:.1f} MiB, without {mb / MIB:.1f} MiB: "
          f"+{extra:.1f} MiB (goal <= 8: {'met' if extra <= 8 else 'NOT met'})")
    print(f"median: one full slot opened adds {growth:.1f} MiB "
          f"(goal <= 64: {'met' if growth <= 64 else 'NOT met'})")
    if a.viewer:
        rss, mapping = viewer_idle(a.viewer)
        print(f"idle viewer: resident {rss / MIB:.1f} MiB", end="")
        if mapping:
            res, size = mapping
            print(f"; of the {size / MIB:.0f} MiB holding the store {res / MIB:.1f} MiB resident "
                  f"(goal <= 8: {'met' if res / MIB <= 8 else 'NOT met'})")
        else:
            print(" (this viewer does not link the store)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
