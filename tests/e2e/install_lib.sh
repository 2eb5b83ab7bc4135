#!/usr/bin/env bash
# Helpers for the installer scenarios (sourced after lib.sh and e2e_begin): the
# package made from this build, the places an install of each kind uses, and the
# checks of an installed and of a removed copy.

key='HKCU\Software\Quantrel\Vorlune Folder'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
entry_path='Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlune Folder'

# inst_package: scripts/package.sh on this build into $E2E_DIR/dist; sets version,
# setup and portable, and checks the sums, the zip's files and that they are stripped.
inst_package() {
  local dist="$E2E_DIR/dist" listing f
  bash "$QB_SRC/scripts/package.sh" --no-build --out "$dist" >&2
  version="$(tr -d ' \r\n' <"$QB_SRC/VERSION")"
  setup="$dist/VorluneFolder-$version-setup.exe"
  portable="$dist/VorluneFolder-$version-portable.zip"
  [ -f "$setup" ] && [ -f "$portable" ] || { e2e_log "package files: $(ls "$dist")"; return 1; }
  (cd "$dist" && sha256sum -c --quiet SHA256SUMS) || { e2e_log "SHA256SUMS does not match"; return 1; }
  listing="$(unzip -Z1 "$portable")"
  for f in qorbin.exe qx.dll qorbin.chm qorbin.sym; do
    grep -qx "VorluneFolder-$version/$f" <<<"$listing" || { e2e_log "$f not in the portable zip: $listing"; return 1; }
  done
  rm -rf "$E2E_DIR/portable"
  unzip -q -d "$E2E_DIR/portable" "$portable"
  for f in qorbin.exe qx.dll; do
    x86_64-w64-mingw32-objdump -h "$E2E_DIR/portable/VorluneFolder-$version/$f" | grep -q '\.debug_' \
      && { e2e_log "$f is shipped with debug sections"; return 1; }
  done
  cp "$setup" "$WINEPREFIX/drive_c/setup.exe"
}

# inst_mode all|user: the folder, uninstall entry and Start-menu shortcut of that kind.
inst_mode() {
  local user_dir; user_dir="$(dirname "$(e2e_documents)")"
  if [ "$1" = all ]; then
    install_dir="$WINEPREFIX/drive_c/Program Files/Vorlune Folder"
    install_win='C:\Program Files\Vorlune Folder'
    uninst_key="HKLM\\$entry_path"
    other_key="HKCU\\$entry_path"
    shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vorlune Folder.lnk"
  else
    install_dir="$user_dir/AppData/Local/Programs/Vorlune Folder"
    install_win='C:\users\'"$(basename "$user_dir")"'\AppData\Local\Programs\Vorlune Folder'
    uninst_key="HKCU\\$entry_path"
    other_key="HKLM\\$entry_path"
    shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Vorlune Folder.lnk"
  fi
}

inst_agents() { e2e_run install_probe.exe agents | tr -d '\r'; }
inst_agent_count() { inst_agents | sed -n 's/^COUNT=//p'; }
inst_agent_pid() { inst_agents | sed -n 's/^AGENT pid=\([0-9]*\).*/\1/p'; }
# Exactly one agent, and it runs from the install folder.
inst_one_agent() {
  local a; a="$(inst_agents)"
  [ "$(sed -n 's/^COUNT=//p' <<<"$a")" = 1 ] && grep -qiF "path=$install_win\\qorbin.exe" <<<"$a"
}
inst_no_work_folders() {
  [ ! -e "$install_dir/setup.new" ] && [ ! -e "$install_dir/setup.old" ] \
    || { e2e_log "setup left its work folders: $(ls "$install_dir")"; return 1; }
}

# inst_setup ARGS...: runs the setup and prints its exit code.
inst_setup() {
  local rc=0
  timeout 120 wine 'C:\setup.exe' "$@" >>"$E2E_DIR/wine.out" 2>&1 || rc=$?
  echo "$rc"
}

