#!/usr/bin/env python3
"""Checks that every include of the product goes down the layers, never up.

Each folder is a layer; a file may include its own layer's headers and
those of the layers below it. fs and host stand side by side and do not
include each other, nor do the two passes. The system calls (common/platform)
are included only by the pieces that stand for the real machine: the real
file system and its move protocol, the real host, and the system() route;
the real file system is made only where a program starts.

Every source file of the tree is looked at, in every folder at any depth,
except the folders that are not the product (tests, tools, bench, docs,
packaging, cmake, builds): a product file outside the known layers is a
fault, as are a product header included with angle brackets and a header
of the operating system (anything but the C and C++ standard library)
included outside common/platform and the lower layers' platform files
(`*_posix.cpp`, `*_win32.cpp` in base, text and fs).
Prints each fault; status 1 when there is one.
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
    "common/fs/disk_calls.cpp",
    "common/fs/file_keeper.cpp",
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
# The layers below the system calls whose platform files may ask the
# operating system themselves (a code page, a path's root, the console).
OWN_PLATFORM_FILES = {"common/base", "common/text", "common/fs"}
PLATFORM_FILE = re.compile(r"_(posix|win32)\.cpp$")
# Folders of the tree that are not the product.
NOT_PRODUCT = {"tests", "tools", "bench", "docs", "packaging", "cmake", "out"}
STANDARD_HEADERS = set(
    """algorithm any array atomic bitset cassert cctype cerrno cfenv cfloat charconv chrono
    cinttypes climits clocale cmath codecvt complex condition_variable csetjmp csignal cstdarg
    cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype deque exception
    execution filesystem forward_list fstream functional future initializer_list iomanip ios
    iosfwd iostream istream iterator limits list locale map memory memory_resource mutex new
    numeric optional ostream queue random ratio regex scoped_allocator set shared_mutex sstream
    stack stdexcept streambuf string string_view system_error thread tuple type_traits
    typeindex typeinfo unordered_map unordered_set utility valarray variant vector
    assert.h ctype.h errno.h fenv.h float.h inttypes.h limits.h locale.h math.h setjmp.h signal.h
    stdarg.h stddef.h stdint.h stdio.h stdlib.h string.h time.h uchar.h wchar.h wctype.h""".split()
)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def layer_of(path):
    folder = os.path.dirname(path)
    return folder if folder in RANKS else None


def is_product_header(header):
    return header.split("/")[0] in {"common", "stamper", "filer", "sitecheck"}


def may_ask_the_system(path):
    own = layer_of(path)
    return own == "common/platform" or (own in OWN_PLATFORM_FILES and PLATFORM_FILE.search(path) is not None)


def system_header_fault(path, header):
    if header in STANDARD_HEADERS or may_ask_the_system(path):
        return None
    return f"{path}: includes <{header}>, a header of the operating system, outside the platform files"


def layer_fault(path, header):
    own, other = layer_of(path), layer_of(header)
    if other is None:
        return f"{path}: includes {header}, which is in no layer (write includes from the source root)"
    if other == "common/platform" and own != other and path not in PLATFORM_USERS:
        return f"{path}: includes the system calls ({header})"
    if header == "common/fs/real_file_system.h" and path not in REAL_MAKERS:
        return f"{path}: makes the real file system, which only a program's start does"
    if other != own and RANKS[other] >= RANKS[own]:
        return f"{path}: includes {header}, from a layer at or above its own"
    return None


def faults_in(root, path):
    if layer_of(path) is None:
        yield f"{path}: a product file in no layer (the layers are {', '.join(RANKS)})"
        return
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
        included = INCLUDE.findall(source.read())
    for bracket, header in included:
        if bracket == "<" and is_product_header(header):
            yield f"{path}: includes <{header}> with angle brackets; the product's headers are quoted"
            fault = layer_fault(path, header)
        elif bracket == "<":
            fault = system_header_fault(path, header)
        else:
            fault = layer_fault(path, header)
        if fault is not None:
            yield fault


def product_files(root):
    for folder, subfolders, names in os.walk(root):
        relative = os.path.relpath(folder, root).replace(os.sep, "/")
        if relative == ".":
            subfolders[:] = [s for s in subfolders if s not in NOT_PRODUCT and not s.startswith(("build", "."))]
        subfolders.sort()
        for name in sorted(names):
            if name.endswith((".h", ".cpp")):
                yield name if relative == "." else f"{relative}/{name}"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults, checked = [], 0
    for path in product_files(root):
        checked += 1
        faults.extend(faults_in(root, path))
    for fault in faults:
        print(fault)
    print(f"layers: {checked} files checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
