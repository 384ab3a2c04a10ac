#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# Sourced by punchwell.sh, test.sh and bench.sh.

punchwell_packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core tzdata xvfb xauth openbox xdotool
    clang libclang-rt-14-dev)

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
