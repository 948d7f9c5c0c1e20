#!/usr/bin/python3
# Makes one label format present or absent through the tool's --ensure,
# delete and --dry-run commands.

DOCUMENTATION = r'''
module: zkpapertoollpr_format
short_description: Add or delete a label format of a label-printer driver
description:
  - Makes a user-defined label format (custom paper size) of one printer
    model present or absent in the driver files, through the
    C(zkpapertoollpr_MODEL) program installed on the host.
  - C(present) runs C(--ensure), which changes nothing when a complete
    format of that name already has the media, width and height the add
    would write. C(absent) looks the name up with C(--list --json) first
    and deletes it only when it is there.
  - The module holds no knowledge of the driver files; the program does
    the work and its preview, under the model's lock.
options:
  model:
    description: The printer model, the suffix of the program's name.
    type: str
    required: true
    choices: [lm210, lm230, lm260ka, tv4400, tvq310, tvq300, tvq250e, tvq220nf, tvq200]
  printer:
    description: The print queue, passed to the driver's companion tool.
    type: str
    required: true
  name:
    description: The label format's name (at most 32 bytes).
    type: str
    required: true
  width:
    description:
      - Width in millimetres, as the program's C(-w) takes it (tape
        models take the tape's nominal width).
      - Required when I(state=present).
    type: int
  height:
    description:
      - Height in millimetres, as the program's C(-h) takes it.
      - Required when I(state=present).
    type: int
  state:
    description: Whether the format should be there.
    type: str
    choices: [present, absent]
    default: present
  bin_dir:
    description: The directory holding the nine program names.
    type: path
    default: /usr/sbin
  chdir:
    description: The directory to run the program in.
    type: path
notes:
  - Check mode runs the program's C(--dry-run), which runs nothing and
    changes nothing.
  - Diff mode returns the program's preview (the companion calls and a
    unified diff per driver file) as the prepared diff. Outside check mode
    the preview is made just before the change; an add's identifier in it
    then differs from the one written.
author: zkpapertoollpr developers
'''

EXAMPLES = r'''
- name: A 12 mm tape format on every print server
  zkpapertoollpr_format:
    model: tvq310
    printer: TV-Q310
    name: Box 12x50
    width: 12
    height: 50

- name: No more cable labels
  zkpapertoollpr_format:
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
  description: What the program printed (its last line is C(added),
    C(replaced) or C(unchanged) for I(state=present)).
  returned: when the program ran
  type: str
'''

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.zkpapertoollpr import COMMON_ARGS, find_format, run_tool


def request(p):
    """The tool's command line for the wanted state."""
    if p['state'] == 'present':
        return ['--ensure', '-P', p['printer'], '-n', p['name'],
                '-w', str(p['width']), '-h', str(p['height'])]
    return ['-P', p['printer'], '-d', p['name']]


def would_change(p, out):
    """Whether a run printing out changed (or, previewed, would change) a
    driver file: --ensure ends with its word, a delete's preview holds a
    diff when it would remove something."""
    if p['state'] == 'present':
        return out.rstrip('\n').split('\n')[-1] != 'unchanged'
    return any(line.startswith('--- ') for line in out.split('\n'))


def main():
    module = AnsibleModule(
        argument_spec=dict(
            COMMON_ARGS, printer=dict(type='str', required=True),
            name=dict(type='str', required=True), width=dict(type='int'),
            height=dict(type='int'),
            state=dict(type='str', default='present', choices=['present', 'absent'])),
        required_if=[('state', 'present', ('width', 'height'))],
        supports_check_mode=True)
    p = module.params
    absent = p['state'] == 'absent'
    before = find_format(module, p['name']) if absent or module.check_mode else None
    if absent and before is None:
        module.exit_json(changed=False, format=None)
    result = {}
    if module.check_mode or module._diff:
        out = run_tool(module, ['--dry-run'] + request(p))[1]
        result.update(changed=would_change(p, out), stdout=out)
        if module._diff:
            result['diff'] = {'prepared': out}
        if module.check_mode:
            module.exit_json(format=before, **result)
    out = run_tool(module, request(p))[1]
    after = find_format(module, p['name'])
    changed = after != before if absent else would_change(p, out)
    result.update(changed=changed, stdout=out, format=after)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
