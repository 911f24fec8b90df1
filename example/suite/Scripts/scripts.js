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
 *
 * A nightly report holds a hundred thousand tests, so nothing is built for
 * what is not on screen: groups are appended in chunks as the reader scrolls
 * towards them, a group shows its first tests until asked for more, and a
 * test's records are built when its details are opened.
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
  var COUNT_WORDS = {
    KxErrors: 'Core errors', Errors: 'Errors', Warnings: 'Warnings',
    ExtErrors: 'External errors', ExtWarnings: 'External warnings'
  };
  var RECORD_NAMES = ['Error', 'Warning', 'ExtError', 'ExtWarning', 'KxError'];
  var RECORD_LABELS = {
    Error: 'Error', Warning: 'Warning', ExtError: 'External error',
    ExtWarning: 'External warning', KxError: 'Core library error'
  };
  // The count each kind of record adds to, for objects that never wrote their summary.
  var RECORD_COUNTS = {
    Error: 'Errors', Warning: 'Warnings', ExtError: 'ExtErrors', ExtWarning: 'ExtWarnings',
    KxError: 'KxErrors'
  };
  // Elements that open a test-like object inside a group.
  var OBJECT_NAMES = ['Test', 'No_Obj_Spec'];
  // Values of groups and tests and of the Global record, with the fields they fill.
  // (Maps without a prototype, so that an element named "constructor" is no value.)
  var OBJECT_FIELDS = Object.assign(Object.create(null),
    { Title: 'title', Desc: 'desc', Time: 'time', Ext: 'ext' });
  var GLOBAL_FIELDS = Object.assign(Object.create(null),
    { Machine: 'machine', Platform: 'platform', RunTime: 'runTime', Version: 'version' });
  var RECORD_VALUES = ['Method', 'Desc', 'Msg', 'Trace'];
  var MONTHS = ['January', 'February', 'March', 'April', 'May', 'June', 'July',
    'August', 'September', 'October', 'November', 'December'];
  var PLACEHOLDER = 'XML_' + 'LOCATION';
  // How much is built at a time: groups per chunk, test rows per chunk, in the first chunk of a
  // list (a screenful) and per group.
  var CHUNK_GROUPS = 40;
  var CHUNK_ROWS = 120;
  var FIRST_ROWS = 40;
  var GROUP_ROWS = 100;
  // Navigator: entries shown at once, and the run size from which it starts folded.
  var NAV_LIMIT = 200;
  var NAV_FOLDED_FROM = 30;
  // How far below the screen the list is built ahead, in pixels.
  var LOOKAHEAD = 1500;

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

  function plural(n, one, many) {
    return n + ' ' + (n === 1 ? one : (many || one + 's'));
  }

  // Only relative, http(s), file and blob URLs are followed; anything else (javascript: ...) is refused.
  function safeUrl(url) {
    if (!url) return null;
    try {
      var resolved = new URL(url, global.location.href);
      if (['http:', 'https:', 'file:', 'blob:'].indexOf(resolved.protocol) < 0) return null;
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

  /* ---------- reading the report text ---------- */

  function LoadError(kind, message, cause) {
    this.name = 'LoadError';
    this.kind = kind;            // "network", "http", "parse", "address" or "file"
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

  var ENTITIES = { lt: '<', gt: '>', amp: '&', quot: '"', apos: '\'' };

  function decodeEntities(text) {
    if (text.indexOf('&') < 0) return text;
    return text.replace(/&(#x[0-9a-fA-F]+|#[0-9]+|[A-Za-z]+);/g, function (whole, name) {
      if (name.charAt(0) === '#') {
        var code = name.charAt(1) === 'x' || name.charAt(1) === 'X' ?
          parseInt(name.slice(2), 16) : parseInt(name.slice(1), 10);
        try { return String.fromCodePoint(code); } catch (e) { return whole; }
      }
      return Object.prototype.hasOwnProperty.call(ENTITIES, name) ? ENTITIES[name] : whole;
    });
  }

  // Most objects hold no records, tests, groups or other values: they share one empty list
  // until they get their own (a hundred thousand tests would otherwise make half a million).
  var NONE = Object.freeze([]);

  function newObject(kind, id) {
    return {
      kind: kind, id: id, title: null, desc: null, time: null, ext: null, args: NONE,
      summary: null, records: NONE, tests: NONE, groups: NONE, extras: NONE, finished: false
    };
  }

  function addTo(owner, list, item) {
    if (owner[list] === NONE) owner[list] = [];
    owner[list].push(item);
  }

  function newRecord(type) {
    return { type: type, method: '', desc: '', msgs: [], traces: [], cut: false };
  }

  /*
   * The report is read by one pass over its tags rather than through a DOM:
   * it is several times faster on large reports, builds the model directly,
   * and a report that was cut off (a run still going, or one that died) keeps
   * everything up to its last byte, including the text of a cut message.
   * Frames on the stack: {name, kind, target, text}; kinds are "root",
   * "object", "record", "summary", "global", "value" (text for its parent),
   * "extra" (an element of another name, kept as flattened text) and "inner"
   * (an element inside a value, whose text counts towards it).
   */
  function readReportText(text) {
    var model = { rootName: null, global: null, groups: [], records: [], extras: [], loose: [],
      incomplete: false };
    var stack = [];
    var pos = 0;
    var length = text.length;
    var sawRoot = false;

    function top() { return stack[stack.length - 1]; }

    function addText(piece) {
      var frame = top();
      if (frame && frame.collects) frame.text += piece;
    }

    function open(name, id) {
      var parent = top();
      var frame = { name: name, kind: 'extra', target: null, text: '', collects: false };
      if (!parent) {
        frame.kind = 'root';
        model.rootName = name;
        sawRoot = true;
      } else if (parent.kind === 'root' || parent.kind === 'object') {
        var owner = parent.kind === 'object' ? parent.target : null;
        if (name === 'Group') {
          frame.kind = 'object';
          frame.target = newObject('Group', id);
          if (owner) addTo(owner, 'groups', frame.target); else model.groups.push(frame.target);
        } else if (OBJECT_NAMES.indexOf(name) >= 0) {
          frame.kind = 'object';
          frame.target = newObject(name, id);
          if (owner) addTo(owner, 'tests', frame.target); else model.loose.push(frame.target);
        } else if (RECORD_NAMES.indexOf(name) >= 0) {
          frame.kind = 'record';
          frame.target = newRecord(name);
          if (owner) addTo(owner, 'records', frame.target); else model.records.push(frame.target);
        } else if (owner && name === 'Summary') {
          frame.kind = 'summary';
          frame.target = owner.summary = {};
          COUNT_NAMES.forEach(function (n) { owner.summary[n] = null; });
        } else if (!owner && name === 'Global') {
          frame.kind = 'global';
          frame.target = model.global = { machine: null, platform: null, runTime: null, version: null };
        } else if (isValue(parent, name)) {
          frame.kind = 'value';
        }
      } else if (isValue(parent, name)) {
        frame.kind = 'value';
      } else if (parent.kind === 'value' || parent.kind === 'extra' || parent.kind === 'inner') {
        frame.kind = 'inner';
      } else if (parent.kind === 'record' || parent.kind === 'summary' || parent.kind === 'global') {
        frame.kind = 'ignored';
      }
      frame.collects = frame.kind === 'value' || frame.kind === 'extra' || frame.kind === 'inner';
      stack.push(frame);
      return frame;
    }

    // Hands a finished (or, at the end of a cut report, unfinished) frame to its parent.
    function finish(frame, cut) {
      var parent = top();
      var value = decodeEntities(frame.text);
      if (frame.kind === 'object') {
        frame.target.finished = !cut;
      } else if (frame.kind === 'record') {
        frame.target.cut = cut;
      } else if (frame.kind === 'inner' && parent) {
        parent.text += frame.text;
      } else if (frame.kind === 'extra' && parent) {
        var item = { name: frame.name, text: value.replace(/\s+/g, ' ').trim() };
        if (parent.kind === 'object') addTo(parent.target, 'extras', item);
        else if (parent.kind === 'root') model.extras.push(item);
      } else if (frame.kind === 'value' && parent) {
        assignValue(parent, frame.name, value, cut);
      }
    }

    // Whether an element of this name inside this parent is one of the values the page reads.
    function isValue(parent, name) {
      switch (parent.kind) {
        case 'object': return OBJECT_FIELDS[name] !== undefined || name === 'Arg';
        case 'record': return RECORD_VALUES.indexOf(name) >= 0;
        case 'summary': return COUNT_NAMES.indexOf(name) >= 0;
        case 'global': return GLOBAL_FIELDS[name] !== undefined;
        default: return false;
      }
    }

    function assignValue(parent, name, value, cut) {
      var target = parent.target;
      if (parent.kind === 'object') {
        if (name === 'Arg') addTo(target, 'args', value);
        else target[OBJECT_FIELDS[name]] = value;
      } else if (parent.kind === 'record') {
        if (name === 'Method') target.method = value;
        else if (name === 'Desc') target.desc = value;
        else if (name === 'Msg') target.msgs.push(value);
        else target.traces.push(value);
        if (cut) target.cutInside = name;
      } else if (parent.kind === 'summary') {
        target[name] = value.trim();
      } else if (parent.kind === 'global') {
        target[GLOBAL_FIELDS[name]] = value;
      }
    }

    function close(name) {
      for (var i = stack.length - 1; i >= 0; i--) {
        if (stack[i].name === name) {
          // Elements left open inside the one being closed end with it.
          while (stack.length > i) {
            var frame = stack.pop();
            finish(frame, false);
          }
          return;
        }
      }
    }

    // The tags are found by hand: on a report of a hundred thousand tests this makes
    // far less garbage than a regular expression's match objects. The text between
    // two tags is taken only where a value is being collected.
    while (pos < length) {
      var lt = text.indexOf('<', pos);
      var frame = stack[stack.length - 1];
      if (lt < 0) {
        if (frame && frame.collects) addText(text.slice(pos));
        break;
      }
      if (lt > pos && frame && frame.collects) addText(text.slice(pos, lt));
      var first = text.charCodeAt(lt + 1);
      if (first === 33 || first === 63) {             // "<!" or "<?"
        var isComment = text.startsWith('<!--', lt);
        var after = isComment ? text.indexOf('-->', lt + 4) : text.indexOf('>', lt + 1);
        if (after < 0) break;
        pos = after + (isComment ? 3 : 1);
        continue;
      }
      var closing = first === 47;                     // "</"
      var nameStart = lt + (closing ? 2 : 1);
      var i = nameStart;
      var code = 0;
      while (i < length) {
        code = text.charCodeAt(i);
        if (code === 62 || code === 47 || code === 60 || code <= 32) break;
        i++;
      }
      if (i >= length) break;                         // a tag cut in half at the end of the text
      var gt = code === 62 ? i : text.indexOf('>', i);
      if (gt < 0) break;
      var name = text.slice(nameStart, i);
      if (!name || code === 60 || !/^[A-Za-z_]/.test(name)) {
        // Not a tag: a stray "<" taken as text.
        if (frame && frame.collects) addText(text.slice(lt, lt + 1));
        pos = lt + 1;
        continue;
      }
      pos = gt + 1;
      if (closing) {
        close(name);
        if (!stack.length && sawRoot) break;
        continue;
      }
      var id = '';
      if (gt > i + 1) {
        var idMatch = /\bid\s*=\s*"([^"]*)"/.exec(text.slice(i, gt));
        if (idMatch) id = idMatch[1];
      }
      if (text.charCodeAt(gt - 1) === 47) {          // "<Name/>"
        open(name, id);
        close(name);
        continue;
      }
      if (frame && isValue(frame, name)) {
        // Most values stand on one line, text and end tag: take them in one step.
        var end = text.indexOf('<', pos);
        if (end >= 0 && text.charCodeAt(end + 1) === 47 && text.startsWith(name, end + 2) &&
            text.charCodeAt(end + 2 + name.length) === 62) {
          assignValue(frame, name, decodeEntities(text.slice(pos, end)), false);
          pos = end + name.length + 3;
          continue;
        }
      }
      open(name, id);
    }

    if (!sawRoot) {
      throw new LoadError('parse', 'The file holds no XML elements: it is not a report.');
    }
    if (stack.length) {
      model.incomplete = true;
      while (stack.length) finish(stack.pop(), true);
    }
    return completeModel(model);
  }

  function parseReportText(text) {
    return readReportText(text);
  }

  /* ---------- the report as plain data ---------- */

  function nonZero(text) {
    return text !== null && text !== undefined && String(text).trim() !== '0';
  }

  function seconds(time) {
    var v = parseFloat(time);
    return isNaN(v) ? -1 : v;
  }

  // Counts of an object: its summary, or, for one the run never finished, what its
  // finished children and its own records add up to so far.
  function countsOf(obj) {
    var counts = {};
    COUNT_NAMES.forEach(function (n) { counts[n] = 0; });
    if (obj.summary) {
      COUNT_NAMES.forEach(function (n) {
        var v = parseInt(obj.summary[n], 10);
        if (!isNaN(v)) counts[n] = v;
      });
      return counts;
    }
    obj.tests.concat(obj.groups).forEach(function (child) {
      var c = countsOf(child);
      COUNT_NAMES.forEach(function (n) { counts[n] += c[n]; });
    });
    obj.records.forEach(function (r) {
      if (RECORD_COUNTS[r.type]) counts[RECORD_COUNTS[r.type]] += 1;
    });
    return counts;
  }

  // "crash": the report ends inside it; "fail": errors or external errors;
  // "warn": only warnings or core-library errors; "open": no summary in a report
  // that did end; "pass": clean.
  function statusOf(obj, incomplete) {
    var children = obj.tests.concat(obj.groups);
    if (!obj.finished && incomplete) return 'crash';
    if (children.some(function (c) { return c.status === 'crash'; })) return 'crash';
    var childFails = children.some(function (c) { return c.status === 'fail'; });
    var s = obj.summary;
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

  function allGroups(groups) {
    var out = [];
    (function walk(list) {
      list.forEach(function (g) { out.push(g); walk(g.groups); });
    })(groups);
    return out;
  }

  // A test writes its title after its body: one the run died in has none, but its
  // records name it ("Title::executeW").
  function titleFromRecords(test) {
    for (var i = 0; i < test.records.length; i++) {
      var m = /^(.+)::executeW$/.exec(test.records[i].method || '');
      if (m) return m[1];
    }
    return null;
  }

  // A test the run died in and went on after (a supervised run completes its
  // element with an Error record saying how): "crashed: signal 11 (...)",
  // "timed out after 30 s" or "exited: status 3".
  function deathOf(test) {
    for (var i = 0; i < test.records.length; i++) {
      var r = test.records[i];
      if (r.type === 'Error' && r.method === 'TestSet::executeW' &&
          /^(crashed: |timed out after |exited: status )/.test(r.desc || '')) return r.desc;
    }
    return null;
  }

  function completeModel(model) {
    if (model.loose.length) {
      var loose = newObject('Group', 'loose');
      loose.title = 'Tests outside any group';
      loose.tests = model.loose;
      loose.finished = true;
      model.groups.push(loose);
    }
    delete model.loose;
    var groups = allGroups(model.groups);
    var order = 0;
    model.interrupted = [];
    groups.forEach(function (g, gi) {
      g.number = gi + 1;
      g.tests.forEach(function (t, ti) {
        t.number = ti + 1;
        t.order = order++;
        t.group = g;
        t.status = statusOf(t, model.incomplete);
        t.seconds = seconds(t.time);
        t.death = deathOf(t);
        if (t.status === 'crash') {
          var named = titleFromRecords(t);
          t.displayTitle = named ? named : 'unnamed, test ' + t.number + ' of ' + groupLabel(g);
          t.titleFromRecords = !!named;
          model.interrupted.push(t);
        }
      });
    });
    // Inner groups first, so that a group's status sees those of the groups inside it.
    groups.slice().reverse().forEach(function (g) {
      g.status = statusOf(g, model.incomplete);
      g.seconds = seconds(g.time);
      if (g.status === 'crash' && !g.tests.some(function (t) { return t.status === 'crash'; })) {
        model.interrupted.push(g);
      }
    });
    model.allGroups = groups;
    model.totals = totalsOf(model, groups);
    return model;
  }

  function groupLabel(group) {
    return group.title ? 'group ' + group.title : 'group ' + group.number;
  }

  function totalsOf(model, groups) {
    var totals = { groups: groups.length, failedGroups: 0, tests: 0, failedTests: 0, passedTests: 0,
      warnedTests: 0, openTests: 0, crashedTests: 0, counts: {}, estimated: [] };
    COUNT_NAMES.forEach(function (n) { totals.counts[n] = 0; });
    model.groups.forEach(function (g) {
      var c = countsOf(g);
      COUNT_NAMES.forEach(function (n) { totals.counts[n] += c[n]; });
    });
    groups.forEach(function (g) {
      if (g.status === 'fail' || g.status === 'crash') totals.failedGroups += 1;
      if (!g.summary) totals.estimated.push(g);
      g.tests.forEach(function (t) {
        totals.tests += 1;
        if (t.status === 'fail') totals.failedTests += 1;
        else if (t.status === 'pass') totals.passedTests += 1;
        else if (t.status === 'warn') totals.warnedTests += 1;
        else if (t.status === 'crash') totals.crashedTests += 1;
        else totals.openTests += 1;
        if (!t.summary) totals.estimated.push(t);
      });
    });
    return totals;
  }

  function isFailure(status) { return status === 'fail' || status === 'crash'; }

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

  function testTitle(test) {
    if (test.displayTitle) return test.displayTitle;
    return test.title || (!test.summary ? '(test not finished)' :
      test.kind === 'Test' ? '(untitled test)' : test.kind);
  }

  // A group writes its title after its tests, so a group that is still running has none yet.
  function groupTitle(group) {
    return group.title || (group.summary ? '(untitled group)' : 'group ' + group.number + ' (not finished)');
  }

  function interruptedName(model) {
    var first = model.interrupted[0];
    if (!first) return null;
    return first.kind === 'Group' ? groupTitle(first) : testTitle(first);
  }

  /* ---------- loading ---------- */

  // Marks on the page's performance timeline, for the benchmark's breakdown of a load.
  function mark(name) {
    if (global.performance && global.performance.mark) global.performance.mark(name);
  }

  function modelFromBuffer(buffer, name, url) {
    mark('rt-received');
    var text = decodeBytes(buffer);
    mark('rt-decoded');
    var model = parseReportText(text);
    mark('rt-read');
    model.url = url;
    model.runName = fileName(name).replace(/\.xml$/i, '');
    model.notRun = [];
    model.history = null;
    return model;
  }

  // The run's index, "<run>.index" beside its report: tab-separated lines,
  // of which "not-run" ones name a test that did not run (script, position,
  // case, group, why, arguments). Fields escape tab, line end and backslash.
  function readIndexText(text) {
    var unescape = function (field) {
      return field.replace(/\\(.)/g, function (whole, c) { return c === 't' ? '\t' : c === 'n' ? '\n' : c; });
    };
    var notRun = [];
    text.split('\n').forEach(function (line) {
      var f = line.replace(/\r$/, '').split('\t').map(unescape);
      if (f[0] !== 'not-run' || f.length < 6) return;
      notRun.push({ script: f[1], position: +f[2] || 0, caseName: f[3], group: f[4], why: f[5], args: f.slice(6) });
    });
    return notRun;
  }

  function indexUrl(reportUrl) {
    return reportUrl.replace(/\.xml(?=$|[?#])/i, '.index');
  }

  // The index is optional: without it (an older run, a report alone) nothing is added.
  function withIndex(model, text) {
    try {
      model.notRun = readIndexText(text);
    } catch (e) {
      model.notRun = [];
    }
    return model;
  }

  // The run's history, "<run>.history.json" beside its report when the run
  // was recorded: each failing test's state and last results (by report id)
  // and the totals of the last runs. Optional as the index: anything that is
  // not such a file leaves the page as it is without it.
  function readHistoryText(text) {
    var data = JSON.parse(text);
    if (!data || data.format !== 1 || !Array.isArray(data.runs) || typeof data.failures !== 'object' ||
        data.failures === null) {
      return null;
    }
    var runs = data.runs.filter(function (r) {
      return r && typeof r.name === 'string' && isFinite(r.passed) && isFinite(r.failed) && isFinite(r.seconds);
    });
    return { runs: runs, failures: data.failures };
  }

  function historyUrl(reportUrl) {
    return reportUrl.replace(/\.xml(?=$|[?#])/i, '.history.json');
  }

  function withHistory(model, text) {
    try {
      model.history = text ? readHistoryText(text) : null;
    } catch (e) {
      model.history = null;
    }
    return model;
  }

  // What the history says of one test of this run, when it failed.
  function historyOf(model, test) {
    var failure = model.history && test.id !== null ? model.history.failures[String(+test.id)] : null;
    return failure && typeof failure === 'object' && typeof failure.state === 'string' ? failure : null;
  }

  function fetchBeside(url, toUrl, use, model) {
    return global.fetch(toUrl(url), { cache: 'no-store' }).then(function (response) {
      return response.ok ? response.text() : '';
    }).then(function (text) { return use(model, text); }, function () { return model; });
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
      var model = modelFromBuffer(buffer, url, url);
      if (!/\.xml(?=$|[?#])/i.test(url)) return model;
      return Promise.all([fetchBeside(url, indexUrl, withIndex, model),
        fetchBeside(url, historyUrl, withHistory, model)]).then(function () { return model; });
    });
  }

  // A report handed over by the file picker or dropped onto the page, with
  // its index and its history when those were handed over too.
  function loadFiles(files) {
    var list = Array.prototype.slice.call(files);
    var beside = /\.(index|json)$/i;
    var report = list.find(function (f) { return !beside.test(f.name); }) || list[0];
    var index = list.find(function (f) { return /\.index$/i.test(f.name); });
    var history = list.find(function (f) { return /\.json$/i.test(f.name); });
    function read(file, use, model) {
      if (!file) return model;
      return file.text().then(function (text) { return use(model, text); }, function () { return model; });
    }
    return loadFile(report).then(function (model) {
      return Promise.all([read(index, withIndex, model), read(history, withHistory, model)]).then(function () {
        return model;
      });
    });
  }

  function loadFile(file) {
    return new Promise(function (resolve, reject) {
      var reader = new FileReader();
      reader.onload = function () {
        try {
          resolve(modelFromBuffer(reader.result, file.name, URL.createObjectURL(file)));
        } catch (e) {
          reject(e);
        }
      };
      reader.onerror = function () {
        reject(new LoadError('file', 'The file ' + file.name + ' could not be read.'));
      };
      reader.readAsArrayBuffer(file);
    });
  }

  /* ---------- pieces of the page ---------- */

  var STATUS_TEXT = { crash: 'CRASHED', fail: 'FAIL', warn: 'WARN', pass: 'PASS', open: 'OPEN' };
  var STATUS_HINT = {
    crash: 'The report ends inside this object: the run stopped here (crashed, was killed, or is still going)',
    fail: 'Errors or external errors were raised',
    warn: 'Only warnings or core-library errors were raised',
    pass: 'No errors and no warnings',
    open: 'No summary: the object was not finished when the report was read'
  };
  var STATUS_RANK = { crash: 0, fail: 1, warn: 2, open: 3, pass: 4 };

  function deathBadge(death) {
    var word = /^timed out/.test(death) ? 'TIMED OUT' : /^exited/.test(death) ? 'EXITED' : 'CRASHED';
    return el('span', { className: 'rt-badge rt-badge-crash',
      title: 'The run died in this test (' + death + ') and went on after it', text: word });
  }

  var HISTORY_WORDS = { p: 'passed', f: 'failed', c: 'crashed', t: 'timed out', x: 'exited', i: 'interrupted',
    n: 'not run' };

  // A failed test's state in the history, with its last results as marks, oldest first.
  function historyBadge(failure) {
    var word = failure.state === 'flaky' ? 'FLAKY ' + failure.failed + ' of ' + failure.of :
      failure.state === 'failing' ? 'FAILING SINCE ' + failure.since + ', ' + plural(+failure.runs || 0, 'run') :
        'NEW';
    var timeline = String(failure.timeline || '').split('').filter(function (c) { return HISTORY_WORDS[c]; });
    return el('span', { className: 'rt-history rt-history-' + (failure.state === 'flaky' ||
      failure.state === 'failing' ? failure.state : 'new'),
      title: (failure.note || '') + (timeline.length ? '; last results, oldest first: ' +
        timeline.map(function (c) { return HISTORY_WORDS[c]; }).join(', ') : '') }, [
      el('span', { className: 'rt-history-word', text: word }),
      el('span', { className: 'rt-timeline', 'aria-hidden': 'true' }, timeline.map(function (c) {
        return el('i', { className: 'rt-tl-' + c });
      }))
    ]);
  }

  var SVG = 'http://www.w3.org/2000/svg';

  function svg(tag, attrs, children) {
    var node = document.createElementNS(SVG, tag);
    Object.keys(attrs || {}).forEach(function (key) { node.setAttribute(key, attrs[key]); });
    (children || []).forEach(function (child) { if (child) node.appendChild(child); });
    return node;
  }

  function svgText(x, y, text, anchor) {
    var node = svg('text', { x: x, y: y, 'text-anchor': anchor || 'start' });
    node.textContent = text;
    return node;
  }

  function durationText(v) {
    return v < 120 ? v.toFixed(1) + ' s' : (v / 60).toFixed(1) + ' min';
  }

  // The last runs as bars of passed and failed tests, and their run time as a line.
  function renderTrend(model) {
    var runs = model.history ? model.history.runs.slice(-30) : [];
    if (!runs.length) return null;
    var W = 640, H = 180, left = 40, right = 48, top = 12, bottom = 24;
    var plotW = W - left - right, plotH = H - top - bottom;
    var most = Math.max.apply(null, runs.map(function (r) { return r.passed + r.failed; })) || 1;
    var longest = Math.max.apply(null, runs.map(function (r) { return r.seconds; })) || 1;
    var slot = plotW / runs.length;
    var barW = Math.max(2, slot * 0.7);
    var bars = [], points = [];
    runs.forEach(function (r, i) {
      var x = left + i * slot + (slot - barW) / 2;
      var passedH = r.passed / most * plotH, failedH = r.failed / most * plotH;
      var tip = svg('title');
      tip.textContent = r.name + ': ' + r.passed + ' passed, ' + r.failed + ' failed, ' + durationText(r.seconds);
      bars.push(svg('g', { 'class': 'rt-trend-run', 'data-run': r.name }, [tip,
        svg('rect', { 'class': 'rt-trend-passed', x: x.toFixed(1), y: (top + plotH - passedH).toFixed(1),
          width: barW.toFixed(1), height: passedH.toFixed(1) }),
        svg('rect', { 'class': 'rt-trend-failed', x: x.toFixed(1),
          y: (top + plotH - passedH - failedH).toFixed(1), width: barW.toFixed(1), height: failedH.toFixed(1) })
      ]));
      points.push((left + i * slot + slot / 2).toFixed(1) + ',' + (top + plotH - r.seconds / longest * plotH).toFixed(1));
    });
    var chart = svg('svg', { 'class': 'rt-trend-chart', viewBox: '0 0 ' + W + ' ' + H, role: 'img',
      'aria-label': 'Passed and failed tests and run time of the last ' + plural(runs.length, 'run') }, [
      svg('line', { 'class': 'rt-trend-axis', x1: left, y1: top + plotH, x2: W - right, y2: top + plotH }),
      svgText(left - 4, top + 8, String(most), 'end'),
      svgText(left - 4, top + plotH, '0', 'end'),
      svgText(W - right + 4, top + 8, durationText(longest)),
      svgText(left, H - 6, runs[0].name),
      runs.length > 1 ? svgText(W - right, H - 6, runs[runs.length - 1].name, 'end') : null
    ].concat(bars, [svg('polyline', { 'class': 'rt-trend-time', points: points.join(' ') })]));
    return el('section', { className: 'rt-trend' }, [
      el('h2', { className: 'rt-section-title', text: 'The last ' + plural(runs.length, 'run') }),
      chart,
      el('p', { className: 'rt-trend-legend' }, [
        el('span', { className: 'rt-key rt-key-passed', text: 'passed' }), ' ',
        el('span', { className: 'rt-key rt-key-failed', text: 'failed' }), ' ',
        el('span', { className: 'rt-key rt-key-time', text: 'run time' })
      ])
    ]);
  }

  function badge(status) {
    return el('span', { className: 'rt-badge rt-badge-' + status, title: STATUS_HINT[status],
      text: STATUS_TEXT[status] });
  }

  function countText(summary, name) {
    var v = summary ? summary[name] : null;
    return v === null || v === undefined ? '\u2013' : v;
  }

  function countCells(summary) {
    return COUNT_NAMES.map(function (n) {
      var v = summary ? summary[n] : null;
      return el('td', { className: 'rt-num rt-count-' + n + (nonZero(v) ? ' rt-nonzero' : ''),
        'data-label': COUNT_WORDS[n], text: countText(summary, n) });
    });
  }

  function countList(summary) {
    return el('span', { className: 'rt-counts' }, COUNT_NAMES.map(function (n) {
      var v = summary ? summary[n] : null;
      return el('span', {
        className: 'rt-count rt-count-' + n + (nonZero(v) ? ' rt-nonzero' : ''),
        title: COUNT_TITLES[n]
      }, [el('span', { className: 'rt-count-label', text: COUNT_LABELS[n] }),
        el('span', { className: 'rt-count-value', text: countText(summary, n) })]);
    }));
  }

  function groupAnchor(group) {
    return 'g' + (group.id || String(group.number));
  }

  function columnHead(text, title, className) {
    return el('th', { scope: 'col', className: className, title: title, text: text });
  }

  // A count column: its name in words where the page is wide enough, abbreviated where not.
  function countHead(name) {
    return el('th', { scope: 'col', className: 'rt-num', title: COUNT_TITLES[name] }, [
      el('span', { className: 'rt-long', text: COUNT_WORDS[name] }),
      el('span', { className: 'rt-short', text: COUNT_LABELS[name] })
    ]);
  }

  function verdictOf(model) {
    if (model.incomplete) {
      var where = interruptedName(model);
      return { text: 'NOT FINISHED' + (where ? ' \u2014 crashed in ' + where : ''), tone: 'rt-title-crash' };
    }
    if (runFailed(model)) return { text: 'FAILED', tone: 'rt-title-fail' };
    // A run passes only when every test it was given ran: none at all is no pass either.
    var notRun = notRunOf(model).length;
    if (notRun) return { text: 'NOT PASSED \u2014 ' + plural(notRun, 'test') + ' not run', tone: 'rt-title-fail' };
    if (!model.totals.tests) return { text: 'NO TEST RAN', tone: 'rt-title-fail' };
    return { text: 'PASSED', tone: 'rt-title-pass' };
  }

  function renderTitle(model) {
    var run = parseRunName(model.runName);
    var verdict = verdictOf(model);
    return el('div', { className: 'rt-title ' + verdict.tone }, [
      el('div', { className: 'rt-title-main' }, [
        el('span', { className: 'rt-title-name', text: 'Regression test report' }),
        el('span', { className: 'rt-title-run', text: model.runName })
      ]),
      el('div', { className: 'rt-title-sub' }, [
        run ? el('span', { text: run.date + ', ' + run.time +
          (run.platform ? ' \u2013 ' + run.platform : '') }) : null,
        el('span', { className: 'rt-verdict', text: verdict.text })
      ])
    ]);
  }

  function fact(label, value, note) {
    var missing = value === null || value === undefined || value === '';
    return [el('dt', { text: label }),
      el('dd', { className: missing && note ? 'rt-fact-missing' : null },
        missing ? (note || '\u2013') : value)];
  }

  function renderTop(model) {
    var g = model.global || {};
    var t = model.totals;
    var raw = safeUrl(model.url);
    var run = parseRunName(model.runName);
    var unrecorded = model.global ? null : 'not recorded: the run did not finish';
    var platform = g.platform || (run && run.platform ? run.platform + ' (from the run\'s name)' : null);
    var facts = el('dl', { className: 'rt-facts' }, [
      fact('Machine', g.machine, unrecorded), fact('Platform', platform, unrecorded),
      fact('Run time', g.runTime, unrecorded), fact('Version', g.version, unrecorded),
      el('dt', { text: 'Report' }),
      el('dd', null, raw ? el('a', { href: raw, text: fileName(model.runName + '.xml') }) :
        fileName(model.url || model.runName))
    ]);
    var head = el('tr', null, [columnHead('Groups'), columnHead('Tests'), columnHead('Failed tests')]
      .concat(COUNT_NAMES.map(function (n) { return columnHead(COUNT_WORDS[n], COUNT_TITLES[n]); })));
    var row = el('tr', null, [
      el('td', { className: 'rt-num', text: t.groups }),
      el('td', { className: 'rt-num', text: t.tests }),
      el('td', { className: 'rt-num' + (t.failedTests + t.crashedTests ? ' rt-nonzero rt-count-Errors' : ''),
        text: t.failedTests + t.crashedTests })
    ].concat(COUNT_NAMES.map(function (n) {
      return el('td', { className: 'rt-num rt-count-' + n + (t.counts[n] ? ' rt-nonzero' : ''),
        text: t.counts[n] + (t.estimated.length ? '+' : '') });
    })));
    var notes = [];
    if (model.incomplete) {
      notes.push(el('p', { className: 'rt-note rt-note-crash', text: 'The report was cut off: the run ' +
        (model.interrupted.length ? 'stopped in ' + interruptedName(model) : 'stopped') +
        ' (it crashed, was killed, or is still going). What it wrote up to there is shown.' }));
    } else if (!model.global) {
      notes.push(el('p', { className: 'rt-note',
        text: 'The report has no global record: the run stopped before writing it.' }));
    }
    if (t.estimated.length) {
      var names = t.estimated.map(function (o) {
        return o.kind === 'Group' ? groupTitle(o) : 'test ' + testTitle(o);
      });
      notes.push(el('p', { className: 'rt-note', text: 'The counts are lower bounds (marked +): ' +
        names.join(', ') + (names.length === 1 ? ' has' : ' have') + ' no summary, so ' +
        (names.length === 1 ? 'its' : 'their') + ' counts are those of the records written before ' +
        'the report ended.' }));
    }
    return el('div', { className: 'rt-top' }, [
      facts,
      el('div', { className: 'rt-totals-box' },
        el('table', { className: 'rt-totals' }, [el('thead', null, head), el('tbody', null, row)])),
      notes
    ]);
  }

  function percent(part, whole) {
    return whole ? (Math.floor(part * 1000 / whole) / 10).toFixed(1) + ' %' : '\u2013';
  }

  function renderSummaryLine(model) {
    var t = model.totals;
    var parts = [plural(t.tests, 'test') + ': ' + t.passedTests + ' passed (' +
      percent(t.passedTests, t.tests) + ')'];
    if (t.failedTests) parts.push(t.failedTests + ' failed');
    if (t.warnedTests) parts.push(t.warnedTests + ' with warnings only');
    if (t.crashedTests) parts.push(t.crashedTests + ' interrupted');
    if (t.openTests) parts.push(t.openTests + ' without summary');
    if (notRunOf(model).length) parts.push(notRunOf(model).length + ' not run');
    return el('p', { className: 'rt-summary-line', text: parts.join(', ') + ' \u2014 in ' +
      plural(t.groups, 'group') + '.' });
  }

  // The tests the run reached but could not make: the report has no element
  // for them, the run's index lists them.
  function notRunOf(model) { return model.notRun || []; }

  function renderNotRun(model) {
    if (!notRunOf(model).length) return null;
    return el('section', { className: 'rt-not-run' }, [
      el('h2', { className: 'rt-section-title', text: 'Not run (' + model.notRun.length + ')' }),
      el('ul', null, model.notRun.map(function (test) {
        return el('li', { className: 'rt-not-run-test' }, [
          el('span', { className: 'rt-badge rt-badge-notrun', title: 'The run could not make this test',
            text: 'NOT RUN' }), ' ',
          el('span', { className: 'rt-name', text: (test.group ? test.group + ' / ' : '') + test.caseName +
            (test.args.length ? ' (' + test.args.join(', ') + ')' : '') }),
          test.why ? ': ' + test.why : '',
          test.script ? el('span', { className: 'rt-not-run-where',
            text: ' \u2014 ' + test.script + ', test ' + (test.position + 1) }) : null
        ]);
      }))
    ]);
  }

  function describeRecords(records) {
    var byType = {};
    records.forEach(function (r) { byType[r.type] = (byType[r.type] || 0) + 1; });
    var parts = Object.keys(byType).map(function (type) {
      return byType[type] + ' ' + (RECORD_LABELS[type] || type).toLowerCase() +
        (byType[type] === 1 ? '' : 's');
    });
    return plural(records.length, 'record') + (parts.length ? ': ' + parts.join(', ') : '');
  }

  function renderRecord(record) {
    var type = record.type;
    // Blank trace lines carry nothing to read.
    var traces = record.traces.filter(function (t) { return t.trim() !== ''; });
    return el('div', { className: 'rt-record rt-record-' + type }, [
      el('div', { className: 'rt-record-head' }, [
        el('span', { className: 'rt-record-type', text: RECORD_LABELS[type] || type }),
        record.method ? el('code', { className: 'rt-method', text: record.method }) : null,
        record.desc ? el('span', { className: 'rt-record-desc', text: record.desc }) : null
      ]),
      record.msgs.length ? el('ul', { className: 'rt-msgs' }, record.msgs.map(function (m) {
        return el('li', { text: m });
      })) : null,
      traces.length ? renderTraces(traces) : null,
      record.cut ? el('p', { className: 'rt-cut', text: 'The report ends inside this record' +
        (record.cutInside ? ' (in its ' + record.cutInside + ' line, shown as far as it was written)' : '') +
        '.' }) : null
    ]);
  }

  // A stack reads from its innermost frame: the first lines are shown, the
  // rest on request.
  var TRACE_LINES_SHOWN = 12;

  function renderTraces(traces) {
    var line = function (t) { return el('li', { text: t }); };
    var list = el('ol', null, traces.slice(0, TRACE_LINES_SHOWN).map(line));
    var more = null;
    if (traces.length > TRACE_LINES_SHOWN) {
      var hidden = traces.length - TRACE_LINES_SHOWN;
      more = el('button', { className: 'rt-traces-more', type: 'button',
        text: 'Show ' + plural(hidden, 'more line', 'more lines') });
      more.addEventListener('click', function () {
        append(list, traces.slice(TRACE_LINES_SHOWN).map(line));
        more.remove();
      });
    }
    return el('div', { className: 'rt-traces' }, [el('div', { className: 'rt-traces-label', text: 'Trace' }), list, more]);
  }

  function renderExtras(extras) {
    if (!extras.length) return null;
    return el('dl', { className: 'rt-extras' }, extras.map(function (x) {
      return [el('dt', { text: x.name }), el('dd', { text: x.text })];
    }));
  }



  /* ---------- the groups and tests, built as they come into view ---------- */

  function testHaystack(test) {
    if (test.hay === undefined) {
      var parts = [test.title, test.displayTitle, test.desc, test.ext].concat(test.args);
      test.records.forEach(function (r) {
        parts.push(r.method, r.desc);
        parts = parts.concat(r.msgs, r.traces);
      });
      test.hay = parts.filter(Boolean).join('\n').toLowerCase();
    }
    return test.hay;
  }

  function groupHaystack(group) {
    if (group.hay === undefined) {
      var parts = [group.title, group.desc];
      group.records.forEach(function (r) { parts = parts.concat([r.method, r.desc], r.msgs); });
      group.hay = parts.filter(Boolean).join('\n').toLowerCase();
    }
    return group.hay;
  }

  function compareTests(order) {
    if (order === 'duration') {
      return function (a, b) { return b.seconds - a.seconds || a.order - b.order; };
    }
    if (order === 'report') return function (a, b) { return a.order - b.order; };
    return function (a, b) { return STATUS_RANK[a.status] - STATUS_RANK[b.status] || a.order - b.order; };
  }

  function compareGroups(order) {
    if (order === 'duration') {
      return function (a, b) { return b.group.seconds - a.group.seconds || a.group.number - b.group.number; };
    }
    if (order === 'report') return function (a, b) { return a.group.number - b.group.number; };
    return function (a, b) {
      return STATUS_RANK[a.group.status] - STATUS_RANK[b.group.status] || a.group.number - b.group.number;
    };
  }

  // Every group with all its tests in one order, made once per order and kept.
  function orderedList(state) {
    state.ordered = state.ordered || {};
    if (!state.ordered[state.order]) {
      var sortTests = compareTests(state.order);
      var list = state.model.allGroups.map(function (group) {
        return { group: group,
          tests: state.order === 'report' ? group.tests : group.tests.slice().sort(sortTests) };
      });
      if (state.order !== 'report') list.sort(compareGroups(state.order));
      state.ordered[state.order] = list;
    }
    return state.ordered[state.order];
  }

  // The groups to show, each with the tests to show, under the filter, search and order.
  function buildList(state) {
    var query = state.query.trim().toLowerCase();
    var ordered = orderedList(state);
    if (!query && !state.only) return ordered;
    // The failures alone, per order, are kept as the orders are: the filter is toggled often.
    var kept = !query ? 'failures-' + state.order : null;
    if (kept && state.ordered[kept]) return state.ordered[kept];
    var list = [];
    ordered.forEach(function (entry) {
      var group = entry.group;
      if (state.only && !isFailure(group.status)) return;
      var groupHit = !query || groupHaystack(group).indexOf(query) >= 0;
      var tests = entry.tests.filter(function (t) {
        if (state.only && !isFailure(t.status)) return false;
        return groupHit || testHaystack(t).indexOf(query) >= 0;
      });
      if (query && !groupHit && !tests.length) return;
      list.push({ group: group, tests: tests });
    });
    if (kept) state.ordered[kept] = list;
    return list;
  }

  // Builds the search texts while the browser is idle, so that the first search answers at once.
  function prepareSearch(state) {
    var groups = state.model.allGroups;
    var next = 0;
    var idle = global.requestIdleCallback || function (fn) {
      return setTimeout(function () { fn({ timeRemaining: function () { return 8; } }); }, 50);
    };
    idle(function work(deadline) {
      while (next < groups.length && deadline.timeRemaining() > 2) {
        var group = groups[next++];
        groupHaystack(group);
        group.tests.forEach(testHaystack);
      }
      if (next < groups.length) idle(work);
    });
  }

  function detailsOpenByDefault(state, test) {
    if (state.details === 'all') return true;
    if (state.details === 'none') return false;
    return isFailure(test.status);
  }

  function fillDetails(details, test) {
    if (details.getAttribute('data-filled')) return;
    details.setAttribute('data-filled', '1');
    append(details, [test.records.map(renderRecord), renderExtras(test.extras)]);
  }

  function renderTest(state, test) {
    var row = el('tr', { className: 'rt-test-row', id: test.id ? 't' + test.id : null }, [
      el('td', { className: 'rt-status' }, [test.death ? deathBadge(test.death) : badge(test.status),
        isFailure(test.status) && historyOf(state.model, test) ? historyBadge(historyOf(state.model, test)) : null]),
      el('td', { className: 'rt-test-title' }, [
        el('div', { className: 'rt-name', text: testTitle(test) }),
        test.titleFromRecords ? el('div', { className: 'rt-desc',
          text: 'Name taken from its records: the run stopped before writing its title.' }) : null,
        test.desc ? el('div', { className: 'rt-desc', text: test.desc }) : null
      ]),
      el('td', { className: 'rt-args', 'data-label': 'Arguments' },
        test.args.length ? el('ul', null, test.args.map(function (a) {
          return el('li', null, el('code', { text: a }));
        })) : el('span', { className: 'rt-none', text: '\u2013' })),
      el('td', { className: 'rt-ext', 'data-label': 'Ext' }, test.ext ? el('pre', { text: test.ext }) :
        el('span', { className: 'rt-none', text: '\u2013' })),
      el('td', { className: 'rt-time', 'data-label': 'Time', text: test.time || '\u2013' })
    ].concat(countCells(test.summary)));
    var rows = [row];
    if (test.records.length || test.extras.length) {
      var open = state.overrides.has(test) ? state.overrides.get(test) : detailsOpenByDefault(state, test);
      var details = el('details', { className: 'rt-details' }, el('summary', {
        text: describeRecords(test.records) +
          (test.extras.length ? (test.records.length ? '; ' : '') + 'other values' : '') }));
      details.rtTest = test;
      if (open) {
        fillDetails(details, test);
        details.open = true;
      }
      details.addEventListener('toggle', function () {
        if (details.open) fillDetails(details, test);
        state.overrides.set(test, details.open);
      });
      rows.push(el('tr', { className: 'rt-records-row' },
        el('td', { colspan: 5 + COUNT_NAMES.length }, details)));
    }
    return el('tbody', { className: 'rt-test rt-' + test.status }, rows);
  }

  function testsHead() {
    return el('thead', null, el('tr', null, [
      columnHead('Status'), columnHead('Test'), columnHead('Arguments'), columnHead('Ext'),
      columnHead('Time')
    ].concat(COUNT_NAMES.map(countHead))));
  }

  // Appends the next tests of a group's table, with a button for the rest.
  function appendTests(state, table, tests, from) {
    var upto = Math.min(tests.length, from + GROUP_ROWS);
    for (var i = from; i < upto; i++) table.appendChild(renderTest(state, tests[i]));
    if (upto < tests.length) {
      var more = el('button', { type: 'button', className: 'rt-more',
        text: 'Show ' + Math.min(GROUP_ROWS, tests.length - upto) + ' more tests (' +
          (tests.length - upto) + ' not shown)' });
      var holder = el('tbody', { className: 'rt-more-row' },
        el('tr', null, el('td', { colspan: 5 + COUNT_NAMES.length }, more)));
      more.addEventListener('click', function () {
        table.removeChild(holder);
        appendTests(state, table, tests, upto);
      });
      table.appendChild(holder);
    }
    return upto - from;
  }

  function renderGroup(state, entry) {
    var group = entry.group;
    var heading = el('h2', { className: 'rt-group-title' }, [
      badge(group.status), ' ',
      el('span', { className: 'rt-group-name', text: groupTitle(group) }),
      group.time ? el('span', { className: 'rt-time', text: group.time }) : null
    ]);
    var passing = group.tests.filter(function (t) { return !isFailure(t.status); }).length;
    var hidden = group.tests.length - entry.tests.length;
    var table = null;
    var rows = 0;
    if (entry.tests.length) {
      table = el('table', { className: 'rt-tests' }, testsHead());
      rows = appendTests(state, table, entry.tests, 0);
    }
    var section = el('section', { className: 'rt-group rt-' + group.status, id: groupAnchor(group) }, [
      heading,
      group.desc ? el('p', { className: 'rt-desc', text: group.desc }) : null,
      el('div', { className: 'rt-group-summary' }, [
        countList(group.summary),
        el('span', { className: 'rt-group-tests', text: plural(group.tests.length, 'test') + ', ' +
          passing + ' without errors' })
      ]),
      group.records.length ? el('div', { className: 'rt-group-records' }, [
        el('h3', { text: 'Records of the group itself' }),
        group.records.map(renderRecord)
      ]) : null,
      renderExtras(group.extras),
      table || (group.tests.length ? null : el('p', { className: 'rt-empty', text: 'This group ran no tests.' })),
      hidden > 0 ? el('p', { className: 'rt-hidden-note rt-shown', text: plural(hidden, 'test') +
        (hidden === 1 ? ' is' : ' are') + ' hidden by the filter or the search.' }) : null
    ]);
    section.rtRows = rows;
    return section;
  }

  // `rowLimit`, when given, caps the rows below the usual chunk's.
  function renderChunk(state, rowLimit) {
    var groups = 0, rows = 0;
    var maxRows = Math.min(CHUNK_ROWS, rowLimit || CHUNK_ROWS);
    var fragment = document.createDocumentFragment();
    while (state.next < state.list.length && groups < CHUNK_GROUPS && rows < maxRows) {
      var section = renderGroup(state, state.list[state.next++]);
      fragment.appendChild(section);
      groups += 1;
      rows += 1 + section.rtRows;
    }
    state.listBox.insertBefore(fragment, state.sentinel);
    state.sentinel.hidden = state.next >= state.list.length;
    state.sentinel.textContent = state.next < state.list.length ?
      (state.list.length - state.next) + ' more groups below\u2026' : '';
  }

  // Builds chunks while the end of the list is within reach of the screen; one
  // chunk per frame, so the page stays responsive while it catches up.
  function pump(state) {
    if (state.pumping) return;
    state.pumping = true;
    global.requestAnimationFrame(function step() {
      state.pumping = false;
      if (state.next >= state.list.length || !state.sentinel.isConnected) return;
      if (state.sentinel.getBoundingClientRect().top > global.innerHeight + LOOKAHEAD) return;
      renderChunk(state);
      pump(state);
    });
  }

  function fillList(state, startAt) {
    clear(state.listBox);
    var start = Math.max(0, Math.min(startAt || 0, state.list.length));
    if (start > 0) {
      var before = el('button', { type: 'button', className: 'rt-more rt-before',
        text: 'Show the ' + plural(start, 'group') + ' before this one' });
      before.addEventListener('click', function () { fillList(state, 0); });
      state.listBox.appendChild(before);
    }
    state.listBox.appendChild(state.sentinel);
    state.next = start;
    if (!state.list.length) {
      state.listBox.insertBefore(el('p', { className: 'rt-empty', text: state.model.allGroups.length ?
        (state.only && !state.query ? 'No test of this run failed: there is nothing to show with the filter on.' :
          'Nothing matches the search' + (state.only ? ' among the failures' : '') + '.') :
        'The report holds no groups.' }), state.sentinel);
    }
    // Only a screenful at once: the rest follows frame by frame, so a click is answered in the next frame.
    renderChunk(state, FIRST_ROWS);
    updateInfo(state);
    pump(state);
  }

  function updateInfo(state) {
    if (!state.info) return;
    var t = state.model.totals;
    var shown = state.list.reduce(function (n, e) { return n + e.tests.length; }, 0);
    state.info.textContent = (t.failedTests + t.crashedTests) + ' of ' + plural(t.tests, 'test') + ' failed' +
      (state.only || state.query ? '; showing ' + plural(shown, 'test') + ' in ' +
        plural(state.list.length, 'group') : '');
  }

  // Rebuilds the list after the filter, search or order changed.
  function refresh(state) {
    state.list = buildList(state);
    document.body.classList.toggle('rt-only-failures', state.only);
    fillList(state, 0);
    writeUrl(state);
  }

  function writeUrl(state) {
    if (!global.history || !global.history.replaceState) return;
    var params = new URLSearchParams(global.location.search);
    if (state.only) params.set('only', 'failures'); else params.delete('only');
    if (state.query) params.set('q', state.query); else params.delete('q');
    if (state.order !== 'failures') params.set('order', state.order); else params.delete('order');
    var search = params.toString();
    try {
      global.history.replaceState(null, '', global.location.pathname + (search ? '?' + search : '') +
        global.location.hash);
    } catch (e) {
      // Some browsers refuse to change the address of a page opened from disk; the state still holds.
    }
  }

  function readUrl(state) {
    var params = new URLSearchParams(global.location.search);
    state.only = params.get('only') === 'failures';
    state.query = params.get('q') || '';
    var order = params.get('order');
    state.order = order === 'report' || order === 'duration' ? order : 'failures';
  }

  // Brings a group into view, building the list from it when it is not built yet.
  function jumpTo(state, group) {
    var index = -1;
    for (var i = 0; i < state.list.length; i++) {
      if (state.list[i].group === group) { index = i; break; }
    }
    if (index < 0) {
      // Hidden by the filter or the search: show everything again.
      state.only = false;
      state.query = '';
      syncControls(state);
      state.list = buildList(state);
      document.body.classList.remove('rt-only-failures');
      index = state.list.findIndex(function (e) { return e.group === group; });
    }
    var section = document.getElementById(groupAnchor(group));
    if (!section || !state.listBox.contains(section)) {
      fillList(state, index);
      section = document.getElementById(groupAnchor(group));
    }
    writeUrl(state);
    if (section && section.scrollIntoView) section.scrollIntoView();
    try {
      global.history.replaceState(null, '', global.location.pathname + global.location.search +
        '#' + groupAnchor(group));
    } catch (e) { /* as in writeUrl */ }
  }

  function setAllDetails(state, open) {
    state.details = open ? 'all' : 'none';
    state.overrides = new Map();
    Array.prototype.forEach.call(state.listBox.querySelectorAll('details.rt-details'), function (d) {
      if (open) fillDetails(d, d.rtTest);
      d.open = open;
    });
  }

  function syncControls(state) {
    if (state.onlyBox) state.onlyBox.checked = state.only;
    if (state.searchBox) state.searchBox.value = state.query;
    if (state.orderBox) state.orderBox.value = state.order;
  }

  function renderToolbar(state) {
    var onlyBox = el('input', { type: 'checkbox', id: 'rt-only-failures' });
    var searchBox = el('input', { type: 'search', id: 'rt-search', placeholder: 'titles, arguments, messages',
      'aria-label': 'Search titles, arguments and messages' });
    var orderBox = el('select', { id: 'rt-order', 'aria-label': 'Order of the tests' }, [
      el('option', { value: 'failures', text: 'Failures first' }),
      el('option', { value: 'report', text: 'Report order' }),
      el('option', { value: 'duration', text: 'Slowest first' })
    ]);
    state.onlyBox = onlyBox;
    state.searchBox = searchBox;
    state.orderBox = orderBox;
    state.info = el('span', { className: 'rt-toolbar-info' });
    syncControls(state);
    onlyBox.addEventListener('change', function () { state.only = onlyBox.checked; refresh(state); });
    orderBox.addEventListener('change', function () { state.order = orderBox.value; refresh(state); });
    var pending = null;
    searchBox.addEventListener('input', function () {
      clearTimeout(pending);
      pending = setTimeout(function () { state.query = searchBox.value; refresh(state); }, 120);
    });
    searchBox.addEventListener('keydown', function (e) {
      if (e.key === 'Enter') { clearTimeout(pending); state.query = searchBox.value; refresh(state); }
    });
    function button(action, text, title) {
      var b = el('button', { type: 'button', 'data-rt-action': action, title: title, text: text });
      b.addEventListener('click', function () {
        if (action === 'expand') setAllDetails(state, true);
        else if (action === 'collapse') setAllDetails(state, false);
        else global.location.reload();
      });
      return b;
    }
    return el('div', { className: 'rt-toolbar' }, [
      el('label', null, [onlyBox, ' Show only failures']),
      el('label', { className: 'rt-search' }, ['Search ', searchBox]),
      el('label', null, ['Order ', orderBox]),
      state.info,
      el('span', { className: 'rt-toolbar-buttons' }, [
        button('expand', 'Expand all records'),
        button('collapse', 'Collapse all records'),
        state.fromFile ? null : button('reload', 'Reload', 'Read the report again')
      ])
    ]);
  }

  // The compact list of groups: failures first, folded for large runs, searchable. Its
  // links lead into this page's list, or to `target` (the menu view's detail page).
  function renderNavigator(state, target) {
    var groups = state.model.allGroups;
    var ordered = groups.filter(function (g) { return isFailure(g.status); })
      .sort(function (a, b) { return STATUS_RANK[a.status] - STATUS_RANK[b.status] || a.number - b.number; })
      .concat(groups.filter(function (g) { return !isFailure(g.status); }));
    var failed = groups.length - groups.filter(function (g) { return !isFailure(g.status); }).length;
    var find = el('input', { type: 'search', className: 'rt-nav-find', placeholder: 'Find a group',
      'aria-label': 'Find a group' });
    var list = el('ul', { className: 'rt-menu' });
    var note = el('p', { className: 'rt-nav-note' });
    function fill() {
      var query = find.value.trim().toLowerCase();
      var hits = query ? ordered.filter(function (g) {
        return groupTitle(g).toLowerCase().indexOf(query) >= 0;
      }) : ordered;
      clear(list);
      hits.slice(0, NAV_LIMIT).forEach(function (g) {
        var link = el('a', { href: (target || '') + '#' + groupAnchor(g), text: groupTitle(g) });
        if (!target) link.addEventListener('click', function (e) { e.preventDefault(); jumpTo(state, g); });
        var failing = g.tests.filter(function (t) { return isFailure(t.status); }).length;
        list.appendChild(el('li', { className: 'rt-menu-item rt-' + g.status }, [
          badge(g.status), ' ', link, ' ',
          el('span', { className: 'rt-menu-tests', text: plural(g.tests.length, 'test') +
            (failing ? ', ' + failing + ' failed' : '') })
        ]));
      });
      note.textContent = hits.length > NAV_LIMIT ? 'and ' + plural(hits.length - NAV_LIMIT, 'more group') +
        ': type part of a name to find one.' : hits.length ? '' : 'No group name holds this text.';
    }
    find.addEventListener('input', fill);
    fill();
    if (!groups.length) {
      return target ? el('p', { className: 'rt-empty', text: 'The report holds no groups.' }) : null;
    }
    return el('details', { className: 'rt-nav', open: !!target || groups.length < NAV_FOLDED_FROM }, [
      el('summary', { className: 'rt-section-title', text: 'Groups: ' + groups.length +
        (failed ? ' (' + failed + ' failed, listed first)' : '') }),
      find, list, note
    ]);
  }

  function renderListView(state) {
    var model = state.model;
    state.listBox = el('div', { className: 'rt-groups' });
    state.sentinel = el('p', { className: 'rt-sentinel' });
    var fixed = [];
    if (model.records.length) {
      fixed.push(el('section', { className: 'rt-group rt-fail rt-root-records' }, [
        el('h2', { className: 'rt-group-title', text: 'Records outside any group' }),
        model.records.map(renderRecord)
      ]));
    }
    if (model.extras.length) {
      fixed.push(el('section', { className: 'rt-group rt-open' }, [
        el('h2', { className: 'rt-group-title', text: 'Other elements of the report' }),
        renderExtras(model.extras)
      ]));
    }
    if ('IntersectionObserver' in global) {
      state.observer = new IntersectionObserver(function (entries) {
        if (entries.some(function (e) { return e.isIntersecting; })) pump(state);
      }, { rootMargin: LOOKAHEAD + 'px 0px' });
      state.observer.observe(state.sentinel);
    } else {
      state.sentinel.addEventListener('click', function () { renderChunk(state); });
    }
    return [fixed, state.listBox];
  }

  /* ---------- the whole page ---------- */

  function render(root, model, view, options) {
    options = options || {};
    clear(root);
    root.classList.remove('rt-loading');
    document.body.classList.toggle('rt-has-failures', runFailed(model));
    if (model.runName && view !== 'menu') {
      document.title = 'Regression test report ' + model.runName;
    }
    if (view === 'title') {
      append(root, renderTitle(model));
    } else if (view === 'top') {
      append(root, [el('h2', { className: 'rt-section-title', text: 'Run' }), renderTop(model),
        renderSummaryLine(model), renderTrend(model), renderNotRun(model)]);
    } else if (view === 'menu') {
      append(root, renderNavigator({ model: model }, options.detail || 'detail.htm'));
    } else {
      var state = { model: model, root: root, details: 'default', overrides: new Map(),
        list: [], next: 0, fromFile: !!options.fromFile };
      readUrl(state);
      var toolbar = renderToolbar(state);
      var listView = renderListView(state);
      if (view === 'detail') {
        append(root, [toolbar, listView]);
      } else {
        append(root, [renderTitle(model), renderTop(model), renderSummaryLine(model), renderTrend(model),
          renderNotRun(model),
          toolbar, renderNavigator(state), listView]);
      }
      state.list = buildList(state);
      document.body.classList.toggle('rt-only-failures', state.only);
      fillList(state, 0);
      root.rtState = state;
      prepareSearch(state);
    }
    // Marks when the report is built and when it is first painted (read by the tests and the benchmark).
    document.body.setAttribute('data-rt-ready', String(Math.round(global.performance.now())));
    global.requestAnimationFrame(function () {
      setTimeout(function () {
        document.body.setAttribute('data-rt-painted', String(Math.round(global.performance.now())));
      }, 0);
    });
    return root;
  }

  function showModel(root, model, view, options) {
    render(root, model, view, options);
    // The fragment may name a group that exists only now.
    var hash = global.location.hash.slice(1);
    if (hash && root.rtState) {
      var group = model.allGroups.find(function (g) { return groupAnchor(g) === hash; });
      if (group) jumpTo(root.rtState, group);
    } else if (hash) {
      var target = document.getElementById(hash);
      if (target && target.scrollIntoView) target.scrollIntoView();
    }
    return model;
  }

  /* ---------- opening a report from disk ---------- */

  function shellWord(text) {
    return '\'' + text.replace(/'/g, '\'\\\'\'') + '\'';
  }

  // The command that serves the directory holding the report, and the address of this page then.
  function serveCommand(reportUrl) {
    var page = new URL(global.location.href);
    var report;
    try { report = new URL(reportUrl, page); } catch (e) { report = page; }
    var dir = decodeURIComponentSafe(report.pathname.replace(/[^\/]*$/, ''));
    var pagePath = decodeURIComponentSafe(page.pathname);
    var relative = pagePath.indexOf(dir) === 0 ? pagePath.slice(dir.length) : fileName(pagePath);
    var address = 'http://127.0.0.1:8000/' + relative.split('/').map(encodeURIComponent).join('/') +
      page.search;
    var windows = /^\/[A-Za-z]:\//.test(dir);
    var command = windows ?
      'python -m http.server 8000 --bind 127.0.0.1 --directory "' +
        dir.slice(1).replace(/\//g, '\\').replace(/\\$/, '') + '"' :
      'python3 -m http.server 8000 --bind 127.0.0.1 --directory ' +
        shellWord(dir.length > 1 ? dir.replace(/\/$/, '') : dir);
    return { command: command, address: address, dir: dir };
  }

  function openPicked(root, files, view, options) {
    var status = root.querySelector('.rt-pick-status');
    if (status) status.textContent = 'Reading ' + files[0].name + '\u2026';
    return loadFiles(files).then(function (model) {
      return showModel(root, model, view, Object.assign({}, options, { fromFile: true }));
    }, function (error) {
      if (status) status.textContent = error.message || String(error);
      else global.alert(error.message || String(error));
      return null;
    });
  }

  function renderPicker(root, url, view, options) {
    var input = el('input', { type: 'file', id: 'rt-file', multiple: true,
      accept: '.xml,.index,.json,application/xml,text/xml' });
    input.addEventListener('change', function () {
      if (input.files && input.files[0]) openPicked(root, input.files, view, options);
    });
    return el('div', { className: 'rt-pick' }, [
      el('h2', { text: 'Open the report from disk' }),
      el('p', null, [el('label', { 'for': 'rt-file' },
        'Choose the report file' + (url && url !== PLACEHOLDER ? ' (' + fileName(url) + ', beside this page)' : '') +
        ': '), input]),
      el('p', { text: 'or drop it onto this page. Take its .index file along (select or drop them together) to see ' +
        'the tests that did not run, and its .history.json for what the run history says of it.' }),
      el('p', { className: 'rt-pick-status', role: 'status' })
    ]);
  }

  // Dropping a report anywhere on a page opens it, whether or not one is shown already.
  function acceptDrops(root, view, options) {
    document.addEventListener('dragover', function (e) {
      if (e.dataTransfer && Array.prototype.indexOf.call(e.dataTransfer.types, 'Files') >= 0) {
        e.preventDefault();
        document.body.classList.add('rt-dragging');
      }
    });
    document.addEventListener('dragleave', function (e) {
      if (!e.relatedTarget) document.body.classList.remove('rt-dragging');
    });
    document.addEventListener('drop', function (e) {
      var files = e.dataTransfer && e.dataTransfer.files;
      if (!files || !files.length) return;
      e.preventDefault();
      document.body.classList.remove('rt-dragging');
      openPicked(root, files, view, options);
    });
  }

  /* ---------- messages instead of a report ---------- */

  function renderLoadError(root, url, error, view, options) {
    clear(root);
    root.classList.remove('rt-loading');
    var raw = safeUrl(url);
    var fromDisk = global.location.protocol === 'file:';
    var parts = [el('h1', { text: fromDisk ? 'Open the report' : 'The report could not be shown' })];
    if (error && error.kind === 'address') {
      parts.push(el('p', { text: error.message }));
    } else if (error && error.kind === 'parse') {
      parts.push(el('p', { text: 'The file ' + fileName(url) + ' was found, but it is not a ' +
        'readable XML report.' }));
    } else if (error && error.kind === 'http') {
      parts.push(el('p', { text: error.message + ' The XML report is expected beside this page.' }));
    } else {
      parts.push(el('p', { text: (fromDisk ? 'This page was opened directly from disk, and browsers do ' +
        'not let such a page read the report by itself. ' : 'The browser could not fetch the report. ') +
        'Hand it over below, or serve the result directory and open the page from there.' }));
    }
    if (!error || error.kind !== 'address') parts.push(renderPicker(root, url, view, options));
    if (!error || error.kind === 'network') {
      var serve = serveCommand(url);
      parts.push(el('h2', { text: 'Or serve the result directory' }));
      parts.push(el('pre', { className: 'rt-command', id: 'rt-serve-command', text: serve.command }));
      parts.push(el('p', null, ['then open ', el('code', { className: 'rt-serve-address', text: serve.address })]));
    }
    if (raw) {
      parts.push(el('p', null, ['The raw report: ', el('a', { href: raw, text: fileName(url) })]));
    }
    if (error && error.message && error.kind === 'network' && !fromDisk) {
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

  /* ---------- pages written by a stylesheet ---------- */

  // Wires the filter box and the buttons of a toolbar that came with the page.
  function wireStaticToolbar(toolbar, root) {
    var box = toolbar.querySelector('#rt-only-failures');
    if (box) {
      var apply = function () { document.body.classList.toggle('rt-only-failures', box.checked); };
      box.addEventListener('change', apply);
      apply();
    }
    Array.prototype.forEach.call(toolbar.querySelectorAll('button[data-rt-action]'), function (b) {
      var action = b.getAttribute('data-rt-action');
      b.addEventListener('click', function () {
        Array.prototype.forEach.call(root.querySelectorAll('details.rt-details'), function (d) {
          if (action === 'expand') d.open = true;
          else if (action === 'collapse') d.open = false;
        });
        if (action === 'reload') global.location.reload();
      });
    });
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
      var toolbar = document.querySelector('.rt-toolbar');
      if (toolbar) wireStaticToolbar(toolbar, root);
      return Promise.resolve(null);
    }
    var params = new URLSearchParams(global.location.search);
    var url = params.get('xml') || body.getAttribute('data-rt-report') || '';
    var options = { detail: body.getAttribute('data-rt-detail') || '' };
    if (options.detail && params.get('xml')) {
      options.detail += '?xml=' + encodeURIComponent(params.get('xml'));
    }
    if (view !== 'title') acceptDrops(root, view, options);
    if (url && !safeUrl(url)) {
      renderLoadError(root, url, new LoadError('address',
        'The report address ' + url + ' is neither a relative nor a web address.'), view, options);
      return Promise.resolve(null);
    }
    if (!url || url === PLACEHOLDER) {
      // The title banner is complete without a report; the other views explain what they need.
      if (view !== 'title') renderUsage(root, url);
      return Promise.resolve(null);
    }
    return load(url).then(function (model) {
      return showModel(root, model, view, options);
    }, function (error) {
      renderLoadError(root, url, error, view, options);
      return null;
    });
  }

  global.RtReport = {
    load: load,
    loadFile: loadFile,
    loadFiles: loadFiles,
    readIndexText: readIndexText,
    parseReportText: parseReportText,
    parseRunName: parseRunName,
    serveCommand: serveCommand,
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
