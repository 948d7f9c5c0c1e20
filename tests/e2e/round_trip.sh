#!/bin/sh
# Every format --list shows, added by its listed name and size (-w, -h) into a copy of the sample tree holding no
# formats, lists again with the same name, size, media and state; and so does the whole listing's JSON applied
# (--apply) to another such copy, in the same order. Usage: round_trip.sh PROGRAM SAMPLE_TREE
set -eu
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
for side in full empty applied; do mkdir "$tmp/$side" && cp -R "$2" "$tmp/$side/vantrel"; done
sed -i '/^ZkL/d' "$tmp"/empty/vantrel/*/bin/inf/* "$tmp"/applied/vantrel/*/bin/inf/*
cd "$tmp"
for model in tvq310 lm230; do
  ln -s "$1" "zkpapertoollpr_$model"
  (cd full && "../zkpapertoollpr_$model" --list) >"$model.full"
  [ -s "$model.full" ]
  # An add puts its entry first, so the last listed is added first.
  tac "$model.full" | while IFS="$(printf '\t')" read -r name size _; do
    (cd empty && "../zkpapertoollpr_$model" -P q -n "$name" -w "${size%x*}" -h "${size#*x}")
  done
  (cd empty && "../zkpapertoollpr_$model" --list) | cut -f1-3,5 >"$model.again"
  cut -f1-3,5 "$model.full" | diff - "$model.again"
  (cd full && "../zkpapertoollpr_$model" --list --json) >"$model.json"
  (cd applied && "../zkpapertoollpr_$model" --apply "../$model.json" -P q) >/dev/null
  (cd applied && "../zkpapertoollpr_$model" --list) | cut -f1-3,5 | diff "$model.again" -
done
