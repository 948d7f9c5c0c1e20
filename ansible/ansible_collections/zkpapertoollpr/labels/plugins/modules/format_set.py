#!/usr/bin/python
# Makes a model's label formats those of one list, through the tool's
# --apply, and believes the outcome only once the tool's listing shows it.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: format_set
short_description: Make a list of label formats of a label-printer driver present, or the only ones
version_added: 0.2.0
description:
  - Makes every label format of I(formats) present in one printer model's
    driver files with the size given, through the C(zkpapertoollpr_MODEL)
    program's C(--apply) (one request under the model's lock); with
    I(exclusive=true) it also deletes every format the list does not name.
  - Every answer is read back. Afterwards the listing (C(--list --json))
    must hold each format of the list exactly once, complete, with the
    size asked (as the program takes it), and with I(exclusive=true)
    nothing else. Otherwise the module fails and says what the listing
    holds.
  - Parameters the program would refuse are refused before anything runs,
    with a message naming the parameter.
extends_documentation_fragment:
  - zkpapertoollpr.labels.common
  - zkpapertoollpr.labels.common.printer
attributes:
  check_mode:
    support: full
    description:
      - Runs C(--dry-run --apply --json), which runs nothing and changes
        nothing, for C(changed) and the changes it would make, and fails
        where the run would fail its check of the listing, on the listing
        those changes would leave (a format the program cannot delete,
        a name held twice).
  diff_mode:
    support: full
    description:
      - Returns the program's text preview, C(--dry-run --apply) (the
        companion calls and a unified diff per driver file), as the
        prepared diff. Outside check mode the preview is made just before
        the change; an add's identifier in it then differs from the one
        written.
options:
  formats:
    description:
      - The label formats, each name at most once.
    type: list
    elements: dict
    required: true
    suboptions:
      name:
        description: The format's name, 1 to 32 bytes, without a newline or C([CustomTape]).
        type: str
        required: true
      width:
        description:
          - Width in millimetres as the program's C(-w) takes it, above 0;
            1 to 24 on tape models, at most 182096569 on roll models.
        type: int
        required: true
      height:
        description:
          - Height in millimetres as the program's C(-h) takes it, above 0;
            at most 182096572 on roll models; tape models hold it to 4 to
            1000 (500 for a name holding C(HS) or C(hs)).
        type: int
        required: true
  exclusive:
    description:
      - Whether formats the list does not name are deleted (the program's
        C(--apply) without C(--keep-others)).
    type: bool
    default: false
author:
  - zkpapertoollpr maintainers (@zkpapertoollpr)
'''

EXAMPLES = r'''
- name: The shop's tape formats, and no others, on every TV-Q310
  zkpapertoollpr.labels.format_set:
    model: tvq310
    printer: TV-Q310
    exclusive: true
    formats:
      - {name: Box 12x50, width: 12, height: 50}
      - {name: Shelf labels, width: 12, height: 100}
'''

RETURN = r'''
changes:
  description:
    - What the program changed (would change, in check mode), in the order
      carried out, as C(--apply --json) reports it; empty when nothing
      changed.
  returned: always
  type: list
  elements: dict
  sample:
    - action: added
      name: Box 12x50
      width: 12
      height: 50
formats:
  description:
    - The model's formats as C(--list --json) describes them after the run
      (before it in check mode).
  returned: always
  type: list
  elements: dict
'''

import json

from ansible_collections.zkpapertoollpr.labels.plugins.module_utils.label_tool import (
    MODELS, check_format, describe, list_formats, listed_size, named, one_as_asked, printer_module, run,
    run_json)


def check_list(module):
    """Fails naming the entry of formats the program would refuse."""
    first = {}
    for at, f in enumerate(module.params['formats']):
        key = 'formats[%d].' % at
        check_format(module, key, f['name'], f['width'], f['height'])
        if first.setdefault(f['name'], at) != at:
            module.fail_json(msg='%sname: %s is also formats[%d].name' % (key, f['name'], first[f['name']]))


def expect(module, formats, changed, shown):
    """Fails unless formats hold each format of the list once, as asked,
    and, exclusive, nothing else; the failure returns shown as the
    listing."""
    p = module.params
    problems = [one_as_asked(module, formats, f['name'], f['width'], f['height']) for f in p['formats']]
    names = set(f['name'] for f in p['formats'])
    others = [f for f in formats if f['name'] not in names]
    if p['exclusive'] and others:
        problems.append('the listing also holds %s' % describe(others))
    problems = [text for text in problems if text]
    if problems:
        module.fail_json(msg='; '.join(problems), changed=changed, formats=shown)


def predict(module, before, changes):
    """The listing the apply whose dry run printed changes would leave:
    each format of the list a change names is added as asked, at the top
    in the list's order, in place of its first entry; when exclusive, the
    other entries of a name a change names go (the program removes every
    entry of a name it can delete, and names no request can give none);
    the rest stay as they are. Only names are read from changes."""
    p = module.params
    touched = set(c['name'] for c in changes)
    new, left = [], list(before)
    for f in p['formats']:
        if f['name'] in touched:
            first = named(left, f['name'])
            if first:
                left.remove(first[0])
            width, height = listed_size(module, f['name'], f['width'], f['height'])
            new.append(dict(name=f['name'], width=width, height=height, state='complete'))
    return new + [f for f in left if not (p['exclusive'] and f['name'] in touched)]


def main():
    format_spec = dict(name=dict(type='str', required=True), width=dict(type='int', required=True),
                       height=dict(type='int', required=True))
    module = printer_module(dict(formats=dict(type='list', elements='dict', required=True, options=format_spec),
                                 exclusive=dict(type='bool', default=False)))
    p = module.params
    check_list(module)
    before = list_formats(module)
    wanted = json.dumps({'model': MODELS[p['model']][0],
                         'formats': [dict((k, f[k]) for k in ('name', 'width', 'height'))
                                     for f in p['formats']]}, ensure_ascii=False)
    request = ['--apply', '-', '-P', p['printer']] + ([] if p['exclusive'] else ['--keep-others'])
    result = {}
    if module._diff:
        result['diff'] = {'prepared': run(module, ['--dry-run'] + request, data=wanted)}
    dry = ['--dry-run'] if module.check_mode else []
    document = run_json(module, dry + request + ['--json'], data=wanted, before=None if dry else before)
    after = before if dry else list_formats(module)
    changes = document['changes']
    # In check mode, the real run's check of the listing, on the listing foreseen.
    expect(module, predict(module, before, changes) if dry else after, bool(changes), after)
    module.exit_json(changed=bool(changes), changes=changes, formats=after, **result)


if __name__ == '__main__':
    main()
