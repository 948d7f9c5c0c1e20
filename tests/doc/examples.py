"""Usage: examples.py PROGRAM DOCUMENT SAMPLE_TREE. The manual's EXAMPLES or a README's ```console blocks, run on a copy of the sample
tree standing for /opt/vantrel: each "$ " line prints what follows it and exits 0 ("..." ends a cut output; an id's last 5 digits vary)."""
import os, re, shutil, subprocess, sys, tempfile

program, document, sample = map(os.path.abspath, sys.argv[1:])
text = open(document).read()  # a README's blocks are put in the manual's form
text = (re.sub(r'^\$ (.*)', r'.RB "$ " "\1"', ''.join(re.findall(r'^```console\n(.*?)^```$', text, re.M | re.S)), flags=re.M)
        if document.endswith('.md') else text.split('.SH EXAMPLES\n')[1].split('\n.SH ')[0])
for roff, plain in ('\\-', '-'), ('\\(aq', "'"), ('\\(dq', '"'), ('\\e', '\\'), ('\\&', ''), ('\\|', ''), ('/opt/', ''):
    text = text.replace(roff, plain)
fresh = lambda out: re.sub(r'(ZkL[\w.]*?)[0-9A-F]{5}\b', r'\1?????', out)
failed, runs, tmp = 0, re.findall(r'^\.RB "\$ " "(.*)"\n((?:(?:[^.\n]|\.\.\.).*\n)*)', text, re.M), tempfile.mkdtemp()
shutil.copytree(sample, tmp + '/vantrel')
for model in 'tvq310', 'lm230': os.symlink(program, f'{tmp}/zkpapertoollpr_{model}')
for command, shown in runs:
    r = subprocess.run(command, shell=True, cwd=tmp, env={'PATH': tmp + ':/usr/bin:/bin'}, capture_output=True, text=True)
    got, want = fresh(r.stdout), fresh(shown.removesuffix('...\n'))
    if want != got[:len(want) if shown.endswith('...\n') else None] or r.returncode or r.stderr:
        failed += 1
        print(f'FAIL: $ {command}\n--- shown\n{want}--- printed\n{got}{r.stderr}(exit status {r.returncode})')
shutil.rmtree(tmp)
sys.exit(f'{failed} of {len(runs)} examples not as shown' if failed or not runs else 0)
