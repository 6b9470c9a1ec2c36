# Runs a build of the program for every order and every usage error, and
# compares the outputs; sourced by scripts/check-platforms, on the host and
# in the machine that runs the 32-bit Windows program. The files go to the
# folder $root.

# Runs the program of runner $1 (command $2) for the orders given after it
# (default all, 2 to 999), writing to $root/$1.out and $root/$1.err each
# order's streams behind a line "#order <n>", and to $root/$1.status the
# orders that did not exit 0, with their exit status.
#
# On a loaded machine Wine now and then fails to start a process: it exits
# non-zero before the program has written its banner. Such a run, and only
# such a run, is tried again, at most twice, and reported.
all_orders() {
  local name="$1" n rc attempt runs
  local -a command orders
  read -r -a command <<<"$2"
  shift 2
  orders=("$@")
  [ ${#orders[@]} -gt 0 ] || orders=($(seq 2 999))
  # Each run writes files of its own, gathered by one process at the end:
  # in the emulated machine every extra process per order costs tens of
  # milliseconds.
  runs="$root/$name.runs"
  rm -rf "$runs"
  mkdir "$runs"
  : >"$root/$name.status"
  for n in "${orders[@]}"; do
    for attempt in 1 2 3; do
      rc=0
      "${command[@]}" "$n" >"$runs/$n.out" 2>"$runs/$n.err" || rc=$?
      if [ "$rc" -eq 0 ] || [ -s "$runs/$n.err" ] || [ "$attempt" -eq 3 ]; then
        break
      fi
      echo "check-platforms: $name $n exited $rc without output; again" >&2
    done
    [ "$rc" -eq 0 ] || echo "$n (exit $rc)" >>"$root/$name.status"
  done
  perl -e '
    my ($runs, $root, $name, @orders) = @ARGV;
    for my $stream ("out", "err") {
      open(my $all, ">", "$root/$name.$stream") or die "$root/$name.$stream: $!";
      for my $n (@orders) {
        open(my $run, "<", "$runs/$n.$stream") or die "$runs/$n.$stream: $!";
        local $/;
        print $all "#order $n\n", scalar(<$run>) // "";
      }
      close($all) or die "$root/$name.$stream: $!";
    }' "$runs" "$root" "$name" "${orders[@]}"
  rm -r "$runs"
}

# Usage errors and a failed write: "<name>|<arguments>|<stdout>", where an
# empty <stdout> is a file whose size is recorded.
cases=("no-argument||" "two-arguments|20 30|" "not-a-number|abc|"
  "order-1|1|" "order-1000|1000|" "full-output|20|/dev/full")

# Runs the cases for runner $1 (command $2), writing each case's standard
# error, exit status and (where kept) the size of its standard output to
# $root/$1.cases, behind a line "#case <name>".
all_cases() {
  local name="$1" case_name args output rc
  local -a command argv
  read -r -a command <<<"$2"
  : >"$root/$name.cases"
  for entry in "${cases[@]}"; do
    IFS='|' read -r case_name args output <<<"$entry"
    read -r -a argv <<<"$args"
    echo "#case $case_name" >>"$root/$name.cases"
    rc=0
    "${command[@]}" "${argv[@]}" >"${output:-$root/case.out}" \
      2>>"$root/$name.cases" || rc=$?
    echo "#case $case_name status $rc" >>"$root/$name.cases"
    if [ -z "$output" ]; then
      echo "#case $case_name stdout $(wc -c <"$root/case.out") bytes" >>"$root/$name.cases"
    fi
  done
  rm -f "$root/case.out"
}

# Writes to $1 the "#order" sections of the files after it, in the order of
# the orders.
merge_orders() {
  local split n out="$1"
  shift
  split=$(mktemp -d)
  awk -v dir="$split" '/^#order / { if (file) close(file); file = dir "/" $2 } { print > file }' "$@"
  for n in $(seq 2 999); do
    [ ! -f "$split/$n" ] || cat "$split/$n"
  done >"$out"
  rm -r "$split"
}

# Writes the native file $1 as Windows would write it: every line of the
# program's text ends in CR LF; the "#order" and "#case" lines stay as written.
as_windows() {
  perl -pe 's/\n/\r\n/ unless /^#(order|case) /' "$1"
}

# The orders whose text differs between the files $1 and $2.
differing_orders() {
  local split n
  split=$(mktemp -d)
  awk -v dir="$split" '/^#order / { if (file) close(file); file = dir "/a" $2 } { print > file }' "$1"
  awk -v dir="$split" '/^#order / { if (file) close(file); file = dir "/b" $2 } { print > file }' "$2"
  for n in $(seq 2 999); do
    cmp -s "$split/a$n" "$split/b$n" || printf ' %s' "$n"
  done
  rm -r "$split"
}
