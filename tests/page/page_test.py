"""The report page as a person sees it, in headless Chromium.

Real reports written by rtrun (the example suite; a suite whose names,
arguments and messages hold markup; a run whose process dies in a test, and
copies of a report cut off by hand) are served on 127.0.0.1 and looked at:
groups and tests by name, failures marked and first, an error's text after
expanding it, the failing-only filter and the search kept in the address,
markup shown as text, the interrupted test named, no sideways scrolling on a
narrow screen, the tests that did not run (from the run's index) shown as
NOT RUN and a run of only such tests never called PASSED, the page opened
from disk taking the report (and its index) through its file picker and by
drag and drop, and the e-mail summary at phone width. A
screenshot of the example suite's page is kept in the output directory.

Run with Debian's /usr/bin/python3 (python3-selenium, chromium, chromium-driver)."""

import argparse
import os
import shutil
import sys
import traceback
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pagekit  # noqa: E402
from pagekit import Failure  # noqa: E402

MARKUP_SCRIPT = '''<Group>
  <Name>&lt;img src=x onerror=&quot;window.rtInjected=1&quot;&gt;Markup &amp; &lt;b&gt;bold&lt;/b&gt;</Name>
  <Test><Title>Pass</Title></Test>
  <Test><Title>Echo</Title><Arg>&lt;script&gt;window.rtInjected=2&lt;/script&gt;</Arg><Ext>&lt;i&gt;ext&lt;/i&gt;</Ext></Test>
  <Test><Title>Fail</Title></Test>
</Group>
'''

GHOST_SCRIPT = '''<Group><Name>Ghosts</Name>
  <Test><Title>Nope</Title></Test>
  <Test><Title>Gone</Title><Arg>1</Arg></Test>
</Group>
'''

DIE_SCRIPT = '''<Group><Name>Crashy</Name>
  <Test><Title>Pass</Title></Test>
  <Test><Title>Die</Title></Test>
  <Test><Title>Pass</Title></Test>
</Group>
'''


def check(condition, message):
    if not condition:
        raise Failure(message)


def js(driver, script, *args):
    return driver.execute_script(script, *args)


def visible_text(driver, selector='#rt-root'):
    return js(driver, 'var n = document.querySelector(arguments[0]); return n ? n.innerText : "";', selector)


def shown_tests(driver):
    """(group name, test name, badge) of every test row on screen, in page order."""
    return [tuple(row) for row in js(driver, '''
      return Array.from(document.querySelectorAll('.rt-groups .rt-test-row'))
        .filter(function (r) { return r.offsetParent !== null; })
        .map(function (r) {
          var g = r.closest('.rt-group');
          return [g.querySelector('.rt-group-name').textContent, r.querySelector('.rt-name').textContent,
                  r.querySelector('.rt-badge').textContent];
        });''')]


def shown_groups(driver):
    return js(driver, '''
      return Array.from(document.querySelectorAll('.rt-groups > .rt-group'))
        .map(function (g) { return [g.querySelector('.rt-group-name').textContent,
                                    g.querySelector('.rt-badge').textContent]; });''')


def open_page(driver, url):
    driver.get(url)
    pagekit.wait_ready(driver)


def no_sideways_scrolling(driver, width, what):
    driver.set_window_size(width, 900)
    pagekit.wait_for(driver, lambda d: js(d, 'return window.innerWidth') <= width, 'a %d px window' % width)
    # Groups off screen are not laid out, so their width would not count: lay out everything built.
    js(driver, '''var style = document.createElement('style');
        style.textContent = '.rt-group { content-visibility: visible !important; }';
        document.head.appendChild(style); return document.body.offsetHeight;''')
    overflow = js(driver, 'return document.documentElement.scrollWidth - document.documentElement.clientWidth')
    check(overflow <= 0, '%s scrolls sideways by %d px at %d px width' % (what, overflow, width))


