# shellcheck shell=bash
# Installs the Debian packages given as arguments that the machine lacks.
# Sourced by the build and test scripts.
#
# A package index that apt cannot read (a mirror half-way through a sync:
# "File has unexpected size ... Mirror sync in progress?") does not stop an
# install by itself: apt-get update is tried a few times and apt goes on
# with the lists it has. Packages that apt then cannot install make
# ensure_packages print one line, the packages and apt's reason, and
# return $packages_unavailable, with which a check under set -e exits; the
# line also goes to the file $ZEMTA_NOT_RUN_NOTES when that is set
# (scripts/test sets it, and lists the check as not run).

# The status of a check whose packages cannot be installed (77, "skipped"
# to automake and CTest).
packages_unavailable=77

# apt-get update's tries and the seconds between them: a mirror's sync
# takes minutes, and an index broken for longer is not waited for.
apt_update_tries=3
apt_update_pause=10

# Prints those of the packages given that are not installed, one a line.
missing_packages() {
  local pkg
  for pkg in "$@"; do
    if ! grep -q 'install ok installed' <<<"$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)"; then
      echo "$pkg"
    fi
  done
}

# Writes its arguments as one line to standard error and, when scripts/test
# runs the check, to its notes: why the check, or a part of it, did not run.
note_not_run() {
  echo "$*" >&2
  [ -z "${ZEMTA_NOT_RUN_NOTES:-}" ] || echo "$*" >>"$ZEMTA_NOT_RUN_NOTES"
}

# apt-get update, tried $apt_update_tries times; a failure is told, one line
# a try with apt's first error, and is no failure of the caller. Returns 1
# when the last try failed, which the caller only mentions.
update_package_lists() {
  local try output error
  for ((try = 1; try <= apt_update_tries; try++)); do
    output=$(apt-get update -qq 2>&1) && return 0
    error=$(sed -n '/^E: /{s///p;q}' <<<"$output")
    echo "zemta: apt-get update failed (try $try of $apt_update_tries):" \
      "${error:-it gave no error line}" >&2
    [ "$try" -eq "$apt_update_tries" ] || sleep "$apt_update_pause"
  done
  echo "zemta: going on with the package lists apt has" >&2
  return 1
}

# apt's reason in apt-get's output $1: the first unmet dependency, if any,
# and its error lines, on one line.
apt_reason() {
  awk '
    /^The following packages have unmet dependencies:/ { unmet = 1; next }
    unmet == 1 && NF { gsub(/^ +| +$/, ""); gsub(/ +/, " "); first = $0; unmet = 2 }
    /^E: / { sub(/^E: /, ""); errors = errors (errors == "" ? "" : "; ") $0 }
    END { print first (first != "" && errors != "" ? "; " : "") errors }' <<<"$1"
}

ensure_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0

  if [ "$(id -u)" -ne 0 ]; then
    echo "zemta: these Debian packages are missing; install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "zemta: installing ${missing[*]}" >&2
  local updated=true output reason
  update_package_lists || updated=false
  if ! output=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
      --no-install-recommends "${missing[@]}" 2>&1); then
    reason=$(apt_reason "$output")
    reason=${reason:-apt-get install failed}
    $updated || reason+=" (after a failed apt-get update)"
    note_not_run "zemta: cannot install ${missing[*]}: $reason"
    return "$packages_unavailable"
  fi
}

# The WebAssembly toolchain of the wasm preset: clang and lld 14 with
# Debian's WASI sysroot (cmake/toolchains/wasm32-wasi.cmake).
# shellcheck disable=SC2034  # used by the scripts that source this file
wasm_toolchain=(clang-14 lld-14 wasi-libc libc++-dev-wasm32
  libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32)

# Configures and builds the wasm preset (build/wasm): the module, the page
# of build/wasm/site and the module's tests (ctest --preset wasm). Ninja
# rebuilds only what changed, so a site older than web/ or the sources is
# brought up to date. The one place the scripts build it.
build_wasm() {
  # Node runs the module as the page is written (cmake/zemta_web_draw.mjs).
  ensure_packages cmake ninja-build nodejs "${wasm_toolchain[@]}"
  cmake --preset wasm >/dev/null
  cmake --build --preset wasm >/dev/null
}

# Installs the packages given, some of the foreign architecture $1 (i386,
# for wine32:i386 on amd64), adding that architecture to dpkg's for the
# install. Only this install reads its index: when the install fails, the
# architecture is taken out again, so that the later apt-get updates of
# other checks read only the native index, and a broken index of the
# foreign one (a mirror's sync can leave it so for hours) harms none of
# them. dpkg removes an architecture only while no package of it is in its
# database, which is the sound test: once its packages are installed, the
# architecture stays, as they need it, and an update that then fails only
# leaves its lists as they were (update_package_lists).
ensure_foreign_packages() {
  local arch=$1
  shift
  [ -n "$(missing_packages "$@")" ] || return 0
  local added=false status=0
  if [ "$(dpkg --print-architecture)" != "$arch" ] &&
    ! grep -qx "$arch" <<<"$(dpkg --print-foreign-architectures)"; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "zemta: run 'sudo dpkg --add-architecture $arch' first" >&2
      exit 1
    fi
    dpkg --add-architecture "$arch"
    added=true
  fi
  ensure_packages "$@" || status=$?
  if $added && [ "$status" -ne 0 ]; then
    if dpkg --remove-architecture "$arch" 2>/dev/null; then
      echo "zemta: the architecture $arch is taken out again" >&2
    else
      echo "zemta: the architecture $arch stays: some of its packages are installed" >&2
    fi
  fi
  return "$status"
}

# The npm packages of the page's test and benchmark (tests/web: playwright-
# core, which downloads no browser and drives Debian's chromium, and
# axe-core), installed as tests/web/package-lock.json pins them, when that
# lock file is newer than the last install.
ensure_web_test_packages() {
  ensure_packages chromium nodejs
  # NodeSource's nodejs package brings npm; Debian's comes on its own.
  command -v npm >/dev/null || ensure_packages npm
  local here
  here=$(dirname "${BASH_SOURCE[0]}")/../tests/web
  if [ ! "$here/node_modules/.package-lock.json" -nt "$here/package-lock.json" ]; then
    (cd "$here" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 \
      npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  fi
}
