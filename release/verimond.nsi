; The Verimond setup: installs vmview and vmsum for the current user or for
; everyone, with a Start menu entry and, when chosen, the Explorer menu and
; Send To entries the program itself can add. The build passes VERSION,
; VERSION_MAJOR, VERSION_MINOR, VERSION_PATCH, STAGE (the folder holding the
; files to install) and OUTFILE with -D.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "Verimond"
!define PUBLISHER "Zentaro"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\{6B1D2A40-93C7-4E15-A8F2-5C0E7D3B9A14}_is1"
!define VERB_FILES "Software\Classes\*\shell\ZentaroVerimond"
!define VERB_FOLDERS "Software\Classes\Directory\shell\ZentaroVerimond"
!define SETTINGS_KEY "Software\Zentaro\Verimond"
!define PAGE_CLASS "{E66E602F-3A0F-4147-A590-EC59B687265F}"
!define COMMAND_CLASS "{85DCD2AE-E77E-4EF0-B3E2-263220A37A16}"
!define PAGE_HANDLER "Software\Classes\*\shellex\PropertySheetHandlers\Verimond"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_USE_PROGRAMFILES64
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.${VERSION_PATCH}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}"

!define MUI_ICON "${STAGE}\vmview-icon.ico"
!define MUI_UNICON "${STAGE}\vmview-icon.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\vmview.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Verimond"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The mode the uninstaller must use to find what this setup wrote.
Var ModeSwitch

Function .onInit
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Verimond (required)" SectionProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${STAGE}\vmview.exe"
    File "${STAGE}\vmsum.exe"
    File "${STAGE}\vmshell.dll"
    File "${STAGE}\README.txt"
    File "${STAGE}\LICENSE.txt"
    File "${STAGE}\LICENSE-BLAKE3.txt"
    File "${STAGE}\LICENSE-xxHash.txt"
    File "${STAGE}\libgcrypt-20.dll"
    File "${STAGE}\libgpg-error-0.dll"
    File "${STAGE}\LICENSE-libgcrypt.txt"
    File "${STAGE}\LICENSE-libgpg-error.txt"
    File "${STAGE}\LGPL-2.1.txt"
    File "${STAGE}\libksba-8.dll"
    File "${STAGE}\LICENSE-libksba.txt"
    File "${STAGE}\LGPL-3.txt"
    File "${STAGE}\GPL-3.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\vmview.exe" "" "$INSTDIR\vmview.exe" 0 SW_SHOWNORMAL "" "Calculate and verify checksums"

    ${If} $MultiUser.InstallMode == "AllUsers"
        StrCpy $ModeSwitch "/AllUsers"
    ${Else}
        StrCpy $ModeSwitch "/CurrentUser"
    ${EndIf}
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vmview.exe,0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" $ModeSwitch'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" $ModeSwitch /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!macro WriteVerb KEY
    WriteRegStr SHCTX "${KEY}" "" "Calculate checksums"
    WriteRegStr SHCTX "${KEY}" "Icon" '"$INSTDIR\vmview.exe",0'
    WriteRegStr SHCTX "${KEY}\command" "" '"$INSTDIR\vmview.exe" "%1"'
!macroend

; Windows 11's first context menu shows only a registered package's command. The
; package registers only where Windows trusts its certificate, and needs
; PowerShell; when it doesn't, the setup goes on and the classic entry serves.
!define POWERSHELL 'powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command'
!define PACKAGE_FILE "verimond-explorer.msix"

Section 'Explorer menu entry ("Calculate checksums")' SectionExplorerMenu
    ; The shell extension registers its page, its menu entry and the verb for the
    ; setup's users; where that fails, the plain verb serves on its own.
    ${If} $MultiUser.InstallMode == "AllUsers"
        ExecWait '"$SYSDIR\regsvr32.exe" /s "$INSTDIR\vmshell.dll"' $0
    ${Else}
        ExecWait '"$SYSDIR\regsvr32.exe" /s /n /i:user "$INSTDIR\vmshell.dll"' $0
    ${EndIf}
    ${If} $0 != 0
        !insertmacro WriteVerb "${VERB_FILES}"
        !insertmacro WriteVerb "${VERB_FOLDERS}"
    ${EndIf}
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'  ; associations changed
    SetOutPath "$INSTDIR"
    File "${STAGE}\${PACKAGE_FILE}"
    nsExec::ExecToLog `${POWERSHELL} "Add-AppxPackage -Path '$INSTDIR\${PACKAGE_FILE}' -ExternalLocation '$INSTDIR'"`
    Pop $0  ; the exit code, or "error" when PowerShell didn't start; either way the setup goes on
