; The Windows setup program, made by scripts/package-windows with
;   makensis -DSETTINGS=setup.nsh -DFILES=FOLDER -DUNINSTALL_FILES=list.nsh -DOUTFILE=SETUP.exe setup.nsi
; FOLDER holds what is installed; list.nsh deletes each of its files (the uninstaller removes those
; and nothing else). Installs for every user into Program Files when it may (an administrator),
; else for the user alone into their own programs folder; /AllUsers or /CurrentUser choose, /S
; installs without a window, /D=FOLDER (last) sets the folder. Windows 10 or later.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "${SETTINGS}"
!include FileFunc.nsh
!include LogicLib.nsh
!include WinVer.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP_ID}"
!define PROGRAM "hzm-utility.exe"

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT_NAME} ${PRODUCT_VERSION}"
VIProductVersion "${PRODUCT_VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=0 "ProductVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "CompanyName" "${PRODUCT_PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${PRODUCT_VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PRODUCT_COPYRIGHT}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT_NAME}"
; An update goes where the installed version is, for the same users.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh

!define MUI_ICON "../../resources/icons/hzm-utility.ico" ; makensis reads the script in its folder
!define MUI_UNICON "${MUI_ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

; A file type opened by the program: "Open" runs it with the file, the icon is the program's.
!macro RegisterFileType EXT DESCRIPTION
    WriteRegStr SHCTX "Software\Classes\${APP_ID}.${EXT}" "" "${DESCRIPTION}"
    WriteRegStr SHCTX "Software\Classes\${APP_ID}.${EXT}\DefaultIcon" "" "$INSTDIR\${PROGRAM},0"
    WriteRegStr SHCTX "Software\Classes\${APP_ID}.${EXT}\shell\open\command" "" '"$INSTDIR\${PROGRAM}" "%1"'
    WriteRegStr SHCTX "Software\Classes\.${EXT}" "" "${APP_ID}.${EXT}"
    WriteRegStr SHCTX "Software\Classes\.${EXT}\OpenWithProgids" "${APP_ID}.${EXT}" ""
    WriteRegStr SHCTX "Software\Classes\Applications\${PROGRAM}\SupportedTypes" ".${EXT}" ""
!macroend
; Takes back what RegisterFileType wrote; the extension keeps another program's claim on it.
!macro UnregisterFileType EXT DESCRIPTION
    DeleteRegKey SHCTX "Software\Classes\${APP_ID}.${EXT}"
    DeleteRegValue SHCTX "Software\Classes\.${EXT}\OpenWithProgids" "${APP_ID}.${EXT}"
    DeleteRegKey /ifempty SHCTX "Software\Classes\.${EXT}\OpenWithProgids"
    ReadRegStr $0 SHCTX "Software\Classes\.${EXT}" ""
    ${If} $0 == "${APP_ID}.${EXT}"
        DeleteRegValue SHCTX "Software\Classes\.${EXT}" ""
    ${EndIf}
    DeleteRegKey /ifempty SHCTX "Software\Classes\.${EXT}"
!macroend

Function .onInit
    ${IfNot} ${AtLeastWin10}
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} needs Windows 10 or later." /SD IDOK
        Abort
    ${EndIf}
    !insertmacro MULTIUSER_INIT
FunctionEnd

Function un.onInit
    !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section
    SetOutPath "$INSTDIR"
    File /r "${FILES}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT_NAME}.lnk" "$INSTDIR\${PROGRAM}"
    !insertmacro ForEachFileType RegisterFileType
    WriteRegStr SHCTX "Software\Classes\Applications\${PROGRAM}" "FriendlyAppName" "${PRODUCT_NAME}"

    ; Apps & Features
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${PRODUCT_VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PRODUCT_PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${PRODUCT_URL}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; Explorer shows the new file types at once.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
    !include "${UNINSTALL_FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT_NAME}.lnk"
    !insertmacro ForEachFileType UnregisterFileType
    DeleteRegKey SHCTX "Software\Classes\Applications\${PROGRAM}"
    DeleteRegKey /ifempty SHCTX "Software\Classes\Applications"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
