#!/usr/bin/env bash
# Runs the Windows program under Wine on a virtual X display and drives its
# real dialogs with xdotool, as a user would: type the log's path into the
# open dialog, answer the save dialog, answer the message boxes. Checks exit
# status, the files left behind and their bytes, which message boxes came up,
# and the trace received by a debug-output listener. A screenshot of each
# dialog goes into WORK/screenshots.
#
# Usage: e2e.sh PATH/TO/albinate.exe WORK [PATH/TO/dbwin_listener.exe]
# WORK gets a Wine prefix for the run (removed at its end), the cases'
# folders, logs and screenshots.
# Without a listener executable, dbwin_listener.cpp beside this script is
# built into WORK. Needs wine64, Xvfb, xdotool and ImageMagick's import;
# exits 77 (skipped) when one is missing.
set -u
export LC_ALL=C

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 PATH/TO/albinate.exe WORK [PATH/TO/dbwin_listener.exe]" >&2
  exit 2
fi
exe=$(realpath "$1")
work=$(realpath -m "$2")
listener=${3:+$(realpath "$3")}
here=$(dirname "$(realpath "$0")")

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
STEP_TIMEOUT=20  # seconds a dialog may take to come up or go away
EXIT_TIMEOUT=20  # seconds the program may take to end after its last dialog

OPEN_TITLE="Selecciona el log a convertir"
SAVE_TITLE="Introduce el nombre del archivo de destino"
CAPTION="Dude"
DONE_TEXT="Ale, ya puedes ir a subir el log"
FAILED_TEXT="No se pudo guardar el log convertido"

# The small log, what it converts to, and its trace as the listener writes
# it (per string: length, colon, bytes, newline).
small_source='A\033[0mB\r\nC\n'
small_converted='\033[37mA\033[0m\033[37mB\r\n\033[37mC\r\n\033[37m\r\n'
small_trace='6:A\033[0mB\n1:\n\n11:A\033[0m\033[37mB\n1:\n\n1:\n\n'

# A log that exercises the reading rules: two resets in a line, CR LF, an
# empty line, a lone CR, a NUL, bytes above 0x7F, a last line without LF, and
# a Ctrl-Z that ends the input before "lost".
rich_source='uno\033[0mdos\033[0m\r\n\r\nlone\rcr \303\261 \000nul\n\033[31mred\033[0m\032lost\n'
rich_converted='\033[37muno\033[0m\033[37mdos\033[0m\033[37m\r\n\033[37m\r\n'
rich_converted+='\033[37mlone\rcr \303\261 \000nul\r\n\033[37m\033[31mred\033[0m\033[37m\r\n'

# ---------------------------------------------------------------- reporting

failures=0
current=""
fail() {
  echo "FAIL [$current]: $*"
  failures=$((failures + 1))
}

# shot NAME: saves the whole screen as WORK/screenshots/CASE-NAME.png.
last_shot=""
shot() {
  last_shot="$work/screenshots/$current-$1.png"
  import -window root "$last_shot" 2>/dev/null || echo "note: no screenshot $last_shot"
}

# Ends the case with a failure and a screenshot of the screen as it is; when
# the program has already ended, with the end of its Wine log.
give_up() {
  shot stuck
  fail "$* (screen: $last_shot)"
  if [ -n "$program_pid" ] && ! program_running; then
    echo "    the program has ended; the end of $log.log:"
    tail -n 5 "$log.log" | sed 's/^/    /'
  fi
  return 1
}

# ---------------------------------------------------------------- the display

start_display() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/logs/display" \
    2>"$work/logs/xvfb.log" &
  xvfb_pid=$!
  local tries=0
  until [ -s "$work/logs/display" ]; do
    tries=$((tries + 1))
    if [ $tries -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
      echo "Xvfb did not start; see $work/logs/xvfb.log"
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=":$(cat "$work/logs/display")"
  export DISPLAY
}

# The visible top-level windows whose title is exactly $1.
windows_titled() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null
}

