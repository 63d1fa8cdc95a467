#!/usr/bin/env bash
# Runs every line of the README's settings examples against a private store, as a user would
# paste them, and checks what each pictavo-reg command did there.
#   readme-settings.sh README.md BIN_DIR
set -euo pipefail
bin=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_STATE_HOME=$tmp/state TMPDIR=$tmp USER=reader
unset DISPLAY WAYLAND_DISPLAY  # the settings tool needs no display
root='HKCU\SOFTWARE\Quorrel\Pictavo'
mine="$root\\reader@localhost"
reg() { "$bin/pictavo-reg" "$@"; }
fail() { echo "readme-settings: ${line:-}: $*" >&2 && exit 1; }

# The account's settings, as the plug-in creates them at its first start.
QT_QPA_PLATFORM=offscreen "$bin/pictavo-host" </dev/null >/dev/null 2>&1
examples=$(sed -n '/^### The settings tool/,/^```$/p' "$1" | sed -n '/^```sh$/,/^```$/{//!p}')
[[ $examples == *pictavo-reg* ]] || fail "no examples found"
while IFS= read -r line; do
    args=${line#build/bin/pictavo-reg}
    [[ $args != "$line" ]] || { eval "$line" && continue; }  # a variable the examples use
    eval "set -- $args"
    verb=$1 key=$2 name= data=
    while (($#)); do
        case $1 in /v) name=$2 ;; /d) data=$2 ;; esac
        shift
    done
    [[ $key == "$root" || $key == "$mine" || $key == "$mine\\"* ]] || fail "not your settings: $key"
    out=$(eval "reg $args" <<<"Yes") || fail "failed: $out"
    case $verb in
        query) [[ $out == *"${name:-${key#HKCU}}"* ]] || fail "does not show ${name:-$key}" ;;
        add) reg query "$key" /v "$name" | grep -qxF "    $name    REG_SZ    $data" || fail "not written" ;;
        delete) ! reg query "$key" /v "$name" >/dev/null 2>&1 || fail "not deleted" ;;
        *) fail "unknown verb $verb" ;;
    esac
done <<<"$examples"
