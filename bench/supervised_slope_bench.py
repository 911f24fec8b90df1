#!/usr/bin/python3
"""The cost per passing test of rtrun's supervised run against --in-process,
as the slope between two script sizes (2,000 and 20,000 trivial tests by
default): (time of the large run - time of the small run) / the tests
between them, so that start-up and closing cancel out and what remains is
the cost of one more test, the supervisor's watch and a dying child's
diagnostics included. Each round runs the four programs in an order that
rotates from round to round; the figures are medians over the rounds.

A benchmark, not a test: it judges nothing.

    cmake --build build --target supervised_slope_bench
"""
import argparse
import os
import statistics
import subprocess
import tempfile
import time

from bench_install import install, write_script  # the same private installation and script


def wall_seconds(command, results):
    for name in os.listdir(results):
        subprocess.call(['rm', '-rf', os.path.join(results, name)])
    start = time.perf_counter()
    with open(os.devnull, 'w') as null:
        status = subprocess.call(command, stdout=null, stderr=null, env={})
    seconds = time.perf_counter() - start
    if status != 0:
        raise SystemExit('%s ended with status %d' % (' '.join(command), status))
    return seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--rtrun', required=True)
    parser.add_argument('--lib', action='append', required=True, help='a library to install beside rtrun')
    parser.add_argument('--small', type=int, default=2000)
    parser.add_argument('--large', type=int, default=20000)
    parser.add_argument('--rounds', type=int, default=5)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as root:
        install(root, args.rtrun, args.lib)
        suite = os.path.join(root, 'suite')
        results = os.path.join(suite, 'Results')
        scripts = {size: write_script(root, size) for size in (args.small, args.large)}
        modes = {'supervised': [], 'in-process': ['--in-process']}
        runs = [(mode, size) for mode in modes for size in scripts]
        times = {run: [] for run in runs}
        for round_ in range(args.rounds):
            order = runs[round_ % len(runs):] + runs[:round_ % len(runs)]
            for mode, size in order:
                command = [os.path.join(root, 'bin', 'rtrun'), '--suite', suite, '--platform', 'BENCH'] + \
                    ['--durations', '0'] + modes[mode] + [scripts[size]]
                times[(mode, size)].append(wall_seconds(command, results))
        print('%-11s %14s %14s %12s' % ('mode', '%d tests (s)' % args.small, '%d tests (s)' % args.large,
                                         'µs per test'))
        for mode in modes:
            small = statistics.median(times[(mode, args.small)])
            large = statistics.median(times[(mode, args.large)])
            slope = (large - small) / (args.large - args.small) * 1e6
            print('%-11s %14.3f %14.3f %12.2f' % (mode, small, large, slope))


if __name__ == '__main__':
    main()
