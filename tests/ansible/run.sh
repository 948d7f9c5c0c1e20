#!/bin/sh
# Runs the Ansible modules on a fleet of five local print servers, each
# with its own copy of the sample driver tree and the nine program names
# linked to the test build, and a copy as it was before the play. host5's
# tape function file is a directory: that host must fail alone, its tree
# untouched, while the others finish. host4's "Shelf labels" lacks its
# imaging-area line, which the info module must report.
# Usage: run.sh [build directory, default build]
set -eu
cd "$(dirname "$0")/../.."
tool=$(cd "${1:-build}" && pwd)/zkpapertoollpr-localroot
fleet=$(mktemp -d)
trap 'rm -rf "$fleet"' EXIT
for h in 1 2 3 4 5; do
  mkdir -p "$fleet/host$h/bin"
  cp -R demo/vantrel "$fleet/host$h/vantrel"
  for m in lm210 lm230 lm260ka tv4400 tvq310 tvq300 tvq250e tvq220nf tvq200; do
    ln -s "$tool" "$fleet/host$h/bin/zkpapertoollpr_$m"
  done
done
broken=$fleet/host5/vantrel/tvq310/bin/inf/zktvq310func
rm "$broken" && mkdir "$broken"
sed -i '/^ZkL_zkS12mm__0C0A06421F3C:/d' "$fleet/host4/vantrel/tvq310/bin/inf/ImagingArea"
for h in 1 2 3 4 5; do cp -R "$fleet/host$h/vantrel" "$fleet/host$h/saved"; done

status=0
FLEET=$fleet ANSIBLE_NOCOLOR=1 ANSIBLE_DISPLAY_OK_HOSTS=0 ANSIBLE_PIPELINING=1 \
ANSIBLE_LIBRARY=$(pwd)/ansible/library ANSIBLE_MODULE_UTILS=$(pwd)/ansible/module_utils \
  ansible-playbook -i tests/ansible/fleet.ini tests/ansible/fleet.yml \
  >"$fleet/out" 2>&1 || status=$?
cat "$fleet/out"
fail() { echo "ansible fleet test: $*" >&2; exit 1; }
[ "$status" -eq 2 ] || fail "ansible-playbook's exit status $status, not 2 (a host failed)"
! grep -q WARNING "$fleet/out" || fail "a warning"
for h in 1 2 3 4; do
  grep -q "^host$h *: ok=11 .* unreachable=0 *failed=0 " "$fleet/out" || fail "host$h did not finish"
done
grep -q "^host5 *: ok=0 .* failed=1 " "$fleet/out" || fail "host5 did not fail at once"
grep -q '^failed: \[host5\] (item=.*"msg": "[^"]*Is a directory.*"rc": 255' "$fleet/out" ||
  fail "host5's failure lacks the program's message and status"
diff -r "$fleet/host5/saved" "$fleet/host5/vantrel" || fail "host5's tree changed"
echo "ansible fleet test: passed"
