; Bolt Notes, a per-machine program as an NSIS setup of its own makes it: the
; program in Program Files\Bolt Notes with an uninstaller and Start-menu
; shortcuts, an Uninstall entry with an icon, its App Paths entry, the note
; files it opens (.boltnote, BoltNotes.Note with an icon and two verbs), its
; machine settings, and for the user who installs it a Run entry (an unquoted
; path with blanks and an argument, as many setups write it) and settings
; naming the user's notes folder. The uninstaller removes what the setup
; wrote but leaves the user's notes and settings, as such uninstallers do.
;
; Built by the test's CMakeLists, which defines:
;   STAGE    the folder holding bolt.exe and readme.txt
;   OUTFILE  the setup program to write

Unicode true
; Debian's makensis builds a 32-bit setup unless told otherwise, and these
; machines run 64-bit Windows programs only.
Target amd64-unicode

!define PRODUCT "Bolt Notes"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BoltNotes"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Bolt Notes"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\bolt.exe"
  File "${STAGE}\readme.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\bolt.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Read me.lnk" "$INSTDIR\readme.txt"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "3.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Bolt Test Software"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bolt.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1

  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\bolt.exe" "" \
    "$INSTDIR\bolt.exe"
  WriteRegStr HKLM "Software\Classes\.boltnote" "" "BoltNotes.Note"
  WriteRegStr HKLM "Software\Classes\BoltNotes.Note" "" "Bolt Note"
  WriteRegStr HKLM "Software\Classes\BoltNotes.Note\DefaultIcon" "" "$INSTDIR\bolt.exe,1"
  WriteRegStr HKLM "Software\Classes\BoltNotes.Note\shell\open\command" "" \
    '"$INSTDIR\bolt.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\BoltNotes.Note\shell\edit\command" "" \
    '"$INSTDIR\bolt.exe" /edit "%1"'
  WriteRegStr HKLM "Software\Bolt Notes" "InstallDir" "$INSTDIR"

  WriteRegStr HKCU "${RUN_KEY}" "Bolt Notes" "$INSTDIR\bolt.exe -minimized"
  CreateDirectory "$APPDATA\${PRODUCT}"
  WriteRegStr HKCU "Software\Bolt Notes\Settings" "NotesFolder" "$APPDATA\${PRODUCT}"
  WriteRegDWORD HKCU "Software\Bolt Notes\Settings" "WordWrap" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\bolt.exe"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Read me.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\App Paths\bolt.exe"
  DeleteRegKey HKLM "Software\Classes\.boltnote"
  DeleteRegKey HKLM "Software\Classes\BoltNotes.Note"
  DeleteRegKey HKLM "Software\Bolt Notes"
  DeleteRegValue HKCU "${RUN_KEY}" "Bolt Notes"
SectionEnd