def example_suite(driver, server, page, out_dir):
    open_page(driver, server.base + page)
    text = visible_text(driver)
    check('FAILED' in visible_text(driver, '.rt-title'), 'the banner does not say FAILED:\n' + text[:300])
    for name in ('Failures on purpose', 'Models', 'Geometry', 'Diagnostics', 'BoxVolume', 'WalkGraph',
                 'ExternalSolver'):
        check(name in text, 'the page does not show %r' % name)
    check(' passed (' in visible_text(driver, '.rt-summary-line'), 'no summary line with the pass count')
    # Failures first: failing groups before the others, failing tests first in each group.
    groups = shown_groups(driver)
    badges = [b for _, b in groups]
    check(badges.index('FAIL') == 0 and 'FAIL' not in badges[badges.index(next(b for b in badges if b != 'FAIL')):],
          'failing groups are not first: %r' % groups)
    rank = {'CRASHED': 0, 'FAIL': 1, 'WARN': 2, 'OPEN': 3, 'PASS': 4}
    for group in set(g for g, _, _ in shown_tests(driver)):
        order = [rank[b] for g, _, b in shown_tests(driver) if g == group]
        check(order == sorted(order), 'tests of %s are not failures first: %r' % (group, order))
    check(('Models', 'ReadModel', 'FAIL') in shown_tests(driver), 'ReadModel is not marked FAIL')
    not_run = visible_text(driver, '.rt-not-run')
    check('NOT RUN' in not_run and 'Failures on purpose / NoSuchTest' in not_run,
          'the test that did not run is not shown as NOT RUN:\n' + not_run)
    driver.save_screenshot(os.path.join(out_dir, 'example-page.png'))

    # An error's text after expanding its test's records.
    error = 'volume = 24'
    driver.find_element('css selector', 'button[data-rt-action=collapse]').click()
    pagekit.wait_for(driver, lambda d: error not in visible_text(d), 'the records to collapse')
    js(driver, '''Array.from(document.querySelectorAll('.rt-test')).find(function (t) {
        return t.querySelector('.rt-name').textContent === 'BoxVolume'; })
        .querySelector('details > summary').click();''')
    pagekit.wait_for(driver, lambda d: error in visible_text(d), 'the error text after expanding BoxVolume')

    # The failing-only filter, kept in the address across a reload.
    driver.find_element('id', 'rt-only-failures').click()
    pagekit.wait_for(driver, lambda d: [b for _, _, b in shown_tests(d)] == ['FAIL'] * 6,
                     'only the six failing tests to be shown')
    check('Geometry' not in [g for g, _ in shown_groups(driver)], 'the passing group Geometry is still shown')
    check('only=failures' in driver.current_url, 'the filter is not in the address: ' + driver.current_url)
    driver.refresh()
    pagekit.wait_ready(driver)
    check(driver.find_element('id', 'rt-only-failures').is_selected(), 'the filter did not survive a reload')
    check([b for _, _, b in shown_tests(driver)] == ['FAIL'] * 6,
          'the reloaded page does not show just the failing tests: %r' % shown_tests(driver))
    driver.find_element('id', 'rt-only-failures').click()

    # Search over titles, arguments and messages.
    box = driver.find_element('id', 'rt-search')
    box.send_keys('residual 3.2e-03')
    pagekit.wait_for(driver, lambda d: [t for _, t, _ in shown_tests(d)] == ['ExternalSolver'],
                     'the search for a message to leave only ExternalSolver')
    check('q=residual' in driver.current_url, 'the search is not in the address: ' + driver.current_url)
    box.clear()
    box.send_keys('cube.kx')
    pagekit.wait_for(driver, lambda d: [t for _, t, _ in shown_tests(d)] == ['ReadModel'],
                     'the search for an argument to leave only ReadModel')
    box.clear()
    box.send_keys('\n')
    pagekit.wait_for(driver, lambda d: len(shown_tests(d)) == 11, 'all 11 tests after clearing the search')

    no_sideways_scrolling(driver, 420, 'the example page')
    driver.set_window_size(1280, 900)


