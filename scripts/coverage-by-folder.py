#!/usr/bin/env python3
"""Line and branch coverage per folder from gcovr's JSON summary.

usage: coverage-by-folder.py SUMMARY_JSON
"""
import json
import os
import sys
from collections import defaultdict


def percent(covered, total):
    return f"{100.0 * covered / total:5.1f}%" if total else "    -"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    with open(sys.argv[1], encoding="utf-8") as summary:
        files = json.load(summary)["files"]
    folders = defaultdict(lambda: [0, 0, 0, 0])
    for entry in files:
        counts = folders[os.path.dirname(entry["filename"]) or "."]
        counts[0] += entry["line_covered"]
        counts[1] += entry["line_total"]
        counts[2] += entry["branch_covered"]
        counts[3] += entry["branch_total"]
    width = max(len(folder) for folder in folders) if folders else 6
    print(f"{'folder':<{width}}  {'lines':>14}  {'branches':>14}")
    whole = [0, 0, 0, 0]
    for folder in sorted(folders):
        lines_covered, lines, branches_covered, branches = folders[folder]
        whole = [a + b for a, b in zip(whole, folders[folder])]
        print(f"{folder:<{width}}  {percent(lines_covered, lines)} {lines:>7}  "
              f"{percent(branches_covered, branches)} {branches:>7}")
    print(f"{'all':<{width}}  {percent(whole[0], whole[1])} {whole[1]:>7}  "
          f"{percent(whole[2], whole[3])} {whole[3]:>7}")


if __name__ == "__main__":
    main()
