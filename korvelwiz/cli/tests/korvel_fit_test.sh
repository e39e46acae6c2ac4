#!/bin/sh
# End-to-end checks of korvel fit, errors and save on projects made from
# the bundled example's header and its iso1.dat spectrum (true values
# tc = 0.300 ns, W = 0.600 G): usage: korvel_fit_test.sh KORVEL EXAMPLES_DIR
set -eu
korvel=$1
examples=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$examples"/example.mtp "$examples"/iso1.dat "$work"/

fail() { echo "FAIL: $*" >&2; exit 1; }

# project NAME ERROR_METHOD SWITCHES: the example's header with the given
# error method, then one iso1.dat experiment started 20 % off in tc and W.
project() {
  awk -v method="$2" '
    /^Spectrum characteristics/ { exit }
    prev == "Error analysis:" { sub(/^[0-9]+/, method) }
    { lines[++n] = $0; prev = $0; sub(/\r$/, "", prev) }
    END { while (n > 0 && lines[n] ~ /^\r?$/) n--; for (i = 1; i <= n; i++) print lines[i] }
  ' "$work/example.mtp" > "$work/$1"
  printf '%s\r\n' "" "Spectrum characteristics-1:" "1" "iso1.dat" "3384.000 100.00 9.50000 0.000" \
    "Domains - types, parameters, errors, switches, group number:" "1" \
    "1 2 iso 0.800 0.360 0.720 1.0000 1.000000 1.000" "1 2 iso Error calculation not successful" \
    "1 2 iso $3" "1" "Hi2 (tip: 0):" " 1.000 (S/N= 99)" "" >> "$work/$1"
}

# fit --save: the fit returns to the true tc and W within the reported
# (95 %) errors, lowers chi^2, and the save writes errors and result file.
project start.mtp 1 "F T T F F F "
"$korvel" fit "$work/start.mtp" --save "$work/fitted.mtp" > "$work/fit.txt"
grep -q "^experiment 1: chi2 .* errors valid" "$work/fit.txt" || fail "fit report: $(cat "$work/fit.txt")"
awk '/^experiment/ { if ($6 + 0 > $4 + 0) bad = 1 } END { exit bad }' "$work/fit.txt" || fail "chi2 got worse"
within() {  # within NAME TRUE: |value - TRUE| <= error in the fit report
  sed -n "s/.* $1=\([0-9.]*\)+-\([0-9.]*\).*/\1 \2/p" "$work/fit.txt" |
    awk -v t="$2" '{ d = $1 - t; if (d < 0) d = -d; found = 1; if (d > $2 + 0) bad = 1 } END { exit !found || bad }'
}
within tc 0.300 || fail "tc not within its error: $(cat "$work/fit.txt")"
within W 0.600 || fail "W not within its error: $(cat "$work/fit.txt")"
! grep -q "Error calculation not successful" "$work/fitted.mtp" || fail "saved project lacks errors"
[ "$(wc -l < "$work/iso1_iso1.dat")" -eq 1024 ] || fail "result file beside the saved project"

"$korvel" fit "$work/start.mtp" --experiment 1 --json > "$work/fit.json"
grep -q '"errors_valid": true' "$work/fit.json" || fail "fit json"
grep -q '"errors"' "$work/fit.json" || fail "fit json errors"

# errors alone: switched parameters, correlations, inversion result.
"$korvel" errors "$work/start.mtp" > "$work/errors.txt"
grep -q "inversion succeeded" "$work/errors.txt" || fail "errors report"
grep -q "correlations:" "$work/errors.txt" || fail "errors correlations"
"$korvel" errors "$work/start.mtp" --json | grep -q '"correlations"' || fail "errors json"

# A singular curvature matrix: pa and pg pinned by equal limits (first
# Limits line) with equal grids (first Grids line) and switched on. The
# save carries the failure note; the diagnostic lies beside the saved file.
project pinned0.mtp 0 "F F F T T F "
awk '
  done_l == 0 && prev ~ /^Limits:/ { sub(/0\.9500 1\.0500 0\.999500 1\.000500/, "1.0000 1.0000 1.000000 1.000000"); done_l = 1 }
  done_g == 0 && prev ~ /^Grids:/ { sub(/0\.0010 0\.000020/, "0.0010 0.001000"); done_g = 1 }
  { print; prev = $0 }' "$work/pinned0.mtp" > "$work/pinned.mtp"
grep -q "1.0000 1.0000 1.000000 1.000000" "$work/pinned.mtp" || fail "fixture limits"
"$korvel" errors "$work/pinned.mtp" | grep -q "inversion failed" || fail "singular errors"
[ -f "$work/pinne_Exc_GaussJ.txt" ] || fail "diagnostic beside the opened project"
"$korvel" save "$work/pinned.mtp" "$work/pinned_saved.mtp" > "$work/save.txt"
grep -q "error calculation successful for 0" "$work/save.txt" || fail "save report"
[ "$(grep -c "Error calculation not successful" "$work/pinned_saved.mtp")" -eq 1 ] || fail "failure note"
# The name drops the last five characters of the saved name ("d.mtp").
[ -f "$work/pinned_save_Exc_GaussJ.txt" ] || fail "diagnostic file"

# Errors: an experiment that does not exist, a save that cannot be written.
if "$korvel" fit "$work/start.mtp" --experiment 9 2> "$work/err.txt"; then fail "experiment 9 accepted"; fi
grep -q "experiment 9" "$work/err.txt" || fail "message for experiment 9"
if "$korvel" save "$work/start.mtp" "$work/no/such/dir/x.mtp" 2> /dev/null; then fail "unwritable save"; fi
echo "korvel fit, errors, save: all checks passed"
