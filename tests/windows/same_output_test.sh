#!/usr/bin/env bash
# The Windows build of punchwell-cli, run under Wine, writes the same bytes as the Linux one
# for the same commands: a day of check-ins, switches and check-outs with notes in and
# outside Windows-1252, corrections and a merge in the default data folder (XDG_DATA_HOME on
# Linux, %APPDATA% on Windows), then merged files, text exports (CR LF), JSON and reports.
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
# Arguments reach Windows programs through the locale's character set: UTF-8 for both.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
mkdir "$work/linux" "$work/windows"
cp "$fixtures"/*.pnd "$work/"

# Wine sets %APPDATA% itself, to the profile folder inside its prefix.
"$wine" "$windows_cli" --version >/dev/null 2>&1 || { echo "FAILED: the Windows cli does not start" >&2; exit 1; }
windows_data="${WINEPREFIX:-$HOME/.wine}/drive_c/users/$(id -un)/AppData/Roaming/Quillmoor/Punchwell"
linux_data="$work/linux-home/Quillmoor/Punchwell"
rm -rf "$windows_data"
mkdir -p "$windows_data" "$linux_data"
# Both start from the same projects, one with a rate in dollars and cents.
cp "$fixtures/example.pnd" "$linux_data/timedata.pnd"
cp "$fixtures/example.pnd" "$windows_data/timedata.pnd"
trap 'rm -rf "$work" "$windows_data"' EXIT

# One side's tool, in the work folder, with New York's zone as each runtime writes it.
linux() { (cd "$work" && TZ=America/New_York XDG_DATA_HOME="$work/linux-home" "$linux_cli" "$@"); }
windows() { (cd "$work" && TZ=EST5EDT "$wine" "$windows_cli" "$@"); }

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# The running period's start in local time, as status --json tells it.
running_start() {
    "$@" status --json | sed -n 's/.*"start":"\([0-9T:-]\{19\}\).*/\1/p'
}

# A day of work through the default data folder, on one side; every step must succeed.
session() {
    local side=$1 first second step=0
    # Windows-1252 text (accents, euro, dashes, curly quotes, a fraction), then text outside it.
    local notes_1252="Café für Zoë: 5 € — ‘draft’ ½ done"
    local notes_wide="Tokyo call → 東京, ok ✓"
    run() {
        step=$((step + 1))
        "$side" "$@" >/dev/null || fail "$side: step $step ($1) exited $?"
    }
    # First a period typed in, so that the day's first copy of the file (backups/) holds no
    # moment of this run.
    run add Web --start 2026-03-09T13:00 --end 2026-03-09T14:45 --notes "Revue de l'été, 2ᵉ partie"
    run in Admin
    first=$(running_start "$side")
    run switch Web --notes "$notes_1252"
    second=$(running_start "$side")
    run out --notes "$notes_wide"
    [ -n "$first" ] && [ -n "$second" ] || fail "$side: status --json gave no start"
    # The check-ins happened now; moved to fixed times, both files must agree to the byte.
    run edit --start "$first" --new-start 2026-03-09T08:00:00 --new-end 2026-03-09T09:30:00
    run edit --start "$second" --new-start 2026-03-09T09:30:00 --new-end 2026-03-09T12:15:00
    run edit --start 2026-03-09T13:00 --notes "Revue de l’été — fin"
    run merge "$(main_of "$side")" schema1-periods.pnd password-unicode.pnd -o "$(main_of "$side")"
}
# The main data file as each side names it.
main_of() {
    if [ "$1" = linux ]; then
        echo "$linux_data/timedata.pnd"
    else
        echo 'C:\users\'"$(id -un)"'\AppData\Roaming\Quillmoor\Punchwell\timedata.pnd'
    fi
}

session linux
session windows
# Every file of the two data folders (the lock file names its holder's process: not that).
linux_files=$(cd "$linux_data" && find . -type f ! -name punchwell.lock | sort)
windows_files=$(cd "$windows_data" && find . -type f ! -name punchwell.lock | sort)
if [ "$linux_files" != "$windows_files" ]; then
    fail "the data folders hold different files: [$linux_files] and [$windows_files]"
elif [ -z "$linux_files" ]; then
    fail "the data folders are empty"
else
    for file in $linux_files; do
        if cmp "$linux_data/$file" "$windows_data/$file"; then
            echo "same: data folder $file ($(wc -c <"$linux_data/$file") bytes)"
        else
            fail "data folder $file differs"
        fi
    done
fi
cp "$linux_data/timedata.pnd" "$work/session.pnd"

# Runs one command with both tools; OUT in the arguments names each tool's own output file,
# which must be the same. Without OUT what the command prints is compared.
same() {
    local name=$1
    shift
    local args=("$@")
    linux "${args[@]//OUT/linux/$name}" >"$work/linux/$name.stdout"
    local linux_status=$?
    windows "${args[@]//OUT/windows/$name}" >"$work/windows/$name.stdout"
    local windows_status=$?
    local compared=$name
    [[ " ${args[*]} " == *" OUT "* ]] || compared=$name.stdout
    if [ $linux_status -ne $windows_status ]; then
        fail "$name: exit $linux_status on Linux, $windows_status on Windows"
    elif [ ! -s "$work/linux/$compared" ]; then
        fail "$name: nothing written"
    elif ! cmp "$work/linux/$compared" "$work/windows/$compared"; then
        fail "$name differs"
    else
        echo "same: $name ($(wc -c <"$work/linux/$compared") bytes)"
    fi
}

same merged.pnd merge -o OUT example.pnd schema1-periods.pnd schema1-projects.pnd
same unicode.pnd merge -o OUT password-unicode.pnd example.pnd
same itself.pnd merge -o OUT example.pnd example.pnd
same export.txt export -o OUT session.pnd
same export-stdout.txt export session.pnd
same dump.json dump session.pnd
same totals.txt totals --now 2026-03-09T18:00:00 session.pnd
same report.html report -o OUT --title "Every project" --all total --periods --cost \
    --title-page --page-lines 20 --week-start monday --now 2026-03-09T18:00:00 session.pnd

[ $failures -eq 0 ]
