#!/bin/bash
# Runs the bash completion's functions as bash would on a key press, with a
# stand-in program and lpstat first on PATH. Usage: run.sh [built completion]
set -eu
export LC_ALL=C.UTF-8
here=$(cd "$(dirname "$0")" && pwd)
script=${1:-$here/../../build/completion/zkpapertoollpr}
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/zkpapertoollpr_tvq310" <<'EOF'
#!/bin/sh
printf '%s\t4x9\t-\tZkL\tcomplete\n' 'Box 12x50' Cables 'Bin:7' 'Tab\there' 'a\\b' 'Café x' "It's" 'Say "$x"' "Quote'"
EOF
printf '#!/bin/sh\necho "TV-Q310 accepting"; echo "LM230 accepting"\n' >"$tmp/lpstat"
chmod +x "$tmp/zkpapertoollpr_tvq310" "$tmp/lpstat" && PATH=$tmp:$PATH
# shellcheck source=/dev/null
. "$script"
passed=0 failed=0

# check LINE EXPECTED: completes at the end of LINE; EXPECTED joins the replies with '|'.
check() {
    COMP_LINE="zkpapertoollpr_tvq310 $1" COMP_POINT=${#COMP_LINE}
    read -ra COMP_WORDS <<<"$COMP_LINE"
    [[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _zkpapertoollpr zkpapertoollpr_tvq310 "${COMP_WORDS[COMP_CWORD]}" || COMPREPLY=(status $?)
    verdict "[$1]" "$(IFS='|'; printf '%s' "${COMPREPLY[*]}")" "$2"
}
# verdict WHAT GOT WANTED
verdict() { if [[ $2 == "$3" ]]; then ((++passed)); else ((++failed)); echo "FAIL: $1 gave [$2], want [$3]"; fi; }

# Options, and what each administrator command takes after it.
check '' '-P|-n|-d|-w|-h|--list|--check|--repair|--dry-run|--ensure|--apply|--help|--version'
check '--l' '--list'; check '--list ' '--json'; check '--list --json ' ''; check '--check ' '--json|--monitoring'
check '--ensure -P X -' '-P|-n|-w|-h'; check '--dry-run -' '-P|-n|-d|-w|-h|--ensure|--repair|--apply'
check "--apply $tmp/lps" "$tmp/lpstat"; check '--apply f -' '-P|--keep-others|--json'
check '--dry-run --apply f -P ' 'TV-Q310|LM230'; check '--dry-run --repair -' '-P'
check '--dry-run --ensure -P X -' '-P|-n|-w|-h'; check '-P TV-Q310 -' '-P|-n|-d|-w|-h'; check '-n -d -' '-P|-n|-d|-w|-h'
check '--repair -' '-P'; check '--repair -P ' 'TV-Q310|LM230'; check '-P L' 'LM230'; check '-P X -w ' ''
# Names, quoted as the word being completed is.
check '-P X -d Bo' 'Box\ 12x50'; check '-P X -d Box\ 1' 'Box\ 12x50'; check '-P X -d "Box 1' 'Box 12x50'
check '-P X -n Bin:' '7'; check '-P X -d T' "\$'Tab\\there'"; check '-P X -d a' 'a\\b'; check '-P X -d Caf' 'Café\ x'
check '--dry-run -P X -d C' 'Cables|Café\ x'; check "-P X -d It" "It\\'s"; check "-P X -d 'It" "It'\\''s"
check '-P X -d "It' "It's"; check '-P X -d "Say' 'Say \"\$x\""'; check "-P X -d 'Say" 'Say "$x"'
check "-P X -d 'Quo" "Quote'\\'''"

printf '# queues\nlp|Main printer:\\\n  :sd=/var/spool/lp:\\\n  :lp=/dev/lp0:\nlabels:sd=/x:\n' >"$tmp/printcap"
verdict printcap "$(_zkpapertoollpr_printcap "$tmp/printcap" | tr '\n' ' ')" 'lp labels '
for name in $(sed '/^#/d; s/\t.*//' "$here/../../models.tsv"); do
    verdict "$name" "$(complete -p "zkpapertoollpr_$name" 2>&1)" "complete -F _zkpapertoollpr zkpapertoollpr_$name"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
