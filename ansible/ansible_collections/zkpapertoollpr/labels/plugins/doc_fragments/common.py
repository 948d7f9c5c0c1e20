# The options every module of the collection shares: which of the
# program's nine names to run, where they live and where to run them.
from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r'''
options:
  model:
    description:
      - The printer model, the suffix of the program's name
        C(zkpapertoollpr_MODEL).
      - The module fails, changing nothing, when the program it starts
        reports another model (the program takes its model from the first
        model name anywhere in the path it is started under).
    type: str
    required: true
    choices: [lm210, lm230, lm260ka, tv4400, tvq310, tvq300, tvq250e, tvq220nf, tvq200]
  bin_dir:
    description:
      - The directory holding the nine program names. Its path must hold no
        model name.
    type: path
    default: /usr/sbin
  chdir:
    description: The directory to run the program in.
    type: path
notes:
  - Every argument reaches the program byte for byte, without a shell and
    without C(~) or C($VAR) being expanded.
requirements:
  - The C(zkpapertoollpr) program on the managed host (one with
    C(--apply) for M(zkpapertoollpr.labels.format_set)); the modules need
    only Python's standard library.
'''

    # The print queue of the modules that change formats.
    PRINTER = r'''
options:
  printer:
    description:
      - The print queue, passed to the driver's companion tool (1 to 1,024
        bytes).
    type: str
    required: true
'''
