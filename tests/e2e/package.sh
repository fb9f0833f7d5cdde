#!/usr/bin/env bash
# Checks of what is shipped (see CMakeLists.txt):
#   package.sh manual    BUILD_DIR SOURCE_DIR  the PDF's pages and texts
#   package.sh zip       BUILD_DIR             the portable zip's files
#   package.sh installer BUILD_DIR             a silent install under Wine, the
#                                              files, shortcuts and uninstall entry,
#                                              then a silent uninstall
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
  mapfile -t lines < <(grep -rhoE 'LogStatus\("[^"]+"\)' "$src/src" | sed -E 's/LogStatus\("(.*)"\)/\1/' | sort -u)
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
  i686-w64-mingw32-objdump -p "$build/quorvex.exe" | grep -q "large address aware" \
    || fail "quorvex.exe is not linked large-address-aware"
  echo "zip: $(wc -l <<<"$list") entries"
  ;;
installer)
  qx_wine_prefix
  setup=$build/QuorvexSetup-1.0.0.exe
  [ -f "$setup" ] || fail "no $setup"
  target='C:\qx-install-test'
  dir=$WINEPREFIX/drive_c/qx-install-test
  menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Quorvex\ Client
  key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvexClient'
  rm -rf "$dir" "$menu"

  timeout -k 5 120 wine "$setup" /S "/D=$target" </dev/null >/dev/null 2>&1
  rc=$?
  [ $rc = 0 ] || fail "silent install ended with $rc"
  for f in quorvex.exe QuorvexManual.pdf uninstall.exe; do
    [ -f "$dir/$f" ] || fail "not installed: $f"
  done
  cmp -s "$dir/quorvex.exe" "$build/quorvex.exe" || fail "installed quorvex.exe differs from the build's"
  cmp -s "$dir/QuorvexManual.pdf" "$build/QuorvexManual.pdf" || fail "installed manual differs"
  for f in "Quorvex Client.lnk" "Quorvex Client User Manual.lnk" "Uninstall Quorvex Client.lnk"; do
    [ -f "$menu/$f" ] || fail "no Start-menu shortcut $f"
  done
  entry=$(timeout -k 5 60 wine reg query "$key" </dev/null 2>/dev/null | tr -d '\r')
  grep -q 'DisplayName.*Quorvex Client' <<<"$entry" || fail "no uninstall entry: $entry"
  grep -q 'DisplayVersion.*1\.0\.0' <<<"$entry" || fail "no version in the uninstall entry"
  grep -qi 'UninstallString.*qx-install-test\\uninstall.exe' <<<"$entry" || fail "wrong UninstallString"
  echo "installed: $(ls "$dir" | tr '\n' ' ')"

  # _?= runs the uninstaller in place and waits for it; it cannot delete
  # itself then, so the test removes it afterwards.
  timeout -k 5 120 wine "$dir/uninstall.exe" /S "_?=$target" </dev/null >/dev/null 2>&1
  rc=$?
  [ $rc = 0 ] || fail "silent uninstall ended with $rc"
  for f in quorvex.exe QuorvexManual.pdf; do
    [ ! -e "$dir/$f" ] || fail "still there after uninstall: $f"
  done
  [ ! -e "$menu" ] || fail "Start-menu folder still there"
  timeout -k 5 60 wine reg query "$key" </dev/null >/dev/null 2>&1 && fail "uninstall entry still there"
  rm -rf "$dir"
  echo "uninstalled: files, shortcuts and the uninstall entry gone"
  ;;
*) fail "unknown case $what" ;;
esac
exit 0
