#!/bin/sh
# korvel info and korvel open on real spectrometer files (BES3T and WinEPR):
# usage: korvel_spectrometer_test.sh KORVEL BRUKER_TESTDATA_DIR
set -eu
korvel=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$data"/* "$work"/

fail() { echo "FAIL: $*" >&2; exit 1; }

"$korvel" info "$work/BDPA-1DFieldSweep.DTA" | grep -q "BES3T, 3000 points" || fail "info BES3T"
"$korvel" info --json "$work/EMX-winEPR.spc" | grep -q '"format": "WinEPR"' || fail "info WinEPR"
if "$korvel" info "$work/missing.dat" 2> "$work/err.txt"; then fail "missing file accepted"; fi
grep -q "missing.dat" "$work/err.txt" || fail "info message"

# Both experiments load, align and simulate (a failed simulation would give
# the fallback fitness 100 / NoiseWeight, above 1e9 for these S/N).
"$korvel" open "$work/spectrometer_files.mtp" --no-sort --json > "$work/open.json"
grep -q '"file": "BDPA-1DFieldSweep.DTA"' "$work/open.json" || fail "BES3T experiment"
grep -q '"file": "EMX-winEPR.spc"' "$work/open.json" || fail "WinEPR experiment"
if grep -E '"fitness": [0-9]{10,}' "$work/open.json"; then fail "a simulation failed"; fi
echo "spectrometer files: all checks passed"
