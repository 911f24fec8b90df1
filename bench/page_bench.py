"""How the report page copes with a nightly run: a generated report of
100,000 tests (groups of 2 to 4 tests, 2 % failing with messages and trace
lines, 5 % warning) put in place of the report of a real rtrun run, served
on 127.0.0.1 and opened in headless Chromium. Prints the time from the
start of navigation until the report is built and until it is first
painted, and how long each control takes from the click until the next
frame is painted (median of five).

    /usr/bin/python3 bench/page_bench.py --rtrun build/bin/rtrun --lib build/lib/libDi80.so.8 \\
        --lib build/lib/libRt.so.8 --example-lib build/lib/libKxRtExample80.so --suite example/suite

or `cmake --build build --target page_bench`. Figures only, no verdict."""

import argparse
import os
import random
import statistics
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'page'))
import pagekit  # noqa: E402


def summary(indent, counts):
    names = ('KxErrors', 'Errors', 'Warnings', 'ExtErrors', 'ExtWarnings')
    lines = [indent + '<Summary>']
    lines += ['%s  <%s>%d</%s>' % (indent, n, c, n) for n, c in zip(names, counts)]
    lines.append(indent + '</Summary>')
    return lines


def generate(tests, seed=22):
    """The text of a report of `tests` tests in the report's own layout."""
    rng = random.Random(seed)
    out = ['<?xml version="1.0"?>', '<KxRegTester>']
    next_id = 0
    made = 0
    group_no = 0
    while made < tests:
        size = min(rng.randint(2, 4), tests - made)
        out.append('  <Group id="%.10d">' % next_id)
        next_id += 1
        group = [0] * 5
        for _ in range(size):
            out.append('    <Test id="%.10d">' % next_id)
            next_id += 1
            roll = rng.random()
            counts = [0, 0, 0, 0, 0]
            title = 'Case%06d' % made
            if roll < 0.02:
                counts[1] = 1
                out += ['      <Error>', '        <Method>%s::executeW</Method>' % title,
                        '        <Desc>compare</Desc>',
                        '        <Msg>value %d differs from the expected %d in node /root/part%d</Msg>'
                        % (made, made + 1, made % 97),
                        '        <Trace>frame 0: compare(a, b)</Trace>', '        <Trace></Trace>',
                        '        <Trace>frame 1: %s::executeW</Trace>' % title, '      </Error>']
            elif roll < 0.07:
                counts[2] = 1
                out += ['      <Warning>', '        <Method>%s::executeW</Method>' % title,
                        '        <Desc>tolerance</Desc>',
                        '        <Msg>deviation %.4f within the loose tolerance</Msg>' % rng.random(),
                        '      </Warning>']
            out += ['      <Arg>${IN_DIR}/models/part%05d.kx</Arg>' % made, '      <Arg>%d</Arg>' % (made % 13),
                    '      <Ext></Ext>', '      <Time>%.2f Seconds</Time>' % (rng.random() * 3),
                    '      <Desc>Synthetic test of a nightly run</Desc>', '      <Title>%s</Title>' % title]
            out += summary('      ', counts)
            out.append('    </Test>')
            group = [g + c for g, c in zip(group, counts)]
            made += 1
        out += ['    <Time>%.2f Seconds</Time>' % (size * 1.5), '    <Desc>Synthetic group</Desc>',
                '    <Title>Group%05d</Title>' % group_no]
        out += summary('    ', group)
        out.append('  </Group>')
        group_no += 1
    out += ['  <Global>', '    <Machine>bench</Machine>', '    <Platform>E2E</Platform>',
            '    <RunTime>3600.00 Seconds</RunTime>', '    <Version>V</Version>', '  </Global>', '</KxRegTester>', '']
    return '\r\n'.join(out).encode('ascii'), group_no


# Clicks a control and resolves with the milliseconds until the next frame is painted.
CLICK = '''
var done = arguments[arguments.length - 1];
var target = arguments[0];
var t0 = performance.now();
target.click();
requestAnimationFrame(function () { setTimeout(function () { done(performance.now() - t0); }, 0); });
'''

SEARCH = '''
var done = arguments[arguments.length - 1];
var box = document.getElementById('rt-search');
box.value = arguments[0];
var t0 = performance.now();
box.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter', bubbles: true }));
requestAnimationFrame(function () { setTimeout(function () { done(performance.now() - t0); }, 0); });
'''


