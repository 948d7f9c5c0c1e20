# Runs the label-format tool for one printer model on behalf of the
# zkpapertoollpr_* modules. The modules know the tool's commands and the
# JSON its --list and --check print, nothing of the driver files: every
# change, preview and judgement of "already there" is the tool's own.
import json
import os

MODELS = ['lm210', 'lm230', 'lm260ka', 'tv4400', 'tvq310', 'tvq300',
          'tvq250e', 'tvq220nf', 'tvq200']

# Options every module takes: which of the nine names to run, where the
# names live and where to run them.
COMMON_ARGS = dict(
    model=dict(type='str', required=True, choices=MODELS),
    bin_dir=dict(type='path', default='/usr/sbin'),
    chdir=dict(type='path'),
)


def run_tool(module, args, ok=(0,)):
    """Runs the model's name with args as one argument list (no shell).
    An exit status outside ok fails the module with the tool's message
    and status. Returns (status, standard output)."""
    p = module.params
    argv = [os.path.join(p['bin_dir'], 'zkpapertoollpr_' + p['model'])] + args
    rc, out, err = module.run_command(argv, cwd=p['chdir'])
    if rc not in ok:
        module.fail_json(msg=err.strip() or out.strip() or 'exit status %d' % rc,
                         rc=rc, cmd=argv, stdout=out, stderr=err)
    return rc, out


def load_json(module, out):
    """The JSON document a --json command printed as out."""
    try:
        return json.loads(out)
    except ValueError:
        module.fail_json(msg='the program printed no JSON document', stdout=out)


def run_json(module, args):
    """run_tool for a --json command: the document it printed."""
    return load_json(module, run_tool(module, args)[1])


def find_format(module, name):
    """The model's first format named name as --list --json gives it,
    or None."""
    formats = run_json(module, ['--list', '--json'])['formats']
    return next((f for f in formats if f['name'] == name), None)
