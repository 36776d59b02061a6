#!/usr/bin/env python3
"""Measures how sitecheck's memory grows with the site.

For each size (--sizes) a fresh site is made by make_sample_site (all its
files waiting in the to-send directory), and `sitecheck --json` runs over
it once; the table gives its peak resident memory, as the system counts it
for the child, the memory per file and the time.

Needs Python 3.8 on a POSIX system and a native build (--build) with
make_sample_site and sitecheck.
Usage: bench/sitecheck_memory.py [--build build] [--sizes 5000,20000,50000,70000]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def peak_of_run(command, cwd, env):
    """The peak resident memory in KiB and the wall time of one run."""
    start = time.perf_counter()
    with open(os.devnull, "wb") as nowhere:
        child = subprocess.Popen(command, cwd=cwd, env=env, stdout=nowhere)
        _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    if os.WIFEXITED(status) and os.WEXITSTATUS(status) > 2:
        sys.exit(f"sitecheck failed with status {os.WEXITSTATUS(status)}")
    return usage.ru_maxrss, seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="5000,20000,50000,70000")
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    print("| files | peak memory | per file | time |")
    print("|---:|---:|---:|---:|")
    for files in [int(size) for size in options.sizes.split(",")]:
        with tempfile.TemporaryDirectory() as work:
            site = os.path.join(work, "site")
            subprocess.run([os.path.join(options.build, "tools", "make_sample_site"), "--dir", site, "--files",
                            str(files)], check=True, stdout=subprocess.DEVNULL)
            env = dict(os.environ, ProgramFiles=os.path.join(site, "Program Files"))
            kib, seconds = peak_of_run([os.path.join(options.build, "sitecheck", "sitecheck"), "--json"], site, env)
            print(f"| {files:,} | {kib / 1024:.1f} MiB | {kib * 1024 / files / 1024:.2f} KiB | {seconds:.2f} s |",
                  flush=True)


if __name__ == "__main__":
    main()