SectionEnd

Section "Send To entry" SectionSendTo
    CreateShortcut "$SENDTO\${PRODUCT}.lnk" "$INSTDIR\vmview.exe" "" "$INSTDIR\vmview.exe" 0 SW_SHOWNORMAL "" "Calculate checksums with Verimond"
SectionEnd

; Removes an Explorer menu entry when it starts this copy; one that points
; elsewhere belongs to another copy and stays.
!macro RemoveVerbOfThisCopy ROOT KEY
    ReadRegStr $0 ${ROOT} "${KEY}\command" ""
    ${If} $0 == '"$INSTDIR\vmview.exe" "%1"'
        DeleteRegKey ${ROOT} "${KEY}"
    ${EndIf}
!macroend

; Removes the shell extension's class when it is this copy's DLL, and the
; Checksums page's entry once its class is gone.
!macro RemoveClassOfThisCopy ROOT CLASS
    ReadRegStr $0 ${ROOT} "Software\Classes\CLSID\${CLASS}\InprocServer32" ""
    ${If} $0 == "$INSTDIR\vmshell.dll"
        DeleteRegKey ${ROOT} "Software\Classes\CLSID\${CLASS}"
    ${EndIf}
!macroend

!macro RemovePageHandlerWithoutClass ROOT
    ClearErrors
    ReadRegStr $0 ${ROOT} "Software\Classes\CLSID\${PAGE_CLASS}" ""
    ${If} ${Errors}
        DeleteRegKey ${ROOT} "${PAGE_HANDLER}"
    ${EndIf}
!macroend

Section "Uninstall"
    ; Before the files go: while the package is registered, Windows may be running vmshell.dll from them.
    nsExec::ExecToLog `${POWERSHELL} "Get-AppxPackage -Name Zentaro.Verimond | Remove-AppxPackage"`
    Pop $0
    Delete "$INSTDIR\${PACKAGE_FILE}"
    Delete "$INSTDIR\vmview.exe"
    Delete "$INSTDIR\vmsum.exe"
    Delete /REBOOTOK "$INSTDIR\vmshell.dll"  ; Explorer may hold it until it restarts
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\LICENSE-BLAKE3.txt"
    Delete "$INSTDIR\LICENSE-xxHash.txt"
    Delete "$INSTDIR\libgcrypt-20.dll"
    Delete "$INSTDIR\libgpg-error-0.dll"
    Delete "$INSTDIR\LICENSE-libgcrypt.txt"
    Delete "$INSTDIR\LICENSE-libgpg-error.txt"
    Delete "$INSTDIR\LGPL-2.1.txt"
    Delete "$INSTDIR\libksba-8.dll"
    Delete "$INSTDIR\LICENSE-libksba.txt"
    Delete "$INSTDIR\LGPL-3.txt"
    Delete "$INSTDIR\GPL-3.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$SENDTO\${PRODUCT}.lnk"

    ; The setup's entries, and the ones the program added for the current user.
    !insertmacro RemoveVerbOfThisCopy SHCTX "${VERB_FILES}"
    !insertmacro RemoveVerbOfThisCopy SHCTX "${VERB_FOLDERS}"
    !insertmacro RemoveVerbOfThisCopy HKCU "${VERB_FILES}"
    !insertmacro RemoveVerbOfThisCopy HKCU "${VERB_FOLDERS}"
    !insertmacro RemoveClassOfThisCopy SHCTX "${PAGE_CLASS}"
    !insertmacro RemoveClassOfThisCopy SHCTX "${COMMAND_CLASS}"
    !insertmacro RemoveClassOfThisCopy HKCU "${PAGE_CLASS}"
    !insertmacro RemoveClassOfThisCopy HKCU "${COMMAND_CLASS}"
    !insertmacro RemovePageHandlerWithoutClass SHCTX
    !insertmacro RemovePageHandlerWithoutClass HKCU
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"

    ; Settings go only when asked: in the dialog, or with /RemoveSettings when silent.
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/RemoveSettings" $2
    ${IfNot} ${Errors}
        StrCpy $3 "remove"
    ${ElseIfNot} ${Silent}
        MessageBox MB_YESNO|MB_ICONQUESTION "Also remove your Verimond settings?" /SD IDNO IDNO +2
        StrCpy $3 "remove"
    ${EndIf}
    ${If} $3 == "remove"
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKCU "Software\Zentaro"
    ${EndIf}
SectionEnd
