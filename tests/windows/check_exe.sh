#!/usr/bin/env bash
# Checks how a Windows build of the program is made: check_exe.sh 32|64 EXE
#
# The 32-bit build is the one users run; the 64-bit one is what runs under
# Wine here. Either must be a GUI executable of its kind that imports from
# system DLLs only, and from those only what it calls: COMCTL32 by ordinal 17
# (InitCommonControls), the two file dialogs from COMDLG32, MessageBoxA from
# USER32; KERNEL32 and the C runtime (msvcrt.dll) are free. Its manifest and
# version are built in.
set -euo pipefail

bits=$1
exe=$2
case "$bits" in
  32) format=pei-i386 magic='010b[[:space:]]+\(PE32\)' ;;
  64) format=pei-x86-64 magic='020b[[:space:]]+\(PE32\+\)' ;;
  *) echo "usage: check_exe.sh 32|64 EXE" >&2; exit 2 ;;
esac
objdump=x86_64-w64-mingw32-objdump  # reads 32-bit programs too
failures=0

fail() {
  echo "check_exe: $exe: $*" >&2
  failures=$((failures + 1))
}

if ! headers=$("$objdump" -p "$exe" 2>&1); then
  fail "objdump cannot read it: $headers"
  exit 1
fi
grep -q "file format $format\$" <<<"$headers" || fail "not $format"
grep -Eq "^Magic[[:space:]]+$magic\$" <<<"$headers" || fail "not a $bits-bit PE header"
grep -Eq '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)$' <<<"$headers" ||
  fail "not the Windows GUI subsystem"

# Every import as DLL:function, or DLL:#ordinal for an import by ordinal,
# whose thunk is the ordinal with the top bit set.
imports=$(awk '
  function hex(digits,  i, n) {
    n = 0
    for (i = 1; i <= length(digits); i++) {
      n = n * 16 + index("0123456789abcdef", substr(digits, i, 1)) - 1
    }
    return n
  }
  /^The Import Tables/ { in_imports = 1; next }
  /^The Export Tables|^PE File Base Relocations|^The \.rsrc/ { in_imports = 0 }
  in_imports && /DLL Name:/ { dll = toupper($3); next }
  in_imports && dll != "" && /^\t[0-9a-f]+\t/ {
    if ($3 == "<none>") print dll ":#" hex(substr($1, 2)); else print dll ":" $3
  }' <<<"$headers")
[ -n "$imports" ] || fail "no imports found: is this a PE file?"

while IFS= read -r import; do
  case "$import" in
    KERNEL32.DLL:* | MSVCRT.DLL:*) ;;
    COMCTL32.DLL:#17 | COMDLG32.DLL:GetOpenFileNameA | COMDLG32.DLL:GetSaveFileNameA) ;;
    USER32.DLL:MessageBoxA) ;;
    *) fail "imports $import, which is not allowed" ;;
  esac
done <<<"$imports"

for needed in COMCTL32.DLL:#17 COMDLG32.DLL:GetOpenFileNameA COMDLG32.DLL:GetSaveFileNameA \
  USER32.DLL:MessageBoxA; do
  grep -qx "$needed" <<<"$imports" || fail "does not import $needed"
done

# Resource types 0x10 (version) and 0x18 (manifest), and what the manifest asks.
resource_types=$(sed -n '/^The \.rsrc Resource Directory section/,$p' <<<"$headers" |
  awk '/^0[0-9a-f][0-9a-f]   Entry: ID:/ { print $4 }')
grep -qx '0x000010,' <<<"$resource_types" || fail "no version resource"
grep -qx '0x000018,' <<<"$resource_types" || fail "no manifest resource"
for setting in 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
  '>PerMonitorV2, PerMonitor<' '>UTF-8</activeCodePage>'; do
  grep -qaF "$setting" "$exe" || fail "manifest lacks $setting"
done

if [ "$failures" -gt 0 ]; then
  exit 1
fi
echo "check_exe: $exe: $bits-bit GUI program; imports and resources as expected"
