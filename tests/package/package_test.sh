#!/usr/bin/env bash
# The Debian package as a person meets it: built by CPack, its contents, installed into a
# scratch root, its desktop files validated, the programs started from there, and removed.
#   package_test.sh build|contents|install BUILD_DIR VERSION
# Exit code 77 means skipped (a tool is missing); the reason is printed.
set -uo pipefail

mode=$1
build=$2
version=$3
out=$build/package-test
deb=$out/punchwell_${version}_$(dpkg --print-architecture 2>/dev/null).deb

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
skip() {
    echo "SKIPPED: $*"
    exit 77
}
need() {
    command -v "$1" >/dev/null || skip "$1 is not installed (Debian package $2)"
}

need dpkg-deb dpkg

case $mode in
build)
    need cpack cmake
    need dpkg-shlibdeps dpkg-dev
    rm -rf "$out" && mkdir -p "$out"
    cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
        { cat "$out/cpack.log"; fail "cpack"; }
    [ -f "$deb" ] || fail "no package at $deb; made: $(ls "$out")"
    ;;

contents)
    [ -f "$deb" ] || fail "no package (the build test must run first)"
    listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
    for path in /usr/bin/punchwell /usr/bin/punchwell-cli \
        /usr/share/applications/com.quillmoor.Punchwell.desktop \
        /usr/share/metainfo/com.quillmoor.Punchwell.metainfo.xml \
        /usr/share/mime/packages/com.quillmoor.Punchwell.xml \
        /usr/share/man/man1/punchwell.1.gz /usr/share/man/man1/punchwell-cli.1.gz \
        /usr/share/bash-completion/completions/punchwell-cli \
        /usr/share/icons/hicolor/scalable/apps/com.quillmoor.Punchwell.svg \
        /usr/share/icons/hicolor/scalable/apps/com.quillmoor.Punchwell-locked.svg; do
        grep -qx "$path" <<<"$listing" || fail "$path is not in the package"
    done
    for size in 16 22 24 32 48 64 128 256; do
        for icon in com.quillmoor.Punchwell com.quillmoor.Punchwell-locked; do
            grep -qx "/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" <<<"$listing" ||
                fail "the $size px $icon icon is not in the package"
        done
    done
    # Nothing from the build tree or the test suite leaks into the package.
    files=$(dpkg-deb -c "$deb" | awk '$1 ~ /^-/ { print $6 }' | sed 's|^\./|/|')
    stray=$(grep -vE '^/usr/(bin|share/(applications|metainfo|mime|man|bash-completion|icons))/' <<<"$files")
    [ -z "$stray" ] || fail "unexpected files in the package: $stray"

    [ "$(dpkg-deb -f "$deb" Package)" = punchwell ] || fail "package name"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libqt6widgets6 libqt6network6 libstdc++6; do
        grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
    done
    # Software centres show the newest release of the metainfo as the version.
    dpkg-deb --fsys-tarfile "$deb" |
        tar -xO ./usr/share/metainfo/com.quillmoor.Punchwell.metainfo.xml |
        grep -m1 '<release ' | grep -q "version=\"$version\"" ||
        fail "the newest release in the metainfo is not $version"
    ;;

install)
    [ -f "$deb" ] || fail "no package (the build test must run first)"
    need desktop-file-validate desktop-file-utils
    need appstreamcli appstream
    root=$(mktemp -d "$out/root.XXXXXX")
    trap 'rm -rf "$root"' EXIT
    if [ "$(id -u)" -eq 0 ]; then
        # A dpkg database of its own in the scratch root; the libraries come from the host.
        mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
        touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
        dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$out/dpkg-install.log" 2>&1 ||
            { cat "$out/dpkg-install.log"; fail "dpkg -i"; }
        dpkg --root="$root" -s punchwell | grep -q '^Status: install ok installed' ||
            fail "dpkg does not list the package as installed"
    else
        echo "not root: unpacking with dpkg-deb -x instead of installing"
        dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
    fi

    desktop=$root/usr/share/applications/com.quillmoor.Punchwell.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$root/usr/share/metainfo/com.quillmoor.Punchwell.metainfo.xml" ||
        fail "appstreamcli validate"
    # Every program the menu entry and its actions start is in the package.
    while read -r program; do
        [ -x "$root/usr/bin/$program" ] || fail "the desktop file runs $program, which is not installed"
    done < <(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon is not installed"
    grep -q '^Name=Check In/Out$' "$desktop" || fail "the Check In/Out action is missing"
    # The cli commands the entry runs are commands the installed cli has.
    while read -r command; do
        "$root/usr/bin/punchwell-cli" "$command" --help >/dev/null ||
            fail "the desktop file runs 'punchwell-cli $command', which the installed cli lacks"
    done < <(sed -n 's/^Exec=punchwell-cli \([a-z]*\).*/\1/p' "$desktop")

    # The man pages format without a warning.
    for page in punchwell punchwell-cli; do
        warnings=$(zcat "$root/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1)
        [ -z "$warnings" ] || fail "$page.1: $warnings"
    done

    # The installed programs run from the scratch root with the host's libraries.
    "$root/usr/bin/punchwell-cli" --version | grep -qx "punchwell-cli $version" ||
        fail "the installed punchwell-cli does not run"
    "$root/usr/bin/punchwell" --version | grep -qx "Punchwell $version" ||
        fail "the installed punchwell does not run"
    # The desktop program starts for real: a first run waits at its first question.
    home=$(mktemp -d "$out/home.XXXXXX")
    mkdir -m 700 "$home/runtime"
    HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime \
        QT_QPA_PLATFORM=offscreen "$root/usr/bin/punchwell" >"$out/punchwell.log" 2>&1 &
    pid=$!
    sleep 3
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        status=$?
        cat "$out/punchwell.log"
        rm -rf "$home"
        fail "the installed punchwell ended at start-up with status $status"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null
    rm -rf "$home"

    if [ "$(id -u)" -eq 0 ]; then
        dpkg --root="$root" --force-script-chrootless --purge punchwell >"$out/dpkg-remove.log" 2>&1 ||
            { cat "$out/dpkg-remove.log"; fail "dpkg --purge"; }
        left=$(find "$root/usr" -type f 2>/dev/null)
        [ -z "$left" ] || fail "files left after removal: $left"
    fi
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
exit 0
