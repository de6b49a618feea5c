#!/usr/bin/env bash
# Runs a Windows test program under Wine: wine-run.sh PREFIX PROGRAM [ARGS...]
#
# CTest starts every test through this script. All runs share one Wine prefix,
# made on first use; its server stays up between runs while tests follow each
# other. The tests need no display, and Mono and Gecko are never offered.
set -euo pipefail

prefix=$1
shift
wine=/usr/lib/wine/wine64

export WINEPREFIX=$prefix
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY

# Several tests may start at once: one makes the prefix or starts Wine, the
# others wait for it.
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -e "$prefix/.ready" ]; then
  rm -rf "$prefix"
  if ! "$wine" wineboot -i </dev/null >"$prefix.log" 2>&1 9>&-; then
    echo "wine-run.sh: making the Wine prefix failed:" >&2
    cat "$prefix.log" >&2
    exit 1
  fi
  touch "$prefix/.ready"
fi
# Wine's server and its background services outlive the program that starts
# them, and keep its output open: CTest would wait for them to quit after
# every test. Started here, away from the test's output, they serve every
# test of the run and quit a few seconds after the last one.
if /usr/lib/wine/wineserver -p5 </dev/null >/dev/null 2>&1 9>&-; then
  "$wine" wineboot </dev/null >/dev/null 2>&1 9>&-
fi
exec 9>&-

# The C runtime writes text-mode line ends; CTest reads the test list from
# this output, so it gets plain line feeds.
"$wine" "$@" | tr -d '\r'