def markup_suite(driver, server, page, results, report):
    """Scripts cannot hold markup, so the test library's message carries the
    characters and a copy of the report, unescaped once, carries real markup
    in a group's title, an argument and an extension."""
    open_page(driver, server.base + page)
    text = visible_text(driver)
    for literal in ('value 3 < 4 & "quoted"', '&lt;b&gt;bold&lt;/b&gt;'):
        check(literal in text, 'the page does not show %r as text' % literal)
    with open(os.path.join(results, report), 'rb') as source:
        once = source.read()
    for entity in (b'lt', b'gt', b'quot', b'amp'):
        once = once.replace(b'&amp;' + entity + b';', b'&' + entity + b';')
    # A slow passing test, for the order by duration.
    once = once.replace(b'<Time>0.00 Seconds</Time>', b'<Time>9.50 Seconds</Time>', 1)
    # Trace lines as a test library may write them, one of them blank: a
    # stack of 15 frames, of which the page shows 12 until asked.
    frames = b''.join(b'        <Trace>#%d f%d()</Trace>\r\n' % (n, n) for n in range(1, 15))
    once = once.replace(b'</Msg>\r\n', b'</Msg>\r\n        <Trace>  </Trace>\r\n        <Trace>&lt;frame 1&gt;</Trace>\r\n' + frames, 1)
    with open(os.path.join(results, 'markup.xml'), 'wb') as out:
        out.write(once)
    open_page(driver, server.base + page + '?xml=markup.xml')
    text = visible_text(driver)
    for literal in ('<img src=x onerror="window.rtInjected=1">Markup & <b>bold</b>',
                    '<script>window.rtInjected=2</script>', '<i>ext</i>', 'value 3 < 4 & "quoted"'):
        check(literal in text, 'the page does not show %r as text' % literal)
    injected = js(driver, '''return [window.rtInjected,
        document.querySelectorAll('#rt-root img, #rt-root b, #rt-root script, #rt-root i').length]''')
    check(injected == [None, 0], 'markup from the report became elements: %r' % injected)
    check([t for _, t, _ in shown_tests(driver)] == ['Fail', 'Pass', 'Echo'], 'not failures first: %r'
          % shown_tests(driver))
    js(driver, 'var s = document.getElementById("rt-order"); s.value = "duration";'
               ' s.dispatchEvent(new Event("change"));')
    pagekit.wait_for(driver, lambda d: [t for _, t, _ in shown_tests(d)][:1] == ['Pass'],
                     'the slow Pass test to come first in the order by duration')
    check('order=duration' in driver.current_url, 'the order is not in the address: ' + driver.current_url)
    traces = js(driver, 'return Array.from(document.querySelectorAll(".rt-traces li"), li => li.textContent)')
    check(traces == ['<frame 1>'] + ['#%d f%d()' % (n, n) for n in range(1, 12)],
          'trace lines shown: %r (the blank one is to be left out, 12 lines shown)' % traces)
    more = js(driver, 'var b = document.querySelector(".rt-traces-more"); return b ? b.textContent : null')
    check(more == 'Show 3 more lines', 'the stack beyond its first 12 lines is not offered: %r' % more)
    js(driver, 'document.querySelector(".rt-traces-more").click()')
    traces = js(driver, 'return Array.from(document.querySelectorAll(".rt-traces li"), li => li.textContent)')
    check(len(traces) == 15 and traces[-1] == '#14 f14()', 'the whole stack after the click: %r' % traces)
    check(js(driver, 'return document.querySelectorAll(".rt-traces-more").length') == 0,
          'the button stays after the whole stack is shown')
    no_sideways_scrolling(driver, 420, 'the page of long unbroken names')
    driver.set_window_size(1280, 900)


def crashed_run(driver, server, page):
    open_page(driver, server.base + page)
    banner = visible_text(driver, '.rt-title')
    check('NOT FINISHED \u2014 crashed in Die' in banner, 'the banner does not name the crash: %r' % banner)
    tests = shown_tests(driver)
    check(tests and tests[0][1:] == ('Die', 'CRASHED'), 'the interrupted test is not first as Die: %r' % tests)
    check('E2E (from the run\'s name)' in visible_text(driver, '.rt-facts'),
          'the platform is not taken from the run name: ' + visible_text(driver, '.rt-facts'))
    check('lower bounds' in visible_text(driver, '.rt-top'), 'the totals do not say they undercount')


