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
; uninstaller removes quorvex.ini and the alert choices (HKCU\Software\Quorvex
; Client) only when the user agrees (silently: never).
;
; An earlier install for all users (Program Files, uninstall entry under HKLM)
; is named in a message that says how to remove it; it is never changed. A
; silent install goes on past that message and leaves the old copy alone.
;
; Neither the setup nor the uninstaller works around a running program (it
; usually runs, in the notification area): a message asks the user to quit
; it, Retry looks again and Cancel stops with nothing changed; silently they
; stop at once with exit code 2. The uninstaller removes the program's files
; first, all or none, and the shortcuts and the uninstall entry only after
; them: a file that another program holds (a PDF viewer showing the manual)
; stops it with exit code 2 before anything is removed.
Unicode true
SetCompressor /SOLID lzma

!define PRODUCT "Quorvex Client"
!ifndef VERSION
  !error "VERSION must be given (-DVERSION=x.y.z), as the build does"
!endif
!define VERSION_TEXT "Quorvex v${VERSION}"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvexClient"
; The program keeps the notification icon's choices here (src/ui/tray/alert_choices.h).
!define CHOICES_KEY "Software\${PRODUCT}"

Name "${PRODUCT}"
Caption "${VERSION_TEXT} Setup"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel user
ShowInstDetails show
; A file that cannot be written offers Retry or Cancel, never Ignore, and a
; silent setup stops there: an upgrade is never left half done behind a
; success.
AllowSkipFiles off

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

; While the program runs, its quorvex.exe can be neither replaced nor
; removed: it holds its single-instance mutex from its start to its end. One
; started after this check is still found where its quorvex.exe stays.
!macro WAIT_FOR_QUIT UN WHAT
Function ${UN}WaitForQuit
again:
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "QuorvexReenterCheck") p .r0'
  IntPtrCmp $0 0 done
  System::Call 'kernel32::CloseHandle(p r0)'
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "${PRODUCT} is running. Quit it first: right-click its icon in the notification area and choose $\"Quit$\", or close its window.$\r$\n$\r$\nPress Retry once it has quit, or Cancel to stop the ${WHAT} without changing anything." \
    /SD IDCANCEL IDRETRY again
  SetErrorLevel 2
  Quit
done:
FunctionEnd
!macroend
!insertmacro WAIT_FOR_QUIT "" "setup"
!insertmacro WAIT_FOR_QUIT "un." "uninstall"

Function .onInit
  Call WaitForQuit
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

; Stops the uninstall, leaving what is left as it is, uninstall entry and
; shortcuts included, so that it can be run again: the file $0 is in use.
Function un.InUse
  MessageBox MB_OK|MB_ICONSTOP \
    "$0 is in use, so ${PRODUCT} cannot be uninstalled now. Quit the program that uses it (${PRODUCT} itself, or a viewer showing the manual), then uninstall again." \
    /SD IDOK
  SetErrorLevel 2
  Quit
FunctionEnd

; A file that another program holds open without letting it be deleted
; cannot be opened for deleting either, which tells before anything goes.
Function un.StopIfHeld
  IfFileExists $0 0 free
  System::Call 'kernel32::CreateFileW(w r0, i 0x00010000, i 7, p 0, i 3, i 0, p 0) p .r1'
  IntPtrCmp $1 -1 held
  System::Call 'kernel32::CloseHandle(p r1)'
  Return
held:
  Call un.InUse
free:
FunctionEnd

!macro UN_STOP_IF_LEFT FILE
  StrCpy $0 "${FILE}"
  IfFileExists $0 0 +2
  Call un.InUse
!macroend

Function un.onInit
  Call un.WaitForQuit
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  ; The program's files go first, and the rest only once they are gone.
  ; quorvex.exe stays while it runs (started since un.onInit) or is held:
  ; then nothing has gone yet. The manual, which a viewer may hold, is
  ; looked at before that.
  StrCpy $0 "$INSTDIR\QuorvexManual.pdf"
  Call un.StopIfHeld
  Delete "$INSTDIR\quorvex.exe"
  !insertmacro UN_STOP_IF_LEFT "$INSTDIR\quorvex.exe"
  Delete "$INSTDIR\QuorvexManual.pdf"
  !insertmacro UN_STOP_IF_LEFT "$INSTDIR\QuorvexManual.pdf"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} User Manual.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  ; The user's settings go only when the user says so, both together: the
  ; server address in quorvex.ini and the alert choices in the registry.
  IfFileExists "$INSTDIR\quorvex.ini" settings_ask 0
  ClearErrors
  EnumRegValue $0 HKCU "${CHOICES_KEY}" 0
  IfErrors settings_done
  StrCmp $0 "" settings_done
settings_ask:
  MessageBox MB_YESNO|MB_ICONQUESTION \
    "Remove your settings too (the server address and port in$\r$\n$INSTDIR\quorvex.ini, and the alert choices)?" \
    /SD IDNO IDNO settings_done
  Delete "$INSTDIR\quorvex.ini"
  DeleteRegKey HKCU "${CHOICES_KEY}"
settings_done:
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
