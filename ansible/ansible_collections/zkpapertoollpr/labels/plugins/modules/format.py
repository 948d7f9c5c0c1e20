#!/usr/bin/python
# Makes one label format present or absent through the tool's --ensure,
# delete and --dry-run commands, and believes the outcome only once the
# tool's listing shows it.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: format
short_description: Make one label format of a label-printer driver present or absent
version_added: 0.2.0
description:
  - Makes a user-defined label format (custom paper size) of one printer
    model present or absent in the driver files, through the
    C(zkpapertoollpr_MODEL) program installed on the host.
  - I(state=present) runs the program's C(--ensure), which changes nothing
    when a complete format of that name already has the size asked.
    I(state=absent) deletes the name as often as C(--list --json) shows
    it.
  - Every answer is read back. After I(state=present) the listing must
    hold exactly one complete format of that name with the size asked (as
    the program takes it; see I(width) and I(height)); after
    I(state=absent) it must not show the name. Otherwise the module fails
    and says what the listing holds.
  - Parameters the program would answer with its usage text are refused
    before anything runs, with a message naming the parameter.
  - The module holds no knowledge of the driver files; the program does
    the work and its preview, under the model's lock.
extends_documentation_fragment:
  - zkpapertoollpr.labels.common
  - zkpapertoollpr.labels.common.printer
attributes:
  check_mode:
    support: full
    description:
      - Runs the program's C(--dry-run), which runs nothing and changes
        nothing, and predicts C(changed) and the failures it can foresee.
  diff_mode:
    support: full
    description:
      - Returns the program's preview (the companion calls and a unified
        diff per driver file) as the prepared diff. Outside check mode the
        preview is made just before the change; an add's identifier in it
        then differs from the one written.
options:
  name:
    description:
      - The label format's name, 1 to 32 bytes, without a newline or
        C([CustomTape]).
      - A name held more than once is refused by I(state=present); make it
        I(state=absent) first.
    type: str
    required: true
  width:
    description:
      - Width in millimetres as the program's C(-w) takes it, above 0; roll
        models take at most 182096569.
      - Tape models take 1 to 24, the tape's nominal width; the listing
        then shows the widest request of that tape unless the tape prints
        the width whole.
      - Required when I(state=present).
    type: int
  height:
    description:
      - Height in millimetres as the program's C(-h) takes it, above 0; roll
        models take at most 182096572.
      - Tape models hold it to 4 to 1000 (500 for a name holding C(HS) or
        C(hs), heat-shrink tube).
      - Required when I(state=present).
    type: int
  state:
    description: Whether the format should be there.
    type: str
    choices: [present, absent]
    default: present
author:
  - zkpapertoollpr maintainers (@zkpapertoollpr)
'''

EXAMPLES = r'''
- name: A 12 mm tape format on every print server
  zkpapertoollpr.labels.format:
    model: tvq310
    printer: TV-Q310
    name: Box 12x50
    width: 12
    height: 50

- name: No more cable labels
  zkpapertoollpr.labels.format:
    model: tvq310
    printer: TV-Q310
    name: Cables
    state: absent
'''

RETURN = r'''
format:
  description:
    - The format as C(--list --json) describes it after the run (before
      it in check mode); null when there is none.
  returned: always
  type: dict
  sample:
    name: Box 12x50
    width: 12
    height: 50
    media: _zkS12mm__
    id: ZkL_zkS12mm__090A0324CAF1
    state: complete
    missing: []
stdout:
  description:
    - What the program printed (its last line is C(added), C(replaced) or
      C(unchanged) for I(state=present)).
  returned: when the program ran
  type: str
'''

from ansible_collections.zkpapertoollpr.labels.plugins.module_utils.label_tool import (
    check_format, check_name, describe, list_formats, named, one_as_asked, printer_module, run)


def present(module):
    p = module.params
    check_format(module, '', p['name'], p['width'], p['height'])
    before = list_formats(module)
    held = named(before, p['name'])
    if len(held) > 1:
        module.fail_json(msg='%s is held %d times (%s); make it absent first'
                         % (p['name'], len(held), describe(held)))
    request = ['--ensure', '-P', p['printer'], '-n', p['name'], '-w', str(p['width']), '-h', str(p['height'])]
    result = {}
    if module.check_mode or module._diff:
        result['stdout'] = run(module, ['--dry-run'] + request)
        if module._diff:
            result['diff'] = {'prepared': result['stdout']}
    if not module.check_mode:
        result['stdout'] = run(module, request, before=before)
    after = before if module.check_mode else list_formats(module)
    # The last line is "unchanged" when no driver file changed (or would
    # change); only then does the preview foresee the check of the listing.
    changed = result['stdout'].rstrip('\n').split('\n')[-1] != 'unchanged'
    if not (module.check_mode and changed):
        problem = one_as_asked(module, after, p['name'], p['width'], p['height'])
        if problem:
            module.fail_json(msg=problem, changed=changed, stdout=result['stdout'])
    found = named(after, p['name'])
    return dict(result, changed=changed, format=found[0] if found else None)


def absent(module):
    p = module.params
    check_name(module, 'name', p['name'])
    before = list_formats(module)
    copies = len(named(before, p['name']))
    if copies == 0:
        return dict(changed=False, format=None)
    request = ['-P', p['printer'], '-d', p['name']]
    outs, previews = [], []
    for done in range(1 if module.check_mode else copies):
        if module.check_mode or module._diff:
            previews.append(run(module, ['--dry-run'] + request))
            check_found(module, previews[-1], before, done)
        if not module.check_mode:
            outs.append(run(module, request, before=before))
            check_found(module, outs[-1], before, done)
    result = dict(changed=True, stdout=''.join(outs or previews), format=None)
    if module._diff:
        result['diff'] = {'prepared': ''.join(previews)}
    left = [] if module.check_mode else named(list_formats(module), p['name'])
    if left:
        module.fail_json(msg='%s is still listed after %d deletes: %s' % (p['name'], copies, describe(left)),
                         changed=True)
    return result


def check_found(module, out, before, done):
    """Fails when a delete (or its preview) printed "Not found" for a name
    the listing showed; done deletes have changed files before it."""
    name = module.params['name']
    if "Not found '%s'" % name in out.split('\n'):
        module.fail_json(msg="the program does not find %s, which its listing shows: %s"
                         % (name, describe(named(before, name))), changed=done > 0, stdout=out)


def main():
    module = printer_module(
        dict(name=dict(type='str', required=True), width=dict(type='int'), height=dict(type='int'),
             state=dict(type='str', default='present', choices=['present', 'absent'])),
        required_if=[('state', 'present', ('width', 'height'))])
    module.exit_json(**(present if module.params['state'] == 'present' else absent)(module))


if __name__ == '__main__':
    main()
