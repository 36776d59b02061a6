#!/usr/bin/env python3
"""Measures tolvik and brasko against their floor, on generated sites.

Every measurement is one cycle on a fresh site made by make_sample_site
(photometers 300, 44, 1234, 7, 1001 and 2002 with their parameter files; half
.K7 files of 16 KiB, three in ten .K8, two in ten wet-sensor .raw files): the
stamper over the to-send directory (its trace written to a file, as a
scheduled task's would be), the stamped files moved to the sent directory as
the transfer does (not measured), the filer over the sent directory. The
floor (bench/floor.cpp) does the file-system work of both and no more.

Times: for each size (--sizes) the programs and the floor take turns,
--runs times each (program, floor, program, floor, ...), each on its own
fresh site; the table gives the minimum and the median wall time, the cost
per file, the ratios to the floor and the growth of the cost per file from
the first size.

Counts: on --count-files sites, system calls (strace -f -c) and instructions
(valgrind's cachegrind; perf has no instruction counter in this virtual
machine) of each program and of its floor, once each: they do not depend on
the machine's load. The cost per file leaves out the start-up, measured on a
site without data files. --counts-only gives only these.

Under Wine, with the Windows builds present (--win-build with the built-in
interpreter, --win-cmd-build with the system() route, as tests/run_all.sh
makes them): both builds' tolvik.exe and brasko.exe and the Windows floor
(floor.exe of --win-build) take turns on --wine-files sites, --wine-runs
times each, in a Wine prefix made for the run.

Needs Python 3.8, a native build (--build) with make_sample_site and floor,
and for the counts the Debian packages strace and valgrind; for Wine, wine
and the two builds made with g++-mingw-w64-x86-64. What is missing is left
out, and the output says so.

Usage: bench/run_bench.py [--build build] [--sizes 1000,4000,10000,40000]
           [--runs 9] [--count-files 4000] [--counts-only]
           [--wine-files 200] [--wine-runs 5] [--win-build build-win]
           [--win-cmd-build build-win-cmd] [--out bench/results.md]
The tables go to standard output and, in markdown, to --out.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from typing import Callable, Dict, List, NamedTuple, Tuple

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PHOTOMETERS = "300,44,1234,7,1001,2002"


class Contender(NamedTuple):
    """A stamper and a filer, named as they appear in the tables."""
    stamper: str
    filer: str
    # The two command lines for a site folder.
    commands: Callable[[str], Tuple[List[str], List[str]]]


class Setting(NamedTuple):
    """Where the contenders run: the sites they get and their environment."""
    build: str
    site_options: List[str]
    environment: Callable[[str], Dict[str, str]]
    # The parameter folder that all sites share (under Wine, the prefix's),
    # emptied before each site is made: make_sample_site replaces no file.
    shared_parameters: str = ""


def progress(text):
    print(text, file=sys.stderr, flush=True)


def generate(setting, site, files):
    if setting.shared_parameters:
        shutil.rmtree(setting.shared_parameters, ignore_errors=True)
    subprocess.run([os.path.join(setting.build, "tools", "make_sample_site"), "--dir", site, "--files", str(files),
                    "--photometers", PHOTOMETERS, *setting.site_options], check=True, stdout=subprocess.DEVNULL)


def send(site):
    """Moves the stamped files to the sent directory, as the transfer does."""
    to_send = os.path.join(site, "base", "aenvoyer")
    sent = os.path.join(site, "base", "envoye")
    for name in os.listdir(to_send):
        os.rename(os.path.join(to_send, name), os.path.join(sent, name))


def timed(command, cwd, env, log):
    with open(log, "wb") as out:
        start = time.perf_counter()
        subprocess.run(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT, check=True)
        return time.perf_counter() - start


def cycle(setting, contender, site, files, wrap=lambda name, command: command):
    """Stamps and files a fresh site; the wall seconds of each program.

    `wrap` gives the command line that runs a program (under a counting
    tool, for instance) from its name and its own command line."""
    generate(setting, site, files)
    env = setting.environment(site)
    stamp_command, file_command = contender.commands(site)
    try:
        stamp = timed(wrap(contender.stamper, stamp_command), site, env, trace_file(site, contender.stamper))
        send(site)
        file = timed(wrap(contender.filer, file_command), site, env, trace_file(site, contender.filer))
    finally:
        shutil.rmtree(site)
    return {contender.stamper: stamp, contender.filer: file}


def trace_file(site, name):
    """Where a program's trace goes: beside the site, one file per program,
    replaced at each run (the filer's reaches hundreds of megabytes)."""
    return os.path.join(os.path.dirname(site), name + ".trace")


def take_turns(setting, contenders, work, files, runs):
    """Every program's wall seconds, one list per name, the contenders taking
    turns run after run."""
    seconds = {}
    for run in range(runs):
        for number, contender in enumerate(contenders):
            site = os.path.join(work, f"site-{files}-{run}-{number}")
            for name, value in cycle(setting, contender, site, files).items():
                seconds.setdefault(name, []).append(value)
    return seconds


# Counting tools.

class Tool(NamedTuple):
    program: str  # also the name of its Debian package
    counted: str  # what it counts, as the tables say
    command: Callable[[List[str], str], List[str]]  # a command line counted into a file
    read: Callable[[str], Dict[str, int]]  # the counts in that file, their sum under "total"


def strace_command(command, out):
    return ["strace", "-f", "-c", "-o", out, *command]


def strace_counts(out):
    """Calls per system call name, with the sum under "total"."""
    calls = {}
    with open(out) as report:
        for line in report:
            fields = line.split()
            # % time, seconds, usecs/call, calls, [errors,] name
            if len(fields) >= 5 and fields[3].isdigit():
                calls[fields[-1]] = int(fields[3])
    return calls


def cachegrind_command(command, out):
    return ["valgrind", "--tool=cachegrind", "--cache-sim=no", "--cachegrind-out-file=/dev/null",
            f"--log-file={out}", *command]


def cachegrind_counts(out):
    with open(out) as report:
        found = re.search(r"I\s+refs:\s+([\d,]+)", report.read())
    return {"total": int(found.group(1).replace(",", ""))}


STRACE = Tool("strace", "system calls", strace_command, strace_counts)
TOOLS = [STRACE, Tool("valgrind", "instructions", cachegrind_command, cachegrind_counts)]


def counted_cycle(setting, contender, work, files, tool):
    """The counts of each program of `contender` over one cycle, by name."""
    outs = {}

    def wrap(name, command):
        outs[name] = os.path.join(work, f"{name}-{files}.{tool.program}")
        return tool.command(command, outs[name])

    cycle(setting, contender, os.path.join(work, f"counted-{files}"), files, wrap)
    return {name: tool.read(out) for name, out in outs.items()}


def per_file_counts(setting, contenders, work, files, tool):
    """Per program: (start-up counts, counts on the site, counts per file)."""
    results = {}
    for contender in contenders:
        empty = counted_cycle(setting, contender, work, 0, tool)
        full = counted_cycle(setting, contender, work, files, tool)
        for name in (contender.stamper, contender.filer):
            per_file = {key: (value - empty[name].get(key, 0)) / files for key, value in full[name].items()}
            results[name] = (empty[name], full[name], per_file)
    return results


# Tables. A group is the programs measured against one floor, and the floor.

def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    return lines + ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]


