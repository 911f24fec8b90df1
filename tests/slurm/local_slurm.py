"""A single-node Slurm cluster of its own: munged, slurmctld and slurmd as
child processes, every file of theirs (key, sockets, state, spool, logs,
pid files, configuration) in one temporary directory, stopped by their
process ids and the directory removed on stop().

It runs in a network namespace of the calling process's own (see
enter_private_network), so the daemons, which listen on every address,
can only be reached through this namespace's loopback interface.

Needs root (SlurmUser=root) and Debian's slurmctld, slurmd, slurm-client,
munge and iproute2."""

import ctypes
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

CLONE_NEWNET = 0x40000000
PR_SET_PDEATHSIG = 1
PROGRAMS = ('/usr/sbin/munged', '/usr/sbin/mungekey', '/usr/sbin/slurmctld', '/usr/sbin/slurmd',
            '/usr/bin/sbatch', '/usr/bin/sinfo', '/usr/bin/scancel', '/bin/ip')
# Variables of an enclosing Slurm job or of the caller's own cluster would
# point our clients elsewhere.
FOREIGN_VARIABLES = ('SLURM_', 'SBATCH_', 'SALLOC_', 'SRUN_', 'SQUEUE_', 'SINFO_')


class ClusterError(Exception):
    """The cluster could not be set up or did not answer; the text says why."""


def _libc():
    return ctypes.CDLL(None, use_errno=True)


def enter_private_network():
    """Moves this process into a new network namespace holding only a
    loopback interface, with 127.0.0.2 beside 127.0.0.1 on it: Slurm
    resolves addresses with AI_ADDRCONFIG, for which glibc does not count
    127.0.0.1 as a configured IPv4 address, so with 127.0.0.1 alone even
    "127.0.0.1" does not resolve."""
    if _libc().unshare(CLONE_NEWNET) != 0:
        error = ctypes.get_errno()
        raise ClusterError('cannot make a network namespace (unshare: %s); the test needs root'
                           % os.strerror(error))
    for command in (['/bin/ip', 'link', 'set', 'lo', 'up'],
                    ['/bin/ip', 'addr', 'add', '127.0.0.2/8', 'dev', 'lo']):
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            raise ClusterError('%s failed: %s' % (' '.join(command), done.stdout.decode(errors='replace')))


def _free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(('127.0.0.1', 0))
        return probe.getsockname()[1]


def _die_with_parent():
    # A daemon must not outlive a test that was killed before it could stop it.
    _libc().prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def clean_environment():
    """The caller's environment without variables that would steer the Slurm clients elsewhere."""
    return {k: v for k, v in os.environ.items() if not k.startswith(FOREIGN_VARIABLES)}


