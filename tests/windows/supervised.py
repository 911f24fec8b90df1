#!/usr/bin/env python3
"""A supervised run of rtrun.exe under Wine through tests that misbehave.

    supervised.py RTRUN_EXE PROBE_LIBRARY_DIR SLEEPER_EXE

At one job and at two, each death is recorded and the run goes on after it: a test that dies of
an access violation (its stack and details recorded), one that calls exit(),
one that calls abort(), one that hangs past --timeout (its threads' stacks),
and one that leaves a process running when its body ends. Between them a
test that passes, each in a new child. Then Ctrl+C while a test hangs.
Nothing the tests started is left running after rtrun.
"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

rtrun, probes, sleeper = (os.path.abspath(path) for path in sys.argv[1:4])
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def windows_path(path):
    return subprocess.run(["winepath", "-w", path], capture_output=True, text=True, check=True).stdout.strip()


def sleepers_running():
    """Wine shows a Windows program's processes by its Windows path."""
    ps = subprocess.run(["ps", "-eo", "pid,args"], capture_output=True, text=True).stdout
    return [line for line in ps.splitlines() if re.search(r"[A-Z]:\\\\\S*sleeper\.exe", line)]


with tempfile.TemporaryDirectory() as work:
    config = os.path.join(work, "suite", "Config")
    os.makedirs(config)
    tests = ["Crash", "Passes", "Exits", "Passes", "Hangs", "Passes", "Leaves", "Passes", "Aborts", "Passes"]
    with open(os.path.join(config, "deaths.rt"), "w") as script:
        script.write("<Group>\n  <Name>Deaths</Name>\n")
        for test in tests:
            argument = "<Arg>%s</Arg>" % windows_path(sleeper) if test == "Leaves" else ""
            script.write("  <Test><Title>%s</Title>%s</Test>\n" % (test, argument))
        script.write("</Group>\n")
    environment = dict(os.environ, WINEDEBUG="-all")
    shown = ""
    for jobs in ["1", "2"]:
        results = os.path.join(work, "results-" + jobs)
        run = subprocess.run(["wine", rtrun, "--no-history", "--suite", "suite", "--lib-dir", windows_path(probes),
                              "--timeout", "3", "--jobs", jobs, "deaths.rt"], cwd=work,
                             env=dict(environment, KXRT_RESULT_DIR=results), capture_output=True, text=True,
                             timeout=240)
        shown += "\nat %s job(s): standard output:\n%s\nstandard error:\n%s" % (jobs, run.stdout, run.stderr)
        where = " (at %s job(s))" % jobs
        check(run.returncode == 1, "exit status %d, 1 expected" % run.returncode + where)
        for line in ["rtrun: Deaths/Crash (deaths.rt, test 1): crashed: exception 0xC0000005 (access violation); "
                     "the run goes on after it",
                     "rtrun: Deaths/Exits (deaths.rt, test 3): exited; the run goes on after it",
                     "rtrun: Deaths/Hangs (deaths.rt, test 5): timed out after 3 s; the run goes on after it",
                     "rtrun: Deaths/Aborts (deaths.rt, test 9): crashed: signal 22 (Aborted); the run goes on after it"]:
            check(line in run.stderr.splitlines(), "standard error lacks: " + line + where)
        check(re.search(r"Deaths/Leaves \(deaths.rt, test 7\) left processes running after its body; they are "
                        r"killed: [0-9]+ \([^)]*sleeper.exe\)", run.stderr), "the leftover of Leaves is not named" + where)
        check("10 tests: 6 passed, 4 failed, 0 not run" in run.stdout, "the totals are not 6 passed, 4 failed" + where)
        check(run.stdout.count("Executing Test: Passes") == 5, "each test's progress line once" + where)

        reports = [name for name in os.listdir(results) if name.endswith(".xml")] if os.path.isdir(results) else []
        check(len(reports) == 1, "not one report: %s" % reports + where)
        if len(reports) == 1:
            text = open(os.path.join(results, reports[0]), encoding="utf-8").read()
            check(text.count("<Title>") >= len(tests), "the report lacks tests" + where)
            for said in ["crashed: exception 0xC0000005 (access violation)", "exited", "timed out after 3 s",
                         "access violation: writing address 0x0", "crashed: signal 22 (Aborted)",
                         "at writeThroughNull ProbeLibrary.cpp:", "at Aborts::executeW ProbeLibrary.cpp:"]:
                check(said in text, "the report does not say: " + said + where)
            for pattern in [r"thread [0-9]+ \(runs the test\):",
                            r"#[0-9]+ Hangs::executeW \(KxRtWindowsProbes80.dll\+0x[0-9a-f]+\) [^<]*ProbeLibrary.cpp:"]:
                check(re.search(pattern, text), "the report has nothing like: " + pattern + where)

    # Under a limit shorter than the taking of a dying test's stack (seconds
    # under Wine), deaths are still what they died of, not timeouts.
    results = os.path.join(work, "results-short")
    run = subprocess.run(["wine", rtrun, "--no-history", "--suite", "suite", "--lib-dir", windows_path(probes),
                          "--timeout", "1", "--filter", "Deaths/Crash", "--filter", "Deaths/Aborts",
                          "--filter", "Deaths/Exits", "deaths.rt"], cwd=work,
                         env=dict(environment, KXRT_RESULT_DIR=results), capture_output=True, text=True, timeout=240)
    shown += "\nunder --timeout 1: standard output:\n%s\nstandard error:\n%s" % (run.stdout, run.stderr)
    for line in ["rtrun: Deaths/Crash (deaths.rt, test 1): crashed: exception 0xC0000005 (access violation); "
                 "the run goes on after it",
                 "rtrun: Deaths/Exits (deaths.rt, test 3): exited; the run goes on after it",
                 "rtrun: Deaths/Aborts (deaths.rt, test 9): crashed: signal 22 (Aborted); the run goes on after it"]:
        check(line in run.stderr.splitlines(), "under --timeout 1, standard error lacks: " + line)

    # Ctrl+C (Wine makes SIGINT one) while a test hangs: the test is recorded
    # as interrupted, none after it runs, and the run ends with 130.
    with open(os.path.join(config, "cancel.rt"), "w") as script:
        script.write("<Group>\n  <Name>Cancel</Name>\n  <Test><Title>Passes</Title></Test>\n"
                     "  <Test><Title>Hangs</Title><Arg>hangs.started</Arg></Test>\n"
                     "  <Test><Title>Passes</Title></Test>\n</Group>\n")
    rtrun_run = subprocess.Popen(["wine", rtrun, "--no-history", "--suite", "suite", "--lib-dir", windows_path(probes),
                                  "cancel.rt"], cwd=work, env=dict(environment, KXRT_RESULT_DIR=work + "/cancelled"),
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    started = os.path.join(work, "hangs.started")
    for _ in range(600):
        if os.path.exists(started) or rtrun_run.poll() is not None:
            break
        time.sleep(0.1)
    check(os.path.exists(started), "the hanging test never started")
    rtrun_run.send_signal(signal.SIGINT)
    out, err = rtrun_run.communicate(timeout=60)
    shown += "\ncancelled: standard output:\n%s\nstandard error:\n%s" % (out, err)
    check(rtrun_run.returncode == 130, "a cancelled run ends with %d, 130 expected" % rtrun_run.returncode)
    check("rtrun: Cancel/Hangs (cancel.rt, test 2): interrupted: signal 2 (Interrupt); the run stops here"
          in err.splitlines(), "the cancelled test is not named")
    check("3 tests: 1 passed, 1 failed, 1 not run" in out, "a cancelled run's totals are not 1 passed, 1 failed, "
          "1 not run")

    check(not sleepers_running(), "processes the tests started are still running: %s" % sleepers_running())

if failures:
    print("\n".join(failures))
    print(shown)
    sys.exit(1)
print("supervised run under Wine: every death recorded, the run went on after each, nothing left running")
