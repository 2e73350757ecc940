#!/usr/bin/env bash
# Builds both DLLs, then shows the 64-bit twin at work under Wine: registered
# into Developer Studio's add-in list with regsvr32, then loaded, connected
# and unloaded by a stand-in host. Ends with the PE32 DLL to ship.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

prefix_script=$root/tests/e2e/wine_prefix.sh
prefix=$root/build/win64/demo-prefix
dll64=$root/build/win64/QUOR6LINK.dll
host=$root/build/win64/demo/addin_host.exe
ship=build/win32/QUOR6LINK.dll
class_id='{3FD687E9-DE8C-11D1-A602-00A0C9566593}'
prog_id='Quor.DSAddIn.1'
devstudio='HKCU\Software\Microsoft\DevStudio'
addin_list="$devstudio\\6.0\\AddIns"

step_name="start"
heading() {
    step_name=$1
    printf '\n=== %s\n' "$1"
}
in_prefix() { sh "$prefix_script" run "$prefix" "$@"; }
# wine's reg prints CRLF lines and a confirmation for every change.
reg_quiet() { in_prefix reg "$@" >/dev/null 2>&1; }
reg_show() { in_prefix reg query "$1" 2>/dev/null | tr -d '\r' | sed '/^$/d; s/^/  /'; }

prefix_started=no
finish() {
    status=$?
    if [[ $prefix_started == yes ]]; then sh "$prefix_script" stop "$prefix"; fi
    if [[ $status -ne 0 ]]; then printf '\nDemo FAILED during: %s (exit status %d)\n' "$step_name" "$status" >&2; fi
}
trap finish EXIT

heading "Packages"
bash scripts/ensure-packages.sh
echo "All needed packages are installed."

for preset in win32 win64; do
    heading "Build: $preset"
    cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"
done

heading "Wine prefix: ${prefix#"$root"/}"
prefix_started=yes
sh "$prefix_script" start "$prefix"
# A fresh registry state each run: no add-in list, no class registration.
reg_quiet delete "$devstudio" /f || true
reg_quiet delete "HKCR\\$prog_id" /f || true
reg_quiet delete "HKCR\\CLSID\\$class_id" /f || true
dll_w=$(sh "$prefix_script" winpath "$prefix" "$dll64")
echo "Ready; the 64-bit twin is $dll_w"

heading "Developer Studio's add-in list, as an installed Developer Studio has it"
reg_quiet add "$addin_list" /f
printf '%s\n' "Created $addin_list"

heading "regsvr32 /s (DllRegisterServer)"
status=0
in_prefix regsvr32 /s "$dll_w" || status=$?
printf '%s\n' "regsvr32 /s $dll_w: exit status $status"
[[ $status -eq 0 ]]
printf '%s\n' "The add-in key it wrote:"
reg_show "$addin_list\\$prog_id"

heading "Class registration, as the product's installer writes it"
echo "DllRegisterServer writes nothing under HKEY_CLASSES_ROOT, so the installer's step is played here:"
reg_quiet add "HKCR\\$prog_id\\CLSID" /ve /d "$class_id" /f
reg_quiet add "HKCR\\CLSID\\$class_id\\InprocServer32" /ve /d "$dll_w" /f
reg_quiet add "HKCR\\CLSID\\$class_id\\InprocServer32" /v ThreadingModel /d Both /f
reg_show "HKCR\\$prog_id\\CLSID"
reg_show "HKCR\\CLSID\\$class_id\\InprocServer32"

heading "Demo host: loading the add-ins the way Developer Studio does"
in_prefix "$host"

heading "PE32 DLL to ship"
[[ -f $ship ]]
printf '%s  (%s bytes)\n' "$root/$ship" "$(stat -c %s "$ship")"
