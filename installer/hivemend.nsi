; The Hivemend setup: a per-machine install into Program Files with a
; Start-menu shortcut and an entry under Uninstall, and an uninstaller that
; removes all of it, the start-up shortcut included, and asks before it
; deletes the user's data folder (its undo snapshots are the user's own).
; "/S" installs and uninstalls silently; a silent uninstall keeps the data.
;
; Built by scripts/package (through CMake), which defines:
;   VERSION  the program's version, four numbers
;   STAGE    the folder holding hvmend.exe, hvmend-cli.exe and hvmend.chm
;   OUTFILE  the setup program to write

Unicode true
; Debian's makensis builds a 32-bit setup unless told otherwise, and these
; machines run 64-bit Windows programs only.
Target amd64-unicode

!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Hivemend"
!define PUBLISHER "Brightfold Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Hivemend"
; The data folder the program keeps its settings, lists and snapshots in.
!define DATA_FOLDER "$LOCALAPPDATA\BrightfoldSoftware"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

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

Section "Hivemend"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\hvmend.exe"
  File "${STAGE}\hvmend-cli.exe"
  File "${STAGE}\hvmend.chm"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\hvmend.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\hvmend.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\hvmend.exe"
  Delete "$INSTDIR\hvmend-cli.exe"
  Delete "$INSTDIR\hvmend.chm"
  Delete "$INSTDIR\uninstall.exe"
  ; What an update that never finished left (the program removes it itself
  ; once an update has run through).
  RMDir /r "$INSTDIR\Update"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  ; The start-up shortcut and the data folder are the user's.
  SetShellVarContext current
  Delete "$SMSTARTUP\hvmend.lnk"
  ${If} ${FileExists} "${DATA_FOLDER}\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Delete Hivemend's data folder as well?$\r$\n$\r$\n${DATA_FOLDER}$\r$\n$\r$\nIt holds your settings and the undo snapshots of earlier repairs, which cannot be restored once it is gone." \
      /SD IDNO IDNO keep_data
    RMDir /r "${DATA_FOLDER}"
    keep_data:
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
