#!/usr/bin/env bash
# Runs the command files of the Windows release ZIP with Wine's cmd on logs of
# chosen sizes and checks how rotate-log.cmd keeps them bounded:
#   - a log at the limit or over it becomes .1, .1 becomes .2, .2 becomes .3,
#     the old .3 is gone, and the new log starts with the run's header; the
#     sizes over the limit include one over 2 GiB (where cmd's numbers end)
#     and 100000000 bytes (less than the limit to a plain string comparison);
#   - a log one byte under the limit is appended to and nothing shifts;
#   - no other file in logs\ or in the programs' folder changes;
#   - a log at the limit that another program holds open (reading and
#     writing shared, deleting not) is left as it is, and the run writes to
#     <name>.overflow.log, which holds that one run and says why; a
#     read-only .3 is still deleted and the shift goes on;
#   - all of it from a folder whose path holds "(x86)", "&" and spaces, as
#     "C:\Program Files (x86)" does.
# The big logs are sparse files: they cost no disk. They stay under 4 GiB,
# because Wine's cmd gives file sizes modulo 4 GiB (Windows' the whole size).
# Usage: tests/log_rotation_under_wine.sh RELEASE_ZIP HOLD_OPEN_EXE
# (WINEPREFIX names a booted 64-bit prefix; HOLD_OPEN_EXE is the Windows
# build's tests/hold_open.exe).
set -euo pipefail
zip=$1
hold_open=$2
limit=10485760
work=$(mktemp -d "${TMPDIR:-/tmp}/rotation-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "log rotation test: $*" >&2; exit 1; }
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

prog="$work/Program Files (x86)/R&D site/the programs"  # as "C:\Program Files (x86)", and worse
# A path expanded inside a parenthesised block ends the block at its ")" on
# Windows' cmd (Wine's reads it whole): the command files have no blocks.
if grep -n '($' "$(dirname "$0")"/../packaging/*.cmd; then fail "a parenthesised block in a command file"; fi
logs=$prog/logs
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$prog"
# An empty site, so that the runs are short and write only there and in logs\.
mkdir -p "$work/site/aenvoyer" "$work/site/envoye" "$logs"
printf '%s\r\n' "base::$(windows "$work/site")" "aenvoyer::$(windows "$work/site/aenvoyer")" \
  "envoye::$(windows "$work/site/envoye")" >"$prog/path_autok7.txt"
printf '{"status": 0}\r\n' >"$logs/sitecheck.json"
printf 'brasko run\r\n' >"$logs/brasko.log"
printf 'tolvik run\r\n' >"$logs/tolvik.log.old"

# log NAME FIRST_LINE SIZE: a log of that size starting with that line and
# ending with a line break, as a trace does.
log() {
  printf '%s\r\n' "$2" >"$logs/$1"
  truncate -s $(($3 - 2)) "$logs/$1"
  printf '\r\n' >>"$logs/$1"
}
# Each log of a program: name, first line and size; for the live log, its
# first two words and the number of runs it holds.
state() {
  for file in "$logs/$1.log" "$logs/$1.log".[0-9]*; do
    [ -e "$file" ] || continue
    if [ "$file" = "$logs/$1.log" ]; then
      echo "$1.log $(head -n 1 "$file" | cut -d ' ' -f 1-2 | tr -d '\r') runs=$(grep -ac "^==== $1 " "$file")"
    else
      echo "${file##*/} $(head -n 1 "$file" | tr -d '\r') $(stat -c %s "$file")"
    fi
  done
}
others() {
  (cd "$prog" && find . -type f ! -name "$1.log" ! -name "$1.log.[0-9]*" ! -name "$1.overflow.log" -exec md5sum {} + |
    sort)
}
ran=()
# run PROGRAM CASE EXPECTED_STATE...: one run of the command file, then its
# logs as expected and every other file as it was.
run() {
  local program=$1 case=$2 before
  shift 2
  before=$(others "$program")
  # Started from its folder, as a scheduled task's "Start in": Wine's own
  # quoting of a command line cannot carry a path with "&" to cmd /c.
  (cd "$prog" && wine cmd /c "run-$program.cmd" </dev/null >/dev/null 2>&1) || fail "run-$program.cmd failed ($case)"
  [ "$(state "$program")" = "$(printf '%s\n' "$@")" ] ||
    fail "$case: the logs of $program are"$'\n'"$(state "$program")"$'\n'"instead of"$'\n'"$(printf '%s\n' "$@")"
  [ "$(others "$program")" = "$before" ] || fail "$case: a file other than the logs of $program changed"
  ran+=("run-$program.cmd $case")
}

