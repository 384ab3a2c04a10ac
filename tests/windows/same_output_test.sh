#!/usr/bin/env bash
# The Windows build of punchwell-cli, run under Wine, writes the same bytes as the Linux one
# for the same commands: merged data files, text exports (CR LF) and HTML reports.
#   same_output_test.sh LINUX_CLI WINDOWS_CLI FIXTURES_DIR
# Exit code 77 means skipped (no Windows build or no Wine); the reason is printed.
set -uo pipefail

linux_cli=$1
windows_cli=$2
fixtures=$3

wine=$(command -v wine64 || command -v wine || ls /usr/lib/wine/wine64 2>/dev/null)
[ -n "$wine" ] || { echo "SKIPPED: Wine is not installed (Debian package wine64)"; exit 77; }
[ -f "$windows_cli" ] || { echo "SKIPPED: no Windows build at $windows_cli (cmake --preset windows)"; exit 77; }

export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"
cp "$fixtures"/*.pnd "$work/"

failures=0
# Runs one command with both tools; OUT in the arguments names each tool's own output file.
same() {
    local name=$1
    shift
    local args=("$@")
    (cd "$work" && TZ=America/New_York "$linux_cli" "${args[@]//OUT/linux/$name}") >/dev/null
    local linux_status=$?
    # Wine's C runtime takes the zone in the form Windows knows.
    (cd "$work" && TZ=EST5EDT "$wine" "$windows_cli" "${args[@]//OUT/windows/$name}") >/dev/null
    local windows_status=$?
    if [ $linux_status -ne $windows_status ]; then
        echo "FAILED: $name: exit $linux_status on Linux, $windows_status on Windows" >&2
        failures=$((failures + 1))
    elif ! cmp "$work/linux/$name" "$work/windows/$name"; then
        echo "FAILED: $name differs" >&2
        failures=$((failures + 1))
    else
        echo "same: $name ($(wc -c <"$work/linux/$name") bytes)"
    fi
}

same merged.pnd merge -o OUT example.pnd schema1-periods.pnd schema1-projects.pnd
same unicode.pnd merge -o OUT password-unicode.pnd example.pnd
same itself.pnd merge -o OUT example.pnd example.pnd
same export.txt export -o OUT example.pnd
same export-merged.txt export -o OUT linux/merged.pnd
same report.html report -o OUT --title "Every project" --all total --periods --cost --title-page --page-lines 20 \
    --week-start monday --now 2026-03-09T18:00:00 example.pnd

[ $failures -eq 0 ]
