# The benchmark's add requests, one per format of an apply's list:
#   sh adds.sh PROGRAM N
# adds "Bench 001" to "Bench N" (12 mm tape, 50 mm and one more each).
set -eu
i=1
while [ "$i" -le "$2" ]; do
  "$1" -P q -n "$(printf 'Bench %03d' "$i")" -w 12 -h $((49 + i))
  i=$((i + 1))
done
