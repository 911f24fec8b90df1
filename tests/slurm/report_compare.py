"""Compares two reports of the same scripts element by element, ids and
times aside: group and test titles, descriptions, arguments, records and
their texts, per-test and per-group summaries, the Global record but its
run time, all in order."""

import xml.etree.ElementTree as ElementTree

TIMES = ('Time', 'RunTime')


def _describe(element):
    title = element.find('Title')
    return '%s "%s"' % (element.tag, title.text if title is not None else '')


def _differences(left, right, where):
    if left.tag != right.tag:
        return ['%s: <%s> against <%s>' % (where, left.tag, right.tag)]
    here = '%s/%s' % (where, _describe(left) if left.tag in ('Group', 'Test') else left.tag)
    attributes = [{k: v for k, v in e.attrib.items() if k != 'id'} for e in (left, right)]
    if attributes[0] != attributes[1]:
        return ['%s: attributes %r against %r' % (here, attributes[0], attributes[1])]
    texts = [(e.text or '').strip() for e in (left, right)]
    if texts[0] != texts[1]:
        return ['%s: %r against %r' % (here, texts[0], texts[1])]
    children = [[c for c in e if c.tag not in TIMES] for e in (left, right)]
    for a, b in zip(*children):
        found = _differences(a, b, here)
        if found:
            return found
    if len(children[0]) != len(children[1]):
        return ['%s: %d elements against %d' % (here, len(children[0]), len(children[1]))]
    return []


def first_difference(left_path, right_path):
    """The first place where the reports differ, or None when they agree."""
    found = _differences(ElementTree.parse(left_path).getroot(), ElementTree.parse(right_path).getroot(), '')
    return found[0] if found else None


def shape(path):
    """(groups, tests, errors summed over the tests' summaries) of a report."""
    root = ElementTree.parse(path).getroot()
    tests = root.findall('Group/Test')
    errors = sum(int(t.findtext('Summary/Errors', '0')) for t in tests)
    return len(root.findall('Group')), len(tests), errors
