# SPDX-License-Identifier: Apache-2.0
# bash completion for kestrel-nss-cli and kestrel-nss-mkimage

# The pools (or, with "volume", the volumes of the pool named on the line, else all) of the
# source already named on the line: --image, --raid or --disk.
_kestrel_nss_names() {
    local kind=$1 program=$2 i source=() disk="" pool=""
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        case ${COMP_WORDS[i]} in
            --image | --raid) source=("${COMP_WORDS[i]}" "${COMP_WORDS[i + 1]}") ;;
            --disk) disk=${COMP_WORDS[i + 1]} ;;
            --pool) pool=${COMP_WORDS[i + 1]} ;;
        esac
    done
    [[ ${source[1]-} ]] && source[1]=$(eval printf '%s' "${source[1]}" 2>/dev/null)
    "$program" disks "${source[@]}" 2>/dev/null | awk -v kind="$kind" -v disk="$disk" \
        -v pool="$pool" '
        /^Disk[0-9]/ { here = (disk == "" || $1 == "Disk" disk); next }
        !here { next }
        $1 ~ /^Pool:/ { current = substr($1, 6); if (kind == "pool") print current; next }
        $1 ~ /^Volume:/ && kind == "volume" && (pool == "" || pool == current) {
            print substr($1, 8)
        }'
}

# A --raid set: the geometry's KEY=VALUE items (or auto:), then after ":" the members.
_kestrel_nss_raid_set() {
    local last
    compopt -o nospace
    if [[ $cur == *:* ]]; then
        last=${cur##*[:,]}
        COMPREPLY=($(compgen -f -- "$last") $(compgen -W "missing disk:" -- "$last"))
    else
        last=${cur##*,}
        case $last in
            level=*) COMPREPLY=($(compgen -P level= -W "span 0 1 10 5 6" -- "${last#*=}")) ;;
            layout=*) COMPREPLY=($(compgen -P layout= -W "left-symmetric left-asymmetric
                right-symmetric right-asymmetric" -- "${last#*=}")) ;;
            *) COMPREPLY=($(compgen -W "auto: level= layout= stripe= offset=" -- "$last")) ;;
        esac
    fi
    # Whole words, then less what readline keeps: it replaces only what follows the last
    # word-break character (":" and "=" are among them).
    local head=${cur%"$last"} kept=${cur%"${cur##*[=:]}"}
    COMPREPLY=("${COMPREPLY[@]/#/$head}")
    COMPREPLY=("${COMPREPLY[@]#"$kept"}")
}

_kestrel_nss_cli() {
    local cur prev words cword
    _init_completion -n =: || return

    local commands="disks drives ls recover cat find disk-scan save-scan image clone mount hexdump"
    commands+=" raid-detect report"
    local sources="--disk --image --raid --pool --volume --pool-scan --disk-scan --scan-file"
    local mask="--mask --deleted-only --size-from --size-upto"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ " $commands " == *" ${words[i]} "* ]]; then
            command=${words[i]}
            break
        fi
    done

    case $prev in
        --image | --scan-file | --map | --ftp-ca)
            _filedir
            return ;;
        --report)
            _filedir -d
            return ;;
        --to)
            case $command in
                recover | report) _filedir -d ;;
                clone) ;;
                *) _filedir ;;
            esac
            return ;;
        --disk | --from)
            COMPREPLY=($(compgen -W "$("$1" disks 2>/dev/null |
                awk '/^Disk[0-9]/ { print substr($1, 5) }')" -- "$cur"))
            return ;;
        --pool)
            COMPREPLY=($(compgen -W "$(_kestrel_nss_names pool "$1")" -- "$cur"))
            return ;;
        --volume)
            COMPREPLY=($(compgen -W "$(_kestrel_nss_names volume "$1")" -- "$cur"))
            return ;;
        --on-conflict)
            COMPREPLY=($(compgen -W "overwrite rename skip" -- "$cur"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W "raw e01" -- "$cur"))
            return ;;
        --compression)
            COMPREPLY=($(compgen -W "none fast best" -- "$cur"))
            return ;;
        --raid)
            _kestrel_nss_raid_set
            return ;;
        --ftp | --ftp-user | --path | --include | --exclude | --mask | --size-from | \
            --size-upto | --key | --page | --offset | --length | --retries | --case-number | \
            --evidence-number | --examiner | --description | --notes | --segment-size)
            return ;;
    esac

    local options=""
    case $command in
        "") COMPREPLY=($(compgen -W "$commands --help" -- "$cur"))
            return ;;
        disks) options="--json --image --raid" ;;
        drives) options="--json" ;;
        ls) options="$sources $mask --map --damaged-only --json" ;;
        recover) options="$sources $mask --map --ftp --ftp-user --ftp-passive --ftp-tls --ftp-ca
            --to --path --include --exclude --on-conflict --report --md5" ;;
        cat) options="$sources --path --key" ;;
        find) options="$sources --json" ;;
        disk-scan) options="--disk --image --raid --pool --json" ;;
        save-scan) options="$sources $mask --to --overwrite" ;;
        image) options="--disk --image --raid --pool --to --map --no-hash --rescue --retries
            --format --case-number --evidence-number --examiner --description --notes
            --compression --segment-size" ;;
        clone) options="--from --to --yes" ;;
        mount) options="$sources $mask --foreground --allow-other" ;;
        hexdump) options="$sources --path --key --page --offset --length" ;;
        raid-detect) options="--json" ;;
        report) options="$sources --map --to" ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
    elif [[ $command == raid-detect ]]; then
        _filedir
        COMPREPLY+=($(compgen -W "missing disk:" -- "$cur"))
    elif [[ $command == mount ]]; then
        _filedir -d
    fi
}
complete -F _kestrel_nss_cli kestrel-nss-cli

_kestrel_nss_mkimage() {
    local cur prev words cword
    _init_completion || return
    local stripe=""
    [[ " ${words[*]:1:cword-1} " == *" stripe "* ]] && stripe=1
    case $prev in
        --layout)
            if [[ $stripe ]]; then
                COMPREPLY=($(compgen -W "left-symmetric left-asymmetric right-symmetric
                    right-asymmetric" -- "$cur"))
                return
            fi
            _filedir json
            COMPREPLY+=($(compgen -W "demo" -- "$cur"))
            return ;;
        --out | --manifest | --image)
            _filedir
            return ;;
        --expect)
            _filedir -d
            return ;;
        --level)
            COMPREPLY=($(compgen -W "span 0 1 10 5 6" -- "$cur"))
            return ;;
        --pool-image | --prefix | --stripe | --offset | --members | --order | --leave-out)
            return ;;
    esac
    if [[ $stripe ]]; then
        COMPREPLY=($(compgen -W "--image --prefix --level --layout --stripe --offset --members
            --order --leave-out --help" -- "$cur"))
    else
        COMPREPLY=($(compgen -W "stripe --layout --out --pool-image --manifest --expect
            --help" -- "$cur"))
    fi
}
complete -F _kestrel_nss_mkimage kestrel-nss-mkimage
