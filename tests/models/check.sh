#!/bin/sh
# Where the models are named in words of their own, the names are exactly those of models.tsv in its order: the Debian
# description, the manual, the README, the collection's choices; its map also holds each id and kind.
set -eu
cd "$(dirname "$0")/../.."
plugins=ansible/ansible_collections/zkpapertoollpr/labels/plugins failed=0
table() { sed '/^#/d' models.tsv | awk -F'\t' "{ printf \"$1 \", \$1, \$2, \$3 == 3 ? \"True\" : \"False\" }"; }
# check FILE SED-ADDRESS EXPECTED: the model words in FILE's lines at the address
check() {
  found=$(sed -n "$2p" "$1" | grep -oE '[a-z]+[0-9][a-z0-9]*|True|False' | tr '\n' ' ')
  [ "$found" = "$3" ] || { failed=$((failed + 1)); printf 'FAIL: %s\n  table: %s\n  found: %s\n' "$1" "$3" "$found"; }
}
check debian/control '/^ One program serves/,/(tape models)/' "$(table %s)"
check doc/zkpapertoollpr.8 '/^is one of$/,/^(tape printers)/' "$(table %s)"
check README.md '/^One executable serves/,/(tape models)/' "$(table %s)"
check $plugins/doc_fragments/common.py '/^ *choices:/' "$(table %s)"
check $plugins/module_utils/label_tool.py '/^MODELS = {/,/^}/' "$(table '%s %s %s')"
echo "$((5 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
