; The Windows setup of Quillon, built by packaging/windows/installer.sh from a deploy
; folder (tools/windows-build.sh). makensis gets:
;   VERSION   the program's version          ICON      the program's icon
;   ARCH      i686 or x86_64                 OUTFILE   the setup to write
;   TASK_NAME the logon task the program registers at each start
;   FILELIST  an include file that installs the deploy folder's files, and
;   UNFILELIST one that removes exactly those (installer.sh writes both)
; It installs per machine, asks for elevation, and installs silently with /S (and
; /D=<folder> as the last argument for another folder).

Unicode true
!if "${ARCH}" == "x86_64"
    Target amd64-unicode
!endif
!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"

!define APP "Quillon"
!define PUBLISHER "Quillon"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if "${ARCH}" == "x86_64"
    InstallDir "$PROGRAMFILES64\${APP}"
!else
    InstallDir "$PROGRAMFILES\${APP}"
!endif
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_TITLE "${APP} is installed"
!define MUI_FINISHPAGE_TEXT "${APP} ${VERSION} is installed in $INSTDIR.$\r$\n$\r$\nSensor readings need HWiNFO32.dll, the sensor library of the HWiNFO monitor: place it in that folder, beside quillon.exe. It is not part of this setup."
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillon.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP} now"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TITLE "${APP} is removed"
!define MUI_FINISHPAGE_TEXT "${APP} is removed from this computer.$\r$\n$\r$\nYour settings and the log files in your application data folder are kept; delete them by hand if you no longer want them."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; Asks a running instance to end as a close of its window would, so that it shuts the
; sensor library down and writes its last log lines; ends it by force only when it does
; not answer within ten seconds. Its main window is the top-level window titled Quillon.
!macro StopRunningInstance
    StrCpy $1 0
    ${Do}
        FindWindow $0 "" "${APP}"
        ${If} $0 == 0
            ${Break}
        ${EndIf}
        ${If} $1 == 0
            DetailPrint "Ending the running ${APP}"
            SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        ${EndIf}
        IntOp $1 $1 + 1
        ${If} $1 > 20
            nsExec::Exec '"$SYSDIR\taskkill.exe" /F /IM quillon.exe'
            Pop $0
            ${Break}
        ${EndIf}
        Sleep 500
    ${Loop}
    ; The process lets go of its files a moment after its window is gone.
    Sleep 1000
!macroend

Function .onInit
!if "${ARCH}" == "x86_64"
    SetRegView 64
!endif
    SetShellVarContext all
FunctionEnd

Section "Quillon" SecMain
    SectionIn RO
    !insertmacro StopRunningInstance
    SetOutPath "$INSTDIR"
    SetOverwrite on
    !include "${FILELIST}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortCut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\quillon.exe" "" "$INSTDIR\quillon.exe" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillon.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
!if "${ARCH}" == "x86_64"
    SetRegView 64
!endif
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    ; Nothing left to remove: an earlier uninstall, or the folder deleted by hand. The
    ; entries that still point at it go, and nothing else is touched.
    ${IfNot} ${FileExists} "$INSTDIR\quillon.exe"
        DetailPrint "${APP} is not installed in $INSTDIR; removing what is left of its entries"
        Delete "$SMPROGRAMS\${APP}.lnk"
        DeleteRegKey HKLM "${UNINSTALL_KEY}"
        IfSilent +2
        MessageBox MB_OK|MB_ICONINFORMATION "${APP} is not installed in $INSTDIR. Its Start menu entry and uninstall entry are removed; nothing else was there to remove."
        Return
    ${EndIf}

    !insertmacro StopRunningInstance
    DetailPrint "Removing the logon task ${TASK_NAME}"
    nsExec::Exec '"$SYSDIR\schtasks.exe" /delete /tn "${TASK_NAME}" /f'
    Pop $0

    !include "${UNFILELIST}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${APP}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DetailPrint "Your settings and log files are kept."
SectionEnd
