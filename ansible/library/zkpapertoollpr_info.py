#!/usr/bin/python3
# Reports a model's label formats and the findings of the tool's check;
# changes nothing.

DOCUMENTATION = r'''
module: zkpapertoollpr_info
short_description: List the label formats of a label-printer driver and check its files
description:
  - Returns the label formats of one printer model as the
    C(zkpapertoollpr_MODEL) program's C(--list --json) gives them, and the
    findings of its C(--check --json). Changes nothing; works in check
    mode.
options:
  model:
    description: The printer model, the suffix of the program's name.
    type: str
    required: true
    choices: [lm210, lm230, lm260ka, tv4400, tvq310, tvq300, tvq250e, tvq220nf, tvq200]
  bin_dir:
    description: The directory holding the nine program names.
    type: path
    default: /usr/sbin
  chdir:
    description: The directory to run the program in.
    type: path
author: zkpapertoollpr developers
'''

EXAMPLES = r'''
- name: What each print server has for the TV-Q310
  zkpapertoollpr_info:
    model: tvq310
  register: tvq310

- name: Stop where the driver files disagree
  ansible.builtin.assert:
    that: tvq310.findings == []
'''

RETURN = r'''
formats:
  description: The model's formats, as C(--list --json) gives them.
  returned: always
  type: list
  elements: dict
  sample:
    - name: Shelf labels
      width: 12
      height: 100
      media: _zkS12mm__
      id: ZkL_zkS12mm__0C0A06421F3C
      state: complete
      missing: []
findings:
  description:
    - What C(--check --json) found wrong; empty when the files agree.
  returned: always
  type: list
  elements: dict
  sample:
    - kind: incomplete
      file: vantrel/tvq310/bin/inf/paperinftvq310
      id: ZkL_zkS24mm__0616064B8A01
      name: Cables
      repairable: true
'''

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.zkpapertoollpr import COMMON_ARGS, load_json, run_json, run_tool


def main():
    module = AnsibleModule(argument_spec=COMMON_ARGS, supports_check_mode=True)
    formats = run_json(module, ['--list', '--json'])['formats']
    # The check's exit status 1 means findings, not a failure.
    findings = load_json(module, run_tool(module, ['--check', '--json'], ok=(0, 1))[1])['findings']
    module.exit_json(changed=False, formats=formats, findings=findings)


if __name__ == '__main__':
    main()
