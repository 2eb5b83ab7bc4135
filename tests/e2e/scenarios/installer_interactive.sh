#!/usr/bin/env bash
# The installer and uninstaller as a user clicks through them under Wine: the setup's
# pages ("Install", then "Finish" once the agent runs), the first interactive install
# opening the maker's page (asked of the shell: a stand-in browser records it); the
# uninstaller's "Uninstall", then its message naming the folder where the user's saved
# configuration files stay, and everything of the install gone.
source "$QB_SRC/tests/e2e/lib.sh"
source "$QB_SRC/tests/e2e/install_lib.sh"
e2e_begin installer_interactive

inst_package
inst_mode all
inst_browser_stand_in
press() { e2e_run install_probe.exe press "$1" "$2"; }
texts() { e2e_run install_probe.exe texts "$1" | tr -d '\r'; }

(cd "$WINEPREFIX/drive_c" && exec wine 'C:\setup.exe' >>"$E2E_DIR/wine.out" 2>&1) &
setup_pid=$!
folder_page() { texts 'Vorlune Folder Setup' | grep -qxF "$install_win"; }
e2e_wait 60 "the setup's folder page proposing $install_win" folder_page \
  || { e2e_log "folder page: $(texts 'Vorlune Folder Setup')"; exit 1; }
e2e_screenshot setup-folder
press 'Vorlune Folder Setup' '&Install'
e2e_wait 120 "the finish page" bash -c "cd '$WINEPREFIX/drive_c/qorbin' && wine 'C:\\qorbin\\install_probe.exe' texts 'Vorlune Folder Setup' | grep -q 'is installed'"
e2e_screenshot setup-finish
inst_check_installed
press 'Vorlune Folder Setup' '&Finish'
setup_gone() { ! kill -0 "$setup_pid" 2>/dev/null; }
e2e_wait 30 "the setup to end" setup_gone
e2e_wait 30 "the maker's page asked of the shell" inst_web_page_opened
inst_web_page | grep -q '^https://.*utm_source=folder$' || { e2e_log "web page: $(inst_web_page)"; exit 1; }

# The uninstaller, clicked through.
config="$(e2e_config_dir)"
mkdir -p "$config"
echo >"$config/Mine.qxs"
(cd "$WINEPREFIX/drive_c" && exec wine "$install_win\\uninstall.exe" >>"$E2E_DIR/wine.out" 2>&1) &
e2e_wait 60 "the uninstaller's confirmation" press 'Vorlune Folder Uninstall' '&Uninstall'
kept() { texts 'Vorlune Folder Uninstall' | grep -q 'saved configuration files and logs are kept in'; }
e2e_wait 60 "the message naming the kept configuration" kept
e2e_screenshot uninstall-message
config_win="$(winepath -w "$config" | tr -d '\r')"
texts 'Vorlune Folder Uninstall' | grep -qiF "${config_win%\\}" \
  || { e2e_log "message: $(texts 'Vorlune Folder Uninstall')"; exit 1; }
press 'Vorlune Folder Uninstall' OK
e2e_wait 60 "the uninstaller's Close" press 'Vorlune Folder Uninstall' '&Close'
gone() { [ ! -e "$install_dir" ] && ! wine reg query "$uninst_key" >/dev/null 2>&1; }
e2e_wait 60 "the install folder and the Apps entry to go" gone
[ "$(inst_agent_count)" = 0 ] || { e2e_log "an agent still runs: $(inst_agents)"; exit 1; }
[ -e "$shortcut" ] && { e2e_log "the Start-menu shortcut is still there"; exit 1; }
[ -f "$config/Mine.qxs" ] || { e2e_log "the user's saved configuration was removed"; exit 1; }
e2e_pass
