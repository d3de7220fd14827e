; The installer of RelivoX. It installs for the user who runs it, without
; administrator rights, into %LOCALAPPDATA%\Programs\RelivoX, where the
; program can write its settings and log beside itself. It carries the
; 32-bit and the 64-bit build and installs the 64-bit one on 64-bit (x64)
; Windows, the 32-bit one everywhere else.
;
; Silent, for administrators: /S; /DESKTOP adds the desktop shortcut;
; /D=<folder> (last) installs elsewhere. The uninstaller's silent switch is
; /S too (it keeps the user's settings).
;
; Made by tools/installer/build-installer.sh, which defines:
;   VERSION      the project's version (three numbers)
;   WORK         the folder it prepared: common\ (what both builds share),
;                bin32\ and bin64\ (program and libraries of each build),
;                RelivoX.ini (the shipped settings) and files.nsh (every
;                shipped file and folder, for the uninstaller)
;   OUTFILE      the installer to write
;   PAYLOAD32, PAYLOAD64  set for each build the installer carries
;   TARGET_AMD64 a 64-bit installer, for machines that cannot run 32-bit
;                programs (tests only: it cannot start on 32-bit Windows)
;   FAST         quick compression (tests)
;   ICON         the program's icon, for the installer and the uninstaller

!ifdef TARGET_AMD64
  Target amd64-unicode
!else
  Unicode true
!endif
!ifdef FAST
  SetCompressor zlib
!else
  SetCompressor /SOLID lzma
  SetCompressorDictSize 32
!endif

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include MUI2.nsh
!include "${WORK}\files.nsh"

!define PRODUCT "RelivoX"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\RelivoX"
; The class of the program's main window: while it exists the program runs.
!define WINDOW_CLASS "RelivoXClass"
; The language section of the shipped settings for English (the program
; starts in German, section 0049, unless told otherwise).
!define ENGLISH_SECTION "0044"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "LegalCopyright" ""

!define MUI_ABORTWARNING
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\RelivoX.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one for every Windows language but German.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"

LangString SecProgramName ${LANG_ENGLISH} "RelivoX (program, braille tables, sounds)"
LangString SecProgramName ${LANG_GERMAN} "RelivoX (Programm, Brailletabellen, Klänge)"
LangString SecDesktopName ${LANG_ENGLISH} "Desktop shortcut"
LangString SecDesktopName ${LANG_GERMAN} "Verknüpfung auf dem Desktop"
LangString ShortcutText ${LANG_ENGLISH} "Draw, write and read on the Relivo tactile display"
LangString ShortcutText ${LANG_GERMAN} "Zeichnen, schreiben und lesen auf dem tastbaren Relivo-Display"
LangString Running ${LANG_ENGLISH} "RelivoX is running. Close it, then choose Retry."
LangString Running ${LANG_GERMAN} "RelivoX läuft gerade. Bitte schließen Sie es und wählen Sie dann Wiederholen."
LangString NoBuild ${LANG_ENGLISH} "This installer does not carry the build of RelivoX for this Windows."
LangString NoBuild ${LANG_GERMAN} "Dieses Installationsprogramm enthält RelivoX nicht für dieses Windows."
LangString Build32 ${LANG_ENGLISH} "Installing the 32-bit program."
LangString Build32 ${LANG_GERMAN} "Das 32-Bit-Programm wird installiert."
LangString Build64 ${LANG_ENGLISH} "Installing the 64-bit program."
LangString Build64 ${LANG_GERMAN} "Das 64-Bit-Programm wird installiert."
LangString SettingsMerged ${LANG_ENGLISH} "Your settings are kept; new settings added: "
LangString SettingsMerged ${LANG_GERMAN} "Ihre Einstellungen bleiben erhalten; neue Einstellungen hinzugefügt: "
LangString SettingsUnreadable ${LANG_ENGLISH} "The shipped settings could not be read; your settings stay as they are."
LangString SettingsUnreadable ${LANG_GERMAN} "Die mitgelieferten Einstellungen waren nicht lesbar; Ihre Einstellungen bleiben, wie sie sind."
LangString KeepSettings ${LANG_ENGLISH} "Keep your settings and the log (res\RelivoX.ini and res\RelivoX.pro) for a later installation?$\r$\n$\r$\nYes keeps them, No removes them. Your documents in the data folder are never removed."
LangString KeepSettings ${LANG_GERMAN} "Ihre Einstellungen und das Protokoll (res\RelivoX.ini und res\RelivoX.pro) für eine spätere Installation behalten?$\r$\n$\r$\nJa behält sie, Nein entfernt sie. Ihre Dokumente im Ordner data werden nie entfernt."

; ---- the program ---------------------------------------------------------

Section "$(SecProgramName)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  Call InstallBuild
  File /r "${WORK}\common\*.*"
  CreateDirectory "$INSTDIR\data"
  Call InstallSettings
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The shortcuts start the program in its own folder.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\RelivoX.exe" "" "$INSTDIR\RelivoX.exe" 0 SW_SHOWNORMAL "" "$(ShortcutText)"
  Call RegisterUninstaller
SectionEnd

Section /o "$(SecDesktopName)" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\RelivoX.exe" "" "$INSTDIR\RelivoX.exe" 0 SW_SHOWNORMAL "" "$(ShortcutText)"
SectionEnd

; The build that fits this Windows: 64-bit on x64, 32-bit on the rest
; (32-bit Windows, and ARM, which runs 32-bit programs).
!macro FitsThisWindows _t _f
  ${If} ${IsNativeAMD64}
    !ifdef PAYLOAD64
      Goto ${_t}
    !endif
  ${Else}
    !ifdef PAYLOAD32
      Goto ${_t}
    !endif
  ${EndIf}
  Goto ${_f}
!macroend

Function InstallBuild
  ${If} ${IsNativeAMD64}
    !ifdef PAYLOAD64
      DetailPrint "$(Build64)"
      File "${WORK}\bin64\*.*"
    !endif
  ${Else}
    !ifdef PAYLOAD32
      DetailPrint "$(Build32)"
      File "${WORK}\bin32\*.*"
    !endif
  ${EndIf}
FunctionEnd

; A first installation gets the shipped settings (in English unless Windows
; speaks German); over an earlier one the user's settings stay and only the
; keys they lack arrive.
Function InstallSettings
  ${If} ${FileExists} "$INSTDIR\res\RelivoX.ini"
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${WORK}\RelivoX.ini"
    SetOutPath "$INSTDIR"
    Push "$PLUGINSDIR\RelivoX.ini"
    Push "$INSTDIR\res\RelivoX.ini"
    Call MergeSettings
  ${Else}
    SetOutPath "$INSTDIR\res"
    File "${WORK}\RelivoX.ini"
    SetOutPath "$INSTDIR"
    ${If} $LANGUAGE != ${LANG_GERMAN}
      WriteINIStr "$INSTDIR\res\RelivoX.ini" "Def" "Lng" "${ENGLISH_SECTION}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Adds to the user's settings file (top of the stack) every key of the
; shipped one (below it) that the user's file lacks, with its shipped value.
; A key the user has, even empty, keeps its value. Both files are read and
; written by the system's settings functions, as the program reads them:
; sections and keys without regard to case.
Function MergeSettings
  Exch $R1
  Exch
  Exch $R0
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $1 ""  ; the section of the line
  StrCpy $8 0   ; keys added
  ClearErrors
  FileOpen $0 "$R0" r
  ${If} ${Errors}
    DetailPrint "$(SettingsUnreadable)"
    Goto done
  ${EndIf}
  ${Do}
    ClearErrors
    FileRead $0 $2
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ; The line without its line break.
    ${Do}
      StrCpy $3 $2 1 -1
      ${If} $3 == "$\r"
      ${OrIf} $3 == "$\n"
        StrCpy $2 $2 -1
      ${Else}
        ${Break}
      ${EndIf}
    ${Loop}
    StrLen $7 $2
    StrCpy $3 $2 1
    ${If} $3 == "["
      ; [Section]: the name up to the closing bracket.
      StrCpy $4 1
      ${DoWhile} $4 < $7
        StrCpy $3 $2 1 $4
        ${If} $3 == "]"
          ${Break}
        ${EndIf}
        IntOp $4 $4 + 1
      ${Loop}
      IntOp $4 $4 - 1
      StrCpy $1 $2 $4 1
    ${ElseIf} $3 != ";"
    ${AndIf} $1 != ""
      ; key=value: the key up to the first "=".
      StrCpy $4 0
      ${DoWhile} $4 < $7
        StrCpy $3 $2 1 $4
        ${If} $3 == "="
          ${Break}
        ${EndIf}
        IntOp $4 $4 + 1
      ${Loop}
      ${If} $4 > 0
      ${AndIf} $4 < $7
        StrCpy $5 $2 $4
        IntOp $4 $4 + 1
        StrCpy $6 $2 "" $4
        ClearErrors
        ReadINIStr $3 "$R1" "$1" "$5"
        ${If} ${Errors}
          WriteINIStr "$R1" "$1" "$5" "$6"
          IntOp $8 $8 + 1
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${Loop}
  FileClose $0
  DetailPrint "$(SettingsMerged)$8"
done:
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Pop $R1
  Pop $R0
FunctionEnd

Function RegisterUninstaller
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\RelivoX.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
FunctionEnd

; Waits until the program is closed (asks the user; a silent run gives up).
!macro WaitUntilClosed un
  Function ${un}WaitUntilClosed
    ${Do}
      FindWindow $0 "${WINDOW_CLASS}"
      ${If} $0 == 0
        ${Break}
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(Running)" /SD IDCANCEL IDRETRY +2
      Abort
    ${Loop}
  FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""
!insertmacro WaitUntilClosed "un."

Function .onInit
  SetShellVarContext current
  !insertmacro FitsThisWindows fits nofit
nofit:
  MessageBox MB_ICONSTOP "$(NoBuild)" /SD IDOK
  Abort
fits:
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/DESKTOP" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} ${SF_SELECTED}
  ${EndIf}
  Call WaitUntilClosed
FunctionEnd

; ---- the uninstaller -----------------------------------------------------

Function un.onInit
  SetShellVarContext current
  Call un.WaitUntilClosed
FunctionEnd

Section "Uninstall"
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "$(KeepSettings)" /SD IDYES IDYES keep
  Delete "$INSTDIR\res\RelivoX.ini"
  Delete "$INSTDIR\res\RelivoX.pro"
keep:
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  Delete "$INSTDIR\Uninstall.exe"
  ; Exactly what was shipped; a folder goes only when it is empty, so that
  ; the user's documents and the settings kept stay.
  !insertmacro RemoveShippedFiles
  RMDir "$INSTDIR\data"
  RMDir "$INSTDIR\res"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
