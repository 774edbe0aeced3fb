# Shared by the project's scripts: configure and build one build tree.
# shellcheck shell=bash

KALEIDRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# JUCE stamps __DATE__/__TIME__ into a few files; without this ccache would miss every time.
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-time_macros}"
# Paths below the source tree are hashed relative to it, so another checkout reuses the cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$KALEIDRA_ROOT}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"

# kaleidra_build DIR [cmake configure args...]
# Configures DIR once (again only when the cache is missing) and builds it incrementally.
# Builds from several checkouts on one machine queue up on a lock instead of fighting for the cores.
kaleidra_build()
{
    local dir="$1"
    shift
    local jobs="${KALEIDRA_JOBS:-$(nproc)}"
    (
        if command -v flock >/dev/null 2>&1; then
            exec 9>"/tmp/kaleidra-build.lock"
            flock 9
        fi
        if [ ! -f "$dir/CMakeCache.txt" ]; then
            cmake -S "$KALEIDRA_ROOT" -B "$dir" -G Ninja "$@"
        fi
        cmake --build "$dir" --parallel "$jobs"
    )
}

# kaleidra_display_runner: sets the array KALEIDRA_RUN to the prefix that gives a command a display:
# nothing when there is one, otherwise a private X server (some suites open real windows).
kaleidra_display_runner()
{
    KALEIDRA_RUN=()
    if [ -z "${DISPLAY:-}" ]; then
        KALEIDRA_RUN=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp")
    fi
}
