#!/usr/bin/python
# Reports a model's label formats and the findings of the tool's check;
# changes nothing.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
module: format_info
short_description: List the label formats of a label-printer driver and check its files
version_added: 0.2.0
description:
  - Returns the label formats of one printer model as the
    C(zkpapertoollpr_MODEL) program's C(--list --json) gives them, and the
    findings of its C(--check --json). Changes nothing.
extends_documentation_fragment:
  - zkpapertoollpr.labels.common
attributes:
  check_mode:
    support: full
    description: Runs as outside check mode; it changes nothing either way.
  diff_mode:
    support: none
    description: Nothing changes, so there is no diff.
author:
  - zkpapertoollpr maintainers (@zkpapertoollpr)
'''

EXAMPLES = r'''
- name: What each print server has for the TV-Q310
  zkpapertoollpr.labels.format_info:
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
      repair: removes the format on both sides
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zkpapertoollpr.labels.plugins.module_utils.label_tool import (
    COMMON_ARGS, check_model, list_formats, run_json)


def main():
    module = AnsibleModule(argument_spec=COMMON_ARGS, supports_check_mode=True)
    formats = list_formats(module)
    # The check's exit status 1 means findings, not a failure.
    checked = run_json(module, ['--check', '--json'], ok=(0, 1))
    check_model(module, checked)
    module.exit_json(changed=False, formats=formats, findings=checked['findings'])


if __name__ == '__main__':
    main()
