#!/usr/bin/env bash
# The registry layer under Wine: values written through TRegistry and
# TDralRegistry reach the real registry with the right types and data, read
# back the same, raise the stated errors, and the recursive delete removes a
# key three levels deep. (Wine lists values sorted by name, so the probe's
# value names are chosen in sorted order and order itself is not tested here.)
source "$QB_SRC/tests/e2e/lib.sh"
e2e_begin registry

KEY='HKCU\Software\Quantrel\RegProbe'
out="$E2E_DIR/probe.out"

expect_line() {  # expect_line FILE "name=value"
  grep -qxF -- "$2" "$1" || { e2e_log "missing line: $2"; cat "$1" >&2; return 1; }
}
expect_reg() {  # expect_reg KEY VALUE TYPE DATA
  local line
  line="$(e2e_reg_query "$1" "$2" | grep -i -- "^ *$2 ")" || { e2e_log "no value $2 under $1"; return 1; }
  echo "$line" | grep -q -- "$3" || { e2e_log "$2: wrong type: $line"; return 1; }
  [ "$(e2e_reg_value "$1" "$2")" = "$4" ] || { e2e_log "$2: wrong data: $line (want $4)"; return 1; }
}

# A value another program wrote, of the wrong type for ReadInteger.
e2e_reg_add "$KEY" /v H_Outside /t REG_SZ /d "from reg.exe"

e2e_run regprobe.exe write | tr -d '\r' >"$out"
expect_line "$out" "Write=ok"
expect_line "$out" 'DeepPath=Software\Quantrel\RegProbe\Deep\One\Two\Three'
expect_line "$out" "Wow64=0"

expect_reg "$KEY" A_Text REG_SZ "rewritten"
expect_reg "$KEY" B_Number REG_DWORD "0x2a"
expect_reg "$KEY" C_Expand REG_EXPAND_SZ '%ProgramFiles%\Tool'
expect_reg "$KEY" D_Bool REG_DWORD "0x1"
expect_reg "$KEY" F_Dral REG_DWORD "0xfffffffb"
expect_reg "$KEY" G_Program REG_EXPAND_SZ '%PROGRAMFILES%\Dral'
expect_reg "$KEY\\Deep\\One\\Two\\Three" Leaf REG_SZ "x"

e2e_run regprobe.exe read | tr -d '\r' >"$out"
expect_line "$out" "A_Text=rewritten"
expect_line "$out" "B_Number=42"
expect_line "$out" 'C_Expand=%ProgramFiles%\Tool'
expect_line "$out" "C_Type=2"
expect_line "$out" "D_Bool=true"
expect_line "$out" 'E_Unicode=Gr\u00FC\u00DFe \u2603'
expect_line "$out" "F_Dral=-5"
expect_line "$out" "H_Outside=from reg.exe"
expect_line "$out" "MissingString=[]"
expect_line "$out" "MissingInteger=raised:Failed to get data for 'Missing'"
expect_line "$out" "WrongType=raised:Invalid data type for 'A_Text'"
expect_line "$out" "Names=A_Text,B0_Long,B_Number,C_Expand,D_Bool,E_Unicode,F_Dral,G_Program,H_Outside"
expect_line "$out" "Listed=A_Text:1:20,B0_Long:1:6002,B_Number:4:4,C_Expand:2:40,D_Bool:4:4,E_Unicode:1:16,F_Dral:4:4,G_Program:2:40,H_Outside:1:26"
expect_line "$out" "LongWhole=1"
expect_line "$out" "Keys=Deep"
expect_line "$out" "Machine=ok"

e2e_run regprobe.exe delete | tr -d '\r' >"$out"
expect_line "$out" "DeleteDeep=1"
expect_line "$out" "DeleteMissing=0"
if wine reg query "$KEY\\Deep" >/dev/null 2>&1; then e2e_log "Deep still exists"; exit 1; fi
expect_reg "$KEY" A_Text REG_SZ "rewritten"

e2e_pass
