#!/usr/bin/python3
"""The wall time of a night at several jobs. A benchmark, not a test: it
judges nothing.

Suite "tail": tests that sleep for long-tailed durations, the few long
ones last in the script. Run with `rtrun --jobs 8` on a first night (no
earlier times: script order) and a second night (the first night's times:
longest first), against the lower bound max(work / 8, longest test),
against `--jobs 1`, and against the same suite as kxrt_add_suite(...
SHARDS 8) under `ctest -j8` (an installed package, as a project outside
this one uses it).

Suite "cpu": tests that each do a fixed amount of arithmetic, at --jobs 2
against --jobs 1 (on a machine with two processors or more).

    cmake --build build --target jobs_bench
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shard_bench import step  # noqa: E402

PROJECT = """cmake_minimum_required(VERSION 3.20)
project(JobsBench LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(KxRt REQUIRED)
add_library(KxRtBench80 SHARED {source})
target_link_libraries(KxRtBench80 PRIVATE KxRt::Rt)
enable_testing()
kxrt_add_suite(NAME tail SUITE {suite} SCRIPTS tail.rt LIBRARIES KxRtBench80 SHARDS 8)
"""


def tail_durations(short_tests, seed=7):
    """Short tests of 0.02 to 0.3 s (most near the low end), then six long ones."""
    rng = random.Random(seed)
    short = [round(min(0.3, 0.02 + rng.expovariate(1 / 0.06)), 3) for _ in range(short_tests)]
    return short + [4.0, 3.5, 3.0, 2.5, 2.0, 1.5]


def make_suite(root, scripts_dir, tail, spins):
    suite = os.path.join(root, 'suite')
    os.makedirs(os.path.join(suite, 'Config'))
    shutil.copytree(scripts_dir, os.path.join(suite, 'Scripts'))
    with open(os.path.join(suite, 'Config', 'tail.rt'), 'w') as script:
        for start in range(0, len(tail), 25):
            script.write('<Group><Name>Tail%02d</Name>\n' % (start // 25))
            for seconds in tail[start:start + 25]:
                script.write('<Test><Title>Sleep</Title><Ext>%g</Ext></Test>\n' % seconds)
            script.write('</Group>\n')
    with open(os.path.join(suite, 'Config', 'cpu.rt'), 'w') as script:
        script.write('<Group><Name>Cpu</Name>\n')
        script.write('<Test><Title>Spin</Title><Ext>%g</Ext></Test>\n' % spins[1] * spins[0])
        script.write('</Group>\n')
    return suite


def night(rtrun, lib_dir, suite, results, *args):
    """One rtrun run; returns its wall time in seconds."""
    env = dict(os.environ, KXRT_RESULT_DIR=results, KXRT_HISTORY='off')
    start = time.perf_counter()
    done = subprocess.run([rtrun, '--suite', suite, '--lib-dir', lib_dir, '--durations', '0'] + list(args),
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    wall = time.perf_counter() - start
    if done.returncode != 0:
        raise SystemExit('rtrun %s failed (%d): %s' % (' '.join(args), done.returncode, done.stderr.decode()))
    return wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build-dir', required=True, help='this project\'s build tree, to install')
    parser.add_argument('--source', required=True, help='the benchmarks\' test library source')
    parser.add_argument('--scripts', required=True, help='the example suite\'s Scripts/ (templates)')
    parser.add_argument('--generator', default='Ninja')
    parser.add_argument('--short-tests', type=int, default=144)
    parser.add_argument('--cpu-tests', type=int, default=40)
    parser.add_argument('--cpu-steps', type=float, default=60, help='million steps per cpu test')
    args = parser.parse_args()
    root = tempfile.mkdtemp(prefix='rtjobsbench.')
    try:
        prefix = os.path.join(root, 'prefix')
        step('install', ['cmake', '--install', args.build_dir, '--prefix', prefix])
        tail = tail_durations(args.short_tests)
        suite = make_suite(root, args.scripts, tail, (args.cpu_tests, args.cpu_steps))
        project = os.path.join(root, 'project')
        build = os.path.join(root, 'project-build')
        os.makedirs(project)
        with open(os.path.join(project, 'CMakeLists.txt'), 'w') as out:
            out.write(PROJECT.format(source=os.path.abspath(args.source), suite=suite))
        step('configure', ['cmake', '-S', project, '-B', build, '-G', args.generator, '-DCMAKE_BUILD_TYPE=Release',
                           '-DCMAKE_PREFIX_PATH=' + prefix, '-DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON'])
        step('build', ['cmake', '--build', build])
        rtrun = os.path.join(prefix, 'bin', 'rtrun')
        work, longest = sum(tail), max(tail)
        bound = max(work / 8, longest)
        print('suite "tail": %d tests sleeping %.1f s in all, the longest %.1f s; %d processors'
              % (len(tail), work, longest, os.cpu_count()))
        print('lower bound max(work/8, longest): %.2f s' % bound)
        results = os.path.join(root, 'results-tail')
        os.makedirs(results)
        first = night(rtrun, build, suite, results, '--jobs', '8', 'tail.rt')
        second = night(rtrun, build, suite, results, '--jobs', '8', 'tail.rt')
        one_dir = os.path.join(root, 'results-one')
        os.makedirs(one_dir)
        one = night(rtrun, build, suite, one_dir, '--jobs', '1', 'tail.rt')
        start = time.perf_counter()
        step('ctest', ['ctest', '--test-dir', build, '-j8'])
        shards = time.perf_counter() - start
        print('%-34s %8s %10s' % ('', 'wall s', '/ bound'))
        for name, wall in (('--jobs 8, first night', first), ('--jobs 8, second night', second),
                           ('--jobs 1', one), ('SHARDS 8 under ctest -j8 (+merge)', shards)):
            print('%-34s %8.2f %10.2f' % (name, wall, wall / bound))

        cpu_dir = os.path.join(root, 'results-cpu')
        os.makedirs(cpu_dir)
        cpu_one = min(night(rtrun, build, suite, cpu_dir, '--jobs', '1', 'cpu.rt') for _ in range(3))
        cpu_two = min(night(rtrun, build, suite, cpu_dir, '--jobs', '2', 'cpu.rt') for _ in range(3))
        print('suite "cpu": %d tests of %g million steps; best of 3' % (args.cpu_tests, args.cpu_steps))
        print('--jobs 1 %.2f s, --jobs 2 %.2f s: ratio %.2f' % (cpu_one, cpu_two, cpu_two / cpu_one))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == '__main__':
    main()
