"""Prints one playbook of every example the files named show: the plays
and task lists in a Markdown file's ```yaml blocks, a module's EXAMPLES.
A task list runs as a play on the print servers; every play gets the
fleet's bin_dir and chdir. Fails naming a file that shows none."""
import ast
import re
import sys
import textwrap

import yaml

FLEET = '  module_defaults: {group/zkpapertoollpr.labels.all: {bin_dir: "{{ home }}/bin", chdir: "{{ home }}"}}\n'


def blocks(path):
    with open(path, encoding='utf-8') as source:
        text = source.read()
    if path.endswith('.py'):
        return [node.value.value for node in ast.parse(text).body if isinstance(node, ast.Assign)
                and getattr(node.targets[0], 'id', '') == 'EXAMPLES']
    return re.findall(r'^```yaml\n(.*?)^```$', text, re.M | re.S)


def playbook(path, block):
    """block as plays for the fleet, or None when it is neither plays nor tasks."""
    items = yaml.safe_load(block)
    if not isinstance(items, list) or not all(isinstance(item, dict) for item in items):
        return None
    if not all('hosts' in item for item in items):
        block = '- name: The examples of %s\n  hosts: printservers\n  gather_facts: false\n  tasks:\n%s' \
            % (path.rsplit('/', 1)[-1], textwrap.indent(block.strip('\n') + '\n', '    '))
    return re.sub(r'^(- |  )hosts: .*\n', lambda hosts: hosts.group(0) + FLEET, block, flags=re.M)


for name in sys.argv[1:]:
    plays = [p for p in (playbook(name, block) for block in blocks(name)) if p]
    if not plays:
        sys.exit('%s: no playbook or task list in it' % name)
    sys.stdout.write(''.join(plays))