def ghost_run(driver, server, page):
    """Every test of the run unknown: none ran, and the page never says PASSED."""
    open_page(driver, server.base + page)
    banner = visible_text(driver, '.rt-title')
    check('PASSED' not in banner.replace('NOT PASSED', '') and '2 tests not run' in banner,
          'the banner of a run whose tests all did not run says:\n' + banner)
    not_run = visible_text(driver, '.rt-not-run')
    for line in ('NOT RUN Ghosts / Nope: no test library registers it',
                 'NOT RUN Ghosts / Gone (1): no test library registers it'):
        check(line in not_run.replace('\n', ' '), 'the page does not show %r:\n%s' % (line, not_run))
    check('2 not run' in visible_text(driver, '.rt-summary-line'), 'the summary line does not count them')


def survived_run(driver, server, page):
    open_page(driver, server.base + page)
    banner = visible_text(driver, '.rt-title')
    check('NOT FINISHED' not in banner, 'a run that went on after a death is shown as unfinished: %r' % banner)
    tests = shown_tests(driver)
    check(('Die', 'EXITED') in [t[1:] for t in tests], 'the test the run died in is not marked: %r' % tests)


def cut_reports(driver, server, page, results, report):
    """Copies of a finished report cut by hand: inside a message, and inside a test without records."""
    with open(os.path.join(results, report), 'rb') as source:
        whole = source.read()
    in_message = whole[:whole.index(b'value 3 &lt; 4') + len(b'value 3 &lt; 4')]
    in_echo = whole[:whole.index(b'<Arg>')]
    for name, data in (('cutmsg.xml', in_message), ('cutecho.xml', in_echo)):
        with open(os.path.join(results, name), 'wb') as out:
            out.write(data)
    open_page(driver, server.base + page + '?xml=cutmsg.xml')
    check(('group 1 (not finished)', 'Fail', 'CRASHED') in shown_tests(driver),
          'the test cut in its message is not shown as the crashed Fail: %r' % shown_tests(driver))
    check('value 3 < 4' in visible_text(driver), 'the cut message\'s partial text is dropped')
    check('The report ends inside this record' in visible_text(driver), 'the cut record is not marked')
    open_page(driver, server.base + page + '?xml=cutecho.xml')
    banner = visible_text(driver, '.rt-title')
    check('crashed in unnamed, test 2 of group 1' in banner, 'the unnamed test is not described: %r' % banner)


def from_disk(driver, results, page, report):
    driver.get('file://' + urllib.parse.quote(os.path.join(results, page)))
    command = pagekit.wait_for(driver, lambda d: visible_text(d, '#rt-serve-command'), 'the serve command')
    expected = "python3 -m http.server 8000 --bind 127.0.0.1 --directory '%s'" % results.rstrip('/')
    check(command == expected, 'serve command %r, expected %r' % (command, expected))
    check(js(driver, 'return document.body.getAttribute("data-rt-painted")') is None, 'a report was shown')
    # The report with its index, picked together: the test that did not run is shown too.
    index = os.path.join(results, report[:-4] + '.index')
    driver.find_element('id', 'rt-file').send_keys(os.path.join(results, report) + '\n' + index)
    pagekit.wait_ready(driver)
    text = visible_text(driver)
    check('Failures on purpose' in text and 'BoxVolume' in text, 'the picked report is not shown:\n' + text[:300])
    check('NoSuchTest' in visible_text(driver, '.rt-not-run'), 'the picked index is not shown')

    # The same report dropped onto the page, as a file manager hands it over.
    driver.get('file://' + urllib.parse.quote(os.path.join(results, page)))
    pagekit.wait_for(driver, lambda d: visible_text(d, '#rt-serve-command'), 'the page asking for the report')
    with open(os.path.join(results, report), 'rb') as source:
        xml = source.read().decode('utf-8')
    js(driver, '''var data = new DataTransfer();
        data.items.add(new File([arguments[0]], arguments[1], { type: 'text/xml' }));
        document.body.dispatchEvent(new DragEvent('dragover', { dataTransfer: data, bubbles: true, cancelable: true }));
        document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));''',
       xml, report)
    pagekit.wait_ready(driver)
    text = visible_text(driver)
    check('Failures on purpose' in text and report[:-4] in visible_text(driver, '.rt-title'),
          'the dropped report is not shown:\n' + text[:300])


NIGHTLY_SCRIPT = '''<Group><Name>Night</Name>
<Test><Title>Probe</Title><Arg>a</Arg></Test><Test><Title>Probe</Title><Arg>b</Arg></Test>
<Test><Title>Probe</Title><Arg>c</Arg></Test></Group>
'''

