"""Reads a JUnit file the way a CI server does (xml.etree) and prints one
line per testsuite, "name|tests|failures|errors": its testcases, those
holding a failure element and those holding an error element; then a line
"total|...". Checks that the testsuite and testsuites attributes state the
same numbers. Given the report the file was converted from, also counts the
report's tests per group, those holding an Error record and those holding an
ExtError or KxError record (a group's own records count as one more test),
and checks that they are the same, leaving out the testcases of tests that
did not run (error type NotRun), which the report does not hold. Exit status 0 when everything agrees, 1 otherwise,
with the disagreements printed."""
import re
import sys
import xml.etree.ElementTree as ET

RECORDS = ("Error", "Warning", "ExtError", "ExtWarning", "KxError")


def not_run(case):
    return any(error.get("type") == "NotRun" for error in case.findall("error"))


def junit_rows(path, problems, with_not_run=True):
    root = ET.parse(path).getroot()
    if root.tag != "testsuites":
        problems.append("root element is %s, not testsuites" % root.tag)
    rows, totals = [], [0, 0, 0]
    for suite in root.findall("testsuite"):
        cases = [case for case in suite.findall("testcase") if with_not_run or not not_run(case)]
        counted = [len(cases),
                   sum(1 for case in cases if case.find("failure") is not None),
                   sum(1 for case in cases if case.find("error") is not None)]
        stated = [int(suite.get(name)) for name in ("tests", "failures", "errors")]
        if counted != stated and with_not_run:
            problems.append("testsuite %s states %s but holds %s" % (suite.get("name"), stated, counted))
        rows.append([suite.get("name")] + counted)
        totals = [a + b for a, b in zip(totals, counted)]
    stated = [int(root.get(name)) for name in ("tests", "failures", "errors")]
    if totals != stated and with_not_run:
        problems.append("testsuites states %s but holds %s" % (stated, totals))
    return rows + [["total"] + totals]


def report_rows(path):
    # The report is single-byte text that may hold control characters XML forbids.
    text = open(path, "rb").read().decode("latin-1")
    root = ET.fromstring(re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f]", "?", text))
    rows, totals = [], [0, 0, 0]
    holds = lambda element, kinds: any(child.tag in kinds for child in element)
    for group in root.findall("Group"):
        cases = group.findall("Test") + ([group] if holds(group, RECORDS) else [])
        row = [len(cases), sum(1 for case in cases if holds(case, ("Error",))),
               sum(1 for case in cases if holds(case, ("ExtError", "KxError")))]
        rows.append([group.findtext("Title")] + row)
        totals = [a + b for a, b in zip(totals, row)]
    return rows + [["total"] + totals]


def main():
    problems = []
    rows = junit_rows(sys.argv[1], problems)
    for row in rows:
        print("|".join(str(value) for value in row))
    if len(sys.argv) > 2:
        # Tests that did not run are in the JUnit file only (from the run's index).
        expected = report_rows(sys.argv[2])
        if expected != [row for row in junit_rows(sys.argv[1], problems, False) if row[1] or row[0] == "total"]:
            problems.append("the report counts %s" % expected)
    for problem in problems:
        print("problem: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