# await_window TITLE [OTHER]: prints the id of a visible window titled TITLE,
# other than the window OTHER, once there is one.
await_window() {
  local deadline=$((SECONDS + STEP_TIMEOUT)) id
  while [ $SECONDS -lt $deadline ]; do
    id=$(windows_titled "$1" | grep -vx "${2:-none}" | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    program_running || return 1
    sleep 0.1
  done
  return 1
}

# Runs a command every 0.1 s until it succeeds or the step's time is up.
retry() {
  local deadline=$((SECONDS + STEP_TIMEOUT))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

window_gone() {
  ! xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"
}

window_focused() {
  xdotool windowfocus "$1" 2>/dev/null
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}

# Waits until the window $1 is no longer shown.
await_gone() { retry window_gone "$1"; }

# Gives the keyboard to window $1. With no window manager nobody else does.
focus() { retry window_focused "$1"; }

# keys WINDOW KEY...: presses keys in a window, then waits until it closes.
keys() {
  local window=$1
  shift
  focus "$window" || return 1
  xdotool key --clearmodifiers "$@"
  await_gone "$window"
}

# type_in WINDOW TEXT: replaces the file name in a dialog by TEXT.
type_in() {
  focus "$1" || return 1
  xdotool key --clearmodifiers Home shift+End BackSpace
  xdotool type --clearmodifiers --delay 20 "$2"
}

# The settled screen a moment after typing: the shot is for people to look
# at, so it waits for the dialog to paint, not for anything the checks need.
settled_shot() {
  sleep 0.3
  shot "$1"
}

# ---------------------------------------------------------------- the program

# Wine names the Linux path /x/y as Z:\x\y.
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# Starts the program in the case folder, its Wine log in $log.log: the text
# of each message box, and each OutputDebugStringA call.
start_program() {
  (cd "$dir" && WINEDEBUG=-all,trace+msgbox,warn+debugstr exec "$WINE" "$exe") \
    >"$log.log" 2>&1 &
  program_pid=$!
}

program_running() {
  kill -0 "$program_pid" 2>/dev/null
}

# Waits for the program to end; sets $status (or gives up and kills it).
await_exit() {
  local deadline=$((SECONDS + EXIT_TIMEOUT))
  while program_running; do
    if [ $SECONDS -ge $deadline ]; then
      give_up "the program did not end"
      abandon
      return 1
    fi
    sleep 0.1
  done
  wait "$program_pid"
  status=$?
  program_pid=""
}

# The trace listener, started before the program so that the program sees it.
start_listener() {
  WINEDEBUG=-all "$WINE" "$listener" "$(windows_path "$log.trace")" \
    "$(windows_path "$log.ready")" "$(windows_path "$log.stop")" 60 \
    >"$log.listener.log" 2>&1 &
  listener_pid=$!
  local deadline=$((SECONDS + STEP_TIMEOUT))
  until [ -e "$log.ready" ]; do
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$listener_pid" 2>/dev/null; then
      fail "the listener did not start: $(cat "$log.listener.log")"
      return 1
    fi
    sleep 0.1
  done
}

stop_listener() {
  touch "$log.stop"
  wait "$listener_pid" || fail "the listener ended with status $?"
  listener_pid=""
}

# ---------------------------------------------------------------- the dialogs

# Types the source's path into the open dialog and confirms it.
open_source() {
  local window
  window=$(await_window "$OPEN_TITLE") || { give_up "no open dialog"; return 1; }
  type_in "$window" "$(windows_path "$dir/$1")" || { give_up "cannot type"; return 1; }
  settled_shot open
  keys "$window" Return || give_up "the open dialog stayed"
}

# save_as [NAME]: confirms the save dialog, with NAME typed in (a path
# relative to the case folder) or with the proposal as shown.
save_as() {
  save_window=$(await_window "$SAVE_TITLE") || { give_up "no save dialog"; return 1; }
  if [ $# -gt 0 ]; then
    type_in "$save_window" "$(windows_path "$dir/$1")" || { give_up "cannot type"; return 1; }
  else
    focus "$save_window" || { give_up "cannot focus the save dialog"; return 1; }
  fi
  settled_shot save
  focus "$save_window" && xdotool key --clearmodifiers Return
}

# Answers the save dialog's own question about replacing a file: y or n.
answer_overwrite() {
  local prompt
  prompt=$(await_window "$SAVE_TITLE" "$save_window") ||
    { give_up "no overwrite prompt"; return 1; }
  settled_shot overwrite
  keys "$prompt" "$1" || give_up "the overwrite prompt stayed"
}

# Presses Escape in the open or the save dialog.
cancel() {
  local title=$OPEN_TITLE window
  [ "$1" = save ] && title=$SAVE_TITLE
  window=$(await_window "$title") || { give_up "no $1 dialog to cancel"; return 1; }
  focus "$window" || { give_up "cannot focus the $1 dialog"; return 1; }
  settled_shot "cancel"
  keys "$window" Escape || give_up "the $1 dialog stayed after Escape"
}

# Confirms the closing message box, after checking that it is the one
# expected: done or failed. Wine logs each message box's text.
confirm_message() {
  local box text=$DONE_TEXT
  [ "$1" = failed ] && text=$FAILED_TEXT
  box=$(await_window "$CAPTION") || { give_up "no message box '$CAPTION'"; return 1; }
  settled_shot message
  grep -qF "MSGBOX_OnInit L\"$text\"" "$log.log" || fail "the message box does not say: $text"
  keys "$box" Return || give_up "the message box stayed"
}

# run_flow STEP...: starts the program, takes the dialog steps, and waits for
# it to end, setting $status. Steps: "open FILE", "save" (the proposal as
# shown), "save NAME", "overwrite y|n", "cancel open|save",
# "message done|failed". Fails, with the program stopped, when a dialog does
# not behave.
run_flow() {
  local step
  start_program
  for step in "$@"; do
    take_step "$step" || { abandon; return 1; }
  done
  await_exit
}

# take_step STEP: one step of run_flow, its verb and its argument in one word.
take_step() {
  local verb=${1%% *} argument=""
  [ "$verb" = "$1" ] || argument=${1#* }
  case $verb in
    open) open_source "$argument" ;;
    save) save_as ${argument:+"$argument"} ;;
    overwrite) answer_overwrite "$argument" ;;
    cancel) cancel "$argument" ;;
    message) confirm_message "$argument" ;;
    *) fail "no such step: $1"; return 1 ;;
  esac
}

