# bash completion for qx4ctl: its commands, their options and values, the functions a button takes
# and the stored macros' names, asked of qx4ctl itself so that they are never out of date.

# The current word as the user sees it, colons included, whatever COMP_WORDBREAKS splits.
_qx4ctl_word() {
    local line=${COMP_LINE:0:COMP_POINT}
    printf '%s' "${line##*[[:space:]]}"
}

# Offers the lines of $1 that start with the current word, each quoted for the shell; what a colon
# in the word split off is left out, as bash replaces only the part after it.
_qx4ctl_offer() {
    local word candidate lead IFS=$'\n'
    word=$(_qx4ctl_word)
    lead=""
    [[ $COMP_WORDBREAKS == *:* && $word == *:* ]] && lead=${word%:*}:
    for candidate in $1; do
        [[ $candidate == "$word"* ]] && COMPREPLY+=("$(printf '%q' "${candidate#"$lead"}")")
    done
}

# How many arguments that are not options come before the current word, after the command (and a
# macro's subcommand). Option values are skipped.
_qx4ctl_position() {
    local i count=0 word
    for ((i = $1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --profile | --repeat | --loops | --color | --brightness | --speed | --direction | --against) ((i++)) ;;
        -*) ;;
        :) ;;
        *) [[ ${COMP_WORDS[i + 1]} == : ]] || ((count++)) ;;
        esac
    done
    echo "$count"
}

_qx4ctl() {
    COMPREPLY=()
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} command=${COMP_WORDS[1]}
    if ((COMP_CWORD == 1)); then
        _qx4ctl_offer "$(qx4ctl --help 2>/dev/null | awk '/^  [a-z]/ { print $1 }')"
        return
    fi
    case $prev in
    --profile) _qx4ctl_offer $'1\n2\n3\n4\n5'; return ;;
    --repeat) _qx4ctl_offer $'times\nhold\ntoggle'; return ;;
    --direction) _qx4ctl_offer $'forward\nbackward'; return ;;
    --against) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --color | --brightness | --speed | --loops) return ;;
    esac

    local options
    case $command in
    profile | reset) options="--apply --simulate" ;;
    dpi) options="--profile --current --color --enable --disable --apply --simulate" ;;
    rate) options="--profile --apply --simulate" ;;
    light) options="--profile --color --brightness --speed --direction --apply --simulate" ;;
    bind) options="--profile --repeat --loops --apply --simulate" ;;
    macro) options="--apply --simulate --json --names" ;;
    macros | functions) options="--json --names" ;;
    show) options="--profile --json" ;;
    status) options="--simulate --json" ;;
    apply) options="--full --against --simulate" ;;
    reports) options="--full --against" ;;
    import) options="--profile --apply --simulate" ;;
    export) options="--profile" ;;
    esac
    if [[ $cur == -* ]]; then
        _qx4ctl_offer "${options// /$'\n'}"
        return
    fi

    local position
    position=$(_qx4ctl_position 2)
    case $command in
    rate) ((position == 0)) && _qx4ctl_offer $'125\n250\n500\n1000' ;;
    light)
        ((position == 0)) && _qx4ctl_offer $'off\nsteady\nbreathing\ncolor_cycle\nspectrum_breathing\nrainbow\nwave\nneon\nflicker\nrainbow_wave\nripple\nreactive'
        ;;
    bind) ((position == 1)) && _qx4ctl_offer "$(qx4ctl functions --names 2>/dev/null)" ;;
    import | export) ((position == 0)) && COMPREPLY=($(compgen -f -- "$cur")) ;;
    autostart) ((position == 0)) && _qx4ctl_offer $'on\noff\nstatus' ;;
    rules)
        if ((position == 0)); then
            _qx4ctl_offer $'list\nadd\nremove\ndefault\non\noff'
        elif ((position == 1)) && [[ ${COMP_WORDS[2]} == default ]]; then
            _qx4ctl_offer $'keep\n1\n2\n3\n4\n5'
        fi
        ;;
    macro)
        if ((position == 0)); then
            _qx4ctl_offer $'list\nshow\nadd\nrename\ndelete\nimport\nexport\nsteps'
            return
        fi
        local what=${COMP_WORDS[2]}
        if ((position == 1)) && [[ $what == @(show|rename|delete|export|steps) ]]; then
            _qx4ctl_offer "$(qx4ctl macro list --names 2>/dev/null)"
        elif [[ $what == import && $position == 1 ]] || [[ $what == export && $position == 2 ]]; then
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        ;;
    esac
}

complete -F _qx4ctl qx4ctl
