#!/usr/bin/env bash
# Drives the built Linux program through its terminal dialogs, answering
# through a pipe, and checks status, files, messages and trace.
# Usage: end_to_end.sh PATH/TO/albinate
set -u
program=$(realpath "$1")
repo=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d /tmp/albinate-e2e-XXXXXX)  # a folder name without a dot
trap 'rm -rf "$work"' EXIT

failures=0
current=""
fail() {
  echo "FAIL [$current]: $*"
  failures=$((failures + 1))
}

# The fixture and what it converts to.
source_bytes='uno\033[0mdos\r\ntres\n'
converted_bytes='\033[37muno\033[0m\033[37mdos\r\n\033[37mtres\r\n\033[37m\r\n'
trace_bytes='uno\033[0mdos\nuno\033[0m\033[37mdos\n\n'
printf "$converted_bytes" >"$work/expected"
printf "$trace_bytes" >"$work/expected-trace"

# Starts a case in a fresh folder $dir holding monday.txt.
start() {
  current=$1
  dir="$work/$1"
  mkdir -p "$dir"
  printf "$source_bytes" >"$dir/monday.txt"
  printf 'old\n' >"$work/old"
}

# run ANSWERS [FOLDER]: runs the program in FOLDER (default $dir) with the
# answers on standard input; sets $status, $out (stdout) and $dir/trace.
run() {
  out=$(cd "${2:-$dir}" && printf "$1" | timeout 20 "$program" 2>"$dir/trace")
  status=$?
}

expect_status() { [ "$status" -eq "$1" ] || fail "status $status, expected $1"; }
expect_said() { grep -qF -- "$1" <<<"$out" || fail "never said: $1"; }
expect_not_said() { ! grep -qF -- "$1" <<<"$out" || fail "said: $1"; }
expect_converted() { cmp -s "$1" "$work/expected" || fail "$1 is not the converted log"; }
expect_same() { cmp -s "$1" "$2" || fail "$1 differs from $2"; }
expect_absent() { [ ! -e "$1" ] || fail "$1 exists"; }
expect_files() {
  local listing
  listing=$(cd "$dir" && ls -A | grep -v '^trace$' | tr '\n' '|')
  [ "$listing" = "$1" ] || fail "folder holds '$listing', expected '$1'"
}

DONE="Ale, ya puedes ir a subir el log"
FAILED="No se pudo guardar el log convertido"

start accept_proposal
run "$dir/monday.txt\n\n\n"
expect_status 0
expect_said "Selecciona el log a convertir"
expect_said "Introduce el nombre del archivo de destino"
expect_said "$dir/monday (albinated).txt"
expect_said "[Dude] $DONE"
expect_converted "$dir/monday (albinated).txt"
expect_same "$dir/trace" "$work/expected-trace"
expect_files "monday (albinated).txt|monday.txt|"

# A relative answer: the source against the current folder, the destination
# against the proposal's folder, and no extension added.
start relative_names
run "relative_names/monday.txt\nconverted\n\n" "$work"
expect_status 0
expect_converted "$dir/converted"
expect_files "converted|monday.txt|"

start open_asks_again
mkdir "$dir/folder"
run "missing.txt\nfolder\n\nmonday.txt\n\n\n"
expect_status 0
expect_said "No existe ese archivo."
expect_said "Eso no es un archivo."
expect_converted "$dir/monday (albinated).txt"

start overwrite_yes
cp "$work/old" "$dir/monday (albinated).txt"
run "monday.txt\n\ns\n\n"
expect_status 0
expect_said "¿Reemplazar el archivo existente? (s/n)"
expect_converted "$dir/monday (albinated).txt"
expect_files "monday (albinated).txt|monday.txt|"

start overwrite_no_then_another_name
cp "$work/old" "$dir/monday (albinated).txt"
run "monday.txt\n\nn\nother.txt\n\n"
expect_status 0
expect_same "$dir/monday (albinated).txt" "$work/old"
expect_converted "$dir/other.txt"

# Cancel (the end of the input) at each question: status 0, nothing written.
for question in open save overwrite; do
  start "cancel_at_$question"
  cp "$work/old" "$dir/monday (albinated).txt"
  case $question in
    open) answers="" ;;
    save) answers="monday.txt\n" ;;
    overwrite) answers="monday.txt\n\n" ;;
  esac
  run "$answers"
  expect_status 0
  expect_not_said "[Dude]"
  expect_same "$dir/monday (albinated).txt" "$work/old"
  expect_files "monday (albinated).txt|monday.txt|"
  [ -s "$dir/trace" ] && fail "traced without converting"
done

start same_file_as_source
printf "$source_bytes" >"$dir/expected-source"
run "monday.txt\nmonday.txt\ns\n\n"
expect_status 0
expect_said "[Dude] $DONE"
expect_converted "$dir/monday.txt"
expect_files "expected-source|monday.txt|"

start hard_link_to_source
ln "$dir/monday.txt" "$dir/linked.txt"
run "monday.txt\nlinked.txt\ns\n\n"
expect_status 0
expect_converted "$dir/linked.txt"
printf "$source_bytes" | cmp -s - "$dir/monday.txt" || fail "the source changed"

start full_device
run "monday.txt\n/dev/full\ns\n\n"
expect_status 1
expect_said "[Dude] $FAILED"
expect_not_said "$DONE"
expect_files "monday.txt|"

start missing_folder
run "monday.txt\nnowhere/out.txt\n\n"
expect_status 1
expect_said "[Dude] $FAILED"
expect_absent "$dir/nowhere"
expect_files "monday.txt|"

# A path whose part before the first dot is longer than 239 characters: the
# save dialog has no proposal to offer and asks until it gets a name.
start long_name
long=$(printf 'n%.0s' $(seq $((244 - ${#dir} - 1))))
mv "$dir/monday.txt" "$dir/$long.txt"
run "$long.txt\n\nshort.txt\n\n"
expect_status 0
expect_not_said "Propuesta:"
expect_converted "$dir/short.txt"

# The sample log that README suggests trying, converted as a newcomer would.
start sample
run "$repo/samples/build.log\n$dir/build.txt\n\n"
expect_status 0
expect_same "$dir/build.txt" "$repo/tests/fixtures/build.converted"

start open_path_too_long
run "$dir/$(printf 'x%.0s' $(seq 260)).txt\n"
expect_status 0
expect_not_said "Introduce el nombre del archivo de destino"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all end-to-end cases passed"
