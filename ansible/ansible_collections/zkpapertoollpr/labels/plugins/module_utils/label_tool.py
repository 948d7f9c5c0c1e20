# Runs the label-format tool for one printer model on behalf of the
# collection's modules. The modules know the tool's commands, the limits
# of its command line and the JSON its --list, --check and --apply print,
# nothing of the driver files: every change and preview is the tool's own,
# and every answer is read back from its listing before it is believed.
#
# Order of use: printer_module, check_* on the other parameters (nothing
# has run yet), then list_formats (which also proves the program serves the asked model),
# then run or run_json for the request (given the formats listed before
# it when it may change them), then list_formats again and one_as_asked
# on what it shows.
from __future__ import absolute_import, division, print_function
__metaclass__ = type

import json
import os

from ansible.module_utils.basic import AnsibleModule

# Option name to (model id the tool reports, tape model).
MODELS = {
    'lm210': ('lm210', False), 'lm230': ('lm230', False),
    'lm260ka': ('lm260ka', False), 'tv4400': ('tv4400zd', True),
    'tvq310': ('tvq310', True), 'tvq300': ('tvq300', True),
    'tvq250e': ('tvq250e', True), 'tvq220nf': ('tvq220nf', True),
    'tvq200': ('tvq200', True),
}

# Options every module takes: which of the nine names to run, where the
# names live and where to run them.
COMMON_ARGS = dict(
    model=dict(type='str', required=True, choices=sorted(MODELS)),
    bin_dir=dict(type='path', default='/usr/sbin'),
    chdir=dict(type='path'),
)

# The tape tables as -w reads them: (widest request, printable width).
STANDARD_TAPE = [(5, 2), (6, 4), (9, 7), (12, 10), (18, 16), (24, 22)]
HEAT_SHRINK_TUBE = [(6, 4), (9, 7), (12, 9), (18, 15), (24, 18)]
PRINTER_MAX = 1024
NAME_MAX = 32
SIZE_TEXT_MAX = 32
TAPE_WIDTH_MAX = 24
# The roll sizes whose paper-table dots fit their 32 bits.
ROLL_WIDTH_MAX = 182096569
ROLL_HEIGHT_MAX = 182096572


def _check_text(module, key, text, most, shown=''):
    """Fails naming key unless text is 1 to most bytes without a NUL
    (shown follows the length in the message)."""
    if '\0' in text:
        module.fail_json(msg='%s holds a NUL byte, which no command line carries' % key)
    length = len(text.encode('utf-8', 'surrogateescape'))
    if not 1 <= length <= most:
        module.fail_json(msg='%s must be 1 to %d bytes long, not %d%s' % (key, most, length, shown))


def printer_module(options, **kwargs):
    """The module of COMMON_ARGS, printer and options, in check mode too;
    fails naming printer unless the tool's -P takes it."""
    module = AnsibleModule(argument_spec=dict(COMMON_ARGS, printer=dict(type='str', required=True), **options),
                           supports_check_mode=True, **kwargs)
    _check_text(module, 'printer', module.params['printer'], PRINTER_MAX)
    return module


def check_name(module, key, name):
    """Fails naming key unless the tool's -n and -d take name."""
    _check_text(module, key, name, NAME_MAX, ': %r' % (name,))
    if '\n' in name or '[CustomTape]' in name:
        module.fail_json(msg='%s must hold neither a newline nor "[CustomTape]": %r' % (key, name))


def check_format(module, key, name, width, height):
    """check_name for one format under key, then fails naming its width or
    height unless the tool's -w or -h takes it: tape widths up to the
    widest tape (heights are held to the tape's limits), roll sizes up to
    what the paper table's dots hold."""
    check_name(module, key + 'name', name)
    model = module.params['model']
    tape = MODELS[model][1]
    for what, value, most in (('width', width, TAPE_WIDTH_MAX if tape else ROLL_WIDTH_MAX),
                              ('height', height, None if tape else ROLL_HEIGHT_MAX)):
        if value is None or value <= 0 or len(str(value)) > SIZE_TEXT_MAX:
            module.fail_json(msg='%s must be a whole number of millimetres above 0 (at most %d digits), not %s'
                             % (key + what, SIZE_TEXT_MAX, value))
        if most is not None and value > most:
            module.fail_json(msg='%s must be at most %d on the %s model %s, not %d'
                             % (key + what, most, 'tape' if tape else 'roll', model, value))