# The probes that fail each night: a fails, passes and fails again (flaky by night 5), b keeps failing.
NIGHTS = ['', 'a', 'a b', 'b', 'a b']


def run_nights(install):
    """Runs the nights one hour apart on the run's clock, each night's report kept; returns their
    run names, and the name of one more run that records nothing."""
    names = []
    for night, fail in enumerate(NIGHTS):
        status, output, name = install.run_again(['nightly.rt'], {'TZ': 'NIGHT+%d' % (night + 1), 'PROBE_FAIL': fail})
        check(status == (1 if fail else 0), 'night %d ended with %d:\n%s' % (night + 1, status, output))
        names.append(name)
    check(len(set(names)) == len(names), 'the nights share run names: %r' % names)
    status, output, unrecorded = install.run_again(['nightly.rt'], {'TZ': 'NIGHT+9', 'PROBE_FAIL': 'a',
                                                                   'KXRT_HISTORY': 'off'})
    check(status == 1, 'the run without history ended with %d:\n%s' % (status, output))
    return names, unrecorded


def history_badges(driver):
    """{probe argument: (history badge text, timeline marks)} of the test rows on screen."""
    return dict((row[0], (row[1], row[2])) for row in js(driver, '''
      return Array.from(document.querySelectorAll('.rt-groups .rt-test-row')).map(function (r) {
        var h = r.querySelector('.rt-history');
        return [r.querySelector('.rt-args').textContent, h ? h.querySelector('.rt-history-word').textContent : null,
                h ? Array.from(h.querySelectorAll('.rt-timeline i')).map(function (i) { return i.className; })
                  .join(' ') : null];
      });'''))


def trend_of(driver):
    """Per run of the chart: its name and the heights of its passed and failed bars; the line's points."""
    return js(driver, '''
      var chart = document.querySelector('.rt-trend-chart');
      if (!chart) return null;
      return { runs: Array.from(chart.querySelectorAll('.rt-trend-run')).map(function (g) {
                 return [g.getAttribute('data-run'), +g.querySelector('.rt-trend-passed').getAttribute('height'),
                         +g.querySelector('.rt-trend-failed').getAttribute('height')]; }),
               points: chart.querySelector('.rt-trend-time').getAttribute('points').split(' ').length,
               shown: chart.getBoundingClientRect().height > 50 };''')


def history_nights(driver, server, results, names, unrecorded):
    # Night 5: a failed, passed, failed again (flaky); b has failed since night 3.
    open_page(driver, server.base + names[4] + '.htm')
    badges = history_badges(driver)
    check(badges.get('a') == ('FLAKY 3 of 5', 'rt-tl-p rt-tl-f rt-tl-f rt-tl-p rt-tl-f'), 'probe a: %r' % (badges,))
    check(badges.get('b') == ('FAILING SINCE %s, 3 runs' % names[2], 'rt-tl-p rt-tl-p rt-tl-f rt-tl-f rt-tl-f'),
          'probe b: %r' % (badges,))
    check(badges.get('c') == (None, None), 'a passed test has a history badge: %r' % (badges,))
    trend = trend_of(driver)
    check(trend and trend['shown'], 'no trend chart on a page with a history')
    check([r[0] for r in trend['runs']] == names, 'the chart\'s runs %r, expected %r' % (trend['runs'], names))
    failed = [r[2] for r in trend['runs']]
    check(failed[0] == 0 and failed[1] > 0 and abs(failed[2] - 2 * failed[1]) < 0.2 and failed[4] == failed[2],
          'failed bars %r for 0, 1, 2, 1, 2 failures' % failed)
    check(all(abs(r[1] + r[2] - trend['runs'][0][1]) < 0.2 for r in trend['runs']),
          'the bars do not add up to 3 tests each: %r' % trend['runs'])
    check(trend['points'] == 5, 'the run time line has %d points' % trend['points'])
    # Night 2: a is new there, and the chart holds two runs.
    open_page(driver, server.base + names[1] + '.htm')
    check(history_badges(driver).get('a') == ('NEW', 'rt-tl-p rt-tl-f'), 'night 2: %r' % (history_badges(driver),))
    check(len(trend_of(driver)['runs']) == 2, 'night 2\'s chart: %r' % (trend_of(driver),))
    # A run that recorded nothing: the page as it was before there was a history.
    open_page(driver, server.base + unrecorded + '.htm')
    check(not os.path.exists(os.path.join(results, unrecorded + '.history.json')), 'an unrecorded run has a history')
    check(trend_of(driver) is None and history_badges(driver).get('a') == (None, None),
          'history shown for a run that recorded nothing')
    check('FAIL' in [row[2] for row in shown_tests(driver)], 'the unrecorded run\'s failure is not shown')
    # From disk: the report picked together with its history.
    driver.get('file://' + urllib.parse.quote(os.path.join(results, names[4] + '.htm')))
    pagekit.wait_for(driver, lambda d: visible_text(d, '#rt-serve-command'), 'the page asking for the report')
    driver.find_element('id', 'rt-file').send_keys(os.path.join(results, names[4] + '.xml') + '\n' +
                                                   os.path.join(results, names[4] + '.history.json'))
    pagekit.wait_ready(driver)
    check(history_badges(driver).get('b', (None,))[0] == 'FAILING SINCE %s, 3 runs' % names[2],
          'picked from disk: %r' % (history_badges(driver),))
    check(len(trend_of(driver)['runs']) == 5, 'picked from disk: no chart of five runs')


