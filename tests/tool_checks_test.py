#!/usr/bin/env python3
"""The layer check and the format check, each run on small trees with a
planted fault: a check that passes everything fails here.
Usage: python3 tests/tool_checks_test.py
"""
import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LAYERS = os.path.join(ROOT, "tools", "check_layers.py")
FORMAT = os.path.join(ROOT, "tools", "check_format.sh")

# A sound tree: each layer includes one below it.
SOUND = {
    "common/base/a.h": "#pragma once\n#include <string>\n",
    "common/fs/b.h": '#pragma once\n#include "common/base/a.h"\n',
    "filer/c.cpp": '#include "common/fs/b.h"\n#include <vector>\n#include <stdio.h>\n',
    "common/text/encoding_win32.cpp": "#include <windows.h>\n",
    "common/platform/platform_posix.cpp": "#include <sys/stat.h>\n#include <unistd.h>\n",
    "tests/anything.cpp": '#include <windows.h>\n#include "sitecheck/x.h"\n',
    "build-x/generated.cpp": "#include <windows.h>\n",
}

# Each row: a file planted in the sound tree, and the fault the check says.
PLANTED = [
    ("a product header in angle brackets", "filer/d.cpp", "#include <common/platform/platform.h>\n", "angle brackets"),
    ("an include up the layers", "common/fs/d.cpp", '#include "filer/c.h"\n', "at or above"),
    ("the system calls in a pass", "stamper/d.cpp", '#include "common/platform/platform.h"\n', "system calls"),
    ("a header in no layer", "filer/d.cpp", '#include "d.h"\n', "in no layer"),
    ("a file in a sub-folder of a layer", "common/fs/deep/d.cpp", "\n", "product file in no layer"),
    ("a file in a new folder", "newpass/d.cpp", "\n", "product file in no layer"),
    ("a file at the top of the tree", "d.cpp", "\n", "product file in no layer"),
    ("windows.h in a pass", "filer/d.cpp", "#include <windows.h>\n", "operating system"),
    ("a pass's own platform file", "filer/d_posix.cpp", "#include <unistd.h>\n", "operating system"),
    ("a system header in the site layer", "common/site/d.cpp", "#include <sys/stat.h>\n", "operating system"),
]


def write_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as out:
            out.write(text)


def run(command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True)


class LayerCheck(unittest.TestCase):
    def check(self, files):
        with tempfile.TemporaryDirectory() as root:
            write_tree(root, files)
            return run(["python3", LAYERS, root], root)

    def test_a_sound_tree_passes(self):
        result = self.check(SOUND)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn("5 files checked, 0 faults", result.stdout)

    def test_each_planted_fault_fails(self):
        for what, path, text, said in PLANTED:
            with self.subTest(what):
                result = self.check({**SOUND, path: text})
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(f"{path}: ", result.stdout)
                self.assertIn(said, result.stdout)


@unittest.skipIf(shutil.which("clang-format") is None, "clang-format is not installed")
class FormatCheck(unittest.TestCase):
    def check(self, source):
        with tempfile.TemporaryDirectory() as root:
            shutil.copy(os.path.join(ROOT, ".clang-format"), root)
            write_tree(root, {"common/base/a.cpp": source})
            run(["git", "init", "-q"], root)
            run(["git", "add", "."], root)
            return run(["bash", FORMAT, root], root)

    def test_formatted_source_passes(self):
        result = self.check("int main() { return 0; }\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("format: 1 source files", result.stdout)

    def test_unformatted_source_fails(self):
        result = self.check("int   main( ) {return 0;}\n")
        self.assertNotEqual(result.returncode, 0, result.stdout)
        self.assertIn("a.cpp", result.stderr)


if __name__ == "__main__":
    unittest.main()
