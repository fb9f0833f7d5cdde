#!/usr/bin/env bash
# Checks of what is shipped (see CMakeLists.txt):
#   package.sh manual    BUILD_DIR SOURCE_DIR  the PDF's pages and texts
#   package.sh zip       BUILD_DIR             the portable zip's files
#   package.sh no_admin  BUILD_DIR SOURCE_DIR  the installer asks for no elevation
#                                              and writes nothing for all users
#   package.sh installer BUILD_DIR DRIVER      silent installs under Wine: files,
#                                              shortcuts, uninstall entry, program
#                                              started from its shortcut, refusals
#                                              while it runs, an upgrade, an earlier
#                                              install for all users, uninstalls
# Every Wine call is bounded by a timeout.
set -u
what=$1 build=$2
. "$(dirname "$0")/../../scripts/wine-env"
fail() { echo "FAIL: $*"; exit 1; }

case "$what" in
manual)
  src=$3
  pdf=$build/QuorvexManual.pdf
  [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "$pdf is not a PDF"
  text=$build/manual-check.txt
  gs -q -dNOPAUSE -dBATCH -sDEVICE=txtwrite -sOutputFile="$text" "$pdf" || fail "gs cannot read $pdf"
  pages=$(gs -q -dNODISPLAY -dNOSAFER -c "($pdf) (r) file runpdfbegin pdfpagecount = quit" 2>/dev/null)
  [ "${pages:-0}" -ge 6 ] || fail "only ${pages:-0} pages"
  flat=$(tr -s ' \n' '  ' < "$text")
  for line in "Quorvex Client User Manual" "Quorvex v1.0.0" "Event View Depth"; do
    [[ "$flat" == *"$line"* ]] || fail "the PDF does not contain \"$line\""
  done
  # Every status-log line that the program writes is explained in the manual
  # (checked in its source: table cells wrap in the PDF).
  mapfile -t lines < <(grep -rhoE '(LogStatus|ReportStatus)\("[^"]+"\)' "$src/src" |
                       sed -E 's/^[A-Za-z]+\("(.*)"\)/\1/' | sort -u)
  lines+=("Failed to create configuration file" "Cannot perform this action, no connection to Quorvex Server"
          "Quorvex Server, configuration unavailable" "Quorvex v1.0.0"
          "(*) Please set port value 1 to 65535" "(*) Please set non zero Number of retries")
  flat=$(tr -s ' \n' '  ' < "$src/docs/manual/manual.md" | sed 's/\\\*/*/g')
  for line in "${lines[@]}"; do
    [[ "$flat" == *"$line"* ]] || fail "the manual does not mention \"$line\""
  done
  echo "manual: $pages pages, ${#lines[@]} program texts found"
  ;;
zip)
  list=$(unzip -Z1 "$build/QuorvexClient-1.0.0.zip") || fail "cannot read the zip"
  for f in quorvex.exe QuorvexManual.pdf README.txt; do
    grep -qx "Quorvex Client/$f" <<<"$list" || fail "zip lacks $f"
  done
  cmp -s <(unzip -p "$build/QuorvexClient-1.0.0.zip" "Quorvex Client/quorvex.exe") "$build/quorvex.exe" \
    || fail "the zip's quorvex.exe differs from the build's"
  # (a 64-bit test build, scripts/wine-env, has no such flag)
  if objdump=$(i686-w64-mingw32-objdump -p "$build/quorvex.exe" 2>/dev/null); then
    grep -q "large address aware" <<<"$objdump" || fail "quorvex.exe is not linked large-address-aware"
  fi
  echo "zip: $(wc -l <<<"$list") entries"
  ;;
no_admin)
  # Wine lets every program write Program Files and HKLM, so an installer that
  # needs an administrator still passes the install check: check what Windows
  # reads instead. The manifest in the built installer (the uninstaller gets
  # the same one) decides whether Windows asks for elevation.
  nsi=$3/installer/quorvex.nsi
  level=$(grep -ao 'requestedExecutionLevel level="[A-Za-z]*"' "$build/QuorvexSetup-1.0.0.exe")
  [ "$level" = 'requestedExecutionLevel level="asInvoker"' ] || fail "the installer's manifest asks for: ${level:-nothing}"
  grep -qx 'RequestExecutionLevel user' "$nsi" || fail "the script does not ask for user rights"
  grep -qxF 'InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"' "$nsi" || fail "the default folder is not the user's"
  ! grep -nE 'SetShellVarContext +all' "$nsi" || fail "the script writes for all users"
  ! grep -nE '^\s*(WriteReg|DeleteReg)[A-Za-z]* +HKLM' "$nsi" || fail "the script writes HKLM"
  # Program Files is only looked at, to find an earlier install for all users.
  ! grep -nE '\$(PROGRAMFILES|COMMONFILES)' "$nsi" | grep -vE '^[0-9]+:\s*(IfFileExists|StrCpy \$0) ' \
    || fail "the script uses Program Files for more than finding an earlier install"
  echo "no_admin: asInvoker, per-user folder, no HKLM or all-users writes"
  ;;
