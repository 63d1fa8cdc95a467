#!/usr/bin/env bash
# Runs a command inside a private headless Wayland session: sway with XWayland, pipewire, and the
# desktop portal with its wlr (screenshots) and gtk (access) backends, on a bus of its own.
#
#   wayland-session.sh [--no-portal] [--scale N] COMMAND [ARGUMENT...]
#
# --no-portal leaves the portal and its backends out. The command sees WAYLAND_DISPLAY (an
# absolute path, so that it survives a change of XDG_RUNTIME_DIR), XWayland's DISPLAY, SWAYSOCK,
# XDG_SESSION_TYPE=wayland and XDG_CURRENT_DESKTOP=sway; its exit status is the script's.
# sway refuses to run as root, so as root the session runs as the user nobody. Exit status 77
# (skipped) only where sway cannot start at all.
set -euo pipefail

portal=1
scale=1
while (($#)); do
    case $1 in
        --no-portal) portal=0; shift ;;
        --scale) scale=$2; shift 2 ;;
        *) break ;;
    esac
done
(($#)) || { echo "usage: $0 [--no-portal] [--scale N] COMMAND [ARGUMENT...]" >&2; exit 2; }

self=$(readlink -f "$0")
if [[ $(id -u) -eq 0 && -z ${PICTAVO_SESSION_BASE:-} ]]; then
    if ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$(type -P "$1" || echo "$1")"; then
        echo "wayland-session: the user nobody cannot run $1: the build must be readable by all" >&2
        exit 1
    fi
    base=$(mktemp -d /tmp/pictavo-wayland-XXXXXX)
    chown 65534:65534 "$base"
    trap 'rm -rf "$base"' EXIT
    status=0
    PICTAVO_SESSION_BASE=$base setpriv --reuid=65534 --regid=65534 --clear-groups \
        "$self" $( ((portal)) || echo --no-portal) --scale "$scale" "$@" || status=$?
    exit "$status"
fi

if [[ -z ${PICTAVO_SESSION_BASE:-} ]]; then
    PICTAVO_SESSION_BASE=$(mktemp -d /tmp/pictavo-wayland-XXXXXX)
    trap 'rm -rf "$PICTAVO_SESSION_BASE"' EXIT
fi
base=$PICTAVO_SESSION_BASE
export HOME=$base/home XDG_RUNTIME_DIR=$base/run TMPDIR=$base/tmp
mkdir -p "$HOME" "$TMPDIR" "$XDG_RUNTIME_DIR"
chmod 0700 "$XDG_RUNTIME_DIR"

if [[ ${1:-} != --on-bus ]]; then
    # A bus that starts nothing by itself: a name asked for before its owner is up would start a
    # second copy, and without the portal the name must stay absent.
    cat >"$base/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$base</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
    status=0
    dbus-run-session --config-file="$base/bus.conf" -- \
        "$self" $( ((portal)) || echo --no-portal) --scale "$scale" --on-bus "$@" || status=$?
    exit "$status"
fi
shift

children=()
stop() {
    local pid
    for pid in "${children[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap 'stop; rm -rf "$base"' EXIT

waitFor() {  # waitFor NAME: until NAME has an owner on the bus (10 s at most)
    local i
    for ((i = 0; i < 100; ++i)); do
        if dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'; then
            return 0
        fi
        sleep 0.1
    done
    echo "wayland-session: $1 did not come up" >&2
    return 1
}

export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland NO_AT_BRIDGE=1 GTK_A11Y=none
unset DISPLAY WAYLAND_DISPLAY

if ((portal)); then
    # The wlr backend ends at once without a running pipewire, even for screenshots.
    pipewire >"$base/pipewire.log" 2>&1 &
    children+=($!)
fi

cat >"$base/sway.conf" <<EOF
output HEADLESS-1 mode 1920x1080 position 0 0 scale $scale
xwayland force
default_border none
exec echo "\$WAYLAND_DISPLAY \$DISPLAY \$SWAYSOCK" >"$base/displays"
EOF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$base/sway.conf" >"$base/sway.log" 2>&1 &
sway=$!
children+=($sway)
for ((i = 0; i < 100; ++i)); do
    [[ -s $base/displays ]] && break
    if ! kill -0 "$sway" 2>/dev/null; then
        echo "wayland-session: skipped: sway cannot start here:" >&2
        tail -n 5 "$base/sway.log" >&2
        exit 77
    fi
    sleep 0.1
done
read -r wayland display swaysock <"$base/displays" || true
if [[ -z ${wayland:-} || -z ${display:-} ]]; then
    echo "wayland-session: sway started without a Wayland or an X display" >&2
    tail -n 20 "$base/sway.log" >&2
    exit 1
fi
export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/$wayland DISPLAY=$display SWAYSOCK=${swaysock:-}
# XWayland takes a moment to accept clients after sway has named it.
for ((i = 0; i < 100; ++i)); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

if ((portal)); then
    # In this order, each waited for: the portal looks its backends up when it starts.
    /usr/libexec/xdg-desktop-portal-wlr >"$base/portal-wlr.log" 2>&1 &
    children+=($!)
    waitFor org.freedesktop.impl.portal.desktop.wlr
    /usr/libexec/xdg-desktop-portal-gtk >"$base/portal-gtk.log" 2>&1 &
    children+=($!)
    waitFor org.freedesktop.impl.portal.desktop.gtk
    /usr/libexec/xdg-desktop-portal >"$base/portal.log" 2>&1 &
    children+=($!)
    waitFor org.freedesktop.portal.Desktop
fi

status=0
"$@" || status=$?
if ((status != 0)); then
    for log in "$base"/*.log; do
        echo "--- $log" >&2
        tail -n 15 "$log" >&2
    done
fi
exit "$status"
