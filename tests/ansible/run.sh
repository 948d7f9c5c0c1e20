#!/bin/sh
# Runs the collection as its users get it: built by ansible-galaxy, installed from the tarball into a temporary
# collections path (the only one looked in) and called by fully qualified names on five local print servers, each with
# a copy of the sample driver tree, the nine names linked to the test build and a copy as before the play.
# ansible-lint on every playbook; fleet.yml (host5's tape function file is a directory: it fails alone, its tree
# untouched; host4's "Shelf labels" lacks its imaging-area line); every example the READMEs and modules show
# (examples.py), in check and diff mode on host1 changing nothing, then for real on host1-4, a misspelt one that must
# fail; findings.yml on host1 as that file says. Usage: run.sh [build dir]
set -eu
cd "$(dirname "$0")/../.."
tool=$(cd "${1:-build}" && pwd)/zkpapertoollpr-localroot
fleet=$(mktemp -d) && trap 'rm -rf "$fleet"' EXIT
fail() { echo "ansible fleet test: $*" >&2; exit 1; }
quiet() { "$@" > "$fleet/log" 2>&1 || { cat "$fleet/log"; fail "$* failed"; }; }
quiet ansible-galaxy collection build --output-path "$fleet" ansible/ansible_collections/zkpapertoollpr/labels
quiet ansible-galaxy collection install --offline -p "$fleet/collections" "$fleet"/zkpapertoollpr-labels-*.tar.gz
export FLEET="$fleet" ANSIBLE_NOCOLOR=1 ANSIBLE_DISPLAY_OK_HOSTS=0 ANSIBLE_PIPELINING=1 \
  ANSIBLE_COLLECTIONS_PATH="$fleet/collections" ANSIBLE_COLLECTIONS_SCAN_SYS_PATH=0
labels=$fleet/collections/ansible_collections/zkpapertoollpr/labels
/usr/bin/python3 tests/ansible/examples.py README.md "$labels/README.md" "$labels"/plugins/modules/*.py > "$fleet/examples.yml"
cp tests/ansible/fleet.ini tests/ansible/*.yml "$fleet/"
(cd "$fleet" && ansible-lint --offline -q -p ./*.yml) || fail "ansible-lint found the above"

hosts() {
  rm -rf "$fleet/host"*
  for h in 1 2 3 4 5; do
    mkdir -p "$fleet/host$h/bin" && cp -R demo/vantrel "$fleet/host$h/vantrel"
    for m in $(sed '/^#/d; s/\t.*//' models.tsv); do ln -s "$tool" "$fleet/host$h/bin/zkpapertoollpr_$m"; done
  done
  rm "$fleet/host5/vantrel/tvq310/bin/inf/zktvq310func" && mkdir "$fleet/host5/vantrel/tvq310/bin/inf/zktvq310func"
  sed -i '/^ZkL_zkS12mm__0C0A06421F3C:/d' "$fleet/host4/vantrel/tvq310/bin/inf/ImagingArea"
  for h in 1 2 3 4 5; do cp -R "$fleet/host$h/vantrel" "$fleet/host$h/saved"; done
}
# play STATUS PLAYBOOK [OPTION...]: runs a playbook, its output shown and kept in $fleet/out;
# fails unless it exits with STATUS (2: a host failed) and warns of nothing.
play() {
  want=$1 status=0 && shift && echo "-- $1 ($(date +%T))"
  ansible-playbook -i tests/ansible/fleet.ini "$@" > "$fleet/out" 2>&1 || status=$?
  cat "$fleet/out" && ! grep -q WARNING "$fleet/out" || fail "a warning"
  [ "$status" -eq "$want" ] || fail "$1: ansible-playbook's exit status $status, not $want"
}

hosts
play 2 tests/ansible/fleet.yml
for h in 1 2 3 4; do grep -q "^host$h *: ok=9 .* unreachable=0 *failed=0 " "$fleet/out" || fail "host$h did not finish"; done
grep -q "^host5 *: ok=0 .* failed=1 " "$fleet/out" || fail "host5 did not fail at once"
grep -q '^failed: \[host5\] (item=.*"changed": false, .*"msg": "[^"]*Is a directory.*"rc": 255' "$fleet/out" ||
  fail "host5's failure lacks the program's message and status, or says it changed something"
diff -r "$fleet/host5/saved" "$fleet/host5/vantrel" || fail "host5's tree changed"

hosts  # the examples, with the fleet's bin_dir and chdir
play 0 "$fleet/examples.yml" --check --diff --limit host1
diff -r "$fleet/host1/saved" "$fleet/host1/vantrel" || fail "check mode changed host1's tree"
play 0 "$fleet/examples.yml" --limit 'host1:host2:host3:host4'
sed "/^EXAMPLES/,/^'''/s/^    exclusive:/    exclusiv:/" "$labels/plugins/modules/format_set.py" > "$fleet/misspelt.py"
/usr/bin/python3 tests/ansible/examples.py "$fleet/misspelt.py" > "$fleet/misspelt.yml"
play 2 "$fleet/misspelt.yml" --check --limit host1
grep -q 'Unsupported parameters for (zkpapertoollpr.labels.format_set) module: exclusiv' "$fleet/out" || fail "a misspelt option ran"

hosts
sed -i -e '/^ZkL_zkS12mm__0C0A06421F3C[/:]/{p;s/3C/3D/;p;s/0C0A06421F3D/050A06421F3E/;s|/Shelf labels|/Twice|;p;s/3E/3F/}' \
  -e "/^ZkL_zkS24mm__0616064B8A01[/:]/{p;s/0616064B8A01/2116064B8A02/;s|/Cables|/$(printf %33s | tr ' ' n)|}" "$fleet"/host1/vantrel/tvq310/bin/inf/*
sed -i 's|/Address 62mm|/Address 62 mm|' "$fleet"/host1/vantrel/lm230/bin/inf/*
sed -i '1a case " $* " in *" -n Cables "*) exit 1 ;; esac' "$fleet"/host1/vantrel/tvq310/bin/lpd/zkpapertoolcups_tvq310
(cd "$fleet/host1" && bin/zkpapertoollpr_tvq310 -P q -n /root -w 9 -h 40 &&
 cp -R bin lm230-tools && mkdir stand-in && cp "$OLDPWD/tests/ansible/stand-in.sh" stand-in/zkpapertoollpr_tvq310)
play 0 tests/ansible/findings.yml
echo "ansible fleet test: passed"
