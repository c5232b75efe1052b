#!/usr/bin/python3
"""check-man-options.py PROGRAM PAGE.scd

Every option PROGRAM --help lists is described in the manual page source, and
every option the page describes is one --help lists. Options are the first
column of --help's option lines (indented, starting with "-") and the
headings of the page's option entries (lines starting with "*-")."""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z0-9][\w-]*)")


def help_options(program):
    text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    found = set()
    for line in text.splitlines():
        if re.match(r"^ +-", line):
            first_column = re.split(r"\s{2,}", line.strip(), maxsplit=1)[0]
            found.update(OPTION.findall(first_column))
    return found


def page_options(page):
    found = set()
    with open(page, encoding="utf-8") as source:
        for line in source:
            if line.startswith("*-"):
                found.update(re.findall(r"\*(--?[A-Za-z0-9][\w-]*)\*", line))
    return found


def main():
    program, page = sys.argv[1:3]
    listed, described = help_options(program), page_options(page)
    if not listed:
        sys.exit(f"{program} --help lists no option")
    faults = [f"{o}: in --help, not in {page}" for o in sorted(listed - described)]
    faults += [f"{o}: in {page}, not in --help" for o in sorted(described - listed)]
    for fault in faults:
        print(fault)
    print(f"{len(listed)} options in --help, {len(described)} in the page")
    sys.exit(1 if faults else 0)


main()
