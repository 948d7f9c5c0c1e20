# Shell baseline of one request, for the benchmark:
#   sh baseline.sh sync|nosync COMPANION TIMES FILE...
# starts COMPANION TIMES times, then replaces each FILE by a copy made
# with cp and renamed over it with mv; "sync" also flushes the copy and,
# after the rename, the directory (sync -d), as a crash-safe script would.
set -eu
mode=$1 companion=$2 times=$3
shift 3
while [ "$times" -gt 0 ]; do
  "$companion" -P q -show 1
  times=$((times - 1))
done
for f in "$@"; do
  cp "$f" "$f.tmp"
  if [ "$mode" = sync ]; then sync -d "$f.tmp"; fi
  mv "$f.tmp" "$f"
  if [ "$mode" = sync ]; then sync -d "$(dirname "$f")"; fi
done
