#!/usr/bin/env bash
# Static mingw-w64 builds of libjpeg-turbo and libpng for the Windows cross build.
#
# Debian's JUCE has its bundled image and compression code removed, so the Windows build links
# these libraries like the Linux build links the system's. They are built from Debian's own
# source packages (apt-get source, Debian's patches applied) with the project's toolchain file,
# once per combination of versions, into a cache folder outside the checkout:
#     ${KALEIDRA_CACHE_DIR:-~/.cache/kaleidra}/mingw-deps/<versions>/{include,lib}
# so that later runs and other checkouts on the same machine reuse them without a download.
#
# The deb-src entries are derived at run time from the machine's own apt sources (one-line
# .list files and deb822 .sources files alike) and kept in a private apt configuration inside
# the cache; the machine's apt configuration is left untouched.
#
# Prints the prefix of the finished libraries on stdout; everything else goes to stderr.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
cache_root="${KALEIDRA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/kaleidra}/mingw-deps"
apt_dir="$cache_root/apt"
triple=x86_64-w64-mingw32

JPEG_SOURCE=libjpeg-turbo
PNG_SOURCE=libpng1.6
# Raised whenever this script changes what it puts into the cache.
CACHE_LAYOUT=2

log() { echo "mingw-deps: $*" >&2; }

mkdir -p "$cache_root"

# --- private apt configuration with deb-src entries ----------------------------------------

codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
if [ -z "$codename" ]; then
    log "cannot tell the Debian release from /etc/os-release"
    exit 1
fi

