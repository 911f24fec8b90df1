#!/usr/bin/env python3
"""Whether two reports of the same scripts say the same, byte for byte,
apart from what differs from machine to machine: the times ("0.01 Seconds"),
the machine's name and the platform's name (which also stands in paths).

    same_report.py REPORT_A PLATFORM_A REPORT_B PLATFORM_B

Exit status 0 when they are the same so, 1 (with a diff) when not, 2 when a
report cannot be read."""
import difflib
import re
import sys

TIME = re.compile(rb"[0-9]+\.[0-9]{2} Seconds")
MACHINE = re.compile(rb"<Machine>[^<]*</Machine>")


def normalised(path, platform):
    with open(path, "rb") as report:
        text = report.read()
    text = TIME.sub(b"T.TT Seconds", text)
    text = MACHINE.sub(b"<Machine>MACHINE</Machine>", text)
    return text.replace(platform.encode(), b"PLATFORM")


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        a = normalised(argv[1], argv[2])
        b = normalised(argv[3], argv[4])
    except OSError as error:
        print(f"same_report: {error}", file=sys.stderr)
        return 2
    if not a.strip():
        print(f"same_report: {argv[1]} is empty", file=sys.stderr)
        return 1
    if a == b:
        return 0
    diff = difflib.unified_diff(a.decode("utf-8", "replace").splitlines(True),
                                b.decode("utf-8", "replace").splitlines(True), argv[1], argv[3])
    sys.stdout.writelines(diff)
    if a.replace(b"\r\n", b"\n") == b.replace(b"\r\n", b"\n"):
        print("same_report: the reports differ in their line ends only")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
