#!/usr/bin/env python3
"""Checks that every include of the product goes down the layers, never up.

Each folder is a layer; a file may include its own layer's headers and
those of the layers below it. fs and host stand side by side and do not
include each other, nor do the two passes. The system calls (common/platform)
are included only by the pieces that stand for the real machine: the real
file system and its move protocol, the real host, and the system() route;
the real file system is made only where a program starts.
Prints each include that breaks the order; status 1 when there is one.
Usage: tools/check_layers.py [SOURCE_ROOT]
"""
import os
import re
import sys

RANKS = {
    "common/base": 0,
    "common/text": 1,
    "common/platform": 2,
    "common/fs": 3,
    "common/host": 3,
    "common/interpreter": 4,
    "common/site": 5,
    "stamper": 6,
    "filer": 6,
    "sitecheck": 7,
}
PLATFORM_USERS = {
    "common/fs/disk_calls.h",
    "common/fs/file_keeper.h",
    "common/fs/real_file_system.cpp",
    "common/fs/run_lock.cpp",
    "common/host/system_host.cpp",
    "common/interpreter/system_interpreter.cpp",
}
# The real file system is made only where a program starts.
REAL_MAKERS = {
    "common/fs/real_file_system.cpp",
    "common/site/program.cpp",
    "sitecheck/command_line.cpp",
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    folder = os.path.dirname(path)
    return folder if folder in RANKS else None


def faults_in(root, path):
    own = layer_of(path)
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
        included = INCLUDE.findall(source.read())
    for header in included:
        other = layer_of(header)
        if other is None:
            yield f"{path}: includes {header}, which is in no layer (write includes from the source root)"
        elif other == "common/platform" and own != other and path not in PLATFORM_USERS:
            yield f"{path}: includes the system calls ({header})"
        elif header == "common/fs/real_file_system.h" and path not in REAL_MAKERS:
            yield f"{path}: makes the real file system, which only a program's start does"
        elif other != own and RANKS[other] >= RANKS[own]:
            yield f"{path}: includes {header}, from a layer at or above its own"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults, checked = [], 0
    for folder in RANKS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if name.endswith((".h", ".cpp")):
                checked += 1
                faults.extend(faults_in(root, f"{folder}/{name}"))
    for fault in faults:
        print(fault)
    print(f"layers: {checked} files checked, {len(faults)} includes against the order")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
