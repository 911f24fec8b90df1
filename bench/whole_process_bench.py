#!/usr/bin/python3
"""Whole-process cost per test, rtrun against GoogleTest: N trivial passing
tests, in one script for rtrun (one test library, the default supervised
mode, and --in-process) and as N registered tests for GoogleTest with
--gtest_output=xml, standard output to /dev/null. The programs alternate
within each round and the order rotates from round to round; the figures
are medians over the rounds, the ratio is the median of the rounds' ratios
(each taken within one round). Also, from one extra run of each program:

- peak RSS: the largest resident size of the process or of any process it
  waited for (wait4's ru_maxrss), taken by a small launcher
  (peers/peak_rss.cpp) so that the interpreter's own size does not count;
- heap allocations per test: malloc-family calls of all its processes,
  counted by a preloaded counter (peers/alloc_count.cpp), as the difference
  between this size and the smallest one divided by the difference in tests,
  so that start-up and closing cancel out and what remains is the steady
  state;
- report writes per test: write system calls on the report file (strace -f
  -y), the same difference; and all write system calls per test, the same;
- with --gdb, rtrun's peak RSS before it closes the report (VmHWM of the
  process that runs the tests, read at a breakpoint on the e-mail summary's
  construction, in a run under gdb following the forked child): what the run
  itself takes, apart from closing it.

A benchmark, not a test: it judges nothing.

    cmake --build build --target whole_process_bench
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import tempfile
import time

from bench_install import install, write_script  # the same private installation and script


class Program:
    launcher = None  # peers/peak_rss.cpp
    scratch = None

    def __init__(self, name, command, results):
        self.name, self.command, self.results = name, command, results

    def clean(self):
        shutil.rmtree(self.results, ignore_errors=True)
        os.makedirs(self.results)

    def run(self, prefix=(), env=None):
        """Wall seconds and peak RSS in MB of one run."""
        self.clean()
        peak = os.path.join(Program.scratch, 'peak')
        command = [Program.launcher, peak] + list(prefix) + self.command
        start = time.perf_counter()
        with open(os.devnull, 'w') as null:
            status = subprocess.call(command, stdout=null, stderr=subprocess.DEVNULL, env=env or {})
        wall = time.perf_counter() - start
        if status != 0:
            raise SystemExit('%s ended with status %d' % (self.name, status))
        with open(peak) as kilobytes:
            return wall, int(kilobytes.read()) / 1024.0

    def peak_before_close(self, scratch):
        """VmHWM in MB of the process running the tests when the report starts closing."""
        self.clean()
        script = os.path.join(scratch, 'hwm.gdb')
        with open(script, 'w') as commands:
            commands.write('set pagination off\nset confirm off\nset follow-fork-mode child\n'
                           'set breakpoint pending on\nbreak Rt::TestReporter::buildEmailSummary\nrun\n'
                           'python import gdb; print("VmHWM", [l.split()[1] for l in open("/proc/%d/status" % '
                           'gdb.selected_inferior().pid) if l.startswith("VmHWM")][0])\nkill\nquit\n')
        out = subprocess.run([shutil.which('gdb'), '-q', '-batch', '-x', script, '--args'] + self.command,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                             env={}, universal_newlines=True).stdout
        found = re.search(r'^VmHWM (\d+)', out, re.M)
        return int(found.group(1)) / 1024.0 if found else None

    def allocations(self, counter, scratch):
        path = os.path.join(scratch, 'allocs')
        if os.path.exists(path):
            os.remove(path)
        self.run(env={'LD_PRELOAD': counter, 'ALLOC_COUNT_FILE': path})
        with open(path) as counts:
            return sum(int(line.split()[1]) for line in counts if line.strip())

    def writes(self, scratch):
        """Write system calls on the report file, and all of them."""
        trace = os.path.join(scratch, 'trace')
        self.run(prefix=[shutil.which('strace'), '-f', '-qq', '-y', '-e', 'trace=write,writev,pwrite64', '-o', trace])
        report = every = 0
        call = re.compile(r'^(?:\d+\s+)?(?:write|writev|pwrite64)\(\d+<([^>]*)>')
        with open(trace, errors='replace') as lines:
            for line in lines:
                found = call.match(line)
                if not found:
                    continue
                every += 1
                if found.group(1).endswith('.xml'):
                    report += 1
        return report, every


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rtrun', required=True)
    parser.add_argument('--lib', action='append', required=True)
    parser.add_argument('--gtest', required=True, help='the GoogleTest peer (peers/gtest_trivial.cpp)')
    parser.add_argument('--alloc-counter', required=True, help='the preloaded counter (peers/alloc_count.cpp)')
    parser.add_argument('--peak-rss', required=True, help='the launcher that measures peak RSS (peers/peak_rss.cpp)')
    parser.add_argument('--before-rtrun', help='another build of rtrun to run alongside, e.g. before a change')
    parser.add_argument('--before-lib', action='append', default=[], help='the libraries of --before-rtrun')
    parser.add_argument('--before-name', default='rtrun before', help='what the figures of --before-rtrun are called')
    parser.add_argument('--gdb', action='store_true', help="also rtrun's peak before it closes the report")
    parser.add_argument('--sizes', default='1000,10000,100000')
    parser.add_argument('--rounds', type=int, default=3)
    args = parser.parse_args()
    root = tempfile.mkdtemp(prefix='rtwhole.')
    try:
        install(root, args.rtrun, args.lib)
        Program.launcher, Program.scratch = args.peak_rss, root
        before_root = os.path.join(root, 'before')
        if args.before_rtrun:
            install(before_root, args.before_rtrun, args.before_lib)
        sizes = [int(size) for size in args.sizes.split(',')]
        rows = []
        baseline = {}
        for tests in sizes:
            script = write_script(root, tests)
            if args.before_rtrun:
                write_script(before_root, tests)
            rtrun = [os.path.join(root, 'bin', 'rtrun'), '--suite', os.path.join(root, 'suite'),
                     '--platform', 'BENCH', '--durations', '0']
            results = os.path.join(root, 'suite', 'Results')
            gtest_results = os.path.join(root, 'gtest')
            programs = [Program('rtrun', rtrun + [script], results),
                        Program('rtrun --in-process', rtrun + ['--in-process', script], results),
                        Program('GoogleTest xml', [args.gtest, str(tests),
                                                   '--gtest_output=xml:' + os.path.join(gtest_results, 'out.xml')],
                                gtest_results)]
            if args.before_rtrun:
                before = [os.path.join(before_root, 'bin', 'rtrun'), '--suite', os.path.join(before_root, 'suite'),
                          '--platform', 'BENCH', '--durations', '0', script]
                programs.insert(1, Program(args.before_name, before, os.path.join(before_root, 'suite', 'Results')))
            for program in programs:
                program.run()  # warm-up
            times = {p.name: [] for p in programs}
            peaks = {p.name: [] for p in programs}
            ratios = {p.name: [] for p in programs}
            for round_ in range(args.rounds):
                order = programs[round_ % len(programs):] + programs[:round_ % len(programs)]
                walls = {}
                for program in order:
                    wall, peak = program.run()
                    walls[program.name] = wall
                    times[program.name].append(wall)
                    peaks[program.name].append(peak)
                for program in programs:
                    ratios[program.name].append(walls[program.name] / walls['GoogleTest xml'])
            for program in programs:
                allocs = program.allocations(args.alloc_counter, root)
                report, every = program.writes(root)
                key = program.name
                before_close = program.peak_before_close(root) if args.gdb and 'rtrun' in key else None
                if key not in baseline:
                    baseline[key] = (tests, allocs, report, every)
                base = baseline[key]
                span = tests - base[0]
                rows.append((tests, key, statistics.median(times[key]) / tests * 1e6, statistics.median(ratios[key]),
                             max(peaks[key]), before_close, allocs / tests,
                             (allocs - base[1]) / span if span else None,
                             (report - base[2]) / span if span else report / tests,
                             (every - base[3]) / span if span else every / tests))
        print('%8s  %-19s %8s %7s %9s %14s %12s %14s %14s %14s' % (
            'tests', 'program', 'us/test', 'ratio', 'peak MB', 'before close', 'allocs/test', 'steady allocs',
            'report writes', 'all writes'))
        for tests, name, us, ratio, peak, before_close, allocs, steady, report, every in rows:
            print('%8d  %-19s %8.2f %7.3f %9.1f %14s %12.2f %14s %14.3f %14.3f' % (
                tests, name, us, ratio, peak, '-' if before_close is None else '%.1f' % before_close, allocs,
                '-' if steady is None else '%.2f' % steady, report, every))
        print('ratio: against GoogleTest xml in the same round; steady allocs and writes: per test added '
              'from %d tests on (at the first size: total / tests)' % sizes[0])
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == '__main__':
    main()
