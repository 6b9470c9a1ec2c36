# shellcheck shell=bash
# Runs the checks of scripts/test one after another, whatever each gives,
# and says at the end how each went. Sourced after scripts/packages.sh.
#
#   run_check NAME COMMAND [ARGUMENT...]
#     runs the command and records how it went: passed (status 0), not run
#     (status $packages_unavailable: its packages cannot be installed, or a
#     part of it could not run for that reason; what it noted with
#     note_not_run is its reason), or failed (any other status).
#   print_checks
#     writes to standard error one line for each check and its time, a not
#     run check's reasons below it, and a count.
#   checks_status
#     0 when no check that ran failed, else 1: a check that could not run
#     counts neither way.

check_names=()
check_results=()
check_reasons=()

run_check() {
  local name=$1 notes status=0 start=$SECONDS
  shift
  notes=$(mktemp)
  # A function run in a condition runs without set -e: a shell function
  # given as COMMAND must stop at its first failure itself (cmd && cmd).
  ZEMTA_NOT_RUN_NOTES=$notes "$@" || status=$?
  check_names+=("$name")
  # shellcheck disable=SC2154  # packages_unavailable: scripts/packages.sh
  if [ "$status" -eq 0 ]; then
    check_results+=("passed   $name ($((SECONDS - start)) s)")
  elif [ "$status" -eq "$packages_unavailable" ]; then
    check_results+=("not run  $name")
  else
    check_results+=("failed   $name (exit $status, $((SECONDS - start)) s)")
  fi
  check_reasons+=("$(cat "$notes")")
  rm -f "$notes"
  echo "scripts/test: ${check_results[-1]}" >&2
}

print_checks() {
  local k passed=0 failed=0 not_run=0 line
  echo "scripts/test: the checks before the dev suite" >&2
  for k in "${!check_names[@]}"; do
    echo "  ${check_results[$k]}" >&2
    case "${check_results[$k]}" in
      passed*) passed=$((passed + 1)) ;;
      failed*) failed=$((failed + 1)) ;;
      *)
        not_run=$((not_run + 1))
        while IFS= read -r line; do
          echo "           $line" >&2
        done <<<"${check_reasons[$k]:-(it gave no reason)}"
        ;;
    esac
  done
  echo "scripts/test: $passed passed, $failed failed, $not_run not run" >&2
}

checks_status() {
  local result
  for result in "${check_results[@]}"; do
    [[ "$result" != failed* ]] || return 1
  done
  return 0
}
