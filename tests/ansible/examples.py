"""Usage: examples.py FILE... Prints one playbook of every play and task list (a play on the print servers) in
the files' ```yaml blocks or EXAMPLES, with the fleet's bin_dir and chdir; fails naming a file that shows none."""
import ast, re, sys, textwrap, yaml

fleet = '  module_defaults: {group/zkpapertoollpr.labels.all: {bin_dir: "{{ home }}/bin", chdir: "{{ home }}"}}\n'
for path in sys.argv[1:]:
    text, plays = open(path, encoding='utf-8').read(), []
    for block in ([node.value.value for node in ast.parse(text).body if isinstance(node, ast.Assign)
                   and node.targets[0].id == 'EXAMPLES'] if path.endswith('.py')
                  else re.findall(r'^```yaml\n(.*?)^```$', text, re.M | re.S)):
        items = yaml.safe_load(block)
        if isinstance(items, list) and all(isinstance(item, dict) for item in items):
            if not all('hosts' in item for item in items):
                block = (f'- name: The examples of {path.rsplit("/", 1)[-1]}\n  hosts: printservers\n'
                         '  gather_facts: false\n  tasks:\n' + textwrap.indent(block.strip('\n') + '\n', '    '))
            plays.append(re.sub(r'^(- |  )hosts: .*\n', lambda hosts: hosts.group(0) + fleet, block, flags=re.M))
    sys.stdout.write(''.join(plays) or sys.exit(f'{path}: no playbook or task list in it'))
