; The installer of Vorlune Folder (NSIS 3, Unicode, 64-bit), made by scripts/package.sh:
;   makensis -DVERSION=M.m.p -DSTAGE=<folder with the shipped files> -DSOURCE=<repository>
;            -DOUTFILE=<setup.exe> package/installer.nsi
;
; Per user by default, into the user's programs folder, without an elevation prompt;
; for all users, into Program Files, when it runs elevated or is given /ALLUSERS
; (/CURRENTUSER keeps an elevated run per user). /S installs silently.
;
; Over an installed copy: the new files are unpacked beside the old ones first, the
; running agent is asked to end and waited for, then each file is swapped in by a
; rename; a swap that fails puts every old file back and starts the earlier agent
; again, so a failed upgrade leaves the earlier version working. The registry keys of
; the agent (favourites, settings) are never touched by an install.
;
; Exit codes: 0 installed, 1 cancelled, 2 the running agent could not be ended or the
; files could not be replaced (nothing changed), 740 all users asked for without rights.

Unicode true
Target amd64-unicode
ManifestSupportedOS all
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include MUI2.nsh

!define PRODUCT "Vorlune Folder"
!define PUBLISHER "Quantrel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlune Folder"
!define AGENT_CLASS "TVorlFolder"
!define AGENT_CAPTION "Vorlune Folder 1.X"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; The folder the agent keeps its logs and saved configurations in when nothing prescribes another.
!define CONFIG_SUBFOLDER "Vorlune files"
!define SIBLING_KEY "Software\Quantrel\Tallowin"

Name "${PRODUCT}"
Caption "${PRODUCT} Setup"
UninstallCaption "${PRODUCT} Uninstall"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
InstallDir ""
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${SOURCE}/resources/icons/qorbin.ico"
!define MUI_UNICON "${SOURCE}/resources/icons/qorbin.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TITLE "${PRODUCT} is installed"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ${VERSION} runs now: its icon is in the notification area, and the Start menu holds its shortcut.$\r$\n$\r$\nOpen an Open or Save As dialog box of any program and click the middle mouse button inside it to see your folders."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var AllUsers      ; 1: Program Files and HKLM, 0: the user's programs folder and HKCU
Var Upgrade       ; 1: an installed copy is replaced
Var AgentRan      ; CloseAgent: 1 an agent ran and ended, 0 none ran, "fail" one is still there
Var Elevated      ; IsElevated: 1 when this process runs elevated

; Each step goes to the details list and to the debugger's output (Wine: WINEDEBUG=+debugstr).
!macro LOG TEXT
  DetailPrint "${TEXT}"
  System::Call 'kernel32::OutputDebugStringW(w "setup: ${TEXT}")'
!macroend
!define LOG "!insertmacro LOG"

; Every file the package installs, the uninstaller last.
!macro FOR_EACH_FILE MACRO
  !insertmacro ${MACRO} "qorbin.exe"
  !insertmacro ${MACRO} "qx.dll"
  !insertmacro ${MACRO} "qorbin.sym"
  !insertmacro ${MACRO} "qorbin.chm"
  !if /FileExists "${STAGE}/shellext.dll"
    !insertmacro ${MACRO} "shellext.dll"
  !endif
  !insertmacro ${MACRO} "uninstall.exe"
!macroend

; --- shared by the installer and the uninstaller ------------------------------------

