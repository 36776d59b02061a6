#!/usr/bin/env python3
"""Times tolvik and brasko against the floor, on generated sites.

For each N (default 1000 and 10000) and each of --runs runs, a fresh site of
N files is generated with make_sample_site (photometers 300, 44, 1234, 7,
1001 and 2002; .K7, .K8 and .raw files; .K7 files of 16 KiB). Then, timed:
tolvik over the to-send directory (its trace written to a file), the move of
the stamped files to the sent directory (not timed), brasko over the sent
directory. A second fresh site gets the same treatment from the floor
program (bench/floor.cpp): only the file-system work, no trace, no
interpreter. Where the Windows builds and Wine are present, the Windows
programs run under Wine on N = --wine-files sites, once with the built-in
interpreter and once with the system() route.

Usage: bench/run_bench.py [--build build] [--sizes 1000,10000] [--runs 5]
                          [--wine-files 200] [--wine-runs 5] [--out FILE]
The table goes to standard output and to FILE (default bench/results.md).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PHOTOMETERS = "300,44,1234,7,1001,2002"


def generate(build, site, files, extra=()):
    subprocess.run([os.path.join(build, "tools", "make_sample_site"), "--dir", site, "--files", str(files),
                    "--photometers", PHOTOMETERS, *extra], check=True, stdout=subprocess.DEVNULL)


def timed(command, cwd, env, log):
    with open(log, "wb") as out:
        start = time.perf_counter()
        subprocess.run(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT, check=True)
        return time.perf_counter() - start


def send(site):
    """Moves the stamped files to the sent directory, as the transfer tool does."""
    to_send = os.path.join(site, "base", "aenvoyer")
    sent = os.path.join(site, "base", "envoye")
    for name in os.listdir(to_send):
        os.rename(os.path.join(to_send, name), os.path.join(sent, name))


def run_programs(build, site, stamper, filer, env):
    """(stamping seconds, filing seconds) of one run of the two programs."""
    env = dict(env, TZ="UTC")
    stamp = timed(stamper, site, env, site + ".stamp.log")
    send(site)
    file = timed(filer, site, env, site + ".file.log")
    return stamp, file


def native_runs(build, work, files, runs):
    results = {"tolvik": [], "brasko": [], "floor-stamp": [], "floor-file": []}
    floor = os.path.join(build, "bench", "floor")
    for run in range(runs):
        site = os.path.join(work, f"n{files}-{run}")
        generate(build, site, files)
        env = dict(os.environ, ProgramFiles=os.path.join(site, "Program Files"))
        stamp, file = run_programs(build, site, [os.path.join(build, "stamper", "tolvik")],
                                   [os.path.join(build, "filer", "brasko")], env)
        results["tolvik"].append(stamp)
        results["brasko"].append(file)
        shutil.rmtree(site)
        generate(build, site, files)
        stamp, file = run_programs(build, site, [floor, "stamp", site], [floor, "file", site], os.environ)
        results["floor-stamp"].append(stamp)
        results["floor-file"].append(file)
        shutil.rmtree(site)
    return {name: statistics.median(times) for name, times in results.items()}


def wine_runs(build, work, files, runs, windows_build):
    prefix = os.path.join(work, "wine-prefix")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
    if not os.path.isdir(os.path.join(prefix, "drive_c")):
        subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The Windows build reads the parameter files where the 32-bit
    # acquisition software keeps them.
    program_files = os.path.join(prefix, "drive_c", "Program Files (x86)")
    times = {"tolvik": [], "brasko": []}
    for run in range(runs):
        site = os.path.join(work, f"wine{files}-{run}")
        for name in os.listdir(os.path.join(program_files, "ASTPWin", "PAR")) if os.path.isdir(
                os.path.join(program_files, "ASTPWin", "PAR")) else []:
            os.remove(os.path.join(program_files, "ASTPWin", "PAR", name))
        generate(build, site, files, ["--windows-paths", "--program-files", program_files])
        stamp, file = run_programs(build, site, ["wine", os.path.join(windows_build, "stamper", "tolvik.exe")],
                                   ["wine", os.path.join(windows_build, "filer", "brasko.exe")], env)
        times["tolvik"].append(stamp)
        times["brasko"].append(file)
        shutil.rmtree(site)
    return {name: statistics.median(values) for name, values in times.items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="1000,10000")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--wine-files", type=int, default=200)
    parser.add_argument("--wine-runs", type=int, default=5)
    parser.add_argument("--win-build", default=os.path.join(ROOT, "build-win"))
    parser.add_argument("--win-cmd-build", default=os.path.join(ROOT, "build-win-cmd"))
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "results.md"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    sizes = [int(size) for size in args.sizes.split(",")]

    lines = [f"Median wall time of {args.runs} runs; each run on a fresh generated site.", "",
             "| program | N | median s | µs per file | ratio to floor | per-file cost vs N = %d |" % sizes[0],
             "|---|---|---|---|---|---|"]
    per_file = {}
    with tempfile.TemporaryDirectory(prefix="site-bench-") as work:
        for files in sizes:
            medians = native_runs(build, work, files, args.runs)
            for program, floor in (("tolvik", "floor-stamp"), ("brasko", "floor-file")):
                for name in (program, floor):
                    per_file[(name, files)] = medians[name] / files * 1e6
                    growth = per_file[(name, files)] / per_file[(name, sizes[0])]
                    ratio = medians[name] / medians[floor]
                    lines.append(f"| {name} | {files} | {medians[name]:.3f} | {per_file[(name, files)]:.1f} | "
                                 f"{ratio:.2f} | {growth:.2f} |")
            print("\n".join(lines[-4:]), flush=True)

        windows = [os.path.join(args.win_build, "stamper", "tolvik.exe"),
                   os.path.join(args.win_cmd_build, "stamper", "tolvik.exe")]
        if shutil.which("wine") and all(os.path.exists(path) for path in windows) and args.wine_files > 0:
            builtin = wine_runs(build, work, args.wine_files, args.wine_runs, args.win_build)
            system = wine_runs(build, work, args.wine_files, args.wine_runs, args.win_cmd_build)
            lines += ["", f"Under Wine, N = {args.wine_files}, median of {args.wine_runs} runs:", "",
                      "| program | built-in s | system() s | system() / built-in |", "|---|---|---|---|"]
            for program in ("tolvik", "brasko"):
                lines.append(f"| {program}.exe | {builtin[program]:.2f} | {system[program]:.2f} | "
                             f"{system[program] / builtin[program]:.1f} |")
        else:
            lines += ["", "Wine or the Windows builds are missing: no Wine comparison."]

    table = "\n".join(lines) + "\n"
    print(table)
    with open(args.out, "w") as out:
        out.write(table)


if __name__ == "__main__":
    sys.exit(main())
