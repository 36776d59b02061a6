#!/usr/bin/env bash
# Installs the Windows release ZIP as a site operator would and runs it under
# Wine: unzip into a fresh folder, configure from the samples, run both
# command files, then upgrade by unzipping the package over the folder and
# run them again. Checks that
#   - the parameter files under "Program Files (x86)" give the numbers;
#   - the command files make logs\ and append a dated header and the trace;
#   - sitecheck (through run-sitecheck.cmd) foretells the run, gives status 0
#     on the healthy site and changes nothing;
#   - the upgrade leaves the site's configuration as it was, and the logs
#     hold both runs of each program.
# Usage: tests/release_under_wine.sh RELEASE_ZIP NATIVE_BUILD_DIR
# (WINEPREFIX names a booted 64-bit prefix; the native build gives
# make_sample_site).
set -euo pipefail
zip=$1
native=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/release-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "release test: $*" >&2; exit 1; }
unzip_into() { python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$1" "$2"; }
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

prog="$work/prog"
mkdir -p "$prog"
unzip_into "$zip" "$prog"
[ ! -e "$prog/path_autok7.txt" ] && [ ! -e "$prog/electron-site.ini" ] || fail "the package holds a site's configuration file"

# The site: data files made by our generator, dated this year (the dry run
# warns of files far from the clock's year), the parameter files where the
# 32-bit acquisition software keeps them.
par_dir="$WINEPREFIX/drive_c/Program Files (x86)/ASTPWin/PAR"
year=$(date +%Y)
"$native/tools/make_sample_site" --dir "$work/site" --files 20 --year "$year" --windows-paths --program-files "$WINEPREFIX/drive_c/Program Files (x86)" >/dev/null
trap 'rm -rf "$work"; rm -f "$par_dir"/CIM*.PAR' EXIT

# The operator's configuration: the samples, edited.
cp "$prog/samples/path_autok7.txt" "$prog/samples/electron-site.ini" "$prog/"
sed -i "s|C:\\\\vardel\\\\base|$(windows "$work/site/base" | sed 's/\\/\\\\/g')|" "$prog/path_autok7.txt"
sed -i 's/Coteau/Testsite/' "$prog/electron-site.ini"
config_before=$(cat "$prog/path_autok7.txt" "$prog/electron-site.ini" | md5sum)

site_digest() { (cd "$work/site" && find . -type f -exec md5sum {} + | sort | md5sum); }

# The dry run before going live: every file handled, nothing changed.
[ -f "$prog/sitecheck.exe" ] || fail "the package lacks sitecheck.exe"
digest_before=$(site_digest)
status=0
wine cmd /c "$(windows "$prog/run-sitecheck.cmd")" --json </dev/null >"$work/sitecheck.json" 2>/dev/null || status=$?
[ "$status" -eq 0 ] || fail "sitecheck gave status $status on a healthy site: $(cat "$work/sitecheck.json")"
grep -q '"counts": {"filed": 20, "staying": 0' "$work/sitecheck.json" || fail "sitecheck did not foretell 20 filed files"
[ "$(site_digest)" = "$digest_before" ] || fail "sitecheck changed the site"

run_cycle() {
  wine cmd /c "$(windows "$prog/run-tolvik.cmd")" </dev/null >/dev/null 2>&1 || fail "run-tolvik.cmd failed"
  for file in "$work/site/base/aenvoyer"/*; do [ -e "$file" ] && mv -n "$file" "$work/site/base/envoye/"; done
  wine cmd /c "$(windows "$prog/run-brasko.cmd")" </dev/null >/dev/null 2>&1 || fail "run-brasko.cmd failed"
}

run_cycle
[ -f "$work/site/base/300/$year/P0300_Testsite_${year}01010000.K7" ] || fail "photometer 300 not numbered from Program Files (x86)"
[ -f "$work/site/base/1234/$year/P1234_Testsite_${year}01010014.K7" ] || fail "photometer 1234 not numbered from Program Files (x86)"
grep -q 'File programmes: C:\\Program Files (x86)' "$prog/logs/tolvik.log" || fail "tolvik.log lacks the parameter folder"

# The upgrade: the package unzipped over the installed folder, then a new
# batch of data files.
unzip_into "$zip" "$prog"
[ "$(cat "$prog/path_autok7.txt" "$prog/electron-site.ini" | md5sum)" = "$config_before" ] || fail "the upgrade changed the configuration"
"$native/tools/make_sample_site" --dir "$work/more" --files 20 --year 2016 --program-files "$work/more-pf" >/dev/null
mv "$work/more/base/aenvoyer"/* "$work/site/base/aenvoyer/"
run_cycle
[ -f "$work/site/base/300/2016/P0300_Testsite_201601010000.K7" ] || fail "the second run did not file its data"

for program in tolvik brasko; do
  headers=$(grep -c "^==== $program " "$prog/logs/$program.log")
  [ "$headers" -eq 2 ] || fail "$program.log holds $headers runs, not 2"
done
grep -q 'Plus de fichier' "$prog/logs/tolvik.log" || fail "tolvik.log lacks the trace"
grep -q '=lcopy=>move' "$prog/logs/brasko.log" || fail "brasko.log lacks the trace"
[ -z "$(ls "$work/site/base/envoye")" ] || fail "files left in the sent directory"
echo "release ZIP under Wine: installed, configured, sitecheck foretold 20 filed files and changed nothing, both command files run twice with one upgrade between: logs hold 2 runs each, configuration unchanged, numbers from Program Files (x86)"
