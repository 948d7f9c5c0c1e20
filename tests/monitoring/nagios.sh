#!/bin/sh
# --check --monitoring in a real Nagios 4 engine through the manual's command definition, its /usr/sbin a temporary
# directory holding the test build as tvq310's beside a copy of the sample tree and the engine's own configuration,
# state and status files; the engine in the foreground, stopped by its pid. Checks forced through the command file;
# status.dat's record compared for a clean tree, one with findings, a model not installed and a lock held past the
# reader's wait. Skipped, saying so, without nagios4. Usage: nagios.sh [build directory, default build]
set -eu
cd "$(dirname "$0")/../.."
engine=$(command -v nagios4 || true)
[ -n "$engine" ] || { echo "monitoring test: SKIPPED: no nagios4 (apt-get install nagios4-core)"; exit 0; }
tool=$(cd "${1:-build}" && pwd)/zkpapertoollpr-localroot
d=$(mktemp -d) && chmod 755 "$d"
engine_pid="" holder="" && trap 'kill $holder $engine_pid 2> /dev/null; rm -rf "$d"' EXIT
fail() { echo "monitoring test: $*" >&2; cat "$d/engine.out" "$d/out" >&2 2>/dev/null; exit 1; }
# The test build's driver tree is ./vantrel: the engine's plugin starts in the tree's directory.
mkdir "$d/bin" "$d/results" && ln -s "$tool" "$d/bin/zkpapertoollpr_tvq310"
printf '#!/bin/sh\ncd "%s" && exec bin/zkpapertoollpr_tvq310 "$@"\n' "$d" > "$d/zkpapertoollpr_tvq310"
chmod 755 "$d/zkpapertoollpr_tvq310" && cp -R demo/vantrel "$d/vantrel" && inf="$d/vantrel/tvq310/bin/inf"
command=$(sed -n '/^define command {/,/^}/p' doc/zkpapertoollpr.8 | sed 's/\\-/-/g; s#/usr/sbin#'"$d"'#')
printf '%s\n' "cfg_file=$d/objects.cfg" "log_file=$d/nagios.log" "status_file=$d/status.dat" status_update_interval=1 \
  "command_file=$d/nagios.cmd" check_external_commands=1 "lock_file=$d/nagios.pid" "temp_file=$d/nagios.tmp" \
  "temp_path=$d" "check_result_path=$d/results" "object_cache_file=$d/objects.cache" retain_state_information=0 \
  "precached_object_file=$d/objects.precache" "state_retention_file=$d/retention.dat" "query_socket=$d/nagios.qh" \
  "nagios_user=$(id -un)" "nagios_group=$(id -gn)" interval_length=1 enable_notifications=0 > "$d/nagios.cfg"
# define TYPE { ATTRIBUTE VALUE ... }, one attribute an argument.
define() { echo "define $1 {"; shift; printf '  %s\n' "$@"; echo "}"; }
{
  echo "$command"
  # The engine wants one contact, which notifies no one.
  define command "command_name none" "command_line /bin/true"
  define timeperiod "timeperiod_name never" "alias never"
  define contact "contact_name nobody" "host_notification_period never" "service_notification_period never" \
    "host_notification_options n" "service_notification_options n" "host_notification_commands none" \
    "service_notification_commands none"
  define host "host_name printserver" "address 127.0.0.1" "max_check_attempts 1"
  define service "host_name printserver" "service_description labels" "check_command check_zkpapertoollpr!tvq310" \
    "max_check_attempts 1" "check_interval 3600" "retry_interval 3600"
} > "$d/objects.cfg"
(cd "$d" && exec "$engine" "$d/nagios.cfg") > "$d/engine.out" 2>&1 & engine_pid=$!
# The service's fields in status.dat, as KEY=VALUE lines.
service() { sed -n '/^servicestatus {/,/}/p' "$d/status.dat" 2>/dev/null | sed 's/^\t//'; }
field() { service | sed -n "s/^$1=//p"; }
# wait_for CONDITION WHAT: at most 60 s.
wait_for() { i=0; until eval "$1"; do i=$((i + 1)); [ $i -lt 60 ] || fail "$2"; sleep 1; done; }
wait_for '[ -p "$d/nagios.cmd" ]' "no command file"
# expect STATE OUTPUT LONG_OUTPUT PERFORMANCE_DATA: forces a check, waits until the engine records it, and compares
# the record as status.dat keeps it.
expect() {
  before=$(field last_check)
  printf '[%s] SCHEDULE_FORCED_SVC_CHECK;printserver;labels;%s\n' "$(date +%s)" "$(date +%s)" > "$d/nagios.cmd"
  wait_for 'after=$(field last_check); [ -n "$after" ] && [ "$after" != "$before" ] && [ "$after" != 0 ]' \
    "no check recorded"
  service | grep -E '^(current_state|plugin_output|long_plugin_output|performance_data)=' > "$d/out"
  printf 'current_state=%s\nplugin_output=%s\nlong_plugin_output=%s\nperformance_data=%s\n' "$@" > "$d/want"
  diff "$d/want" "$d/out" >&2 || fail "unexpected record"
}
expect 0 'ZKPAPERTOOLLPR OK - tvq310: formats 2, findings 0' '' 'formats=2;;;0 findings=0;0;;0 intents=0;;;0'
printf 'ZkL_zkS12mm__030A03210000/O|;\n' >> "$inf/zktvq310func"
lacks="incomplete: ZkL_zkS12mm__030A03210000 'O\\x7C\\x3B' has no line in vantrel/tvq310/bin/inf"
fix="(repair: removes the format on both sides)" long=$(printf '%s' "$lacks" | sed 's/\\/\\\\/g')
# status.dat keeps the long output's backslashes doubled (long) and its newlines as "\n", the last one dropped.
expect 1 "ZKPAPERTOOLLPR WARNING - tvq310: 2 findings, the first: $lacks/paperinftvq310 $fix" \
  "$long/paperinftvq310 $fix\\n$long/ImagingArea $fix" 'formats=3;;;0 findings=2;0;;0 intents=0;;;0'
mv "$d/vantrel/tvq310" "$d/vantrel/away"
expect 2 'ZKPAPERTOOLLPR CRITICAL - tvq310: vantrel/tvq310/bin/inf: not installed' '' ''
mv "$d/vantrel/away" "$d/vantrel/tvq310"
(exec 9< "$inf" && flock 9 && touch "$d/held" && exec sleep 60) & holder=$!
wait_for '[ -f "$d/held" ]' "the lock not taken"
expect 3 "ZKPAPERTOOLLPR UNKNOWN - tvq310: vantrel/tvq310/bin/inf: another run holds the driver files' lock: gave up \
after 10 s" '' ''
echo "monitoring test: passed"
