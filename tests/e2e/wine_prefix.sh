#!/bin/sh
# A private, quiet wine64 prefix for the end-to-end tests.
#   wine_prefix.sh start   DIR                   create and boot DIR (idempotent)
#   wine_prefix.sh stop    DIR                   stop DIR's wineserver
#   wine_prefix.sh run     DIR PROGRAM [ARGS...] run PROGRAM in DIR, exit with its code
#   wine_prefix.sh winpath DIR UNIX_PATH         print UNIX_PATH as Windows sees it
set -eu

usage() {
    sed -n '2,6s/^# \{0,1\}//p' "$0" >&2
    exit 2
}

[ $# -ge 2 ] || usage
command=$1
prefix=$2
shift 2

case $prefix in
    /*) ;;
    *) prefix=$(pwd)/$prefix ;;
esac
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# Keep wine from looking for mono/gecko installers: the tests need neither,
# and without a display the prompt would only cost time.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Marks a prefix whose boot completed: an interrupted boot must be redone.
ready="$prefix/.e2e-prefix-ready"

case $command in
    start)
        [ $# -eq 0 ] || usage
        mkdir -p "$prefix"
        if [ ! -f "$ready" ]; then
            wine wineboot -i >/dev/null 2>&1
            wineserver -w
            : >"$ready"
        fi
        ;;
    stop)
        [ $# -eq 0 ] || usage
        # Nothing to stop is fine: the cleanup must not fail a green run.
        wineserver -k >/dev/null 2>&1 || true
        ;;
    run)
        [ $# -ge 1 ] || usage
        exec wine "$@"
        ;;
    winpath)
        [ $# -eq 1 ] || usage
        windows_path=$(winepath -w "$1" 2>/dev/null)
        [ -n "$windows_path" ] || { echo "winepath could not convert $1" >&2; exit 1; }
        printf '%s\n' "$windows_path"
        ;;
    *)
        usage
        ;;
esac
