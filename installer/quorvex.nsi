; Quorvex Client installer, built on Linux with makensis by the Windows build
; (target "package" in cmake/win.cmake).
;   makensis -DSRCDIR=<dir with quorvex.exe and QuorvexManual.pdf>
;            -DVERSION=<x.y.z> -DOUTFILE=<QuorvexSetup-x.y.z.exe> -DICON=<app.ico> quorvex.nsi
; Silent use: QuorvexSetup-x.y.z.exe /S [/D=C:\path]  (/D= last)
;
; It installs for the user who runs it, without elevation, into
; %LOCALAPPDATA%\Programs\Quorvex Client, with shortcuts in the user's own
; Start menu and the uninstall entry under HKCU. The program keeps quorvex.ini
; in its working directory, and the shortcut starts it in the install folder,
; which the user can write. Installing again over it keeps quorvex.ini; the
; uninstaller removes quorvex.ini only when the user agrees (silently: never).
;
; An earlier install for all users (Program Files, uninstall entry under HKLM)
; is named in a message that says how to remove it; it is never changed. A
; silent install goes on past that message and leaves the old copy alone.
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
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel user
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

Function .onInit
  ; An install for all users left its uninstall entry under HKLM, or at
  ; least its files in Program Files.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  StrCmp $0 "" 0 found
  IfFileExists "$PROGRAMFILES\${PRODUCT}\quorvex.exe" 0 done
  StrCpy $0 "$PROGRAMFILES\${PRODUCT}"
found:
  MessageBox MB_OKCANCEL|MB_ICONINFORMATION \
    "${PRODUCT} is already installed for all users of this computer, in$\r$\n$0$\r$\n$\r$\nThis setup installs it for you alone, in a folder of your own, and leaves that copy as it is. To remove the copy for all users, uninstall $\"${PRODUCT}$\" in Settings > Apps (or Control Panel > Programs and Features) as an administrator, before or after this setup.$\r$\n$\r$\nPress OK to go on, or Cancel to stop the setup." \
    /SD IDOK IDOK done
  Abort
done:
FunctionEnd

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${SRCDIR}/quorvex.exe"
  File "${SRCDIR}/QuorvexManual.pdf"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  ; A shortcut's working directory is the output path: the program reads
  ; quorvex.ini and the manual from its working directory.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\quorvex.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} User Manual.lnk" "$INSTDIR\QuorvexManual.pdf"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Quorvex"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\quorvex.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINST_KEY}" "URLInfoAbout" "https://www.quorvex.example/"
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} User Manual.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\quorvex.exe"
  Delete "$INSTDIR\QuorvexManual.pdf"
  ; The user's settings go only when the user says so.
  IfFileExists "$INSTDIR\quorvex.ini" 0 settings_done
  MessageBox MB_YESNO|MB_ICONQUESTION \
    "Remove your settings too (the server address and port in$\r$\n$INSTDIR\quorvex.ini)?" \
    /SD IDNO IDNO settings_done
  Delete "$INSTDIR\quorvex.ini"
settings_done:
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