def each_program(groups):
    """(name, its floor's name) of every program of the groups, floors too."""
    for programs, floor in groups:
        for name in programs + [floor]:
            yield name, floor


TIME_HEADER = ["program", "N", "min s", "median s", "µs per file (min)", "µs per file above the floor (min)",
               "min / floor min", "median / floor median"]


def time_row(name, floor, seconds, files):
    low, floor_low = min(seconds[name]), min(seconds[floor])
    middle, floor_middle = statistics.median(seconds[name]), statistics.median(seconds[floor])
    return [name, files, f"{low:.3f}", f"{middle:.3f}", f"{low / files * 1e6:.1f}",
            f"{(low - floor_low) / files * 1e6:.1f}", f"{low / floor_low:.2f}", f"{middle / floor_middle:.2f}"]


def native_times(setting, contenders, groups, work, sizes, runs):
    first_per_file = {}
    rows = []
    for files in sizes:
        progress(f"times: {files} files, {runs} runs")
        seconds = take_turns(setting, contenders, work, files, runs)
        for name, floor in each_program(groups):
            per_file = min(seconds[name]) / files
            first_per_file.setdefault(name, per_file)
            rows.append(time_row(name, floor, seconds, files) + [f"{per_file / first_per_file[name]:.2f}"])
    lines = [f"Wall time, minimum and median of {runs} runs a size; the programs and the floor took turns, "
             "each run on a fresh generated site.", ""]
    return lines + table(TIME_HEADER + [f"per-file cost vs N = {sizes[0]} (min)"], rows)


def count_tables(setting, contenders, groups, work, files):
    lines = []
    available = [tool for tool in TOOLS if shutil.which(tool.program)]
    for tool in TOOLS:
        if tool not in available:
            lines += [f"{tool.program} is missing (Debian package {tool.program}): no counts of {tool.counted}.", ""]
    if not available:
        return lines
    progress(f"counts: {files} files with {', '.join(tool.program for tool in available)}")
    counts = {tool: per_file_counts(setting, contenders, work, files, tool) for tool in available}
    lines += [f"Counts on a {files}-file site, one run each. Per file: (count − count on a site without data files)"
              f" / {files}.", ""]
    header = ["program"]
    for tool in available:
        header += [f"{tool.counted}: start-up", "total", "per file", "per file / floor"]
    rows = []
    for name, floor in each_program(groups):
        row = [name]
        for tool in available:
            start_up, total, per_file = counts[tool][name]
            ratio = per_file["total"] / counts[tool][floor][2]["total"]
            row += [f"{start_up['total']:,}", f"{total['total']:,}", f"{per_file['total']:,.2f}", f"{ratio:.2f}"]
        rows.append(row)
    lines += table(header, rows)
    if STRACE in counts:
        lines += ["", "System calls per file, by name (those of at least 0.01 per file in one column):", ""]
        lines += syscall_table(counts[STRACE], [name for name, _ in each_program(groups)])
    return lines