installer)
  set -o pipefail  # the exit codes of wine programs whose output is filtered
  driver=$3
  # NSIS makes 32-bit installers only: a machine that cannot run 32-bit
  # code (scripts/wine-env) cannot run this one.
  if [ "$QX_WIN_TREE" = win64 ]; then
    echo "SKIPPED: this machine runs no 32-bit code, and the installer is a 32-bit program"
    exit 77
  fi
  qx_wine_prefix
  setup=$build/QuorvexSetup-1.0.0.exe
  [ -f "$setup" ] || fail "no $setup"
  drv() { timeout -k 5 90 wine "$driver" "$@" </dev/null 2>&1 | tr -d '\r'; }
  field() { sed -n "s/^$1=//p" <<<"$2"; }
  unix() { winepath -u "$1" 2>/dev/null; }
  lower() { tr 'A-Z' 'a-z' <<<"$1"; }
  under() { case $(lower "$1") in "$(lower "$2")"\\*) return 0 ;; esac; return 1; }
  reg_query() { timeout -k 5 60 wine reg query "$1" </dev/null 2>/dev/null | tr -d '\r'; }
  reg_value() { sed -n "s/^ *$2 *REG_[A-Z]* *//p" <<<"$1"; }
  install() { timeout -k 5 120 wine "$setup" /S "$@" </dev/null >/dev/null 2>&1; }
  uninstall() {  # uninstall DIR: the uninstaller reruns itself from %TEMP%; wait until it is done
    timeout -k 5 60 wine "$1/uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "silent uninstall ended with $?"
    for _ in $(seq 120); do
      [ ! -e "$1/uninstall.exe" ] && ! reg_query "$user_key" >/dev/null && return 0
      sleep 0.5
    done
    fail "the uninstaller did not finish within 60 s"
  }

  folders=$(drv folders)
  profile=$(field PROFILE "$folders") programs=$(field PROGRAMS "$folders")
  common=$(field COMMON_PROGRAMS "$folders") pf=$(field PROGRAM_FILES "$folders")
  target="$(field LOCALAPPDATA "$folders")\\Programs\\Quorvex Client"
  [ -n "$profile" ] && [ -n "$programs" ] && [ -n "$pf" ] || fail "no folders from the driver: $folders"
  under "$target" "$profile" || fail "$target is not under the profile $profile"
  dir=$(unix "$target") menu=$(unix "$programs\\Quorvex Client") common_menu=$(unix "$common\\Quorvex Client")
  old_win="$pf\\Quorvex Client" old=$(unix "$pf\\Quorvex Client")
  user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvexClient'
  machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvexClient'
  custom='C:\qx-install-test' custom_dir=$WINEPREFIX/drive_c/qx-install-test
  clean() {
    timeout -k 5 60 wine reg delete "$user_key" /f </dev/null >/dev/null 2>&1
    timeout -k 5 60 wine reg delete "$machine_key" /f </dev/null >/dev/null 2>&1
    rm -rf "$dir" "$menu" "$common_menu" "$custom_dir" "$old" "$build/installed-quorvex.ini"
  }
  clean

  # A silent install with the default folder, for this user alone.
  install || fail "silent install ended with $?"
  for f in quorvex.exe QuorvexManual.pdf uninstall.exe; do
    [ -f "$dir/$f" ] || fail "not installed in $target: $f"
  done
  cmp -s "$dir/quorvex.exe" "$build/quorvex.exe" || fail "installed quorvex.exe differs from the build's"
  cmp -s "$dir/QuorvexManual.pdf" "$build/QuorvexManual.pdf" || fail "installed manual differs"
  grep -qa 'requestedExecutionLevel level="asInvoker"' "$dir/uninstall.exe" || fail "the uninstaller asks for elevation"
  [ ! -e "$common_menu" ] || fail "shortcuts in the all-users Start menu"
  entry=$(reg_query "$user_key")
  grep -q 'DisplayName.*Quorvex Client' <<<"$entry" || fail "no uninstall entry in HKCU: $entry"
  grep -q 'DisplayVersion.*1\.0\.0' <<<"$entry" || fail "no version in the uninstall entry"
  [ "$(lower "$(reg_value "$entry" InstallLocation)")" = "$(lower "$target")" ] || fail "wrong InstallLocation: $entry"
  [ "$(lower "$(reg_value "$entry" UninstallString)")" = "$(lower "\"$target\\uninstall.exe\"")" ] \
    || fail "wrong UninstallString: $entry"
  reg_query "$machine_key" >/dev/null && fail "an uninstall entry in HKLM"
  # The shortcuts, read as the shell reads them.
  used=("$(reg_value "$entry" InstallLocation)" "$(reg_value "$entry" DisplayIcon)")
  for name in "Quorvex Client:quorvex.exe" "Quorvex Client User Manual:QuorvexManual.pdf" \
              "Uninstall Quorvex Client:uninstall.exe"; do
    lnk="$programs\\Quorvex Client\\${name%%:*}.lnk"
    [ -f "$(unix "$lnk")" ] || fail "no shortcut $lnk"
    link=$(drv shortcut "$lnk") || fail "cannot read $lnk"
    [ "$(lower "$(field target "$link")")" = "$(lower "$target\\${name#*:}")" ] || fail "$lnk points elsewhere: $link"
    [ "$(lower "$(field workdir "$link")")" = "$(lower "$target")" ] || fail "$lnk starts elsewhere: $link"
    used+=("$(field target "$link")" "$(field workdir "$link")")
  done
  for path in "${used[@]}"; do
    ! under "$path" "$pf" || fail "$path is under Program Files"
    under "$path" "$profile" || fail "$path is not under the profile"
  done
  echo "installed in $target: $(ls "$dir" | tr '\n' ' ')"

  # Started from its shortcut and connected, the program writes quorvex.ini
  # in the install folder. While it runs, setup (asking to quit it first)
  # and uninstall, and then an uninstall with the manual held, change nothing.
  state() { (cd "$dir" && md5sum quorvex.exe QuorvexManual.pdf uninstall.exe); ls "$menu"; reg_query "$user_key"; }
  before=$(state)
  run=$(drv start "$programs\\Quorvex Client\\Quorvex Client.lnk" "$(winepath -w "$setup" 2>/dev/null)") \
    || fail "starting from the shortcut: $run"
  [ "$(field exit "$run") $(field upgrade "$run") $(field uninstall "$run") $(field held "$run")" = "2 2 2 2" ] \
    && grep -q '^message=Quorvex Client is running. Quit it first' <<<"$run" || fail "not refused: $(tr '\n' ' ' <<<"$run")"
  [ "$(state)" = "$before" ] || fail "changed while the program ran: $(diff <(echo "$before") <(state))"
  port=$(field port "$run")
  [ "$(field closed "$run")" = 0 ] || fail "the program ended with $(field closed "$run")"
  [ "$(cat "$dir/quorvex.ini" 2>/dev/null)" = "$(printf 'SERVER_PORT=%s\r\nSERVER_IP=127.0.0.1\r' "$port")" ] \
    || fail "quorvex.ini in the install folder: $(cat -A "$dir/quorvex.ini" 2>&1)"
  cp "$dir/quorvex.ini" "$build/installed-quorvex.ini"
  echo "started from the shortcut: connected, quorvex.ini written there; no upgrade or uninstall while it ran or the manual was held"

  # Installing again over it restores the files and keeps the settings.
  rm "$dir/QuorvexManual.pdf"
  install || fail "silent upgrade ended with $?"
  [ -f "$dir/QuorvexManual.pdf" ] || fail "the upgrade did not install into $target"
  cmp -s "$dir/quorvex.ini" "$build/installed-quorvex.ini" || fail "the upgrade changed quorvex.ini"

  # A silent uninstall keeps the settings and nothing else.
  uninstall "$dir"
  [ ! -e "$menu" ] || fail "Start-menu folder still there"
  [ "$(ls -A "$dir")" = quorvex.ini ] || fail "left after uninstall: $(ls -A "$dir" | tr '\n' ' ')"
  cmp -s "$dir/quorvex.ini" "$build/installed-quorvex.ini" || fail "the uninstaller changed quorvex.ini"
  echo "uninstalled: only quorvex.ini left"

  # An earlier install for all users: named in a message, never touched.
  mkdir -p "$old" && echo old > "$old/quorvex.exe"
  timeout -k 5 60 wine reg add "$machine_key" /v InstallLocation /d "$old_win" /f </dev/null >/dev/null 2>&1
  asked=$(drv cancel "$(winepath -w "$setup" 2>/dev/null)") || fail "no message about the earlier install: $asked"
  grep -qiF "$old_win" <<<"$asked" || fail "the message does not name $old_win: $asked"
  [ "$(field exit "$asked")" != 0 ] || fail "Cancel did not stop the setup"
  [ ! -e "$dir/quorvex.exe" ] && ! reg_query "$user_key" >/dev/null || fail "installed after Cancel"
  # Silently it installs for the user, here into a folder given with /D=.
  install "/D=$custom" || fail "silent install with /D= ended with $?"
  [ -f "$custom_dir/quorvex.exe" ] || fail "/D= was not followed"
  [ "$(lower "$(reg_value "$(reg_query "$user_key")" InstallLocation)")" = "$(lower "$custom")" ] \
    || fail "the uninstall entry does not name $custom"
  [ "$(cat "$old/quorvex.exe")" = old ] || fail "the earlier install was changed"
  [ "$(reg_value "$(reg_query "$machine_key")" InstallLocation)" = "$old_win" ] || fail "the HKLM entry was changed"
  uninstall "$custom_dir"
  [ -z "$(ls -A "$custom_dir" 2>/dev/null)" ] || fail "left in $custom: $(ls -A "$custom_dir")"
  [ "$(cat "$old/quorvex.exe")" = old ] || fail "the uninstaller changed the earlier install"
  clean
  echo "earlier install for all users: named, left alone; /D= followed"
  ;;
*) fail "unknown case $what" ;;
esac
exit 0
