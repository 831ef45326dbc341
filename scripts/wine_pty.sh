#!/usr/bin/env bash
# Runs a GoogleTest program of the Windows build under Wine in a
# pseudo-terminal of 80 x 50, so the tests of the console itself have one;
# prints the failures from its XML report when it fails.
# Usage: scripts/wine_pty.sh katsort_tests.exe report.xml
set -euo pipefail
wine=$(cd "$(dirname "$0")" && pwd)/wine.sh
exe=$(realpath "$1")
# In the report's folder: the program takes a Unix path that starts with /
# for one relative to its current folder.
cd "$(dirname "$2")"
rapport=$(basename "$2")
rm -f "$rapport"
kommando=$(printf '%q ' "$wine" "$exe" --gtest_brief=1 "--gtest_output=xml:$rapport")
if ! script -qfec "stty rows 50 cols 80; $kommando" /dev/null </dev/null >/dev/null; then
    grep -A8 '<failure' "$rapport" 2>/dev/null || echo "$exe did not finish"
    exit 1
fi
grep -m1 '<testsuites' "$rapport"
