#!/usr/bin/env bash
# Checks that every C++ source file that git knows in the tree at ROOT
# (default: this one) is formatted as that tree's .clang-format says.
# Prints each difference; status 1 when there is one.
# Usage: tools/check_format.sh [ROOT]
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"
git ls-files -z '*.cpp' '*.h' | grep -zv '^tests/support/gtest_custom/' | xargs -0 -r clang-format --dry-run --Werror
echo "format: $(git ls-files '*.cpp' '*.h' | grep -cv '^tests/support/gtest_custom/') source files as .clang-format says"
