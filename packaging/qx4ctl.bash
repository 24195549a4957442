# bash completion for qx4ctl. Every list it offers (commands, options, their values, functions,
# macro names) comes from "qx4ctl --complete WORD...", so it is never out of date; this script only
# joins what bash split and offers what qx4ctl answers.

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

_qx4ctl() {
    COMPREPLY=()
    # The words after qx4ctl up to the current one, a word that bash split at its colons whole again.
    local i words=() glue=0 reply
    for ((i = 1; i <= COMP_CWORD; i++)); do
        if ((glue)) || [[ ${COMP_WORDS[i]} == : && ${#words[@]} -gt 0 ]]; then
            words[-1]+=${COMP_WORDS[i]}
        else
            words+=("${COMP_WORDS[i]}")
        fi
        [[ ${COMP_WORDS[i]} == : ]] && glue=1 || glue=0
    done
    reply=$(qx4ctl --complete "${words[@]}" 2>/dev/null) || return
    case ${reply%%$'\n'*} in
    files) COMPREPLY=($(compgen -f -- "${COMP_WORDS[COMP_CWORD]}")) ;;
    words) [[ $reply == *$'\n'* ]] && _qx4ctl_offer "${reply#*$'\n'}" ;;
    esac
}

complete -F _qx4ctl qx4ctl
