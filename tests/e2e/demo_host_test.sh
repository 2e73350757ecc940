#!/bin/sh
# Runs the demo host the way scripts/demo.sh does, in the shared test prefix,
# and checks its exit status and what it says.
#   demo_host_test.sh CASE WINE_PREFIX_SCRIPT PREFIX ADDIN_HOST_EXE DLL
# CASE: registered | class-not-registered | no-addin-list | empty-addin-list
set -u

[ $# -eq 5 ] || { sed -n '2,5s/^# \{0,1\}//p' "$0" >&2; exit 2; }
case_name=$1 prefix_script=$2 prefix=$3 host=$4 dll=$5

class_id='{3FD687E9-DE8C-11D1-A602-00A0C9566593}'
devstudio='HKCU\Software\Microsoft\DevStudio'
addin_list="$devstudio\\6.0\\AddIns"

in_prefix() { sh "$prefix_script" run "$prefix" "$@"; }
quietly() { in_prefix "$@" >/dev/null 2>&1; }

# printf, not echo: dash's echo reads the backslashes in Windows paths as escapes.
failures=0
step() {
    what=$1
    shift
    if quietly "$@"; then
        printf '  ok    %s\n' "$what"
    else
        printf '  FAIL  %s\n' "$what"
        failures=$((failures + 1))
    fi
}

# Leaves neither the add-in list nor the class behind for the next test.
clean() {
    quietly reg delete "$devstudio" /f
    quietly reg delete 'HKCR\Quor.DSAddIn.1' /f
    quietly reg delete "HKCR\\CLSID\\$class_id" /f
}
trap clean EXIT
clean

dll_w=$(sh "$prefix_script" winpath "$prefix" "$dll") || exit 1
echo "[set-up: $case_name]"
case $case_name in
    registered | class-not-registered)
        step "create the add-in list" reg add "$addin_list" /f
        step "regsvr32 /s $dll_w" regsvr32 /s "$dll_w"
        ;;
    empty-addin-list)
        step "create the add-in list" reg add "$addin_list" /f
        ;;
    no-addin-list) ;;
    *) echo "unknown case $case_name" >&2; exit 2 ;;
esac
if [ "$case_name" = registered ]; then
    step "HKCR\\Quor.DSAddIn.1\\CLSID" reg add 'HKCR\Quor.DSAddIn.1\CLSID' /ve /d "$class_id" /f
    step "HKCR\\CLSID\\$class_id\\InprocServer32" \
        reg add "HKCR\\CLSID\\$class_id\\InprocServer32" /ve /d "$dll_w" /f
    step "ThreadingModel = Both" \
        reg add "HKCR\\CLSID\\$class_id\\InprocServer32" /v ThreadingModel /d Both /f
fi
[ "$failures" -eq 0 ] || { echo "set-up failed"; exit 1; }

output=$(in_prefix "$host" 2>&1)
status=$?
echo
echo "[demo host output, exit status $status]"
printf '%s\n' "$output"
echo
echo "[checks]"

passed=0
check() {
    if [ "$1" = yes ]; then
        printf '  PASS  %s\n' "$2"
        passed=$((passed + 1))
    else
        printf '  FAIL  %s\n' "$2"
        failures=$((failures + 1))
    fi
}
says() {
    case $output in
        *"$1"*) echo yes ;;
        *) echo no ;;
    esac
}
exit_is() { [ "$status" "$1" 0 ] && echo yes || echo no; }

case $case_name in
    registered)
        check "$(exit_is -eq)" "exit status 0"
        check "$(says 'DisplayName  KYR V5 Quor Addin')" "shows the DisplayName"
        check "$(says "Filename     $dll_w")" "shows the Filename"
        check "$(says "S_OK (0x00000000), $class_id")" "resolves the ProgID to the class"
        check "$(says 'connected = VARIANT_TRUE')" "Connect reports connected = VARIANT_TRUE"
        check "$(says 'DllCanUnloadNow()')" "asks DllCanUnloadNow"
        check "$(says 'freed and unloaded')" "the DLL is unloaded at the end"
        check "$(says '1 add-in(s) loaded, connected, disconnected and unloaded; 0 failed.')" "summary line"
        ;;
    class-not-registered)
        check "$(exit_is -ne)" "non-zero exit status"
        check "$(says 'Quor.DSAddIn.1 is not registered as a COM class: ')" "says the class is not registered"
        check "$(says 'DisplayName  KYR V5 Quor Addin')" "still lists the add-in first"
        ;;
    no-addin-list)
        check "$(exit_is -ne)" "non-zero exit status"
        check "$(says 'There is no add-in list')" "says there is no add-in list"
        ;;
    empty-addin-list)
        check "$(exit_is -ne)" "non-zero exit status"
        check "$(says 'The add-in list is empty')" "says the list is empty"
        ;;
esac
echo
echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
