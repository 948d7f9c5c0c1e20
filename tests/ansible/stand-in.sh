#!/bin/sh
# Stand-in for zkpapertoollpr_tvq310 when something else edits the files meanwhile: it lists "Kept",
# 12x50 until an --ensure ran (saying "added"), 12x60 after; a later --ensure, and any preview of one, say
# "unchanged"; a delete or apply succeeds, changing nothing.
state=${0%/*}/ensured
case $1 in
  --list) height=50 && [ -e "$state" ] && height=60
    echo '{"model":"tvq310","formats":[{"name":"Kept","width":12,"height":'$height',"state":"complete"}]}' ;;
  --apply|--dry-run) case $* in *--ensure*) echo unchanged && exit ;; *--apply*) cat > /dev/null ;; esac &&
    echo '{"model":"tvq310","changes":[]}' ;;
  --ensure) if [ -e "$state" ]; then echo unchanged; else : > "$state" && echo added; fi ;;
esac
