#!/usr/bin/env bash
# Runs the whole cycle on a freshly generated sample site:
#   1. make_sample_site writes a site with data files in the to-send directory;
#   1a. sitecheck shows what the cycle will do, changing nothing (when built);
#   2. tolvik stamps them (its trace is shown);
#   3. the stamped files are moved to the sent directory, as the site's
#      transfer tool does after sending them;
#   4. brasko files them into the archive tree (its trace is shown);
#   5. the resulting tree is listed, and sitecheck --archive audits it.
# Usage: tools/sample_cycle.sh [BUILD_DIR] [FILES]   (defaults: build, 12)
set -euo pipefail
build=${1:-build}
files=${2:-12}
site=$(mktemp -d "${TMPDIR:-/tmp}/sample-site-XXXXXX")/site

# Dated this year: sitecheck warns of files dated far from the PC clock's year.
"$build/tools/make_sample_site" --dir "$site" --files "$files" --year "$(date +%Y)"
echo
echo "== to-send directory before stamping =="
ls "$site/base/aenvoyer"
if [ -x "$build/sitecheck/sitecheck" ]; then
  echo
  echo "== sitecheck (a dry run: nothing changes) =="
  status=0
  (cd "$site" && ProgramFiles="$site/Program Files" "$OLDPWD/$build/sitecheck/sitecheck") || status=$?
  echo "(exit status $status)"
fi
echo
echo "== tolvik =="
(cd "$site" && ProgramFiles="$site/Program Files" "$OLDPWD/$build/stamper/tolvik")
echo
echo "== to-send directory after stamping =="
ls "$site/base/aenvoyer"
for file in "$site/base/aenvoyer"/*; do mv -n "$file" "$site/base/envoye/"; done
echo
echo "== brasko =="
(cd "$site" && "$OLDPWD/$build/filer/brasko")
echo
echo
echo "== archive tree under $site/base =="
(cd "$site/base" && find . -type f | sort)
if [ -x "$build/sitecheck/sitecheck" ]; then
  echo
  echo "== sitecheck --archive (an audit of the archive: nothing changes) =="
  status=0
  (cd "$site" && "$OLDPWD/$build/sitecheck/sitecheck" --archive) || status=$?
  echo "(exit status $status)"
fi
