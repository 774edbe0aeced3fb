#!/usr/bin/env bash
# check-windows-imports.sh OBJDUMP FILE...
# Fails unless every DLL that each Windows binary imports (as `objdump -p` lists them) is one
# that every 64-bit Windows installation has in System32. A plug-in or program that needs the
# mingw runtime (libstdc++, libgcc, winpthread) or a library DLL (zlib, libpng) next to it would
# not load on a user's machine.
# Exit status: 0 all fine, 1 a binary imports something else, 2 the binary could not be read.
set -euo pipefail

if (($# < 2)); then
    echo "usage: $0 OBJDUMP FILE..." >&2
    exit 2
fi
objdump="$1"
shift

# Lower case. The C runtime is msvcrt.dll (mingw's default) or the universal CRT's forwarders.
system_dlls=" advapi32.dll avrt.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll d2d1.dll
d3d11.dll dbghelp.dll dwmapi.dll dwrite.dll dxgi.dll gdi32.dll gdiplus.dll imm32.dll iphlpapi.dll
kernel32.dll msvcrt.dll netapi32.dll ntdll.dll ole32.dll oleaut32.dll opengl32.dll psapi.dll
rpcrt4.dll secur32.dll setupapi.dll shell32.dll shlwapi.dll ucrtbase.dll user32.dll userenv.dll
usp10.dll uxtheme.dll version.dll winhttp.dll wininet.dll winmm.dll ws2_32.dll wsock32.dll "
system_dlls="$(echo "$system_dlls" | tr '\n' ' ')"

status=0
for file in "$@"; do
    if ! dump="$("$objdump" -p "$file" 2>&1)"; then
        echo "$file: objdump could not read it: $dump" >&2
        exit 2
    fi
    if ! grep -q "file format pei-" <<<"$dump"; then
        echo "$file: not a Windows PE binary" >&2
        exit 2
    fi
    mapfile -t imports < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr -d '\r' | sort -uf)
    if ((${#imports[@]} == 0)); then
        echo "$file: imports no DLL at all, which no Windows binary does" >&2
        exit 2
    fi
    echo "$(basename "$file") imports: ${imports[*]}"
    for dll in "${imports[@]}"; do
        lower="$(tr '[:upper:]' '[:lower:]' <<<"$dll")"
        if [[ "$lower" == api-ms-win-* ]]; then continue; fi
        if [[ "$system_dlls" != *" $lower "* ]]; then
            echo "$(basename "$file") imports non-system DLL: $dll" >&2
            status=1
        fi
    done
done
exit "$status"
