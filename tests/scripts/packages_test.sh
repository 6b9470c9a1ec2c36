#!/usr/bin/env bash
# scripts/packages.sh and scripts/checks.sh against a fake apt (fake-apt):
# an apt-get update that fails as a mirror in mid-sync makes it fail is
# tried again and the install goes on; a package apt cannot install gives
# one line, apt's reason, and status 77, with which a check exits; a
# foreign architecture whose index is broken is taken out again, so that
# later updates succeed; and scripts/test lists such a check as not run and
# fails only for a check that ran and failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for command in apt-get dpkg dpkg-query id sleep; do
  ln -s "$root/tests/scripts/fake-apt" "$work/bin/$command"
done
export PATH="$work/bin:$PATH"

failures=0
# expect WHAT ACTUAL EXPECTED: ACTUAL must match the pattern EXPECTED.
expect() {
  # shellcheck disable=SC2053  # the pattern is meant to match
  [[ "$2" == $3 ]] && return 0
  printf 'FAIL %s\n  got:      %s\n  expected: %s\n' "$1" "$2" "$3" >&2
  failures=$((failures + 1))
}

# run COMMAND...: runs it on a fresh machine state set up beforehand in
# $FAKE_APT, with the functions of scripts/packages.sh, under set -e as the
# scripts run; leaves its status in $status and its standard error in $err.
fresh() {
  export FAKE_APT="$work/state-$1"
  mkdir "$FAKE_APT"
  : >"$FAKE_APT/calls"
}
run() {
  status=0
  err=$(bash -c 'set -euo pipefail; . "$0"; "$@"; echo "went on" >&2' \
    "$root/scripts/packages.sh" "$@" 2>&1 >/dev/null) || status=$?
}
calls() { grep -c "^$1" "$FAKE_APT/calls"; }

# A good index: only the missing package is installed, after one update.
fresh good
echo cmake >"$FAKE_APT/installed"
run ensure_packages cmake nodejs
expect "good: status" "$status" 0
expect "good: updates" "$(calls 'apt-get update')" 1
expect "good: install" "$(grep '^apt-get install' "$FAKE_APT/calls")" "* nodejs"
expect "good: pauses" "$(calls sleep)" 0

# A broken index: three tries, two pauses, and the install goes on.
fresh broken
echo amd64 >"$FAKE_APT/broken"
run ensure_packages nodejs
expect "broken: status" "$status" 0
expect "broken: updates" "$(calls 'apt-get update')" 3
expect "broken: pauses" "$(grep '^sleep' "$FAKE_APT/calls" | sort -u)" "sleep 10"
expect "broken: the tries" "$(grep -c 'update failed (try [123] of 3): Failed to fetch .*Mirror sync in progress?' <<<"$err")" 3
expect "broken: installed" "$(cat "$FAKE_APT/installed")" nodejs

# A package apt cannot install: one line, status 77, and the check stops.
fresh unmet
echo wine32:i386 >"$FAKE_APT/uninstallable"
export ZEMTA_NOT_RUN_NOTES="$work/notes"
run ensure_packages wine32:i386
unset ZEMTA_NOT_RUN_NOTES
line="zemta: cannot install wine32:i386: wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4)"
line+=" but it is not going to be installed; Unable to correct problems, you have held broken packages."
expect "unmet: status" "$status" 77
expect "unmet: message" "$(grep -v '^zemta: installing' <<<"$err")" "$line"
expect "unmet: notes" "$(cat "$work/notes")" "$line"

# The foreign architecture of an install that fails is taken out again, so
# that its broken index does not fail the next update; once its packages
# are installed it stays.
fresh foreign
echo i386 >"$FAKE_APT/broken"
echo wine32:i386 >"$FAKE_APT/uninstallable"
run ensure_foreign_packages i386 wine32:i386
expect "foreign: status" "$status" 77
expect "foreign: updates" "$(calls 'apt-get update')" 3
expect "foreign: architectures" "$(cat "$FAKE_APT/architectures")" ""
run ensure_packages nodejs
expect "foreign: next update" "$(calls 'apt-get update')" 4
expect "foreign: next install" "$status $(tail -n 1 <<<"$err")" "0 went on"
fresh foreign-installed
run ensure_foreign_packages i386 wine32:i386
expect "foreign installed: status" "$status" 0
expect "foreign installed: architectures" "$(cat "$FAKE_APT/architectures")" i386

# scripts/test itself, in a tree whose checks are fakes that each need a
# package of their own name, with fake cmake and ctest: a check whose
# package cannot be installed is listed as not run with apt's reason, the
# others still run, ctest's closing line is the run's last, and the run
# fails for a check that ran and failed, listing the checks again last, or
# when its own packages cannot be installed.
mkdir -p "$work/tree/scripts"
cp "$root/scripts/test" "$root/scripts/packages.sh" "$root/scripts/checks.sh" "$work/tree/scripts/"
for check in check-reproducible check-platforms check-wasm check-page release fuzz static-checks; do
  # shellcheck disable=SC2016  # expanded by the fake check
  printf '%s\n' '#!/usr/bin/env bash' 'set -euo pipefail' '. "$(dirname "$0")/packages.sh"' \
    'ensure_packages "$(basename "$0")"' 'exit "${FAKE_FAILS:-0}"' >"$work/tree/scripts/$check"
  chmod +x "$work/tree/scripts/$check"
done
printf '%s\n' '#!/bin/sh' >"$work/bin/cmake"
printf '%s\n' '#!/bin/sh' 'echo "100% tests passed, 0 tests failed out of 9"' >"$work/bin/ctest"
chmod +x "$work/bin/cmake" "$work/bin/ctest"
test_run() {
  touch "$FAKE_APT/all-installed"
  printf '%s\n' "$@" >"$FAKE_APT/uninstallable"
  status=0
  out=$("$work/tree/scripts/test" 2>&1) || status=$?
}
fresh run
test_run check-platforms
expect "run: status" "$status" 0
expect "run: not run" "$(grep -A1 'not run  scripts/check-platforms' <<<"$out" | tail -n 1)" \
  "* zemta: cannot install check-platforms: *Unable to correct problems*"
expect "run: passed" "$(grep -c '^  passed ' <<<"$out")" 7
expect "run: count" "$(grep '^scripts/test: .* not run$' <<<"$out")" "scripts/test: 7 passed, 0 failed, 1 not run"
expect "run: last line" "$(tail -n 1 <<<"$out")" "100% tests passed, *"
fresh failing
FAKE_FAILS=1 test_run check-platforms
expect "failing: status" "$status" 1
expect "failing: count, last" "$(tail -n 1 <<<"$out")" "scripts/test: 1 passed, 6 failed, 1 not run"
fresh base
test_run g++
expect "base: status" "$status" 1
expect "base: message" "$(tail -n 1 <<<"$out")" "scripts/test: the packages of the build *nothing can run"

[ "$failures" -eq 0 ] || exit 1
echo "packages_test: all cases as expected"
