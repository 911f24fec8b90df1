"""Reads a JUnit file the way a CI server does (xml.etree) and prints one
line per testsuite, "name|tests|failures|errors", counted from its testcase,
failure and error elements, then a line "total|...". Checks that the
testsuite and testsuites attributes state the same numbers. Given the report
the file was converted from, also reads the report's own counts (tests per
group, Errors, ExtErrors + KxErrors from each group's Summary) and checks
that they are the same. Exit status 0 when everything agrees, 1 otherwise,
with the disagreements printed."""
import re
import sys
import xml.etree.ElementTree as ET

RECORDS = ("Error", "Warning", "ExtError", "ExtWarning", "KxError")


def junit_rows(path, problems):
    root = ET.parse(path).getroot()
    if root.tag != "testsuites":
        problems.append("root element is %s, not testsuites" % root.tag)
    rows, totals = [], [0, 0, 0]
    for suite in root.findall("testsuite"):
        cases = suite.findall("testcase")
        counted = [len(cases),
                   sum(len(case.findall("failure")) for case in cases),
                   sum(len(case.findall("error")) for case in cases)]
        stated = [int(suite.get(name)) for name in ("tests", "failures", "errors")]
        if counted != stated:
            problems.append("testsuite %s states %s but holds %s" % (suite.get("name"), stated, counted))
        rows.append([suite.get("name")] + counted)
        totals = [a + b for a, b in zip(totals, counted)]
    stated = [int(root.get(name)) for name in ("tests", "failures", "errors")]
    if totals != stated:
        problems.append("testsuites states %s but holds %s" % (stated, totals))
    return rows + [["total"] + totals]


def report_rows(path):
    # The report is single-byte text that may hold control characters XML forbids.
    text = open(path, "rb").read().decode("latin-1")
    root = ET.fromstring(re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f]", "?", text))
    rows, totals = [], [0, 0, 0]
    for group in root.findall("Group"):
        summary = group.find("Summary")
        count = lambda name: int(summary.findtext(name))
        own_records = any(child.tag in RECORDS for child in group)
        row = [len(group.findall("Test")) + (1 if own_records else 0),
               count("Errors"), count("ExtErrors") + count("KxErrors")]
        rows.append([group.findtext("Title")] + row)
        totals = [a + b for a, b in zip(totals, row)]
    return rows + [["total"] + totals]


def main():
    problems = []
    rows = junit_rows(sys.argv[1], problems)
    for row in rows:
        print("|".join(str(value) for value in row))
    if len(sys.argv) > 2:
        expected = report_rows(sys.argv[2])
        if expected != rows:
            problems.append("the report counts %s" % expected)
    for problem in problems:
        print("problem: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