def listed_size(module, name, width, height):
    """The size --list shows for a format added with -n name -w width -h
    height: tape widths become their tape's widest request unless the
    tape prints them whole, tape heights are held to 4 to 1000 (500 for
    heat-shrink tube, a name holding "HS" or "hs")."""
    if not MODELS[module.params['model']][1]:
        return width, height
    tube = 'HS' in name or 'hs' in name
    widest, printable = next(row for row in (HEAT_SHRINK_TUBE if tube else STANDARD_TAPE) if row[0] >= width)
    return widest if printable < width else width, max(4, min(height, 500 if tube else 1000))


def tool_argv(module, args):
    """The model's program name, then args."""
    return [os.path.join(module.params['bin_dir'], 'zkpapertoollpr_' + module.params['model'])] + args


def _call(module, args, data=None):
    return module.run_command(tool_argv(module, args), cwd=module.params['chdir'], data=data,
                              expand_user_and_vars=False)


def run(module, args, ok=(0,), data=None, before=None):
    """Runs the model's name with args as one argument list: no shell,
    and no "~" or "$VAR" expanded, so every argument reaches the tool byte
    for byte. data goes to its standard input. An exit status outside ok
    fails the module with the tool's message and status. before (for a
    request that may change driver files): the formats a listing showed
    before it; its failure then says it changed something unless the
    listing still shows before (a failed listing counts as a change: it
    cannot be ruled out). Returns its standard output."""
    rc, out, err = _call(module, args, data)
    if rc not in ok:
        failure = dict(msg=err.strip() or out.strip() or 'exit status %d' % rc,
                       rc=rc, cmd=tool_argv(module, args), stdout=out, stderr=err)
        if before is not None:
            lrc, listed, dummy = _call(module, ['--list', '--json'])
            try:
                failure['changed'] = lrc != 0 or json.loads(listed)['formats'] != before
            except (ValueError, KeyError, TypeError):
                failure['changed'] = True
        module.fail_json(**failure)
    return out


def run_json(module, args, **kwargs):
    """run for a --json command: the document it printed."""
    out = run(module, args, **kwargs)
    try:
        return json.loads(out)
    except ValueError:
        return module.fail_json(msg='the program printed no JSON document', stdout=out)


def check_model(module, document):
    """Fails unless document comes from a program serving the asked model:
    the program takes its model from the first model text anywhere in the
    path it is started under, folders included."""
    wanted = MODELS[module.params['model']][0]
    if document.get('model') != wanted:
        module.fail_json(msg='%s serves the model %s, not %s: the program takes its model from '
                         'the first model name anywhere in its path, so bin_dir must hold none '
                         'but its own; nothing was changed'
                         % (tool_argv(module, [])[0], document.get('model'), wanted))


def list_formats(module):
    """The model's formats as --list --json gives them, from a program
    proven to serve the asked model."""
    document = run_json(module, ['--list', '--json'])
    check_model(module, document)
    return document['formats']


def named(formats, name):
    """The formats of formats named name."""
    return [f for f in formats if f['name'] == name]


def describe(formats):
    """The formats as a short text for a message."""
    return ', '.join('%s %dx%d (%s)' % (f['name'], f['width'], f['height'], f['state']) for f in formats) or 'none'


def one_as_asked(module, formats, name, width, height):
    """None when formats hold exactly one complete format named name
    with the size an add of name, width and height gives, else what
    they hold instead, as a text."""
    found = named(formats, name)
    size = listed_size(module, name, width, height)
    if len(found) == 1 and found[0]['state'] == 'complete' and (found[0]['width'], found[0]['height']) == size:
        return None
    return 'the listing holds %s where one complete %s %dx%d was asked' % (describe(found), name, size[0], size[1])
