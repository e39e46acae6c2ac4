#!/bin/sh
# End-to-end checks of the korvel command line on a copy of the bundled
# example: usage: korvel_cli_test.sh KORVEL EXAMPLES_DIR
set -eu
korvel=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/*.mtp "$examples"/*.dat "$examples"/*.asc "$examples"/*.spc "$work"/

fail() { echo "FAIL: $*" >&2; exit 1; }

"$korvel" --help | grep -q "open" || fail "--help lists no open"
"$korvel" open --help | grep -q -- "--no-sort" || fail "open --help"

# Table, result files and a written project.
"$korvel" open "$work/example.mtp" --results "$work/res" --write "$work/out.mtp" > "$work/table.txt"
[ "$(grep -c iso "$work/table.txt")" -ge 3 ] || fail "table"
[ "$(ls "$work/res" | wc -l)" -eq 8 ] || fail "result files"
[ "$(wc -l < "$work/res/iso1_iso1.dat")" -eq 1024 ] || fail "result lines"
grep -q "Error calculation not successful" "$work/out.mtp" || fail "written project"
# Re-opening the written project gives the same table.
"$korvel" open "$work/out.mtp" > "$work/table2.txt"
cmp -s "$work/table.txt" "$work/table2.txt" || fail "re-opened project differs"

# JSON in file order.
"$korvel" open "$work/example.mtp" --no-sort --json > "$work/open.json"
grep -q '"experiments"' "$work/open.json" || fail "json"
grep -q '"integral_peak"' "$work/open.json" || fail "json spectra"
grep -q '"file": "iso1.dat"' "$work/open.json" || fail "json file order"

# A missing spectral file: message naming it, status 1, nothing written.
rm "$work/trp1.spc"
if "$korvel" open "$work/example.mtp" --write "$work/never.mtp" 2> "$work/err.txt"; then
  fail "missing spectral file accepted"
fi
grep -q "trp1.spc" "$work/err.txt" || fail "message does not name the file"
[ ! -e "$work/never.mtp" ] || fail "wrote a project after a failure"
# korvel serve hands its arguments to korvel-serve beside korvel, where
# that was built.
if [ -x "$(dirname "$korvel")/korvel-serve" ]; then
  "$korvel" serve --help | grep -q -- "--reply-host" || fail "serve --help"
  if "$korvel" serve "$work/none.mtp" 2> /dev/null; then fail "serve of a missing project"; fi
fi
echo "korvel command line: all checks passed"