# ---------------------------------------------------------------- checks

expect_status() { [ "$status" = "$1" ] || fail "exit status $status, expected $1"; }
expect_bytes() {
  cmp -s "$dir/$1" <(printf %b "$2") || fail "$1 does not hold the expected bytes"
}
# expect_files 'NAME|NAME|': the whole content of the case folder, sorted.
expect_files() {
  local listing
  listing=$(cd "$dir" && find . -mindepth 1 -maxdepth 1 -printf '%P\n' | sort | tr '\n' '|')
  [ "$listing" = "$1" ] || fail "folder holds '$listing', expected '$1'"
}
expect_not_said() {
  ! grep -qF "MSGBOX_OnInit L\"$1\"" "$log.log" || fail "a message box said: $1"
}
# Wine logs every OutputDebugStringA call on its debugstr channel.
expect_trace_calls() {
  local calls
  calls=$(grep -c ':debugstr:OutputDebugStringA ' "$log.log")
  [ "$calls" -eq "$1" ] || fail "$calls OutputDebugStringA calls, expected $1"
}
expect_trace() {
  cmp -s "$log.trace" <(printf %b "$1") && return 0
  fail "the listener received other strings:"
  od -c "$log.trace" | sed 's/^/    /'
}

# ---------------------------------------------------------------- the cases

PROPOSED="monday (albinated).txt"

# begin CASE SOURCE: a fresh folder $dir with monday.txt holding SOURCE; the
# case's logs start with $log.
begin() {
  current=$1
  dir="$cases/$1"
  log="$work/logs/$1"
  mkdir -p "$dir"
  printf %b "$2" >"$dir/monday.txt"
  status=none
  echo "--- $current (at $((SECONDS - run_started)) s)"
}

# Ends a case whose dialogs went wrong: neither the program nor the listener
# may outlive it.
abandon() {
  local pid
  for pid in "$program_pid" "$listener_pid"; do
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  program_pid=""
  listener_pid=""
}

# The whole rich log, through the proposal accepted as shown: the name is cut
# at its first dot. The open dialog lists only *.txt, but takes any typed
# name.
case_conversion() {
  begin conversion "$rich_source"
  mv "$dir/monday.txt" "$dir/monday.old.log"
  run_flow "open monday.old.log" save "message done" || return
  expect_status 0
  expect_bytes "$PROPOSED" "$rich_converted"
  expect_files "$PROPOSED|monday.old.log|"
  expect_not_said "$FAILED_TEXT"
}

# With no listener and no debugger, the trace is not sent at all.
case_trace_skipped() {
  begin trace_skipped "$small_source"
  run_flow "open monday.txt" save "message done" || return
  expect_status 0
  expect_bytes "$PROPOSED" "$small_converted"
  expect_trace_calls 0
}

# With a listener, each trace string arrives whole, exactly, in order, one
# call each.
case_trace_received() {
  begin trace_received "$small_source"
  start_listener || return
  run_flow "open monday.txt" save "message done" || return
  stop_listener
  expect_status 0
  expect_bytes "$PROPOSED" "$small_converted"
  expect_trace "$small_trace"
  expect_trace_calls 5
}

# Replacing a file after saying yes. The source itself is one: the program
# must not lose the log it is reading. Rows: case|destination|save step.
REPLACED=(
  "replace_proposal|$PROPOSED|save"
  "replace_source|monday.txt|save monday.txt"
)

