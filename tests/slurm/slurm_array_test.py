#!/usr/bin/python3
"""The example suite as a Slurm job array of four shards on a single-node
cluster started here, merged, against one in-process run of the same
scripts: the merged report must hold the same groups, tests, records and
totals (ids and times aside) and end with the same status.

If the cluster does not come up, the test fails and shows the daemons'
logs. Needs root; runs under Debian's /usr/bin/python3."""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import local_slurm
import report_compare

SHARDS = 4


class Failure(Exception):
    pass


def rtrun(args, command, result_dir):
    env = local_slurm.clean_environment()
    env = {k: v for k, v in env.items() if not k.startswith(('KXRT_', 'TEST_'))}
    env['KXRT_RESULT_DIR'] = result_dir
    done = subprocess.run([args.rtrun, '--suite', args.suite] + command, env=env, timeout=60,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout.decode(errors='replace')


def only_report(directory, output):
    reports = glob.glob(os.path.join(directory, '*.xml'))
    if len(reports) != 1:
        raise Failure('expected one report in %s, found %r:\n%s' % (directory, reports, output))
    return reports[0]


def submit_array(args, cluster, work):
    """sbatch --array --wait on the job script; returns the task outputs' text."""
    env = cluster.environment({
        'KXRT_RESULT_DIR': os.path.join(work, 'sharded'),
        'PATH': os.path.dirname(os.path.abspath(args.rtrun)) + os.pathsep + os.environ.get('PATH', '/usr/bin:/bin'),
    })
    env = {k: v for k, v in env.items() if not (k.startswith('TEST_') or k == 'RTRUN')}
    command = ['/usr/bin/sbatch', '--array=0-%d' % (SHARDS - 1), '--wait', '--chdir=' + work,
               '--output=' + os.path.join(work, 'task-%a.out'), args.job_script,
               '--suite', args.suite] + args.scripts
    process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        output, _ = process.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        process.kill()
        output, _ = process.communicate()
        job = re.search(rb'Submitted batch job (\d+)', output)
        if job:
            cluster.cancel(job.group(1).decode())
        raise Failure('sbatch --wait did not return within 60 s:\n%s\n%s' % (
            output.decode(errors='replace'), cluster.logs()))
    output = output.decode(errors='replace')
    tasks = sorted(glob.glob(os.path.join(work, 'task-*.out')))
    task_text = ''.join('--- %s\n%s' % (os.path.basename(t), open(t, errors='replace').read()) for t in tasks)
    if process.returncode != 0 or len(tasks) != SHARDS:
        raise Failure('sbatch ended with %d after %d task(s):\n%s\n%s\n%s' % (
            process.returncode, len(tasks), output, task_text, cluster.logs()))
    return task_text


def run(args, work):
    started = time.monotonic()
    status, output = rtrun(args, ['--in-process'] + args.scripts, os.path.join(work, 'reference'))
    reference = only_report(os.path.join(work, 'reference'), output)
    reference_status = status

    cluster = local_slurm.LocalSlurm()
    try:
        try:
            cluster.start()
        except local_slurm.ClusterError as error:
            raise Failure('the Slurm cluster did not start: %s\n%s' % (error, cluster.logs()))
        print('ok    cluster up on node %s after %.1f s' % (cluster.node, time.monotonic() - started))
        task_text = submit_array(args, cluster, work)
        print('ok    job array of %d tasks done after %.1f s' % (SHARDS, time.monotonic() - started))
    finally:
        cluster.stop()

    shard_dirs = [os.path.join(work, 'sharded', 'shard-%d-of-%d' % (i, SHARDS)) for i in range(SHARDS)]
    shard_tests = []
    for directory in shard_dirs:
        if not os.path.isdir(directory):
            raise Failure('no %s after the job array:\n%s' % (directory, task_text))
        shard_tests.append(report_compare.shape(only_report(directory, task_text))[1])
    status, output = rtrun(args, ['--merge', os.path.join(work, 'merged')] + shard_dirs, work)
    merged = only_report(os.path.join(work, 'merged'), output)
    if status != reference_status:
        raise Failure('the merge ended with %d, the in-process run with %d:\n%s' % (status, reference_status, output))
    difference = report_compare.first_difference(reference, merged)
    if difference:
        raise Failure('the merged report differs from the in-process one at %s' % difference)
    if 0 in shard_tests:
        raise Failure('a shard ran no test: %r; the example suite fills all %d' % (shard_tests, SHARDS))
    groups, tests, errors = report_compare.shape(merged)
    print('ok    merged report of %d groups, %d tests (%s per shard), %d errors, status %d: as in one process'
          % (groups, tests, '+'.join(map(str, shard_tests)), errors, status))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rtrun', required=True)
    parser.add_argument('--suite', required=True)
    parser.add_argument('--job-script', required=True)
    parser.add_argument('scripts', nargs='+')
    args = parser.parse_args()
    args.rtrun, args.suite, args.job_script = map(os.path.abspath, (args.rtrun, args.suite, args.job_script))
    started = time.monotonic()
    work = tempfile.mkdtemp(prefix='rtslurmjob.')
    os.chmod(work, 0o755)
    try:
        local_slurm.enter_private_network()
        run(args, work)
    except (Failure, local_slurm.ClusterError) as error:
        print('FAIL  %s' % error)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print('slurm array test passed in %.1f s' % (time.monotonic() - started))
    return 0


if __name__ == '__main__':
    sys.exit(main())
