#!/usr/bin/python3
"""A suite of 10,000 trivial tests (100 groups of 100) run through CTest as
a project outside this one would run it: the framework installed into a
scratch prefix, a project that finds it with find_package(KxRt), builds the
trivial test library and adds the suite with kxrt_add_suite once unsharded
and once each with SHARDS 1, 2 and 4; each is run with `ctest -j <shards>`.
Prints the median wall time of the whole ctest run, the merge step's own
time as ctest measured it, and the slowest shard's. A benchmark, not a
test: it judges nothing.

    cmake --build build --target shard_bench
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import tempfile
import time

SHARD_COUNTS = (1, 2, 4)

PROJECT = """cmake_minimum_required(VERSION 3.20)
project(ShardBench LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
find_package(KxRt REQUIRED)
add_library(KxRtBench80 SHARED {source})
target_link_libraries(KxRtBench80 PRIVATE KxRt::Rt)
enable_testing()
kxrt_add_suite(NAME unsharded SUITE {suite} SCRIPTS bench.rt LIBRARIES KxRtBench80)
foreach(n {counts})
  kxrt_add_suite(NAME shards${{n}} SUITE {suite} SCRIPTS bench.rt LIBRARIES KxRtBench80 SHARDS ${{n}})
endforeach()
"""


def step(what, command):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        raise SystemExit('%s failed (%d):\n%s' % (what, done.returncode, done.stdout.decode(errors='replace')))
    return done.stdout.decode(errors='replace')


def make_suite(root, scripts_dir, groups, per_group):
    suite = os.path.join(root, 'suite')
    os.makedirs(os.path.join(suite, 'Config'))
    shutil.copytree(scripts_dir, os.path.join(suite, 'Scripts'))
    with open(os.path.join(suite, 'Config', 'bench.rt'), 'w') as script:
        for group in range(groups):
            script.write('<Group><Name>Bench%03d</Name>\n' % group)
            script.write('<Test><Title>Trivial</Title></Test>\n' * per_group)
            script.write('</Group>\n')
    return suite


def make_project(root, prefix, source, suite, generator):
    project = os.path.join(root, 'project')
    build = os.path.join(root, 'project-build')
    os.makedirs(project)
    with open(os.path.join(project, 'CMakeLists.txt'), 'w') as out:
        out.write(PROJECT.format(source=source, suite=suite, counts=' '.join(map(str, SHARD_COUNTS))))
    step('configure', ['cmake', '-S', project, '-B', build, '-G', generator, '-DCMAKE_BUILD_TYPE=Release',
                       '-DCMAKE_PREFIX_PATH=' + prefix, '-DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON'])
    step('build', ['cmake', '--build', build])
    return build


def run_suite(build, name, jobs):
    """One ctest run of suite `name`; returns (wall, merge, slowest shard) in seconds."""
    results = os.path.join(build, 'kxrt', name)
    shutil.rmtree(results)
    os.makedirs(results)
    start = time.perf_counter()
    output = step('ctest ' + name, ['ctest', '--test-dir', build, '-R', '^%s\\.' % re.escape(name),
                                    '-j', str(jobs)])
    wall = time.perf_counter() - start
    times = dict(re.findall(r'Test +#\d+: (\S+) \.+ +Passed +([0-9.]+) sec', output))
    merge = float(times.get(name + '.merge', 'nan'))
    shards = [float(t) for test, t in times.items() if not test.endswith('.merge')]
    return wall, merge, max(shards)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build-dir', required=True, help='this project\'s build tree, to install')
    parser.add_argument('--source', required=True, help='the trivial test library\'s source')
    parser.add_argument('--scripts', required=True, help='the example suite\'s Scripts/ (templates)')
    parser.add_argument('--generator', default='Ninja')
    parser.add_argument('--groups', type=int, default=100)
    parser.add_argument('--per-group', type=int, default=100)
    parser.add_argument('--rounds', type=int, default=5)
    args = parser.parse_args()
    root = tempfile.mkdtemp(prefix='rtshardbench.')
    try:
        prefix = os.path.join(root, 'prefix')
        step('install', ['cmake', '--install', args.build_dir, '--prefix', prefix])
        suite = make_suite(root, args.scripts, args.groups, args.per_group)
        build = make_project(root, prefix, os.path.abspath(args.source), suite, args.generator)
        print('%d tests in %d groups, %d rounds, %d cores; medians in seconds'
              % (args.groups * args.per_group, args.groups, args.rounds, os.cpu_count()))
        print('%-10s %8s %8s %8s %14s' % ('suite', 'ctest -j', 'wall', 'merge', 'slowest shard'))
        for name, jobs in [('unsharded', 1)] + [('shards%d' % n, n) for n in SHARD_COUNTS]:
            run_suite(build, name, jobs)  # warm-up
            rounds = [run_suite(build, name, jobs) for _ in range(args.rounds)]
            wall, merge, slowest = (statistics.median(r[i] for r in rounds) for i in range(3))
            print('%-10s %8d %8.2f %8s %14.2f' % (name, jobs, wall, '-' if name == 'unsharded' else '%.2f' % merge,
                                                  slowest))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == '__main__':
    main()