case_replaced() {
  local row name destination save
  for row in "${REPLACED[@]}"; do
    IFS='|' read -r name destination save <<<"$row"
    begin "$name" "$small_source"
    [ -e "$dir/$destination" ] || printf 'old\n' >"$dir/$destination"
    run_flow "open monday.txt" "$save" "overwrite y" "message done" || continue
    expect_status 0
    expect_bytes "$destination" "$small_converted"
    expect_files "$(printf '%s\n' "$destination" monday.txt | sort -u | tr '\n' '|')"
  done
}

# Runs that leave the existing destination as it was, with nothing else
# written and no temporary file left: ending the run from any dialog (status
# 0, no message box), and destinations that cannot be written (status 1, the
# error box and not the completion one).
# Rows: case|read-only or writable existing destination|status|steps...
KEPT=(
  "cancel_open|writable|0|cancel open"
  "cancel_save|writable|0|open monday.txt|cancel save"
  "overwrite_no|writable|0|open monday.txt|save|overwrite n|cancel save"
  "missing_folder|writable|1|open monday.txt|save nowhere\\out.txt|message failed"
  "read_only_destination|read-only|1|open monday.txt|save|overwrite y|message failed"
)

case_kept() {
  local row name mode wanted steps
  for row in "${KEPT[@]}"; do
    IFS='|' read -r name mode wanted steps <<<"$row"
    begin "$name" "$small_source"
    printf 'old\n' >"$dir/$PROPOSED"
    [ "$mode" = read-only ] && chmod a-w "$dir/$PROPOSED"
    IFS='|' read -ra steps <<<"$steps"
    run_flow "${steps[@]}" || continue
    expect_status "$wanted"
    expect_bytes "$PROPOSED" 'old\n'
    expect_files "$PROPOSED|monday.txt|"
    expect_not_said "$DONE_TEXT"
    if [ "$wanted" -eq 0 ]; then
      expect_not_said "$FAILED_TEXT"
    fi
  done
}

# ---------------------------------------------------------------- the run

program_pid=""
listener_pid=""
temporary_cases=""

cleanup() {
  abandon
  # The prefix takes about 700 MB and every run makes its own afresh.
  if [ -n "${WINEPREFIX:-}" ]; then
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    rm -rf "$WINEPREFIX"
  fi
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ -n "$temporary_cases" ] && rm -rf "$temporary_cases"
}

for tool in "$WINE" "$WINESERVER" Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 77; }
done

# A server left running on the old prefix by an interrupted run goes first.
[ -d "$work/prefix" ] && WINEPREFIX="$work/prefix" "$WINESERVER" -k 2>/dev/null
rm -rf "$work/prefix" "$work/cases" "$work/logs" "$work/screenshots"
mkdir -p "$work/logs" "$work/screenshots"
# The proposal cuts the path at its first dot, and the dialogs take at most
# 255 characters: the cases live in a short path with no dot.
cases="$work/cases"
if [[ $cases == *.* ]] || [ ${#cases} -gt 120 ]; then
  cases=$(mktemp -d /tmp/albinate-wine-XXXXXX)
  temporary_cases=$cases
fi
mkdir -p "$cases"

if [ -z "$listener" ]; then
  listener="$work/dbwin_listener.exe"
  x86_64-w64-mingw32-g++ -std=c++17 -O2 -static -Wall -Wextra -Wpedantic \
    -o "$listener" "$here/dbwin_listener.cpp" || exit 2
fi

trap cleanup EXIT
run_started=$SECONDS
start_display || exit 2
export WINEPREFIX="$work/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
# One server for the whole run, so that each case starts at once.
mkdir "$WINEPREFIX"
"$WINESERVER" -p </dev/null >/dev/null 2>&1
WINEDEBUG=-all timeout 300 "$WINE" wineboot -i >"$work/logs/wineboot.log" 2>&1 ||
  { echo "wineboot failed; see $work/logs/wineboot.log"; exit 2; }
# With no window manager, Wine waits about two seconds for one each time a
# window closes; windows it does not leave to a window manager close at once.
# A program that crashes ends at once, its backtrace in its log, instead of
# waiting behind Wine's crash dialog.
cat >"$work/logs/settings.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
EOF
WINEDEBUG=-all timeout 60 "$WINE" regedit /S "$(windows_path "$work/logs/settings.reg")" \
  >>"$work/logs/wineboot.log" 2>&1 ||
  { echo "cannot set up Wine; see $work/logs/wineboot.log"; exit 2; }
echo "--- Wine prefix ready (at $((SECONDS - run_started)) s)"

case_conversion
case_trace_skipped
case_trace_received
case_replaced
case_kept

echo "--- done (at $((SECONDS - run_started)) s); screenshots in $work/screenshots"
if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed; logs in $work/logs"
  exit 1
fi
echo "all Wine end-to-end cases passed"