class LocalSlurm:
    def __init__(self):
        missing = [p for p in PROGRAMS if not os.access(p, os.X_OK)]
        if missing:
            raise ClusterError('missing %s: install Debian\'s slurmctld, slurmd, slurm-client, munge and '
                               'iproute2' % ', '.join(missing))
        self.root = tempfile.mkdtemp(prefix='rtslurm.')
        # munged insists that everyone may traverse its socket's directories.
        os.chmod(self.root, 0o755)
        for sub in ('munge', 'state', 'spool', 'log', 'run'):
            os.makedirs(self.path(sub))
        self.conf = self.path('slurm.conf')
        self.daemons = []  # (name, Popen, log file), in start order
        self.node = None

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def environment(self, extra=None):
        env = clean_environment()
        env['SLURM_CONF'] = self.conf
        env.update(extra or {})
        return env

    def start(self, timeout=30):
        """Starts the three daemons and waits until the node is idle."""
        key = self.path('munge', 'munge.key')
        self._run_tool(['/usr/sbin/mungekey', '--create', '--keyfile=' + key])
        socket_path = self.path('munge', 'munge.socket')
        self._spawn('munged', ['/usr/sbin/munged', '--foreground', '--key-file=' + key,
                               '--socket=' + socket_path, '--pid-file=' + self.path('run', 'munged.pid'),
                               '--log-file=' + self.path('log', 'munged.log'),
                               '--seed-file=' + self.path('munge', 'munged.seed')])
        self._wait('munged to open its socket', lambda: os.path.exists(socket_path), timeout)
        self._write_conf(socket_path)
        self._spawn('slurmctld', ['/usr/sbin/slurmctld', '-D', '-f', self.conf])
        self._spawn('slurmd', ['/usr/sbin/slurmd', '-D', '-f', self.conf])
        self._wait('node %s to become idle' % self.node, lambda: self._node_state() == 'idle', timeout)

    def _run_tool(self, command):
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=self.environment())
        if done.returncode != 0:
            raise ClusterError('%s failed (%d): %s' % (command[0], done.returncode, done.stdout.decode(errors='replace')))
        return done.stdout.decode(errors='replace')

    def _spawn(self, name, command):
        log = open(self.path('log', name + '.out'), 'wb')
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                   env=self.environment(), preexec_fn=_die_with_parent)
        self.daemons.append((name, process, log))

    def _wait(self, what, ready, timeout):
        deadline = time.monotonic() + timeout
        while not ready():
            dead = [name for name, process, _ in self.daemons if process.poll() is not None]
            if dead:
                raise ClusterError('%s ended while waiting for %s' % (', '.join(dead), what))
            if time.monotonic() > deadline:
                raise ClusterError('timed out after %d s waiting for %s' % (timeout, what))
            time.sleep(0.1)

    def _node_state(self):
        try:
            done = subprocess.run(['/usr/bin/sinfo', '--noheader', '--Node', '--format=%T'], env=self.environment(),
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
        except subprocess.TimeoutExpired:
            return ''  # slurmctld not answering yet
        return done.stdout.decode(errors='replace').strip()

    def _write_conf(self, munge_socket):
        # The node as slurmd finds it (name, CPUs, sockets, memory): a node
        # configured with more than it has would be drained.
        hardware = self._run_tool(['/usr/sbin/slurmd', '-C']).splitlines()[0]
        if not hardware.startswith('NodeName='):
            raise ClusterError('slurmd -C said: %s' % hardware)
        self.node = hardware.split()[0].split('=', 1)[1]
        lines = [
            'ClusterName=rtlocal',
            'SlurmctldHost=%s(127.0.0.1)' % self.node,
            'SlurmctldPort=%d' % _free_port(),
            'SlurmdPort=%d' % _free_port(),
            'SlurmUser=root',
            'SlurmdUser=root',
            'AuthType=auth/munge',
            'CredType=cred/munge',
            'AuthInfo=socket=%s' % munge_socket,
            'StateSaveLocation=%s' % self.path('state'),
            'SlurmdSpoolDir=%s' % self.path('spool'),
            'SlurmctldPidFile=%s' % self.path('run', 'slurmctld.pid'),
            'SlurmdPidFile=%s' % self.path('run', 'slurmd.pid'),
            'SlurmctldLogFile=%s' % self.path('log', 'slurmctld.log'),
            'SlurmdLogFile=%s' % self.path('log', 'slurmd.log'),
            'SlurmctldDebug=info',
            'SlurmdDebug=info',
            'MailProg=/bin/true',
            'ProctrackType=proctrack/linuxproc',
            'TaskPlugin=task/none',
            'SelectType=select/cons_tres',
            'SelectTypeParameters=CR_Core',
            'SchedulerType=sched/builtin',
            'MpiDefault=none',
            'SwitchType=switch/none',
            'AccountingStorageType=accounting_storage/none',
            'JobAcctGatherType=jobacct_gather/none',
            'JobCompType=jobcomp/none',
            'ReturnToService=2',
            '%s NodeAddr=127.0.0.1 State=UNKNOWN' % hardware.strip(),
            'PartitionName=rt Nodes=%s Default=YES MaxTime=INFINITE State=UP' % self.node,
        ]
        with open(self.conf, 'w') as conf:
            conf.write('\n'.join(lines) + '\n')

    def logs(self, lines=40):
        """The last lines of every daemon's log and console output, for a failure message."""
        parts = []
        for name in sorted(os.listdir(self.path('log'))):
            with open(self.path('log', name), 'rb') as log:
                tail = log.read().decode(errors='replace').splitlines()[-lines:]
            parts.append('--- %s (last %d lines)\n%s' % (name, len(tail), '\n'.join(tail)))
        status = ['%s: %s' % (name, 'running' if p.poll() is None else 'ended with %d' % p.returncode)
                  for name, p, _ in self.daemons]
        return '\n'.join(['daemons: ' + ', '.join(status)] + parts)

    def cancel(self, job_id):
        subprocess.run(['/usr/bin/scancel', str(job_id)], env=self.environment(), timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        """Stops the daemons in reverse order, each by its process id, and removes the directory."""
        for name, process, log in reversed(self.daemons):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            log.close()
        self.daemons = []
        shutil.rmtree(self.root, ignore_errors=True)