# inst_check_installed: the files, the agent, the version resources, the shortcut
# and every field of the "Apps" entry.
inst_check_installed() {
  local f v target size
  for f in qorbin.exe qx.dll qorbin.chm qorbin.sym uninstall.exe; do
    [ -f "$install_dir/$f" ] || { e2e_log "$f was not installed: $(ls "$install_dir" 2>&1)"; return 1; }
  done
  inst_no_work_folders
  e2e_wait 60 "the agent running from the install folder" inst_one_agent || { e2e_log "$(inst_agents)"; return 1; }
  for f in "$install_win\\qorbin.exe" "$install_win\\qx.dll" 'C:\setup.exe'; do
    v="$(e2e_run install_probe.exe version "$f" | tr -d '\r')"
    [ "$v" = "FileVersion=$version ProductVersion=$version" ] || { e2e_log "$f: $v"; return 1; }
  done
  [ -f "$shortcut" ] || { e2e_log "no Start-menu shortcut: $(find "$WINEPREFIX/drive_c" -name 'Vorlune*.lnk')"; return 1; }
  target="$(e2e_run install_probe.exe shortcut "$(winepath -w "$shortcut")" | tr -d '\r')"
  [ "${target,,}" = "${install_win,,}\\qorbin.exe" ] || { e2e_log "shortcut target $target"; return 1; }
  e2e_log "$(e2e_reg_query "$uninst_key")"
  field() { e2e_reg_value "$uninst_key" "$1"; }
  [ "$(field DisplayName)" = "Vorlune Folder" ] || { e2e_log "DisplayName"; return 1; }
  [ "$(field DisplayVersion)" = "$version" ] || { e2e_log "DisplayVersion"; return 1; }
  [ "$(field Publisher)" = "Quantrel" ] || { e2e_log "Publisher"; return 1; }
  [ "$(field DisplayIcon)" = "$install_win\\qorbin.exe,0" ] || { e2e_log "DisplayIcon"; return 1; }
  [ "$(field InstallLocation)" = "$install_win" ] || { e2e_log "InstallLocation"; return 1; }
  [ "$(field UninstallString)" = "\"$install_win\\uninstall.exe\"" ] || { e2e_log "UninstallString"; return 1; }
  [ "$(field QuietUninstallString)" = "\"$install_win\\uninstall.exe\" /S" ] || { e2e_log "QuietUninstallString"; return 1; }
  size=$(( $(field EstimatedSize) ))
  [ "$size" -ge $(( $(du -sk "$install_dir" | cut -f1) / 2 )) ] || { e2e_log "EstimatedSize $size KB"; return 1; }
  wine reg query "$other_key" >/dev/null 2>&1 && { e2e_log "an entry of the other kind was written: $other_key"; return 1; }
  return 0
}

# A favourite of the user, handed to the running agent.
inst_add_favourite() {
  mkdir -p "$WINEPREFIX/drive_c/Projects/Kept"
  (cd "$install_dir" && wine "$install_win\\qorbin.exe" 'C:\Projects\Kept')
  e2e_wait 20 "the handed-over favourite" inst_has_favourite
}
inst_has_favourite() { e2e_reg_query "$key\\Path" | grep -qiF 'C:\Projects\Kept'; }

# inst_extension_registered: a class (the user's or the machine's) is served by shellext.dll.
inst_extension_registered() {
  local hive
  for hive in 'HKCU\Software\Classes\CLSID' 'HKLM\Software\Classes\CLSID'; do
    wine reg query "$hive" /s 2>/dev/null | grep -qi 'shellext\.dll' && return 0
  done
  return 1
}

# inst_uninstall: the quiet uninstall command of the entry; then nothing of the
# install is left (the Explorer extension unregistered too, when the package has
# it), and the user's saved configuration is.
inst_uninstall() {
  local config rc extension=0
  config="$(e2e_config_dir)"
  mkdir -p "$config"
  echo >"$config/Mine.qxs"
  if [ -f "$install_dir/shellext.dll" ]; then
    # The agent registered it on its first run ("Regsvr32 /s").
    extension=1
    e2e_wait 30 "the Explorer extension's registration" inst_extension_registered || return 1
  fi
  rc=0; timeout 120 wine "$install_win\\uninstall.exe" /S >>"$E2E_DIR/wine.out" 2>&1 || rc=$?
  [ "$rc" = 0 ] || { e2e_log "uninstall /S exit code $rc"; return 1; }
  gone() { [ ! -e "$install_dir" ] && ! wine reg query "$uninst_key" >/dev/null 2>&1; }
  e2e_wait 60 "the install folder and the Apps entry to go" gone || { e2e_log "left: $(ls "$install_dir" 2>&1)"; return 1; }
  [ "$(inst_agent_count)" = 0 ] || { e2e_log "an agent still runs: $(inst_agents)"; return 1; }
  [ -e "$shortcut" ] && { e2e_log "the Start-menu shortcut is still there"; return 1; }
  e2e_reg_query "$key" | grep -q . && { e2e_log "the agent's key is still there"; return 1; }
  e2e_reg_query "$run_key" | grep -qF 'Vorlune Folder' && { e2e_log "the Run value is still there"; return 1; }
  [ -f "$config/Mine.qxs" ] || { e2e_log "the user's saved configuration was removed"; return 1; }
  if [ "$extension" = 1 ] && inst_extension_registered; then
    e2e_log "the Explorer extension is still registered"; return 1
  fi
  return 0
}

# inst_browser_stand_in: the web addresses programs ask the shell to open are written
# into C:\webpage.txt by install_probe.exe instead of reaching a browser.
inst_browser_stand_in() {
  local proto
  rm -f "$WINEPREFIX/drive_c/webpage.txt"
  for proto in http https; do
    wine reg add "HKLM\\Software\\Classes\\$proto\\shell\\open\\command" /ve \
      /d '"C:\qorbin\install_probe.exe" record C:\webpage.txt "%1"' /f >/dev/null 2>&1
  done
}
inst_web_page() { tr -d '\r' <"$WINEPREFIX/drive_c/webpage.txt" 2>/dev/null; }
inst_web_page_opened() { [ -s "$WINEPREFIX/drive_c/webpage.txt" ]; }