def syscall_table(counts, names):
    syscalls = sorted({key for name in names for key in counts[name][2] if key != "total"})
    rows = []
    for syscall in syscalls:
        values = [counts[name][2].get(syscall, 0.0) for name in names]
        if max(abs(value) for value in values) >= 0.01:
            rows.append([syscall] + [f"{value:.2f}" for value in values])
    rows.append(["total"] + [f"{counts[name][2]['total']:.2f}" for name in names])
    return table(["system call"] + names, rows)


# The contenders.

def native_contenders(build):
    floor = os.path.join(build, "bench", "floor")
    contenders = [Contender("tolvik", "brasko", lambda site: ([os.path.join(build, "stamper", "tolvik")],
                                                              [os.path.join(build, "filer", "brasko")])),
                  Contender("floor-stamp", "floor-file", lambda site: ([floor, "stamp", site], [floor, "file", site]))]
    return contenders, [(["tolvik"], "floor-stamp"), (["brasko"], "floor-file")]


def wine_contenders(windows_builds):
    builtin, system = windows_builds
    floor = os.path.join(builtin, "bench", "floor.exe")

    def programs(build):
        return lambda site: (["wine", os.path.join(build, "stamper", "tolvik.exe")],
                             ["wine", os.path.join(build, "filer", "brasko.exe")])

    def floors(site):
        windows_site = "Z:" + site.replace("/", "\\")
        return ["wine", floor, "stamp", windows_site], ["wine", floor, "file", windows_site]

    contenders = [Contender("tolvik.exe built-in", "brasko.exe built-in", programs(builtin)),
                  Contender("tolvik.exe system()", "brasko.exe system()", programs(system)),
                  Contender("floor.exe stamp", "floor.exe file", floors)]
    groups = [(["tolvik.exe built-in", "tolvik.exe system()"], "floor.exe stamp"),
              (["brasko.exe built-in", "brasko.exe system()"], "floor.exe file")]
    return contenders, groups


def windows_builds_present(windows_builds):
    builtin, system = windows_builds
    return shutil.which("wine") is not None and all(os.path.exists(path) for path in (
        os.path.join(builtin, "bench", "floor.exe"), os.path.join(builtin, "stamper", "tolvik.exe"),
        os.path.join(system, "stamper", "tolvik.exe")))


def wine_times(build, windows_builds, work, files, runs):
    prefix = os.path.join(work, "wine-prefix")
    os.makedirs(prefix)
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", TZ="UTC")
    # One server for all the runs, so that none pays for starting it.
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    try:
        progress("wine: making the prefix")
        subprocess.run(["wine", "wineboot", "-i"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        # The Windows build reads the parameter files where the 32-bit
        # acquisition software keeps them.
        program_files = os.path.join(prefix, "drive_c", "Program Files (x86)")
        setting = Setting(build, ["--windows-paths", "--program-files", program_files], lambda site: env,
                          os.path.join(program_files, "ASTPWin", "PAR"))
        contenders, groups = wine_contenders(windows_builds)
        progress(f"wine: {files} files, {runs} runs")
        seconds = take_turns(setting, contenders, work, files, runs)
    finally:
        subprocess.run(["wineserver", "-k"], env=env)
    lines = [f"Under Wine: wall time, minimum and median of {runs} runs, the two builds and the Windows floor "
             "taking turns, each run on a fresh site; Wine's start-up is in every figure.", ""]
    return lines + table(TIME_HEADER, [time_row(name, floor, seconds, files) for name, floor in each_program(groups)])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="1000,4000,10000,40000")
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--count-files", type=int, default=4000)
    parser.add_argument("--counts-only", action="store_true")
    parser.add_argument("--wine-files", type=int, default=200, help="0 leaves Wine out")
    parser.add_argument("--wine-runs", type=int, default=5)
    parser.add_argument("--win-build", default=os.path.join(ROOT, "build-win"))
    parser.add_argument("--win-cmd-build", default=os.path.join(ROOT, "build-win-cmd"))
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "results.md"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    windows_builds = [os.path.abspath(args.win_build), os.path.abspath(args.win_cmd_build)]

    setting = Setting(build, [], lambda site: dict(os.environ, TZ="UTC",
                                                   ProgramFiles=os.path.join(site, "Program Files")))
    contenders, groups = native_contenders(build)
    lines = []
    with tempfile.TemporaryDirectory(prefix="site-bench-") as work:
        if not args.counts_only:
            sizes = [int(size) for size in args.sizes.split(",")]
            lines += native_times(setting, contenders, groups, work, sizes, args.runs) + [""]
        lines += count_tables(setting, contenders, groups, work, args.count_files)
        if not args.counts_only and args.wine_files > 0:
            if windows_builds_present(windows_builds):
                lines += [""] + wine_times(build, windows_builds, work, args.wine_files, args.wine_runs)
            else:
                lines += ["", "Wine or the Windows builds are missing: no Wine figures."]

    text = "\n".join(lines) + "\n"
    print(text)
    with open(args.out, "w") as out:
        out.write(text)


if __name__ == "__main__":
    sys.exit(main())
