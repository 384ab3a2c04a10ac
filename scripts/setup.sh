#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Sourced by punchwell.sh, test.sh and bench.sh.

punchwell_packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev libxss-dev dbus-daemon fonts-dejavu-core tzdata
    xvfb xauth openbox xdotool clang libclang-rt-14-dev clang-format git locales dpkg-dev groff-base
    desktop-file-utils appstream python3)

# The Windows cross build of the core and the cli, and Wine to run its tests (test.sh).
punchwell_windows_packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64)

# Installs the packages named, or those of the build when none are named.
punchwell_install_missing() {
    local missing=()
    local pkg
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${punchwell_packages[@]}")
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq || return 1
        apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
    else
        echo "These packages are missing. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
}

punchwell_build() {
    local preset="$1"
    shift
    cmake --preset "$preset" >/dev/null || return 1
    cmake --build --preset "$preset" -j "$(nproc)" "$@"
}

# Wine for the Windows tests: a fresh prefix of its own, no display, no dialogs, quiet.
punchwell_wine_start() {
    punchwell_wine_dir=$(mktemp -d) || return 1
    export WINEPREFIX="$punchwell_wine_dir/prefix"
    export WINEDEBUG=-all
    # No Mono or Gecko to offer, no menu entries to make: nothing that wants a window.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    unset DISPLAY WAYLAND_DISPLAY
    # Made once before the tests, which then start side by side in a finished prefix.
    local wine
    wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null)
    "$wine" wineboot --init >/dev/null 2>&1
}

# Ends the prefix's wineserver (it lingers otherwise and keeps the run from ending).
punchwell_wine_stop() {
    [ -n "${punchwell_wine_dir:-}" ] || return 0
    local server
    server=$(command -v wineserver || ls /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver 2>/dev/null | head -n 1)
    [ -n "$server" ] && "$server" -k 2>/dev/null
    [ -n "$server" ] && "$server" -w 2>/dev/null
    rm -rf "$punchwell_wine_dir"
    punchwell_wine_dir=
}

# Every C++ file of the tree must be as clang-format leaves it (the style is in .clang-format).
punchwell_check_format() {
    local files
    files=$(git ls-files '*.h' '*.cpp' 2>/dev/null)
    [ -z "$files" ] && files=$(find src tests bench fuzz -name '*.h' -o -name '*.cpp')
    if ! echo "$files" | xargs clang-format --dry-run --Werror; then
        echo "Format the files above with clang-format -i." >&2
        return 1
    fi
}