def mail_at_phone_width(driver, mail):
    # Under its own name the browser would show the file as plain text.
    html = mail + '.html'
    shutil.copyfile(mail, html)
    driver.set_window_size(390, 900)
    driver.get('file://' + urllib.parse.quote(html))
    check(js(driver, 'return document.querySelectorAll("tr[bgcolor=firebrick]").length') == 1,
          'the e-mail is not read as HTML with one line for the failing test')
    pagekit.wait_for(driver, lambda d: js(d, 'return document.readyState') == 'complete', 'the e-mail to load')
    no_sideways_scrolling(driver, 390, 'the e-mail summary')
    text = visible_text(driver, 'body')
    check('result directory' in text, 'the e-mail does not say where the page lies')
    driver.set_window_size(1280, 900)


READER_CASES = '''
function read(text) {
  try {
    var m = RtReport.parseReportText(text);
    var t = m.allGroups[0] && m.allGroups[0].tests[0];
    return { incomplete: m.incomplete, status: t && t.status, title: t && (t.displayTitle || t.title),
      args: t && t.args, msgs: t && t.records.map(function (r) { return r.msgs; }),
      extras: t && t.extras.map(function (x) { return x.name; }), errors: m.totals.counts.Errors };
  } catch (e) { return { error: e.message }; }
}
return [
  read('<KxRegTester><Group><Test><Arg>a&amp;b &#x41;&#66;</Arg><constructor>c</constructor><Arg/>' +
       '<Error><Method>T::executeW</Method><Msg>partial &lt; te'),
  read('<KxRegTester><Group><Test><Title>a<b>x</b>c</Title><Summary><Errors>2</Errors></Summary>' +
       '</Test></Group></KxRegTester>'),
  read(''),
  read('no report < here')
];'''


