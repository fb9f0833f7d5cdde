; Quorvex Client installer, built on Linux with makensis by the Windows build
; (target "package" in cmake/win.cmake).
;   makensis -DSRCDIR=<dir with quorvex.exe and QuorvexManual.pdf>
;            -DVERSION=<x.y.z> -DOUTFILE=<QuorvexSetup-x.y.z.exe> -DICON=<app.ico> quorvex.nsi
; Silent use: QuorvexSetup-x.y.z.exe /S [/D=C:\path]  (/D= last)
Unicode true
SetCompressor /SOLID lzma

!define PRODUCT "Quorvex Client"
!ifndef VERSION
  !error "VERSION must be given (-DVERSION=x.y.z), as the build does"
!endif
!define VERSION_TEXT "Quorvex v${VERSION}"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvexClient"

Name "${PRODUCT}"
Caption "${VERSION_TEXT} Setup"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${VERSION_TEXT}"
VIAddVersionKey "CompanyName" "Quorvex"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}.0"
VIAddVersionKey "ProductVersion" "${VERSION}.0"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Quorvex. All rights reserved."

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${SRCDIR}/quorvex.exe"
  File "${SRCDIR}/QuorvexManual.pdf"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  ; The program reads quorvex.ini and the manual from its working directory.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\quorvex.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} User Manual.lnk" "$INSTDIR\QuorvexManual.pdf"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Quorvex"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\quorvex.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINST_KEY}" "URLInfoAbout" "https://www.quorvex.example/"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} User Manual.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\quorvex.exe"
  Delete "$INSTDIR\QuorvexManual.pdf"
  Delete "$INSTDIR\quorvex.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