log tolvik.log "run 0" $limit
log tolvik.log.1 "run 1" 1000
log tolvik.log.2 "run 2" 2000
log tolvik.log.3 "run 3" 3000
old_log=$(md5sum <"$logs/tolvik.log")
run tolvik "at the limit" "tolvik.log ==== tolvik runs=1" \
  "tolvik.log.1 run 0 $limit" "tolvik.log.2 run 1 1000" "tolvik.log.3 run 2 2000"
[ "$(md5sum <"$logs/tolvik.log.1")" = "$old_log" ] || fail "tolvik.log.1 is not the old log byte for byte"

rm "$logs"/tolvik.log*[0-9]
log tolvik.log "run 0" 100000000
log tolvik.log.1 "run 1" 1000
run tolvik "at 100000000 bytes" "tolvik.log ==== tolvik runs=1" \
  "tolvik.log.1 run 0 100000000" "tolvik.log.2 run 1 1000"

log brasko.log "run 0" $((limit - 1))
log brasko.log.1 "run 1" 1000
old_log=$(md5sum <"$logs/brasko.log")
run brasko "one byte under the limit" "brasko.log run 0 runs=1" "brasko.log.1 run 1 1000"
[ "$(head -c $((limit - 1)) "$logs/brasko.log" | md5sum)" = "$old_log" ] || fail "the appended brasko.log lost its start"
[ "$(tail -c +$limit "$logs/brasko.log" | head -c 12)" = "==== brasko " ] || fail "the run is not appended right after the old log"

rm "$logs"/brasko.log.1
log brasko.log "run 0" 3221225472
run brasko "at 3 GiB" "brasko.log ==== brasko runs=1" "brasko.log.1 run 0 3221225472"

# Held open by another program: the log stays as it is, and each run writes
# one bounded overflow log that says why.
log brasko.log "run 0" $limit
rm -f "$logs"/brasko.log.[0-9]*
held_log=$(md5sum <"$logs/brasko.log")
exec {hold}> >(wine "$hold_open" "$(windows "$logs/brasko.log")" >"$work/held" 2>&1)
for _ in $(seq 300); do grep -q held "$work/held" 2>/dev/null && break; sleep 0.1; done
grep -q held "$work/held" || fail "hold_open.exe did not hold the log open"
for attempt in 1 2; do
  run brasko "held open by another program (run $attempt)" "brasko.log run 0 runs=0"
  [ "$(md5sum <"$logs/brasko.log")" = "$held_log" ] || fail "the held log changed"
  [ "$(grep -ac '^==== brasko ' "$logs/brasko.overflow.log")" = 1 ] || fail "the overflow log holds more than one run"
  head -n 1 "$logs/brasko.overflow.log" | grep -q '^==== rotate-log: brasko.log has reached' ||
    fail "the overflow log does not say why: $(head -n 1 "$logs/brasko.overflow.log")"
done
exec {hold}>&-
wait
rm "$logs/brasko.overflow.log"

# A read-only .3 is deleted all the same, and the shift goes on.
log tolvik.log "run 0" $limit
log tolvik.log.1 "run 1" 1000
log tolvik.log.2 "run 2" 2000
log tolvik.log.3 "run 3" 3000
chmod a-w "$logs/tolvik.log.3"
run tolvik "a read-only .3" "tolvik.log ==== tolvik runs=1" \
  "tolvik.log.1 run 0 $limit" "tolvik.log.2 run 1 1000" "tolvik.log.3 run 2 2000"

echo "log rotation under Wine: wine cmd /c ran from the release ZIP $(IFS=,; echo "${ran[*]}" | sed 's/,/; /g'):" \
  "logs at or over $limit bytes shifted to .1-.3 (oldest dropped, read-only or not) and restarted with the header, the one under was appended to, one held open by another program left as it was with the run in a one-run overflow log, no other file changed, from a folder with (x86), & and spaces in its path"
