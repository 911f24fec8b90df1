#!/usr/bin/python3
"""Whole-process cost of rtrun per test: N trivial passing tests in one
script, run by the real rtrun in a private installation, supervised (the
default) and in-process (--in-process), alternated round by round. Prints
the median microseconds per test, the ratio supervised / in-process and the
peak memory of the largest process. A benchmark, not a test: it judges nothing.

    cmake --build build --target rtrun_bench
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time


def install(root, rtrun, libraries):
    for sub in ('bin', 'lib', 'suite/Config', 'suite/Scripts', 'suite/Results'):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    shutil.copy2(rtrun, os.path.join(root, 'bin', 'rtrun'))
    for library in libraries:
        shutil.copy2(library, os.path.join(root, 'lib', os.path.basename(library)))


def write_script(root, tests):
    path = os.path.join(root, 'suite', 'Config', 'bench%d.rt' % tests)
    with open(path, 'w') as script:
        script.write('<Group><Name>Bench</Name>\n')
        script.write('<Test><Title>Trivial</Title></Test>\n' * tests)
        script.write('</Group>\n')
    return os.path.basename(path)


def run_once(root, script, extra):
    results = os.path.join(root, 'suite', 'Results')
    shutil.rmtree(results)
    os.makedirs(results)
    command = [os.path.join(root, 'bin', 'rtrun'), '--suite', os.path.join(root, 'suite'), '--platform', 'BENCH',
               '--durations', '0'] + extra + [script]
    start = time.perf_counter()
    with open(os.devnull, 'w') as null:
        process = subprocess.Popen(command, stdout=null, stderr=subprocess.PIPE, env={})
        _, status, usage = os.wait4(process.pid, 0)
        process.stderr.read()
        process.stderr.close()
    wall = time.perf_counter() - start
    if status != 0:
        raise SystemExit('rtrun ended with status %d' % status)
    return wall, usage.ru_maxrss / 1024.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rtrun', required=True)
    parser.add_argument('--lib', action='append', required=True)
    parser.add_argument('--sizes', default='1000,10000,100000')
    parser.add_argument('--rounds', type=int, default=5)
    args = parser.parse_args()
    root = tempfile.mkdtemp(prefix='rtbench.')
    try:
        install(root, args.rtrun, args.lib)
        print('%9s %16s %16s %8s %14s %14s' % ('tests', 'supervised us', 'in-process us', 'ratio',
                                                 'sup. peak MB', 'in-proc peak MB'))
        for tests in [int(size) for size in args.sizes.split(',')]:
            script = write_script(root, tests)
            run_once(root, script, [])  # warm-up
            supervised, in_process, ratios, peak_s, peak_i = [], [], [], [], []
            for _ in range(args.rounds):
                a, ma = run_once(root, script, [])
                b, mb = run_once(root, script, ['--in-process'])
                supervised.append(a)
                in_process.append(b)
                ratios.append(a / b)
                peak_s.append(ma)
                peak_i.append(mb)
            print('%9d %16.2f %16.2f %8.3f %14.1f %14.1f' % (
                tests, statistics.median(supervised) / tests * 1e6, statistics.median(in_process) / tests * 1e6,
                statistics.median(ratios), max(peak_s), max(peak_i)))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == '__main__':
    main()