!macro SHARED_FUNCTIONS UN
; Sets Elevated to 1 when this process runs elevated (its token says so; before Vista: an administrator).
Function ${UN}IsElevated
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $2 ""
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r0'
  ${If} $0 != 0
    System::Call 'advapi32::GetTokenInformation(p r1, i 20, *i .r2, i 4, *i .r3) i .r0'
    System::Call 'kernel32::CloseHandle(p r1)'
    ${If} $0 == 0
      StrCpy $2 ""
    ${EndIf}
  ${EndIf}
  ${If} $2 == ""
    UserInfo::GetAccountType
    Pop $0
    StrCpy $2 0
    ${If} $0 == "Admin"
      StrCpy $2 1
    ${EndIf}
  ${ElseIf} $2 != 0
    StrCpy $2 1
  ${EndIf}
  StrCpy $Elevated $2
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Asks every running agent to end (WM_CLOSE to its hidden main window, as "Exit"
; does) and waits up to 10 s for its process; one that does not end in time is
; ended. Sets AgentRan.
Function ${UN}CloseAgent
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R0 0
  StrCpy $R4 0
  ${Do}
    FindWindow $R1 "${AGENT_CLASS}" "${AGENT_CAPTION}"
    ${If} $R1 == 0
      ${ExitDo}
    ${EndIf}
    IntOp $R4 $R4 + 1
    ${If} $R4 > 5
      StrCpy $R0 "fail"
      ${ExitDo}
    ${EndIf}
    StrCpy $R0 1
    ${LOG} "Asking the running ${PRODUCT} to end"
    StrCpy $R2 0
    System::Call 'user32::GetWindowThreadProcessId(p R1, *i .R2) i'
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i R2) p .R3'
    SendMessage $R1 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $R3 != 0
      System::Call 'kernel32::WaitForSingleObject(p R3, i 10000) i .R2'
      ${If} $R2 != 0
        ${LOG} "${PRODUCT} did not end: it is ended"
        System::Call 'kernel32::TerminateProcess(p R3, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p R3, i 5000) i'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p R3)'
    ${Else}
      ; No access to the process (another user's or an elevated one): its window may still go.
      StrCpy $R2 0
      ${DoWhile} $R2 < 50
        Sleep 200
        IntOp $R2 $R2 + 1
        System::Call 'user32::IsWindow(p R1) i .R3'
        ${If} $R3 == 0
          ${ExitDo}
        ${EndIf}
      ${Loop}
    ${EndIf}
  ${Loop}
  StrCpy $AgentRan $R0
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; --- installer -----------------------------------------------------------------------



Function .onInit
  ${GetParameters} $R0
  ; /D= sets the folder before this runs.
  StrCpy $R9 $INSTDIR
  StrCpy $Upgrade 0
  Call IsElevated
  StrCpy $R2 $Elevated
  StrCpy $AllUsers $R2
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  ${If} $AllUsers == 1
  ${AndIf} $R2 != 1
    ; Asked for all users without the rights: the same setup again, elevated (once:
    ; a run that was started elevated and still lacks the rights gives up).
    ClearErrors
    ${GetOptions} $R0 "/ELEVATED" $R1
    ${IfNot} ${Errors}
      MessageBox MB_ICONEXCLAMATION|MB_OK "Installing ${PRODUCT} for all users needs administrator rights." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
    ClearErrors
    ExecShellWait "runas" "$EXEPATH" "/ELEVATED $R0"
    ${If} ${Errors}
      MessageBox MB_ICONEXCLAMATION|MB_OK "Installing ${PRODUCT} for all users needs administrator rights." /SD IDOK
      SetErrorLevel 740
    ${EndIf}
    Quit
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ; An installed copy is replaced where it is.
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
  ${AndIf} ${FileExists} "$R1\qorbin.exe"
    StrCpy $INSTDIR $R1
    StrCpy $Upgrade 1
  ${EndIf}
  ${If} $R9 != ""
    StrCpy $INSTDIR $R9
    ${If} ${FileExists} "$R9\qorbin.exe"
      StrCpy $Upgrade 1
    ${EndIf}
  ${EndIf}
  ${LOG} "folder $INSTDIR, all users $AllUsers, elevated $R2, upgrade $Upgrade"
FunctionEnd

!macro UNPACK NAME
  !if "${NAME}" == "uninstall.exe"
    WriteUninstaller "$INSTDIR\setup.new\uninstall.exe"
  !else
    File "${STAGE}/${NAME}"
  !endif
!macroend

; The old file goes to setup.old, the new one takes its place.
!macro SWAP_IN NAME
  ${If} $R0 == 0
    ${If} ${FileExists} "$INSTDIR\${NAME}"
      ClearErrors
      Rename "$INSTDIR\${NAME}" "$INSTDIR\setup.old\${NAME}"
      ${If} ${Errors}
        ${LOG} "Could not replace ${NAME}"
        StrCpy $R0 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $R0 == 0
    ClearErrors
    Rename "$INSTDIR\setup.new\${NAME}" "$INSTDIR\${NAME}"
    ${If} ${Errors}
      ${LOG} "Could not install ${NAME}"
      StrCpy $R0 1
    ${EndIf}
  ${EndIf}
!macroend

; Undoes SWAP_IN: the old file back in place; a file this version added is removed.
!macro SWAP_BACK NAME
  ${If} ${FileExists} "$INSTDIR\setup.old\${NAME}"
    Delete "$INSTDIR\${NAME}"
    Rename "$INSTDIR\setup.old\${NAME}" "$INSTDIR\${NAME}"
  ${ElseIfNot} ${FileExists} "$INSTDIR\setup.new\${NAME}"
    Delete "$INSTDIR\${NAME}"
  ${EndIf}
!macroend

Section "Install"
  SetDetailsPrint both
  ; 1. The new files beside the installed ones.
  RMDir /r "$INSTDIR\setup.new"
  RMDir /r "$INSTDIR\setup.old"
  ClearErrors
  CreateDirectory "$INSTDIR\setup.old"
  SetOutPath "$INSTDIR\setup.new"
  !insertmacro FOR_EACH_FILE UNPACK
  ${If} ${Errors}
    ${LOG} "the files could not be unpacked into $INSTDIR"
    SetOutPath "$TEMP"
    RMDir /r "$INSTDIR\setup.new"
    RMDir "$INSTDIR\setup.old"
    RMDir "$INSTDIR"
    MessageBox MB_ICONSTOP|MB_OK "The files of ${PRODUCT} could not be written into $INSTDIR." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; 2. The running agent ends.
  Call CloseAgent
  ${If} $AgentRan == "fail"
    ${LOG} "the running agent could not be ended"
    SetOutPath "$TEMP"
    RMDir /r "$INSTDIR\setup.new"
    RMDir "$INSTDIR\setup.old"
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is running and could not be ended. Choose Exit in the menu of its notification-area icon, then run the setup again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; 3. The swap; a failure puts the installed version back and starts it again.
  StrCpy $R0 0
  !insertmacro FOR_EACH_FILE SWAP_IN
  ${If} $R0 != 0
    !insertmacro FOR_EACH_FILE SWAP_BACK
    SetOutPath "$TEMP"
    RMDir /r "$INSTDIR\setup.new"
    RMDir /r "$INSTDIR\setup.old"
    ${If} $AgentRan == 1
    ${AndIf} ${FileExists} "$INSTDIR\qorbin.exe"
      SetOutPath "$INSTDIR"
      Exec '"$INSTDIR\qorbin.exe"'
    ${EndIf}
    RMDir "$INSTDIR"
    MessageBox MB_ICONSTOP|MB_OK "The files of ${PRODUCT} in $INSTDIR could not be replaced (a file is in use). The installed version was kept." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  SetOutPath "$INSTDIR"
  RMDir /r /REBOOTOK "$INSTDIR\setup.old"
  RMDir "$INSTDIR\setup.new"

  ; 4. Start menu and the "Apps" entry.
  CreateShortCut "${SHORTCUT}" "$INSTDIR\qorbin.exe" "" "$INSTDIR\qorbin.exe" 0 SW_SHOWNORMAL "" "${PRODUCT}: favourite folders in every Open and Save As dialog"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qorbin.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; 5. The agent's own install step: the scheduler task (when elevated); the web page
  ; only for an interactive first install, never for a silent one or an upgrade.
  ${If} ${Silent}
  ${OrIf} $Upgrade == 1
    ${LOG} "qorbin.exe /update"
    ExecWait '"$INSTDIR\qorbin.exe" /update'
  ${Else}
    ${LOG} "qorbin.exe /install"
    ExecWait '"$INSTDIR\qorbin.exe" /install'
  ${EndIf}

  ; 6. The agent starts.
  ${LOG} "Starting ${PRODUCT}"
  Exec '"$INSTDIR\qorbin.exe"'
SectionEnd

; --- uninstaller ---------------------------------------------------------------------

Function un.onInit
  ; Which install this is: the entry under the user's key names this folder, else all users.
  SetShellVarContext current
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $AllUsers 1
  ${If} $R1 == $INSTDIR
    StrCpy $AllUsers 0
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
    Call un.IsElevated
    ${If} $Elevated != 1
      ; Program Files and the machine's entry need the rights: the same uninstaller
      ; again, elevated (it runs from its temporary copy, named by _?=).
      ${GetParameters} $R0
      ClearErrors
      ${GetOptions} $R0 "/ELEVATED" $R1
      ${IfNot} ${Errors}
        MessageBox MB_ICONEXCLAMATION|MB_OK "Removing ${PRODUCT} for all users needs administrator rights." /SD IDOK
        SetErrorLevel 740
        Quit
      ${EndIf}
      ClearErrors
      ExecShellWait "runas" "$EXEPATH" "/ELEVATED $R0 _?=$INSTDIR"
      ${If} ${Errors}
        MessageBox MB_ICONEXCLAMATION|MB_OK "Removing ${PRODUCT} for all users needs administrator rights." /SD IDOK
        SetErrorLevel 740
      ${EndIf}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro REMOVE NAME
  Delete /REBOOTOK "$INSTDIR\${NAME}"
!macroend

Section "Uninstall"
  SetDetailsPrint both
  Call un.CloseAgent
  ${If} $AgentRan == "fail"
    MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is running and could not be ended. Choose Exit in the menu of its notification-area icon, then remove it again." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; Where the user's saved configurations are, read before the agent's keys go.
  Push $0
  ClearErrors
  ReadRegStr $0 HKCU "${SIBLING_KEY}" "SaveDir"
  ${If} $0 == ""
    SetShellVarContext current
    StrCpy $0 "$DOCUMENTS\${CONFIG_SUBFOLDER}"
    ${If} $AllUsers == 1
      SetShellVarContext all
    ${EndIf}
  ${EndIf}

  ; The agent removes its keys, its autostart value and its scheduler task.
  ${LOG} "qorbin.exe /erasefull"
  ExecWait '"$INSTDIR\qorbin.exe" /erasefull'
  ${If} ${FileExists} "$INSTDIR\shellext.dll"
    ${LOG} "Unregistering the Explorer extension"
    ExecWait '"$SYSDIR\regsvr32.exe" /u /s "$INSTDIR\shellext.dll"'
  ${EndIf}

  !insertmacro FOR_EACH_FILE REMOVE
  RMDir /r "$INSTDIR\setup.new"
  RMDir /r "$INSTDIR\setup.old"
  SetOutPath "$TEMP"
  RMDir /REBOOTOK "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ; The saved configurations are the user's documents: they stay.
  ${If} ${FileExists} "$0\*.*"
    ${LOG} "Your saved configuration files and logs are kept in $0"
    MessageBox MB_ICONINFORMATION|MB_OK "${PRODUCT} was removed.$\r$\n$\r$\nYour saved configuration files and logs are kept in:$\r$\n$0" /SD IDOK
  ${EndIf}
  Pop $0
SectionEnd