def timed_click(driver, selector_script):
    target = driver.execute_script(selector_script)
    if target is None:
        raise pagekit.Failure('no control for: ' + selector_script)
    return driver.execute_async_script(CLICK, target)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rtrun', required=True)
    parser.add_argument('--lib', action='append', required=True)
    parser.add_argument('--example-lib', required=True)
    parser.add_argument('--suite', required=True)
    parser.add_argument('--tests', type=int, default=100000)
    parser.add_argument('--loads', type=int, default=3)
    args = parser.parse_args()

    install = pagekit.Installation(args.rtrun, args.lib + [args.example_lib], os.path.join(args.suite, 'Scripts'))
    install.copy_config(os.path.join(args.suite, 'Config'))
    server = driver = None
    try:
        _, _, report, page = install.run(['smoke.rt'])
        data, groups = generate(args.tests)
        with open(os.path.join(install.results, report), 'wb') as out:
            out.write(data)
        print('report: %d tests in %d groups, %.1f MB' % (args.tests, groups, len(data) / 1e6))
        server = pagekit.Server(install.results)
        driver = pagekit.start_browser()
        driver.set_script_timeout(120)

        built, painted = [], []
        for _ in range(args.loads):
            driver.get(server.base + page)
            pagekit.wait_for(driver, lambda d: d.execute_script(
                'return document.body.getAttribute("data-rt-painted")'), 'the report to be painted', 120)
            built.append(int(driver.execute_script('return document.body.getAttribute("data-rt-ready")')))
            painted.append(int(driver.execute_script('return document.body.getAttribute("data-rt-painted")')))
        marks = driver.execute_script(
            'return performance.getEntriesByType("mark").map(function (m) { return [m.name, m.startTime]; })')
        print('last load, ms from navigation: ' + ', '.join('%s %.0f' % (n, t) for n, t in marks) +
              ', built %s' % built[-1])
        elements = driver.execute_script('return document.getElementsByTagName("*").length')
        print('load to report built:   median %5.0f ms  (%s)' % (statistics.median(built), built))
        print('load to first painted:  median %5.0f ms  (%s)' % (statistics.median(painted), painted))
        print('elements after load:    %d' % elements)

        actions = [
            ('Show only failures on', 'return document.getElementById("rt-only-failures")'),
            ('Show only failures off', 'return document.getElementById("rt-only-failures")'),
            ('Expand all records', 'return document.querySelector("button[data-rt-action=expand]")'),
            ('Collapse all records', 'return document.querySelector("button[data-rt-action=collapse]")'),
            ('open one record', 'return document.querySelector(".rt-details:not([open]) > summary")'),
            ('close one record', 'return document.querySelector(".rt-details[open] > summary")'),
            ('navigator: last group', 'var a = document.querySelectorAll(".rt-nav .rt-menu a");'
                                      ' return a[a.length - 1];'),
        ]
        print('%-28s %8s %8s' % ('control', 'median', 'worst'))
        for name, selector in actions:
            times = [timed_click(driver, selector) for _ in range(5)] if 'Show only' not in name else None
            if times is None:
                # The filter is a toggle: time on and off alternately.
                times = []
                for i in range(10):
                    t = timed_click(driver, selector)
                    if (i % 2 == 0) == name.endswith('on'):
                        times.append(t)
            print('%-28s %6.0f ms %6.0f ms' % (name, statistics.median(times), max(times)))
        for name, query in (('search a message', 'differs from the expected 5000'), ('search cleared', '')):
            times = [driver.execute_async_script(SEARCH, query) for _ in range(5)]
            print('%-28s %6.0f ms %6.0f ms' % (name, statistics.median(times), max(times)))
        times = []
        for value in ('duration', 'report', 'failures', 'duration', 'failures'):
            times.append(driver.execute_async_script(
                'var done = arguments[0]; var s = document.getElementById("rt-order"); s.value = "%s";'
                ' var t0 = performance.now(); s.dispatchEvent(new Event("change"));'
                ' requestAnimationFrame(function () { setTimeout(function () { done(performance.now() - t0); },'
                ' 0); });' % value))
        print('%-28s %6.0f ms %6.0f ms' % ('change the order', statistics.median(times), max(times)))
        # Scrolling to the end of what is built: the next chunk of groups is built in the frames after.
        times = [driver.execute_async_script(
            'var done = arguments[0]; var t0 = performance.now();'
            ' var count = document.querySelectorAll(".rt-groups > .rt-group").length;'
            ' window.scrollTo(0, document.documentElement.scrollHeight);'
            ' (function wait() { requestAnimationFrame(function () { setTimeout(function () {'
            '   if (document.querySelectorAll(".rt-groups > .rt-group").length > count) done(performance.now() - t0);'
            '   else wait(); }, 0); }); })();') for _ in range(5)]
        print('%-28s %6.0f ms %6.0f ms' % ('scroll to the end: more built', statistics.median(times), max(times)))
    finally:
        if driver:
            driver.quit()
        if server:
            server.stop()
        install.remove()


if __name__ == '__main__':
    main()
