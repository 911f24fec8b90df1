/*
 * Viewer for the XML report of a regression run.
 *
 * A page that includes this file says what it wants through attributes of
 * its <body>:
 *   data-rt-view    "page" (everything), "detail", "menu", "top" or "title";
 *                   "static" when the report is already in the page and only the
 *                   toolbar (filter, expand and collapse) needs wiring
 *   data-rt-report  URL of the XML report; a ?xml= query parameter wins over it
 *   data-rt-detail  (menu view) the page that the group links lead to
 * The output goes into the element with id "rt-root" (or the body).
 *
 * Everything taken from the report is inserted as text, never as markup.
 */
(function (global) {
  'use strict';

  var COUNT_NAMES = ['KxErrors', 'Errors', 'Warnings', 'ExtErrors', 'ExtWarnings'];
  var COUNT_LABELS = {
    KxErrors: 'KxE', Errors: 'E', Warnings: 'W', ExtErrors: 'EE', ExtWarnings: 'EW'
  };
  var COUNT_TITLES = {
    KxErrors: 'Errors of the core library',
    Errors: 'Test errors',
    Warnings: 'Test warnings',
    ExtErrors: 'External errors',
    ExtWarnings: 'External warnings'
  };
  var RECORD_NAMES = ['Error', 'Warning', 'ExtError', 'ExtWarning', 'KxError'];
  var RECORD_LABELS = {
    Error: 'Error', Warning: 'Warning', ExtError: 'External error',
    ExtWarning: 'External warning', KxError: 'Core library error'
  };
  // Elements that open a test-like object inside a group.
  var OBJECT_NAMES = ['Test', 'No_Obj_Spec'];
  // The values every group or test writes about itself; anything else is shown as "other values".
  var VALUE_NAMES = ['Title', 'Desc', 'Time', 'Arg', 'Ext', 'Summary'];
  var MONTHS = ['January', 'February', 'March', 'April', 'May', 'June', 'July',
    'August', 'September', 'October', 'November', 'December'];
  var PLACEHOLDER = 'XML_' + 'LOCATION';

  /* ---------- small DOM helpers ---------- */

  function el(tag, attrs, children) {
    var node = document.createElement(tag);
    if (attrs) {
      Object.keys(attrs).forEach(function (key) {
        var value = attrs[key];
        if (value === null || value === undefined || value === false) return;
        if (key === 'className') node.className = value;
        else if (key === 'text') node.textContent = value;
        else node.setAttribute(key, value === true ? '' : String(value));
      });
    }
    append(node, children);
    return node;
  }

  function append(node, children) {
    if (children === null || children === undefined) return node;
    if (!Array.isArray(children)) children = [children];
    children.forEach(function (child) {
      if (child === null || child === undefined || child === false) return;
      if (Array.isArray(child)) append(node, child);
      else if (typeof child === 'string' || typeof child === 'number') {
        node.appendChild(document.createTextNode(String(child)));
      } else node.appendChild(child);
    });
    return node;
  }

  function clear(node) {
    while (node.firstChild) node.removeChild(node.firstChild);
  }

  function childElements(node) {
    var out = [];
    for (var c = node.firstElementChild; c; c = c.nextElementSibling) out.push(c);
    return out;
  }

  function directChild(node, name) {
    for (var c = node.firstElementChild; c; c = c.nextElementSibling) {
      if (c.nodeName === name) return c;
    }
    return null;
  }

  function directText(node, name) {
    var c = directChild(node, name);
    return c ? c.textContent : null;
  }

  // Only relative, http(s) and file URLs are followed; anything else (javascript: ...) is refused.
  function safeUrl(url) {
    try {
      var resolved = new URL(url, global.location.href);
      if (['http:', 'https:', 'file:'].indexOf(resolved.protocol) < 0) return null;
      return url;
    } catch (e) {
      return null;
    }
  }

  function fileName(url) {
    var clean = String(url).split(/[?#]/)[0];
    var parts = clean.split('/');
    return decodeURIComponentSafe(parts[parts.length - 1] || clean);
  }

  function decodeURIComponentSafe(text) {
    try { return decodeURIComponent(text); } catch (e) { return text; }
  }

  /* ---------- loading ---------- */

  function LoadError(kind, message, cause) {
    this.name = 'LoadError';
    this.kind = kind;            // "network", "http", "parse" or "address"
    this.message = message;
    this.cause = cause;
  }
  LoadError.prototype = Object.create(Error.prototype);

  // The report carries no encoding declaration: try UTF-8, fall back to a single-byte code page.
  function decodeBytes(buffer) {
    try {
      return new TextDecoder('utf-8', { fatal: true }).decode(buffer);
    } catch (e) {
      return new TextDecoder('windows-1252').decode(buffer);
    }
  }

  function parseXml(text) {
    var doc = new DOMParser().parseFromString(text, 'application/xml');
    var root = doc.documentElement;
    if (!root || root.nodeName === 'parsererror' ||
        doc.getElementsByTagName('parsererror').length > 0) {
      return null;
    }
    return doc;
  }

  // A report that is still being written (or whose run stopped early) ends in the
  // middle of the tree. Drop the unfinished last piece and close what is open.
  function closeOpenElements(text) {
    var lastTagEnd = text.lastIndexOf('>');
    var kept = lastTagEnd < 0 ? '' : text.slice(0, lastTagEnd + 1);
    var stack = [];
    var tag = /<(\/?)([A-Za-z_][\w.:-]*)(?:\s[^>]*?)?(\/?)>/g;
    var match;
    while ((match = tag.exec(kept)) !== null) {
      if (match[1]) {
        var at = stack.lastIndexOf(match[2]);
        if (at >= 0) stack.length = at;
      } else if (!match[3]) {
        stack.push(match[2]);
      }
    }
    var closing = stack.reverse().map(function (name) { return '</' + name + '>'; });
    return kept + (closing.length ? '\n' + closing.join('\n') + '\n' : '');
  }

  function parseReportText(text) {
    var doc = parseXml(text);
    if (doc) return { doc: doc, repaired: false };
    doc = parseXml(closeOpenElements(text));
    if (doc) return { doc: doc, repaired: true };
    throw new LoadError('parse', 'The report is not well-formed XML and could not be read.');
  }

  function load(url) {
    var request;
    try {
      request = global.fetch(url, { cache: 'no-store' });
    } catch (e) {
      return Promise.reject(new LoadError('network', String(e && e.message || e), e));
    }
    return request.then(function (response) {
      if (!response.ok) {
        throw new LoadError('http', 'The server answered ' + response.status + ' ' +
          (response.statusText || '') + ' for ' + fileName(url) + '.');
      }
      return response.arrayBuffer();
    }, function (e) {
      throw new LoadError('network', String(e && e.message || e), e);
    }).then(function (buffer) {
      var parsed = parseReportText(decodeBytes(buffer));
      var model = readReport(parsed.doc);
      model.incomplete = parsed.repaired;
      model.url = url;
      model.runName = fileName(url).replace(/\.xml$/i, '');
      return model;
    });
  }

  /* ---------- the report as plain data ---------- */

  function readSummary(node) {
    if (!node) return null;
    var counts = {};
    COUNT_NAMES.forEach(function (name) {
      var text = directText(node, name);
      counts[name] = text === null ? null : text.trim();
    });
    return counts;
  }

  function readRecord(node) {
    var record = { type: node.nodeName, method: '', desc: '', msgs: [], traces: [] };
    childElements(node).forEach(function (c) {
      if (c.nodeName === 'Method') record.method = c.textContent;
      else if (c.nodeName === 'Desc') record.desc = c.textContent;
      else if (c.nodeName === 'Msg') record.msgs.push(c.textContent);
      else if (c.nodeName === 'Trace') record.traces.push(c.textContent);
    });
    return record;
  }

  function nonZero(text) {
    return text !== null && text !== undefined && String(text).trim() !== '0';
  }

  // A group or test: its values, its records and what it holds.
  function readObject(node) {
    var obj = {
      kind: node.nodeName,
      id: node.getAttribute('id') || '',
      title: directText(node, 'Title'),
      desc: directText(node, 'Desc'),
      time: directText(node, 'Time'),
      ext: directText(node, 'Ext'),
      args: [],
      summary: readSummary(directChild(node, 'Summary')),
      records: [],
      tests: [],
      groups: [],
      extras: []
    };
    childElements(node).forEach(function (c) {
      var name = c.nodeName;
      if (name === 'Arg') obj.args.push(c.textContent);
      else if (RECORD_NAMES.indexOf(name) >= 0) obj.records.push(readRecord(c));
      else if (OBJECT_NAMES.indexOf(name) >= 0) obj.tests.push(readObject(c));
      else if (name === 'Group') obj.groups.push(readObject(c));
      else if (VALUE_NAMES.indexOf(name) < 0) {
        obj.extras.push({ name: name, text: c.textContent.replace(/\s+/g, ' ').trim() });
      }
    });
    obj.status = statusOf(obj);
    return obj;
  }

  // "fail": errors or external errors; "warn": only warnings or core-library errors;
  // "open": no summary yet (the run had not finished the object); "pass": clean.
  function statusOf(obj) {
    var s = obj.summary;
    var childFails = obj.tests.concat(obj.groups).some(function (c) { return c.status === 'fail'; });
    if (s && (s.Errors !== null || s.ExtErrors !== null)) {
      if (nonZero(s.Errors) || nonZero(s.ExtErrors) || childFails) return 'fail';
      if (nonZero(s.Warnings) || nonZero(s.ExtWarnings) || nonZero(s.KxErrors)) return 'warn';
      return 'pass';
    }
    var failingRecord = obj.records.some(function (r) {
      return r.type === 'Error' || r.type === 'ExtError';
    });
    return failingRecord || childFails ? 'fail' : 'open';
  }

  function readGlobal(node) {
    if (!node) return null;
    return {
      machine: directText(node, 'Machine'),
      platform: directText(node, 'Platform'),
      runTime: directText(node, 'RunTime'),
      version: directText(node, 'Version')
    };
  }

  function allGroups(groups) {
    var out = [];
    groups.forEach(function (g) { out.push(g); out = out.concat(allGroups(g.groups)); });
    return out;
  }

  function readReport(doc) {
    var root = doc.documentElement;
    var model = { rootName: root.nodeName, global: null, groups: [], records: [], extras: [] };
    var loose = [];
    childElements(root).forEach(function (c) {
      var name = c.nodeName;
      if (name === 'Group') model.groups.push(readObject(c));
      else if (name === 'Global') model.global = readGlobal(c);
      else if (RECORD_NAMES.indexOf(name) >= 0) model.records.push(readRecord(c));
      else if (OBJECT_NAMES.indexOf(name) >= 0) loose.push(readObject(c));
      else model.extras.push({ name: name, text: c.textContent.replace(/\s+/g, ' ').trim() });
    });
    if (loose.length) {
      model.groups.push({
        kind: 'Group', id: 'loose', title: 'Tests outside any group', desc: null, time: null,
        ext: null, args: [], summary: null, records: [], tests: loose, groups: [], extras: [],
        status: loose.some(function (t) { return t.status === 'fail'; }) ? 'fail' : 'open'
      });
    }
    model.totals = totalsOf(model);
    return model;
  }

  function totalsOf(model) {
    var totals = { groups: 0, failedGroups: 0, tests: 0, failedTests: 0, openTests: 0, counts: {} };
    COUNT_NAMES.forEach(function (n) { totals.counts[n] = 0; });
    // A finished object's summary already holds the counts of everything inside it; an
    // unfinished one (no summary yet) adds up what has finished inside it instead.
    function addCounts(obj) {
      if (obj.summary) {
        COUNT_NAMES.forEach(function (n) {
          var v = parseInt(obj.summary[n], 10);
          if (!isNaN(v)) totals.counts[n] += v;
        });
      } else {
        obj.tests.concat(obj.groups).forEach(addCounts);
      }
    }
    model.groups.forEach(addCounts);
    allGroups(model.groups).forEach(function (g) {
      totals.groups += 1;
      if (g.status === 'fail') totals.failedGroups += 1;
      g.tests.forEach(function (t) {
        totals.tests += 1;
        if (t.status === 'fail') totals.failedTests += 1;
        if (t.status === 'open') totals.openTests += 1;
      });
    });
    return totals;
  }

  function runFailed(model) {
    return model.totals.failedTests > 0 || model.totals.failedGroups > 0 ||
      model.totals.counts.Errors > 0 || model.totals.counts.ExtErrors > 0;
  }

  // Run names read month, day, two-digit year, platform, hour, minute: 120426WIN641530.
  function parseRunName(name) {
    var m = /^(\d\d)(\d\d)(\d\d)(.*)(\d\d)(\d\d)$/.exec(name || '');
    if (!m) return null;
    var month = +m[1], day = +m[2], hour = +m[5], minute = +m[6];
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59) return null;
    return {
      date: MONTHS[month - 1] + ' ' + m[2] + ', ' + (2000 + +m[3]),
      time: m[5] + ':' + m[6],
      platform: m[4]
    };
  }

  /* ---------- rendering ---------- */

  var STATUS_TEXT = { fail: 'FAIL', warn: 'WARN', pass: 'PASS', open: 'OPEN' };
  var STATUS_HINT = {
    fail: 'Errors or external errors were raised',
    warn: 'Only warnings or core-library errors were raised',
    pass: 'No errors and no warnings',
    open: 'No summary: the object was not finished when the report was read'
  };

  function badge(status) {
    return el('span', { className: 'rt-badge rt-badge-' + status, title: STATUS_HINT[status],
      text: STATUS_TEXT[status] });
  }

  function countCells(summary) {
    return COUNT_NAMES.map(function (n) {
      var v = summary ? summary[n] : null;
      var cls = 'rt-num rt-count-' + n + (nonZero(v) ? ' rt-nonzero' : '');
      return el('td', { className: cls, text: v === null ? '\u2013' : v });
    });
  }

  function countList(summary) {
    return el('span', { className: 'rt-counts' }, COUNT_NAMES.map(function (n) {
      var v = summary ? summary[n] : null;
      return el('span', {
        className: 'rt-count rt-count-' + n + (nonZero(v) ? ' rt-nonzero' : ''),
        title: COUNT_TITLES[n]
      }, [el('span', { className: 'rt-count-label', text: COUNT_LABELS[n] }),
        el('span', { className: 'rt-count-value', text: v === null ? '\u2013' : v })]);
    }));
  }

  // A group writes its title after its tests, so a group that is still running has none yet.
  function groupTitle(group) {
    return group.title || (group.summary ? '(untitled group)' : '(group not finished)');
  }

  function groupAnchor(group, index) {
    return 'g' + (group.id || String(index));
  }

  function renderTitle(model) {
    var run = parseRunName(model.runName);
    var failed = runFailed(model);
    // Without errors so far, a cut-off report cannot claim that the run passed.
    var verdict = failed ? 'FAILED' : model.incomplete ? 'NOT FINISHED' : 'PASSED';
    var tone = failed ? 'rt-title-fail' : model.incomplete ? 'rt-title-open' : 'rt-title-pass';
    return el('div', { className: 'rt-title ' + tone }, [
      el('div', { className: 'rt-title-main' }, [
        el('span', { className: 'rt-title-name', text: 'Regression test report' }),
        el('span', { className: 'rt-title-run', text: model.runName })
      ]),
      el('div', { className: 'rt-title-sub' }, [
        run ? run.date + ', ' + run.time + (run.platform ? ' \u2013 ' + run.platform : '') : null,
        el('span', { className: 'rt-verdict', text: verdict })
      ])
    ]);
  }

  function columnHead(text, title, className) {
    return el('th', { scope: 'col', className: className, title: title, text: text });
  }

  function fact(label, value) {
    return [el('dt', { text: label }),
      el('dd', { text: value === null || value === undefined || value === '' ? '\u2013' : value })];
  }

  function renderTop(model) {
    var g = model.global || {};
    var t = model.totals;
    var raw = safeUrl(model.url);
    var facts = el('dl', { className: 'rt-facts' }, [
      fact('Machine', g.machine), fact('Platform', g.platform),
      fact('Run time', g.runTime), fact('Version', g.version),
      el('dt', { text: 'Report' }),
      el('dd', null, raw ? el('a', { href: raw, text: fileName(model.url) }) : fileName(model.url))
    ]);
    var head = el('tr', null, [columnHead('Groups'), columnHead('Tests'), columnHead('Failed tests')]
      .concat(COUNT_NAMES.map(function (n) { return columnHead(n, COUNT_TITLES[n]); })));
    var row = el('tr', null, [
      el('td', { className: 'rt-num', text: t.groups }),
      el('td', { className: 'rt-num', text: t.tests }),
      el('td', { className: 'rt-num' + (t.failedTests ? ' rt-nonzero rt-count-Errors' : ''),
        text: t.failedTests })
    ].concat(COUNT_NAMES.map(function (n) {
      return el('td', { className: 'rt-num rt-count-' + n + (t.counts[n] ? ' rt-nonzero' : ''),
        text: t.counts[n] });
    })));
    var notes = [];
    if (!model.global) {
      notes.push(el('p', { className: 'rt-note',
        text: 'The report has no global record yet: the run has not finished or stopped early.' }));
    }
    if (model.incomplete) {
      notes.push(el('p', { className: 'rt-note',
        text: 'The report was cut off (a run still going, or one that stopped). ' +
          'Elements left open were closed for display; counts may be incomplete.' }));
    }
    return el('div', { className: 'rt-top' }, [
      facts,
      el('table', { className: 'rt-totals' }, [el('thead', null, head), el('tbody', null, row)]),
      notes
    ]);
  }

  function renderMenu(model, target) {
    var groups = allGroups(model.groups);
    if (!groups.length) return el('p', { className: 'rt-empty', text: 'The report holds no groups.' });
    return el('ul', { className: 'rt-menu' }, groups.map(function (g, i) {
      return el('li', { className: 'rt-menu-item rt-' + g.status }, [
        badge(g.status), ' ',
        el('a', { href: (target || '') + '#' + groupAnchor(g, i), text: groupTitle(g) }),
        ' ', el('span', { className: 'rt-menu-tests', text: g.tests.length +
          (g.tests.length === 1 ? ' test' : ' tests') }),
        ' ', countList(g.summary)
      ]);
    }));
  }

  function renderRecord(record) {
    var type = record.type;
    return el('div', { className: 'rt-record rt-record-' + type }, [
      el('div', { className: 'rt-record-head' }, [
        el('span', { className: 'rt-record-type', text: RECORD_LABELS[type] || type }),
        record.method ? el('code', { className: 'rt-method', text: record.method }) : null,
        record.desc ? el('span', { className: 'rt-record-desc', text: record.desc }) : null
      ]),
      record.msgs.length ? el('ul', { className: 'rt-msgs' }, record.msgs.map(function (m) {
        return el('li', { text: m });
      })) : null,
      record.traces.length ? el('div', { className: 'rt-traces' }, [
        el('div', { className: 'rt-traces-label', text: 'Trace' }),
        el('ol', null, record.traces.map(function (t) { return el('li', { text: t }); }))
      ]) : null
    ]);
  }

  function renderExtras(extras) {
    if (!extras.length) return null;
    return el('dl', { className: 'rt-extras' }, extras.map(function (x) {
      return [el('dt', { text: x.name }), el('dd', { text: x.text })];
    }));
  }

  function describeRecords(records) {
    var byType = {};
    records.forEach(function (r) { byType[r.type] = (byType[r.type] || 0) + 1; });
    var parts = Object.keys(byType).map(function (type) {
      return byType[type] + ' ' + (RECORD_LABELS[type] || type).toLowerCase() +
        (byType[type] === 1 ? '' : 's');
    });
    return records.length + (records.length === 1 ? ' record' : ' records') +
      (parts.length ? ': ' + parts.join(', ') : '');
  }

  function renderTest(test) {
    var title = test.title || (!test.summary ? '(test not finished)' :
      test.kind === 'Test' ? '(untitled test)' : test.kind);
    var row = el('tr', { className: 'rt-test-row', id: test.id ? 't' + test.id : null }, [
      el('td', { className: 'rt-status' }, badge(test.status)),
      el('td', { className: 'rt-test-title' }, [
        el('div', { className: 'rt-name', text: title }),
        test.desc ? el('div', { className: 'rt-desc', text: test.desc }) : null
      ]),
      el('td', { className: 'rt-args' }, test.args.length ? el('ul', null, test.args.map(function (a) {
        return el('li', null, el('code', { text: a }));
      })) : el('span', { className: 'rt-none', text: '\u2013' })),
      el('td', { className: 'rt-ext' }, test.ext ? el('pre', { text: test.ext }) :
        el('span', { className: 'rt-none', text: '\u2013' })),
      el('td', { className: 'rt-time', text: test.time || '\u2013' })
    ].concat(countCells(test.summary)));
    var rows = [row];
    if (test.records.length || test.extras.length) {
      var details = el('details', { className: 'rt-details', open: test.status === 'fail' }, [
        el('summary', { text: describeRecords(test.records) +
          (test.extras.length ? (test.records.length ? '; ' : '') + 'other values' : '') }),
        test.records.map(renderRecord),
        renderExtras(test.extras)
      ]);
      rows.push(el('tr', { className: 'rt-records-row' },
        el('td', { colspan: 5 + COUNT_NAMES.length }, details)));
    }
    return el('tbody', { className: 'rt-test rt-' + test.status }, rows);
  }

  function renderGroup(group, index) {
    var heading = el('h2', { className: 'rt-group-title' }, [
      badge(group.status), ' ',
      el('span', { text: groupTitle(group) }),
      group.time ? el('span', { className: 'rt-time', text: group.time }) : null
    ]);
    var tests = group.tests.length ? el('table', { className: 'rt-tests' }, [
      el('thead', null, el('tr', null, [
        columnHead('Status'), columnHead('Test'), columnHead('Arguments'), columnHead('Ext'),
        columnHead('Time')
      ].concat(COUNT_NAMES.map(function (n) {
        return columnHead(COUNT_LABELS[n], COUNT_TITLES[n], 'rt-num');
      })))),
      group.tests.map(renderTest)
    ]) : el('p', { className: 'rt-empty', text: 'This group ran no tests.' });
    var own = group.records.length ? el('div', { className: 'rt-group-records' }, [
      el('h3', { text: 'Records of the group itself' }),
      group.records.map(renderRecord)
    ]) : null;
    var passing = group.tests.filter(function (t) { return t.status !== 'fail'; }).length;
    return el('section', { className: 'rt-group rt-' + group.status, id: groupAnchor(group, index) }, [
      heading,
      group.desc ? el('p', { className: 'rt-desc', text: group.desc }) : null,
      el('div', { className: 'rt-group-summary' }, [
        countList(group.summary),
        el('span', { className: 'rt-group-tests', text: group.tests.length +
          (group.tests.length === 1 ? ' test, ' : ' tests, ') + passing + ' without errors' })
      ]),
      own,
      renderExtras(group.extras),
      tests,
      passing > 0 ? el('p', { className: 'rt-hidden-note', text: passing +
        (passing === 1 ? ' test without errors is' : ' tests without errors are') +
        ' hidden by the filter.' }) : null
    ]);
  }

  function renderGroups(model) {
    var groups = allGroups(model.groups);
    var parts = [];
    if (model.records.length) {
      parts.push(el('section', { className: 'rt-group rt-fail rt-root-records' }, [
        el('h2', { className: 'rt-group-title', text: 'Records outside any group' }),
        model.records.map(renderRecord)
      ]));
    }
    if (model.extras.length) {
      parts.push(el('section', { className: 'rt-group rt-open' }, [
        el('h2', { className: 'rt-group-title', text: 'Other elements of the report' }),
        renderExtras(model.extras)
      ]));
    }
    groups.forEach(function (g, i) { parts.push(renderGroup(g, i)); });
    if (!groups.length) parts.push(el('p', { className: 'rt-empty', text: 'The report holds no groups.' }));
    parts.push(el('p', { className: 'rt-no-failures',
      text: 'No test of this run failed: there is nothing to show with the filter on.' }));
    return el('div', { className: 'rt-groups' }, parts);
  }

  function setAllDetails(root, open) {
    Array.prototype.forEach.call(root.querySelectorAll('details.rt-details'), function (d) {
      d.open = open;
    });
  }

  // Wires the filter box and the buttons of a toolbar, whether built here or written by a stylesheet.
  function wireToolbar(toolbar, scope) {
    var box = toolbar.querySelector('#rt-only-failures');
    if (box) {
      var apply = function () { document.body.classList.toggle('rt-only-failures', box.checked); };
      box.addEventListener('change', apply);
      apply();
    }
    Array.prototype.forEach.call(toolbar.querySelectorAll('button[data-rt-action]'), function (b) {
      var action = b.getAttribute('data-rt-action');
      b.addEventListener('click', function () {
        if (action === 'expand') setAllDetails(scope(), true);
        else if (action === 'collapse') setAllDetails(scope(), false);
        else if (action === 'reload') global.location.reload();
      });
    });
    return toolbar;
  }

  function renderToolbar(model, scope) {
    var t = model.totals;
    var toolbar = el('div', { className: 'rt-toolbar' }, [
      el('label', null, [
        el('input', { type: 'checkbox', id: 'rt-only-failures' }), ' Show only failures']),
      el('span', { className: 'rt-toolbar-info',
        text: t.failedTests + ' of ' + t.tests + (t.tests === 1 ? ' test' : ' tests') + ' failed' }),
      el('span', { className: 'rt-toolbar-buttons' }, [
        el('button', { type: 'button', 'data-rt-action': 'expand', text: 'Expand all records' }),
        el('button', { type: 'button', 'data-rt-action': 'collapse', text: 'Collapse all records' }),
        el('button', { type: 'button', 'data-rt-action': 'reload', title: 'Read the report again',
          text: 'Reload' })
      ])
    ]);
    return wireToolbar(toolbar, scope);
  }

  function render(root, model, view, options) {
    options = options || {};
    clear(root);
    root.classList.remove('rt-loading');
    document.body.classList.toggle('rt-has-failures', runFailed(model));
    if (model.runName && view !== 'menu') {
      document.title = 'Regression test report ' + model.runName;
    }
    var scope = function () { return root; };
    if (view === 'title') {
      append(root, renderTitle(model));
    } else if (view === 'top') {
      append(root, [el('h2', { className: 'rt-section-title', text: 'Run' }), renderTop(model)]);
    } else if (view === 'menu') {
      append(root, [el('h2', { className: 'rt-section-title', text: 'Groups' }),
        renderMenu(model, options.detail || '')]);
    } else if (view === 'detail') {
      append(root, [renderToolbar(model, scope), renderGroups(model)]);
    } else {
      append(root, [
        renderTitle(model),
        renderTop(model),
        renderToolbar(model, scope),
        el('nav', { className: 'rt-nav' }, [
          el('h2', { className: 'rt-section-title', text: 'Groups' }), renderMenu(model, '')
        ]),
        renderGroups(model)
      ]);
    }
    return root;
  }

  /* ---------- messages instead of a report ---------- */

  function renderLoadError(root, url, error, view) {
    clear(root);
    root.classList.remove('rt-loading');
    var raw = safeUrl(url);
    // The main page lies in the result directory, the other views in its Style folder.
    var page = (view && view !== 'page' ? 'Style/' : '') +
      (fileName(global.location.pathname) || '') + global.location.search;
    var fromDisk = global.location.protocol === 'file:';
    var parts = [el('h1', { text: 'The report could not be shown' })];
    if (error && error.kind === 'address') {
      parts.push(el('p', { text: error.message }));
    } else if (error && error.kind === 'parse') {
      parts.push(el('p', { text: 'The file ' + fileName(url) + ' was found, but it is not a ' +
        'readable XML report.' }));
    } else if (error && error.kind === 'http') {
      parts.push(el('p', { text: error.message + ' The XML report is expected beside this page.' }));
    } else {
      parts.push(el('p', { text: (fromDisk ? 'This page was opened directly from disk (file://). ' : '') +
        'Browsers do not let a page read the XML report unless the page is served over http.' }));
      parts.push(el('p', { text: 'Serve the result directory and open the page from there, for example:' }));
      parts.push(el('pre', { className: 'rt-command',
        text: 'cd <result directory>\npython3 -m http.server 8000\n\n' +
          'then open  http://localhost:8000/' + page }));
    }
    if (raw) {
      parts.push(el('p', null, ['The raw report: ', el('a', { href: raw, text: fileName(url) })]));
    }
    if (error && error.message && error.kind === 'network') {
      parts.push(el('p', { className: 'rt-error-detail', text: 'Browser message: ' + error.message }));
    }
    append(root, el('div', { className: 'rt-message rt-message-error' }, parts));
  }

  function renderUsage(root, url) {
    clear(root);
    root.classList.remove('rt-loading');
    var parts;
    if (url === PLACEHOLDER) {
      parts = [el('h1', { text: 'Page template' }),
        el('p', { text: 'This is the template of the report page. The test framework copies it into ' +
          'the result directory of each run and fills in the name of the run\'s XML report.' })];
    } else {
      var page = fileName(global.location.pathname) || 'this page';
      parts = [el('h1', { text: 'No report given' }),
        el('p', { text: 'Name the XML report with the query parameter xml, relative to this page, ' +
          'for example:' }),
        el('pre', { className: 'rt-command', text: page + '?xml=../120426WIN641530.xml' }),
        el('p', { text: 'The page must be served over http (for example with python3 -m http.server ' +
          'in the result directory) so that it may read the report.' })];
    }
    append(root, el('div', { className: 'rt-message' }, parts));
  }

  /* ---------- start-up ---------- */

  function boot() {
    var body = document.body;
    if (!body) return Promise.resolve(null);
    var view = body.getAttribute('data-rt-view');
    // Pages that do not ask for a view are left alone.
    if (!view) return Promise.resolve(null);
    var root = document.getElementById('rt-root') || body;
    if (view === 'static') {
      // The report is already in the page (written by a stylesheet): only the toolbar needs life.
      var toolbar = document.querySelector('.rt-toolbar');
      if (toolbar) wireToolbar(toolbar, function () { return root; });
      return Promise.resolve(null);
    }
    var params = new URLSearchParams(global.location.search);
    var url = params.get('xml') || body.getAttribute('data-rt-report') || '';
    var options = { detail: body.getAttribute('data-rt-detail') || '' };
    if (options.detail && params.get('xml')) {
      options.detail += '?xml=' + encodeURIComponent(params.get('xml'));
    }
    if (url && !safeUrl(url)) {
      renderLoadError(root, url, new LoadError('address',
        'The report address ' + url + ' is neither a relative nor a web address.'), view);
      return Promise.resolve(null);
    }
    if (!url || url === PLACEHOLDER) {
      // The title banner is complete without a report; the other views explain what they need.
      if (view !== 'title') renderUsage(root, url);
      return Promise.resolve(null);
    }
    return load(url).then(function (model) {
      render(root, model, view, options);
      // The fragment may name a group that exists only now.
      if (global.location.hash) {
        var target = document.getElementById(global.location.hash.slice(1));
        if (target && target.scrollIntoView) target.scrollIntoView();
      }
      return model;
    }, function (error) {
      renderLoadError(root, url, error, view);
      return null;
    });
  }

  global.RtReport = {
    load: load,
    parseReportText: parseReportText,
    closeOpenElements: closeOpenElements,
    readReport: readReport,
    parseRunName: parseRunName,
    render: render,
    renderLoadError: renderLoadError,
    boot: boot
  };

  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', boot);
  } else {
    boot();
  }
})(window);
