#!/usr/bin/env bash
# Builds the programs (release builds) and runs the main job under Wine:
#   tools/run.sh            Setup.exe on the demo package (default)
#   tools/run.sh uninstall  UnInstall.exe
#   tools/run.sh rookwell   Rookwell.exe
# With no display it starts Xvfb and saves a screenshot in the release build's folder.
set -u
source "$(dirname "$0")/common.sh"

what=${1:-setup}
case "$what" in setup | uninstall | rookwell) ;; *) echo "usage: tools/run.sh [setup|uninstall|rookwell]"; exit 2 ;; esac
kv_bootstrap || exit 1

headless=
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
# With nobody at the screen the window tool goes through the program's windows.
tools=()
[ -n "$headless" ] && [ "$what" != rookwell ] && tools=(wtool)
[ -f "$release_build/build.ninja" ] || echo "building the programs for the first time (about two minutes) ..."
kv_build_run "${tools[@]}" || { echo "cross build failed"; exit 1; }

kv_start_display || exit 1
trap 'kv_stop_wineserver "$run_build"; kv_stop_display' EXIT
kv_start_wineserver "$run_build" || exit 1

run_dir="$run_build/demo-run"
rm -rf "$run_dir"
mkdir -p "$run_dir"
case "$what" in
  setup)
    cp -r "$root/demo/package/." "$run_dir/"
    cp "$run_build/bin/Setup.exe" "$run_build/bin/UnInstall.exe" "$run_dir/"
    exe="$run_dir/Setup.exe" ;;
  uninstall)
    # An installed demo made by hand: its files, and the uninstaller beside its script.
    app="$run_dir/Demo Notes"
    mkdir -p "$app/Samples"
    cp "$root/demo/package/Readme.txt" "$root/demo/package/License.txt" "$app/"
    cp "$root/demo/package/Samples/Sample.txt" "$app/Samples/"
    cp "$root/demo/uninstall/UnInstall.txt" "$run_build/bin/UnInstall.exe" "$app/"
    exe="$app/UnInstall.exe" ;;
  rookwell)
    cp "$run_build/bin/Rookwell.exe" "$run_dir/"
    exe="$run_dir/Rookwell.exe" ;;
esac

echo "starting $(basename "$exe") in $run_dir"
(cd "$run_dir" && "$run_build/wine-run.sh" "$exe" </dev/null >"$run_dir/program.log" 2>&1) &
pid=$!
wtool() { "$run_build/wine-run.sh" "$run_build/bin/wtool.exe" "$@" </dev/null 2>/dev/null; }
if [ -n "$headless" ] && [ "$what" = uninstall ]; then
  # Nobody is at this screen: answer Yes, picture the finished run, press Close.
  wtool wait KMsgBox - 20000 >/dev/null && wtool click KMsgBox Yes >/dev/null
  wtool wait TMainForm - 20000 >/dev/null
  sleep "${KV_SHOT_DELAY:-8}"
  shot="$run_build/screenshot-$what.png"
  import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"
  wtool click TMainForm Close >/dev/null
  for i in $(seq 1 100); do [ -e "$app" ] || break; sleep 0.2; done
  [ -e "$app" ] && echo "the folder is still there: $app" || echo "the folder is gone: $app"
elif [ -n "$headless" ] && [ "$what" = setup ]; then
  # Nobody is at this screen: go through the wizard as a user would, to the end.
  wizard=.SDialog_Class_Name.
  if wtool wait "$wizard" - 20000 >/dev/null; then
    sleep 1
    import -window root "$run_build/screenshot-setup.png" 2>/dev/null && echo "screenshot: $run_build/screenshot-setup.png"
    for _ in $(seq 1 20); do
      if wtool texts "$wizard" | grep -qx '&Finish'; then break; fi
      # The licence page lets Next go only after its Yes choice.
      wtool click "$wizard" 'YES - I Accept the terms of the License Agreement!' >/dev/null
      wtool click "$wizard" '&Next >' >/dev/null
      sleep 1
    done
    import -window root "$run_build/screenshot-setup-complete.png" 2>/dev/null &&
      echo "screenshot: $run_build/screenshot-setup-complete.png"
    wtool click "$wizard" '&Finish' >/dev/null
  fi
  for _ in $(seq 1 30); do kill -0 "$pid" 2>/dev/null || break; sleep 1; done
  installed="$run_build/wineprefix/drive_c/Program Files/Demo Notes"
  if [ -f "$installed/UnInstall.txt" ]; then
    echo "installed into C:\Program Files\Demo Notes:"
    (cd "$installed" && find . -type f | sort | sed 's/^/  /')
  else
    echo "the demo package was not installed"
  fi
  kill "$pid" 2>/dev/null
elif [ -n "$headless" ]; then
  sleep "${KV_SHOT_DELAY:-5}"
  shot="$run_build/screenshot-$what.png"
  import -window root "$shot" 2>/dev/null && echo "screenshot: $shot"
  # Nobody is at this screen: end the program once the picture is taken.
  sleep 1
  kill "$pid" 2>/dev/null
  WINEPREFIX="$run_build/wineprefix" wineserver -k 2>/dev/null
fi
wait "$pid" 2>/dev/null
echo "$(basename "$exe") ended"
