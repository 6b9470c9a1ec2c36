# shellcheck shell=bash
# Installs the Debian packages given as arguments that the machine lacks.
# Sourced by the build and test scripts.

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  if [ "$(id -u)" -ne 0 ]; then
    echo "zemta: these Debian packages are missing; install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "zemta: installing ${missing[*]}" >&2
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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

# Lets apt install the packages of the foreign architecture $1 (i386 for
# wine32 on amd64); ensure_packages runs apt-get update before it installs
# anything, which then also reads that architecture's package lists.
ensure_foreign_architecture() {
  [ "$(dpkg --print-architecture)" != "$1" ] || return 0
  dpkg --print-foreign-architectures | grep -qx "$1" && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "zemta: run 'sudo dpkg --add-architecture $1' first" >&2
    exit 1
  fi
  dpkg --add-architecture "$1"
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
