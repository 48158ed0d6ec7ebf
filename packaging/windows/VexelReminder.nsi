; The Windows installer: the deployed folder installed for the current user
; (no administrator rights), a Start-menu entry and an uninstaller registered
; with the system's list of programs. The build passes:
;   VERSION    four numbers, the project version
;   DEPLOY_DIR the deployed program folder (files come from FILE_LIST)
;   FILE_LIST  the .nsh that FileList.cmake wrote from DEPLOY_DIR
;   LICENSE    the licence text shown before installing
;   OUTFILE    the setup program to write
;   ICON       the program's .ico (optional)
;   PUBLISHER  shown in the list of programs
Unicode true
; The program is 64-bit only, and so is the installer.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!ifndef VERSION | FILE_LIST | LICENSE | OUTFILE | PUBLISHER
  !error "VERSION, FILE_LIST, LICENSE, OUTFILE and PUBLISHER must be given with -D"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILE_LIST}"

!define APP_NAME "VexelReminder"
!define APP_EXE "VexelReminder.exe"
; A name of its own: the user may install into a folder that already holds
; another program's uninstaller.
!define UNINSTALLER "VexelReminder-uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VexelReminder"
; The program's single-instance mutex and its autostart shortcut.
!define APP_MUTEX "VexelfeldReminder"
!define AUTOSTART_LINK "VexelReminder.lnk"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP_NAME}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${APP_NAME} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "FileDescription" "Installation von ${APP_NAME}"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "GNU General Public License, Version 3 oder später"
VIAddVersionKey /LANG=1031 "OriginalFilename" "${APP_NAME}-${VERSION}-setup.exe"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!insertmacro MUI_PAGE_WELCOME
; The GPL governs copying and changing the program, not using it: nothing to
; accept, the page only informs.
!define MUI_LICENSEPAGE_BUTTON "&Weiter >"
!define MUI_LICENSEPAGE_TEXT_BOTTOM "${APP_NAME} ist freie Software. Die Lizenz regelt Weitergabe und Änderung; für die Nutzung ist keine Zustimmung nötig."
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${APP_EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "${APP_NAME} jetzt starten"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

; Files of a running program cannot be replaced or deleted: wait until the
; user has ended it, or give up (at once when silent, exit code 2).
!macro VEXREM_REQUIRE_NOT_RUNNING
  retry:
    ; SYNCHRONIZE access is enough to learn that the mutex exists.
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${APP_MUTEX}") p .r0'
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${APP_NAME} läuft noch und muss zuerst beendet werden (im Menü des Tray-Icons: Beenden)." /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Abort
    ${EndIf}
!macroend

Function .onInit
  !insertmacro VEXREM_REQUIRE_NOT_RUNNING
FunctionEnd

Function un.onInit
  !insertmacro VEXREM_REQUIRE_NOT_RUNNING
FunctionEnd

Section "${APP_NAME}" SecMain
  SectionIn RO
  SetShellVarContext current

  ; An earlier version goes first through its own uninstaller, so files it
  ; had and this one has not are not left behind. It runs in place (_?=) and
  ; is waited for; it cannot delete itself that way, so that is done here.
  ; In the same folder the autostart shortcut stays valid: /upgrade keeps it.
  ReadRegStr $R0 HKCU "${UNINST_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\${UNINSTALLER}"
    DetailPrint "Entferne die vorige Version aus $R0"
    StrCpy $R1 '"$R0\${UNINSTALLER}" /S'
    ${If} $R0 == $INSTDIR
      StrCpy $R1 "$R1 /upgrade"
    ${EndIf}
    ExecWait '$R1 _?=$R0'
    Delete "$R0\${UNINSTALLER}"
    RMDir "$R0"
  ${EndIf}

  !insertmacro VEXREM_INSTALL_FILES
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${APP_NAME}.lnk" "$INSTDIR\${APP_EXE}" "" "$INSTDIR\${APP_EXE}" 0 \
      SW_SHOWNORMAL "" "Meldet, wenn du bei Vexelfeld dran bist"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP_NAME}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${APP_EXE},0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ; From the deployed files, not the folder: it may hold other things.
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" ${VEXREM_INSTALLED_KIB}
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

; The target of a shell link: $0 the link, $1 the target, or "" when the link
; cannot be read.
Function un.LinkTarget
  StrCpy $1 ""
  ; CLSID_ShellLink, IID_IShellLinkW
  System::Call 'ole32::CoCreateInstance(g "{00021401-0000-0000-C000-000000000046}", p 0, i 1, g "{000214F9-0000-0000-C000-000000000046}", *p .r2) i .r3'
  ${If} $3 = 0
    ; IUnknown::QueryInterface for IID_IPersistFile
    System::Call '$2->0(g "{0000010B-0000-0000-C000-000000000046}", *p .r4) i .r3'
    ${If} $3 = 0
      ; IPersistFile::Load (STGM_READ), then IShellLinkW::GetPath as stored
      System::Call '$4->5(w r0, i 0) i .r3'
      ${If} $3 = 0
        System::Call '$2->3(w .r1, i ${NSIS_MAX_STRLEN}, p 0, i 0) i .r3'
        ${If} $3 <> 0
          StrCpy $1 ""
        ${EndIf}
      ${EndIf}
      System::Call '$4->2()'
    ${EndIf}
    System::Call '$2->2()'
  ${EndIf}
FunctionEnd

; The program's autostart shortcut in the startup folder in $SMSTARTUP, removed
; only when it starts this installation: a shortcut to another copy (the zip
; unpacked elsewhere, another user's installation) stays.
Function un.RemoveAutostartLink
  StrCpy $0 "$SMSTARTUP\${AUTOSTART_LINK}"
  ${IfNot} ${FileExists} $0
    Return
  ${EndIf}
  Call un.LinkTarget
  ${If} $1 == "$INSTDIR\${APP_EXE}"
    DetailPrint "Entferne den Autostart-Eintrag $0"
    Delete $0
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The shortcuts first: their targets are read while they still exist.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/upgrade" $R1
  ${If} ${Errors}
    SetShellVarContext current
    Call un.RemoveAutostartLink
    ; The program may have put it into the shared startup folder; without the
    ; rights to change that folder the entry stays.
    SetShellVarContext all
    Call un.RemoveAutostartLink
  ${EndIf}
  SetShellVarContext current
  Delete "$SMPROGRAMS\${APP_NAME}.lnk"

  ; Only what the installer put there; the settings (vexrem.ini in the
  ; application data) stay for a later installation.
  !insertmacro VEXREM_UNINSTALL_FILES
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
