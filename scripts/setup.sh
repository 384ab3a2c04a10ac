#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Sourced by punchwell.sh, test.sh and bench.sh.

punchwell_packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev libxss-dev dbus-daemon fonts-dejavu-core tzdata
    xvfb xauth openbox xdotool clang libclang-rt-14-dev clang-format git locales dpkg-dev groff-base
    desktop-file-utils appstream python3)

punchwell_install_missing() {
    local missing=()
    local pkg
    for pkg in "${punchwell_packages[@]}"; do
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
