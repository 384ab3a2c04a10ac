#!/usr/bin/env bash
# The manual pages, the shell completion and the README keep up with the programs: every
# command and option that --help lists is described in the man page and offered by the
# completion, and every command has its row in the README's table.
#   cli_docs_test.sh PACKAGING_DIR PUNCHWELL_CLI [PUNCHWELL]
set -uo pipefail

docs=$1
cli=$2
gui=${3:-}
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

commands=$("$cli" --help | awk '/^Commands:/ { on = 1; next } /^$/ { on = 0 } on { print $1 }')
[ -n "$commands" ] || fail "no commands in '$cli --help'"

# The options a help text lists, long spellings only.
long_options() {
    "$@" --help | awk '/^Options:/ { on = 1; next } on' | grep -oE -- '--[a-z][-a-z]*' | sort -u
}
# A roff rendering of an option: each hyphen escaped.
roff() { sed 's/-/\\-/g' <<<"$1"; }
# The text of one ".SS NAME" section of a man page.
section() { awk -v name="$2" '$1 == ".SS" { on = ($2 == name); next } /^\.SH/ { on = 0 } on' "$1"; }

manual=$docs/punchwell-cli.1
for command in $commands; do
    text=$(section "$manual" "$command")
    if [ -z "$text" ]; then
        fail "punchwell-cli.1 has no section for the command '$command'"
        continue
    fi
    for option in $(long_options "$cli" "$command"); do
        case $option in --help | --data-dir) continue ;; esac # the common options
        grep -qF -- "$(roff "$option")" <<<"$text" ||
            fail "punchwell-cli.1 does not describe '$command $option'"
    done
done
readme=$docs/../README.md
for command in $commands; do
    grep -q "^| \`$command[ \`]" "$readme" || fail "README.md has no row for the command '$command'"
done
for option in $(long_options "$cli"); do
    grep -qF -- "$(roff "$option")" "$manual" || fail "punchwell-cli.1 does not describe $option"
done
if [ -n "$gui" ]; then
    for option in $("$gui" --help | grep -oE -- '--[a-z][-a-z]*' | sort -u); do
        grep -qF -- "$(roff "$option")" "$docs/punchwell.1" ||
            fail "punchwell.1 does not describe $option"
    done
fi

# The completion, run as bash runs it on a TAB.
complete_words() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _punchwell_cli
             printf "%s\n" "${COMPREPLY[@]}"' _ "$docs/punchwell-cli.bash" "$@"
}
offered=$(complete_words "$cli" "" | sort)
[ "$offered" = "$(sort <<<"$commands")" ] ||
    fail "completion offers '$(echo $offered)' for a command, the tool has '$(echo $commands)'"
for command in $commands; do
    offered=$(complete_words "$cli" --data-dir /tmp "$command" --)
    for option in $(long_options "$cli" "$command"); do
        grep -qx -- "$option" <<<"$offered" || fail "completion does not offer '$command $option'"
    done
done
# Values written as a|b|c in the help are offered after their option.
[ "$(complete_words "$cli" report --notes "" | tr '\n' ' ')" = "top bottom omit " ] ||
    fail "completion of 'report --notes'"
[ "$(complete_words "$cli" totals --week-start t | tr '\n' ' ')" = "tuesday thursday " ] ||
    fail "completion of 'totals --week-start t'"

# The project a command takes is offered from the data folder's projects, quoted.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fixtures=$docs/../tests/fixtures
"$cli" merge -o "$folder/timedata.pnd" "$fixtures/password-unicode.pnd" "$fixtures/example.pnd" ||
    fail "could not make a data folder with the projects Admin, Web and 'Café 日本'"
for words in "in C" "switch C" "add --start 2020-01-06T12:00 C" "edit --start 2020-01-06T09:00 --project C"; do
    # shellcheck disable=SC2086 # the words are split on purpose
    offered=$(complete_words "$cli" --data-dir "$folder" $words | tr '\n' ' ')
    [ "$offered" = "$(printf '%q' 'Café 日本') " ] || fail "completion of '$words' offers '$offered'"
done
[ "$(complete_words "$cli" --data-dir "$folder" in "" | sort)" = \
    "$(printf '%s\n' Admin "$(printf '%q' 'Café 日本')" Web | sort)" ] ||
    fail "completion of 'in' does not offer every project"

[ $failures -eq 0 ]