def reader_cases(driver, server, page):
    """Texts no run writes, read by the page's own reader: entities, odd element names, nested
    markup in a value, a cut inside a message, and no report at all."""
    open_page(driver, server.base + page)
    cut, nested, empty, garbage = js(driver, READER_CASES)
    check(cut == {'incomplete': True, 'status': 'crash', 'title': 'T', 'args': ['a&b AB', ''],
                  'msgs': [['partial < te']], 'extras': ['constructor'], 'errors': 1}, 'cut report read as %r' % cut)
    check(nested['title'] == 'axc' and nested['status'] == 'fail' and nested['errors'] == 2,
          'nested markup read as %r' % nested)
    for result in (empty, garbage):
        check('not a report' in result.get('error', ''), 'a text without elements read as %r' % result)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--rtrun', required=True)
    parser.add_argument('--lib', action='append', required=True, help='core libraries beside rtrun')
    parser.add_argument('--example-lib', required=True)
    parser.add_argument('--e2e-lib', required=True)
    parser.add_argument('--probe-lib', required=True, help='the test library whose tests fail as told')
    parser.add_argument('--suite', required=True, help='the example suite')
    parser.add_argument('--out', required=True, help='where the screenshot is kept')
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    example = pagekit.Installation(args.rtrun, args.lib + [args.example_lib], os.path.join(args.suite, 'Scripts'))
    example.copy_config(os.path.join(args.suite, 'Config'))
    e2e = pagekit.Installation(args.rtrun, args.lib + [args.e2e_lib], os.path.join(args.suite, 'Scripts'))
    e2e.write_script('markup.rt', MARKUP_SCRIPT)
    e2e.write_script('die.rt', DIE_SCRIPT)
    e2e.write_script('ghost.rt', GHOST_SCRIPT)
    crashed = os.path.join(e2e.root, 'crashed')
    survived = os.path.join(e2e.root, 'survived')
    ghosts = os.path.join(e2e.root, 'ghosts')
    nightly = pagekit.Installation(args.rtrun, args.lib + [args.probe_lib], os.path.join(args.suite, 'Scripts'))
    nightly.write_script('nightly.rt', NIGHTLY_SCRIPT)
    servers, driver, failures = [], None, []
    try:
        status, output, example_report, example_page = example.run(['smoke.rt', 'showcase.rt'])
        check(status == 1, 'the example run ended with %d:\n%s' % (status, output))
        status, output, _, _ = e2e.run(['--in-process', 'die.rt'])  # no supervisor: the report stays cut off
        check(status == 7, 'the dying run ended with %d:\n%s' % (status, output))
        shutil.copytree(e2e.results, crashed)
        status, output, _, _ = e2e.run(['die.rt'])  # supervised: the run goes on after the death
        check(status == 1, 'the supervised dying run ended with %d:\n%s' % (status, output))
        shutil.copytree(e2e.results, survived)
        status, output, _, ghost_page = e2e.run(['ghost.rt'])
        check(status == 1, 'the run of unknown tests ended with %d:\n%s' % (status, output))
        shutil.copytree(e2e.results, ghosts)
        status, output, markup_report, markup_page = e2e.run(['markup.rt'])
        check(status == 1, 'the markup run ended with %d:\n%s' % (status, output))
        crashed_page = [n for n in os.listdir(crashed) if n.endswith('.htm')][0]
        mail = os.path.join(e2e.results, 'E2E', markup_report[:-4] + '.email')

        night_names, unrecorded = run_nights(nightly)

        survived_page = [n for n in os.listdir(survived) if n.endswith('.htm')][0]
        servers = [pagekit.Server(d) for d in (example.results, e2e.results, crashed, survived, ghosts,
                                               nightly.results)]
        driver = pagekit.start_browser()
        steps = [
            ('example suite', lambda: example_suite(driver, servers[0], example_page, args.out)),
            ('markup shown as text', lambda: markup_suite(driver, servers[1], markup_page, e2e.results, markup_report)),
            ('crashed run', lambda: crashed_run(driver, servers[2], crashed_page)),
            ('supervised run that went on', lambda: survived_run(driver, servers[3], survived_page)),
            ('tests that did not run', lambda: ghost_run(driver, servers[4], ghost_page)),
            ('reader on odd texts', lambda: reader_cases(driver, servers[2], crashed_page)),
            ('cut-off reports', lambda: cut_reports(driver, servers[1], markup_page, e2e.results, markup_report)),
            ('opened from disk', lambda: from_disk(driver, example.results, example_page, example_report)),
            ('e-mail at 390 px', lambda: mail_at_phone_width(driver, mail)),
            ('run history: badges and trend', lambda: history_nights(driver, servers[5], nightly.results,
                                                                     night_names, unrecorded)),
        ]
        for name, step in steps:
            try:
                step()
                print('ok    %s' % name)
            except Exception as error:
                failures.append(name)
                print('FAIL  %s: %s' % (name, error))
                if not isinstance(error, Failure):
                    traceback.print_exc()
    except Failure as error:
        failures.append('set-up')
        print('FAIL  set-up: %s' % error)
    finally:
        if driver:
            driver.quit()
        for server in servers:
            server.stop()
        example.remove()
        e2e.remove()
        nightly.remove()
    if failures:
        print('%d of the checks failed: %s' % (len(failures), ', '.join(failures)))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
