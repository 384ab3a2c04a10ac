# bash completion for punchwell-cli
#
# The commands and their options are read from the tool's own --help, so the completion
# always matches the installed version and needs no change when a command is added.

# The tool's commands: the names listed under "Commands:".
_punchwell_cli_commands() {
    "$1" --help 2>/dev/null |
        awk '/^Commands:/ { on = 1; next } /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }'
}

# One line per option of the tool ($2 empty) or of a command: "--long ARG", ARG empty for a
# flag. Short spellings ("-o, --output") are listed as options of their own.
_punchwell_cli_options() {
    "$1" ${2:+"$2"} --help 2>/dev/null | awk '
        /^Options:/ { on = 1; next }
        on && /^ +-/ {
            line = $0
            sub(/^ +/, "", line)
            sub(/  .*/, "", line)          # drop the description
            n = split(line, part, " ")
            arg = ""
            if (part[n] !~ /^-/) { arg = part[n]; n-- }
            for (i = 1; i <= n; i++) { name = part[i]; sub(/,$/, "", name); print name " " arg }
        }'
}

# The names of the projects, as "projects" lists them after its two-column marker; the
# arguments are the tool and its --data-dir, if one was given.
_punchwell_cli_projects() {
    "$@" projects 2>/dev/null | cut -c3- | cut -f1
}

# Adds the project names that begin with $cur to COMPREPLY, quoted for the shell.
_punchwell_cli_reply_projects() {
    local name
    while IFS= read -r name; do
        [[ -n $name && $name == "$cur"* ]] && COMPREPLY+=("$(printf '%q' "$name")")
    done < <(_punchwell_cli_projects "$@")
}

_punchwell_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local tool=${COMP_WORDS[0]}
    COMPREPLY=()

    # The command is the first word that is neither an option nor an option's value.
    local command="" i word
    local folder=() # the tool's --data-dir, for the project names
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --data-dir)
            ((i++))
            folder=(--data-dir "${COMP_WORDS[i]}")
            ;;
        -*) ;;
        *)
            command=$word
            break
            ;;
        esac
    done

    local options
    options=$(_punchwell_cli_options "$tool" "$command")

    # The value of an option: choices written as a|b|c in the help, or by its placeholder.
    local arg
    arg=$(awk -v p="$prev" '$1 == p { print $2 }' <<<"$options")
    if [[ -n $arg ]]; then
        case $arg in
        *"|"*) mapfile -t COMPREPLY < <(compgen -W "${arg//|/ }" -- "$cur") ;;
        KIND) mapfile -t COMPREPLY < <(compgen -W "today week month year total" -- "$cur") ;;
        DAY)
            mapfile -t COMPREPLY < <(compgen -W "sunday monday tuesday wednesday thursday \
                friday saturday" -- "$cur")
            ;;
        PROJECT) _punchwell_cli_reply_projects "$tool" "${folder[@]}" ;;
        DIR)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            ;;
        OUT* | *.pnr | FILE*)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            ;;
        esac
        return 0
    fi

    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(awk '{ print $1 }' <<<"$options")" -- "$cur")
    elif [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_punchwell_cli_commands "$tool")" -- "$cur")
    else
        case $command in
        in | switch | add) _punchwell_cli_reply_projects "$tool" "${folder[@]}" ;;
        status | out | toggle | projects | edit) ;; # no operands
        *)
            # Operands are data files.
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur"; compgen -f -X '!*.pnd' -- "$cur")
            ;;
        esac
    fi
    return 0
}

complete -F _punchwell_cli punchwell-cli