# One-line format: every enabled "deb" line of this release becomes the same "deb-src" line.
one_line_sources()
{
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        awk -v codename="$codename" '
            /^[ \t]*deb[ \t]/ {
                line = $0
                sub(/^[ \t]*deb[ \t]+/, "", line)
                opts = ""
                if (line ~ /^\[/) {
                    opts = substr(line, 1, index(line, "]"))
                    line = substr(line, index(line, "]") + 1)
                    sub(/^[ \t]+/, "", line)
                }
                n = split(line, f, /[ \t]+/)
                if (n < 2 || f[1] ~ /^cdrom:/) next
                if (f[2] != codename && index(f[2], codename "-") != 1) next
                print "deb-src " (opts == "" ? "" : opts " ") line
            }' "$f"
    done
}

# deb822 format: every enabled stanza of type "deb" becomes a "deb-src" stanza with the same
# fields (URIs, components, Signed-By, ...) and the suites of this release only.
deb822_sources()
{
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk -v codename="$codename" '
            function reset() { nf = 0; delete key; delete raw; delete val }
            function flush(   i, n, s, keep, t) {
                if (nf == 0) return
                if (tolower(val["enabled"]) == "no") { reset(); return }
                t = " " val["types"] " "
                gsub(/[ \t]+/, " ", t)
                if (t !~ / deb /) { reset(); return }
                if (val["uris"] ~ /^cdrom:/) { reset(); return }
                n = split(val["suites"], s, /[ \t]+/)
                keep = ""
                for (i = 1; i <= n; i++)
                    if (s[i] == codename || index(s[i], codename "-") == 1)
                        keep = keep (keep == "" ? "" : " ") s[i]
                if (keep == "") { reset(); return }
                for (i = 1; i <= nf; i++) {
                    if (key[i] == "types") print "Types: deb-src"
                    else if (key[i] == "suites") print "Suites: " keep
                    else if (key[i] == "enabled") continue
                    else printf "%s", raw[i]
                }
                print ""
                reset()
            }
            BEGIN { reset() }
            /^#/ { next }
            /^[ \t]*$/ { flush(); next }
            /^[ \t]/ {
                if (nf > 0) { raw[nf] = raw[nf] $0 "\n"; val[key[nf]] = val[key[nf]] " " $0 }
                next
            }
            {
                k = tolower(substr($0, 1, index($0, ":") - 1))
                v = substr($0, index($0, ":") + 1)
                sub(/^[ \t]+/, "", v); sub(/[ \t]+$/, "", v)
                key[++nf] = k; raw[nf] = $0 "\n"; val[k] = v
            }
            END { flush() }' "$f"
    done
}

mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
one_line_sources >"$apt_dir/sources.list.new"
deb822_sources >"$apt_dir/sources.list.d/derived.sources.new"
if ! [ -s "$apt_dir/sources.list.new" ] && ! [ -s "$apt_dir/sources.list.d/derived.sources.new" ]; then
    log "no enabled apt source of '$codename' found in /etc/apt to derive deb-src entries from"
    exit 1
fi
# A changed configuration invalidates the private lists.
sources_changed=0
for f in "$apt_dir/sources.list" "$apt_dir/sources.list.d/derived.sources"; do
    if ! cmp -s "$f.new" "$f"; then sources_changed=1; fi
    mv -f "$f.new" "$f"
done
if ((sources_changed)); then
    rm -f "$apt_dir/lists/"*_Sources* "$apt_dir/lists/"*Release* 2>/dev/null || true
fi

apt_opts=(
    -o "Dir::Etc::SourceList=$apt_dir/sources.list"
    -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
    -o "Dir::Cache::pkgcache="
    -o "Dir::Cache::srcpkgcache="
    -o "APT::Get::Only-Source=true"
    -q
)
# As root apt downloads as the unprivileged _apt user, who cannot enter a private cache below
# a home folder; the files are only read back by this script.
if [ "$(id -u)" -eq 0 ]; then apt_opts+=(-o "APT::Sandbox::User=root"); fi

# The source versions apt knows of a package, newest first.
source_versions()
{
    local v sorted=() out=() i inserted
    while read -r v; do
        [ -n "$v" ] || continue
        inserted=0
        out=()
        for i in "${sorted[@]}"; do
            if ((!inserted)) && dpkg --compare-versions "$v" gt "$i"; then
                out+=("$v")
                inserted=1
            fi
            out+=("$i")
        done
        ((inserted)) || out+=("$v")
        sorted=("${out[@]}")
    done < <(apt-cache "${apt_opts[@]}" showsrc "$1" 2>/dev/null |
        awk -v p="$1" '/^Package: /{ ok = ($2 == p) } ok && /^Version: /{ print $2 }' | sort -u)
    printf '%s\n' "${sorted[@]}"
}

mapfile -t jpeg_versions < <(source_versions "$JPEG_SOURCE")
mapfile -t png_versions < <(source_versions "$PNG_SOURCE")
if [ -z "${jpeg_versions[0]:-}" ] || [ -z "${png_versions[0]:-}" ] || ((sources_changed)) ||
    [ -n "${KALEIDRA_MINGW_DEPS_REFRESH:-}" ]; then
    log "updating the private deb-src lists"
    apt-get "${apt_opts[@]}" update >"$apt_dir/update.log" 2>&1 || {
        cat "$apt_dir/update.log" >&2
        exit 1
    }
    mapfile -t jpeg_versions < <(source_versions "$JPEG_SOURCE")
    mapfile -t png_versions < <(source_versions "$PNG_SOURCE")
fi
if [ -z "${jpeg_versions[0]:-}" ] || [ -z "${png_versions[0]:-}" ]; then
    log "apt knows no source package $JPEG_SOURCE or $PNG_SOURCE"
    exit 1
fi

gcc_version="$("$triple-gcc-posix" -dumpfullversion)"
zlib_version="$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)"

# cache_prefix JPEG_VERSION PNG_VERSION: the folder for one combination of versions.
cache_prefix()
{
    local key="$JPEG_SOURCE-$1+$PNG_SOURCE-$2+gcc$gcc_version+zlib$zlib_version+r$CACHE_LAYOUT"
    echo "$cache_root/${key//[^A-Za-z0-9._+-]/_}"
}

# The newest combination that is already built wins; nothing is downloaded then.
find_built()
{
    local jv pv
    for jv in "${jpeg_versions[@]}"; do
        for pv in "${png_versions[@]}"; do
            if [ -f "$(cache_prefix "$jv" "$pv")/.complete" ]; then
                cache_prefix "$jv" "$pv"
                return 0
            fi
        done
    done
    return 1
}

if built="$(find_built)"; then
    echo "$built"
    exit 0
fi

# --- build ------------------------------------------------------------------------------------

# One set-up at a time fills the cache; the compiles queue up on the machine-wide build lock.
exec 8>"$cache_root/.lock"
flock 8
if built="$(find_built)"; then
    echo "$built"
    exit 0
fi

work="$cache_root/work"
rm -rf "$work"
mkdir -p "$work"

# fetch NAME VERSIONS...: unpacks the newest version that can be downloaded (a mirror may list
# a version whose files it does not have yet) into $work/NAME; prints that version.
fetch()
{
    local name="$1" v
    shift
    for v in "$@"; do
        rm -rf "${work:?}/$name"
        mkdir -p "$work/$name"
        log "fetching the source package $name $v"
        if (cd "$work/$name" && apt-get "${apt_opts[@]}" source "$name=$v" >"$work/fetch-$name.log" 2>&1); then
            echo "$v"
            return 0
        fi
        log "could not fetch $name $v: $(grep -m 1 '^E: ' "$work/fetch-$name.log" || tail -n 1 "$work/fetch-$name.log")"
    done
    return 1
}

jpeg_version="$(fetch "$JPEG_SOURCE" "${jpeg_versions[@]}")"
png_version="$(fetch "$PNG_SOURCE" "${png_versions[@]}")"
prefix="$(cache_prefix "$jpeg_version" "$png_version")"
if [ -f "$prefix/.complete" ]; then
    rm -rf "$work"
    echo "$prefix"
    exit 0
fi
rm -rf "$prefix"

jpeg_src="$(find "$work/$JPEG_SOURCE" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
png_src="$(find "$work/$PNG_SOURCE" -mindepth 1 -maxdepth 1 -type d | head -n 1)"
if [ -z "$jpeg_src" ] || [ -z "$png_src" ]; then
    log "the unpacked sources are not where they were expected in $work"
    exit 1
fi

common=(
    -G Ninja
    "-DCMAKE_TOOLCHAIN_FILE=$toolchain"
    -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_INSTALL_PREFIX=$prefix"
    "-DCMAKE_INSTALL_LIBDIR=$prefix/lib"
    "-DCMAKE_INSTALL_INCLUDEDIR=$prefix/include"
    "-DCMAKE_INSTALL_BINDIR=$prefix/bin"
    -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
)

log "building libjpeg-turbo and libpng (log: $work/build.log)"
if ! (
    exec 9>"/tmp/kaleidra-build.lock"
    flock 9
    jobs="${KALEIDRA_JOBS:-$(nproc)}"

    # The SIMD code would need nasm; image decoding speed does not matter to the plug-in.
    cmake -S "$jpeg_src" -B "$work/build-jpeg" "${common[@]}" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
        -DWITH_JPEG8=OFF >&2
    cmake --build "$work/build-jpeg" --parallel "$jobs" >&2
    cmake --install "$work/build-jpeg" >&2
    # JUCE compiles its loader with JPEG_INTERNALS, which makes jpeglib.h include jpegint.h.
    install -m 644 "$jpeg_src/jpegint.h" "$prefix/include/jpegint.h"

    cmake -S "$png_src" -B "$work/build-png" "${common[@]}" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
        -DPNG_FRAMEWORK=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON \
        -DZLIB_USE_STATIC_LIBS=ON >&2
    cmake --build "$work/build-png" --parallel "$jobs" >&2
    cmake --install "$work/build-png" >&2
) >"$work/build.log" 2>&1; then
    tail -n 40 "$work/build.log" >&2
    log "the build failed; the whole log is $work/build.log"
    exit 1
fi

# The licences travel with the binaries that contain the libraries (libjpeg-turbo's install
# already puts LICENSE.md and README.ijg into share/doc/libjpeg-turbo).
mkdir -p "$prefix/share/doc/libpng" "$prefix/share/doc/libjpeg-turbo"
install -m 644 "$png_src/LICENSE" "$prefix/share/doc/libpng/LICENSE"
install -m 644 "$png_src/debian/copyright" "$prefix/share/doc/libpng/copyright"
install -m 644 "$jpeg_src/debian/copyright" "$prefix/share/doc/libjpeg-turbo/copyright"

for f in include/jpeglib.h include/jpegint.h include/jconfig.h include/png.h lib/libjpeg.a \
    share/doc/libjpeg-turbo/LICENSE.md share/doc/libjpeg-turbo/README.ijg share/doc/libpng/LICENSE; do
    if ! [ -f "$prefix/$f" ]; then
        log "the build left no $prefix/$f"
        exit 1
    fi
done
if ! ls "$prefix"/lib/libpng*.a >/dev/null 2>&1; then
    log "the build left no static libpng in $prefix/lib"
    exit 1
fi

printf '%s %s\n%s %s\nmingw gcc %s\nmingw zlib %s\n' "$JPEG_SOURCE" "$jpeg_version" \
    "$PNG_SOURCE" "$png_version" "$gcc_version" "$zlib_version" >"$prefix/.complete"
rm -rf "$work"
log "ready in $prefix"
echo "$prefix"
