# shellcheck shell=bash
# Wine, set up one way for every script that runs a Windows program
# (check-platforms and release on the host, scripts/guest/run-job for the
# 32-bit program in the emulated machine). Sourced after scripts/packages.sh.

# The DLLs a Windows program of ours may import: those every Windows system
# has. The C++ runtime and winpthread are linked in (CMakeLists.txt).
windows_dlls=(kernel32.dll msvcrt.dll)

# Fails, naming them, if the Windows program $1 imports any other DLL.
check_windows_imports() {
  local dll allowed foreign=()
  for dll in $(x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print $3 }'); do
    for allowed in "${windows_dlls[@]}"; do
      [ "${dll,,}" != "$allowed" ] || continue 2
    done
    foreign+=("$dll")
  done
  if [ ${#foreign[@]} -gt 0 ]; then
    echo "$1 needs ${foreign[*]}, which Windows does not provide" >&2
    return 1
  fi
}

# Exports the settings every run needs for the Wine prefix $1 and the loader
# $2 (/usr/lib/wine/wine64, or /usr/lib/wine/wine for a 32-bit prefix), and
# makes the prefix if it is not there.
make_wine_prefix() {
  export WINEPREFIX="$1" WINELOADER="$2" WINEDEBUG=-all
  # No Mono or Gecko install dialogs when the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ "$2" = /usr/lib/wine/wine ]; then
    export WINEARCH=win32
  fi
  [ ! -f "$WINEPREFIX/system.reg" ] || return 0
  # In the emulated machine on a loaded host, making the prefix took 332 s,
  # and twice the machines stopped at about 350 s with nothing said:
  # wineboot's output was thrown away. It is kept now, shown when wineboot
  # fails, and wineboot is tried again.
  local attempt
  for attempt in 1 2 3; do
    if "$WINELOADER" wineboot -i >"$WINEPREFIX.log" 2>&1; then
      /usr/lib/wine/wineserver -w
      return 0
    fi
    /usr/lib/wine/wineserver -w || true
    echo "wine.sh: making $WINEPREFIX failed (attempt $attempt):" >&2
    tail -n 5 "$WINEPREFIX.log" >&2
  done
  return 1
}

# The same, then starts one server for all runs, so that a run costs tens of
# milliseconds; the caller stops it with stop_wine.
start_wine() {
  make_wine_prefix "$@"
  /usr/lib/wine/wineserver -p
}

# Makes every file of the prefix $1 that wineboot copied from Wine's own
# Windows DLLs and programs a symbolic link to that file: Wine loads it just
# the same, and a prefix shrinks from 588 MB to 13 MB (32-bit) or from
# 695 MB to 19 MB (64-bit).
link_wine_prefix() {
  find "$1/drive_c" -type f -print0 | perl -0 -ne '
    chomp;
    my $name = (split m{/})[-1];
    for my $dir (map { "/usr/lib/$_-linux-gnu/wine/$_-windows" } "i386", "x86_64") {
      my $wine = "$dir/$name";
      next unless -f $wine && -s $wine == -s $_;
      local $/;
      open(my $copy, "<", $_) or die "$_: $!";
      open(my $original, "<", $wine) or die "$wine: $!";
      next unless <$copy> eq <$original>;
      unlink($_) && symlink($wine, $_) or die "$_: $!";
      last;
    }'
}

stop_wine() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
