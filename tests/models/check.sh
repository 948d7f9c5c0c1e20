#!/bin/sh
# The places that name the models in words of their own name exactly those
# of models.tsv, in its order: the Debian description, the manual and the
# README (roll-label and tape models apart), the collection's choices and map.
set -eu
cd "$(dirname "$0")/../.."
plugins=ansible/ansible_collections/zkpapertoollpr/labels/plugins failed=0
table() { sed '/^#/d' models.tsv | awk -F'\t' "$1"; }
# check FILE SED-ADDRESS EXPECTED: the model words in FILE's lines at the address
check() {
  found=$(sed -n "$2p" "$1" | grep -oE '[a-z]+[0-9][a-z0-9]*|\((roll-label|tape)|True|False' | tr -d '(' | tr '\n' ' ')
  [ "$found" = "$3" ] || { failed=$((failed + 1)); printf 'FAIL: %s\n  table: %s\n  found: %s\n' "$1" "$3" "$found"; }
}
grouped=$(table '{ k = $3 == 3 ? "tape" : "roll-label"; if (p && k != p) printf "%s ", p; printf "%s ", $1; p = k }
  END { printf "%s ", p }')
check debian/control '/^ One program serves/,/(tape models)/' "$grouped"
check doc/zkpapertoollpr.8 '/^is one of$/,/^(tape printers)/' "$grouped"
check README.md '/^One executable serves/,/(tape models)/' "$grouped"
check $plugins/doc_fragments/common.py '/^ *choices:/' "$(table '{ printf "%s ", $1 }')"
check $plugins/module_utils/label_tool.py '/^MODELS = {/,/^}/' "$(table '{ printf "%s %s %s ", $1, $2, $3 == 3 ? "True" : "False" }')"
echo "$((5 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
