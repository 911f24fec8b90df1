"""Shared pieces of the page test and the page benchmark: a private
installation of rtrun, a static web server on 127.0.0.1 and headless
Chromium driven through chromedriver.

Runs under Debian's /usr/bin/python3 with Debian's python3-selenium."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

CHROMIUM = '/usr/bin/chromium'
CHROMEDRIVER = '/usr/bin/chromedriver'


class Failure(Exception):
    """A check or a set-up step failed; the message says what a person would see."""


class Installation:
    """rtrun with the core library and chosen test libraries, copied into a
    fresh directory with a suite whose Scripts are the example suite's."""

    def __init__(self, rtrun, libraries, scripts_dir, root=None):
        self.root = root or tempfile.mkdtemp(prefix='rtpage.')
        for sub in ('bin', 'lib', 'suite/Config', 'suite/GoldenData', 'suite/Results'):
            os.makedirs(os.path.join(self.root, sub), exist_ok=True)
        shutil.copy2(rtrun, os.path.join(self.root, 'bin', 'rtrun'))
        for library in libraries:
            shutil.copy2(library, os.path.join(self.root, 'lib', os.path.basename(library)))
        shutil.copytree(scripts_dir, os.path.join(self.root, 'suite', 'Scripts'))
        self.suite = os.path.join(self.root, 'suite')
        self.results = os.path.join(self.suite, 'Results')

    def write_script(self, name, text):
        with open(os.path.join(self.suite, 'Config', name), 'w', encoding='utf-8') as out:
            out.write(text)

    def copy_config(self, config_dir):
        for name in os.listdir(config_dir):
            shutil.copy2(os.path.join(config_dir, name), os.path.join(self.suite, 'Config', name))

    def run(self, scripts, platform='E2E'):
        """Runs rtrun in an empty environment; returns (status, output, report, page)."""
        for name in os.listdir(self.results):
            path = os.path.join(self.results, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
        command = ['env', '-i', os.path.join(self.root, 'bin', 'rtrun'), '--suite', self.suite,
                   '--platform', platform] + list(scripts)
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        output = done.stdout.decode('utf-8', 'replace')
        reports = [n for n in os.listdir(self.results) if n.endswith('.xml')]
        pages = [n for n in os.listdir(self.results) if n.endswith('.htm')]
        if len(reports) != 1 or len(pages) != 1:
            raise Failure('rtrun left %r in %s (status %d):\n%s' % (
                os.listdir(self.results), self.results, done.returncode, output))
        return done.returncode, output, reports[0], pages[0]

    def run_again(self, scripts, env, platform='E2E'):
        """Runs rtrun beside the runs before it (their reports and history stay), with `env` as its
        whole environment; returns (status, output, run name)."""
        command = ['env', '-i'] + ['%s=%s' % pair for pair in sorted(env.items())] + [
            os.path.join(self.root, 'bin', 'rtrun'), '--suite', self.suite, '--platform', platform] + list(scripts)
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        output = done.stdout.decode('utf-8', 'replace')
        match = re.search(r'^Report: .*/([^/\n]+)\.xml$', output, re.M)
        if not match:
            raise Failure('rtrun named no report (status %d):\n%s' % (done.returncode, output))
        return done.returncode, output, match.group(1)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Server:
    """python3 -m http.server on 127.0.0.1 and a free port, stopped by its pid."""

    def __init__(self, directory):
        self.process = subprocess.Popen(
            [sys.executable, '-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', directory],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        line = self.process.stdout.readline().decode('utf-8', 'replace')
        match = re.search(r'port (\d+)', line)
        if not match:
            self.stop()
            raise Failure('the web server did not start: %r' % line)
        # Nothing more comes on standard output: the request log goes to standard error.
        self.base = 'http://127.0.0.1:%s/' % match.group(1)

    def stop(self):
        self.process.stdout.close()
        if self.process.poll() is None:
            os.kill(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.kill(self.process.pid, signal.SIGKILL)
                self.process.wait()


def start_browser(width=1280, height=900):
    """Headless Chromium under chromedriver; fails loudly when either is missing."""
    for program in (CHROMIUM, CHROMEDRIVER):
        if not os.access(program, os.X_OK):
            raise Failure('%s is missing: install Debian\'s chromium and chromium-driver' % program)
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError as error:
        raise Failure('python3-selenium is missing (%s); run this with Debian\'s /usr/bin/python3' % error)
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ('--headless=new', '--no-sandbox', '--disable-dev-shm-usage', '--disable-gpu',
                 '--window-size=%d,%d' % (width, height)):
        options.add_argument(flag)
    service = Service(executable_path=CHROMEDRIVER)
    try:
        return webdriver.Chrome(service=service, options=options)
    except Exception as error:
        raise Failure('headless Chromium did not start: %s' % error)


def wait_for(driver, condition, what, timeout=20):
    """Waits until condition(driver) is truthy and returns it; fails naming what was awaited."""
    from selenium.webdriver.support.ui import WebDriverWait
    try:
        return WebDriverWait(driver, timeout, poll_frequency=0.05).until(lambda d: condition(d))
    except Exception:
        raise Failure('timed out waiting for %s' % what)


def wait_ready(driver, timeout=30):
    """Waits until the page has painted its report once (the script marks the body then): only
    from then on do groups on screen count as seen, whatever is off screen is skipped."""
    return wait_for(driver, lambda d: d.execute_script(
        "return document.body && document.body.getAttribute('data-rt-painted')"), 'the report to be shown',
        timeout)
