#!/usr/bin/env bash
# state-roundtrip.sh WINE_RUN PREFIX WINDOWS_PROBE WINDOWS_DLL LINUX_BUILD WORK
# A host project moved between Linux and Windows keeps its settings: the state that the Linux
# build saves is restored by the Windows build and the reverse, with the same parameter values,
# and saving the restored state again gives the same bytes. The Linux build's folder may also
# come from KALEIDRA_LINUX_BUILD_DIR.
set -uo pipefail

if (($# != 6)); then
    echo "usage: $0 WINE_RUN PREFIX WINDOWS_PROBE WINDOWS_DLL LINUX_BUILD WORK" >&2
    exit 2
fi
wine_run="$1" prefix="$2" win_probe="$3" win_dll="$4"
linux_build="${KALEIDRA_LINUX_BUILD_DIR:-$5}" work="$6"

linux_probe="$linux_build/tests/windows/kaleidra-state-probe"
linux_bundle="$linux_build/plugin/VST3/Kaleidra_v1-1.vst3"
if ! [ -x "$linux_probe" ] || ! [ -d "$linux_bundle" ]; then
    echo "the Linux build in $linux_build has no state probe or no bundle: build it first" \
        "(scripts/test.sh), or name its folder in KALEIDRA_LINUX_BUILD_DIR" >&2
    exit 1
fi

rm -rf "$work"
mkdir -p "$work"
cd "$work"

# Wine maps drive Z: to /.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
on_windows() {
    local command="$1" state="$2"
    shift 2
    local args=("$command" "$(winpath "$win_dll")" "$(winpath "$work/$state")")
    if [ "$command" = load ]; then args+=("$(winpath "$work/$1")"); shift; fi
    "$wine_run" "$prefix" "$win_probe" "${args[@]}" "$@" | tr -d '\r'
}
on_linux() {
    local command="$1" state="$2"
    shift 2
    "$linux_probe" "$command" "$linux_bundle" "$work/$state" "$@"
}

passed=0 failed=0
same() {
    if cmp -s "$2" "$3"; then
        echo "ok     $1"
        ((passed++))
    else
        echo "FAILED $1 ($2 and $3 differ)"
        diff <(od -c "$2" | head -n 40) <(od -c "$3" | head -n 40) | head -n 20
        ((failed++))
    fi
}
differs() {
    if [ -s "$2" ] && [ -s "$3" ] && ! cmp -s "$2" "$3"; then
        echo "ok     $1"
        ((passed++))
    else
        echo "FAILED $1 ($2 and $3 are the same or empty)"
        ((failed++))
    fi
}
ran() {
    if [ "$2" -eq 0 ]; then ((passed++)); else
        echo "FAILED $1 (exit status $2)"
        ((failed++))
    fi
}

settings_a=("Mode=Parallel" "Tone=42.5" "1- N Segs=57" "2- Seg Size=3.75" "3- Seg Mix=87.25")
settings_b=("Tone=12.34" "1- Seg Mix=0.5" "2- N Segs=2" "2- Seg Mix=61" "3- Seg Size=48")

on_linux save defaults-linux.state >defaults-linux.txt
ran "Linux: save the defaults" $?
on_windows save defaults-windows.state >defaults-windows.txt
ran "Windows: save the defaults" $?
same "a fresh instance lists the same parameters on both" defaults-linux.txt defaults-windows.txt
same "a fresh instance saves the same bytes on both" defaults-linux.state defaults-windows.state

# Linux to Windows.
on_linux save a-linux.state "${settings_a[@]}" >a-linux.txt
ran "Linux: save settings A" $?
differs "settings A are not the defaults" a-linux.txt defaults-linux.txt
on_windows load a-linux.state a-windows.state >a-windows.txt
ran "Windows: restore the Linux state" $?
same "the Linux state restored on Windows has the same parameters" a-linux.txt a-windows.txt
same "the Linux state restored on Windows saves the same bytes" a-linux.state a-windows.state

# Windows to Linux.
on_windows save b-windows.state "${settings_b[@]}" >b-windows.txt
ran "Windows: save settings B" $?
differs "settings B are not the defaults" b-windows.txt defaults-windows.txt
on_linux load b-windows.state b-linux.state >b-linux.txt
ran "Linux: restore the Windows state" $?
same "the Windows state restored on Linux has the same parameters" b-windows.txt b-linux.txt
same "the Windows state restored on Linux saves the same bytes" b-windows.state b-linux.state

echo "--- settings A as restored on Windows"
cat a-windows.txt
echo "$passed passed, $failed failed"
((failed == 0))
