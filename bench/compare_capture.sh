#!/usr/bin/env bash
# Whole-command timing of a full-screen send ("/xpvfull" with "Preview" "0") beside scrot, maim,
# ImageMagick's import and the floor (bench/capture_floor: one X11 read plus FreeImage_Save), for
# PNG, JPEG (quality 85) and BMP at 1920x1080 and 3840x2160, on a private Xvfb with openbox
# showing a photo-like picture on the root window.
#
# Ours is timed per answer: ten commands go one after another to ONE running pictavo-host, each
# from the moment the line is written to the moment the path comes back. The other tools are
# timed per process (start to exit), as a user runs them. Every capture file is deleted after it
# has been timed, so names and memory stay the same from one capture to the next.
#
# Noise: the measurements run in --rounds rounds, and every round runs every tool, so that load
# from other work on the machine falls on all of them alike. In a round, ours and the floor make
# --runs captures each; every other tool makes its share of --runs in all (3 + 3 + 4 of 10), as
# it is slow and needs less precision. A figure is the median of its round medians and its
# noise the spread of the round medians (max - min, over the figure); a ratio is the median of
# the per-round ratios, so a load change between rounds cancels out.
#
# Everything (settings, state, captures, the X server) is private to one folder that is removed
# on exit. As on a user's machine, that folder is on a disk (--folder, default /var/tmp), not in
# memory; --folder /dev/shm shows the cost of the disk. Usage:
#   bench/compare_capture.sh [--build DIR] [--sizes "1920x1080 3840x2160"] [--formats "png jpg bmp"]
#                            [--runs N] [--rounds N] [--budget SECONDS] [--folder DIR] [--keep]
# --budget (default 900 s) starts no new round past that time; a round already begun runs on.
# The settings traffic of one send (reads, writes and write transactions on the store) comes
# from bench_settings.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PICTAVO_BUILD_DIR:-$root/build}
sizes="1920x1080 3840x2160"
formats="png jpg bmp"
runs=10
rounds=3
budget=900
folder=/var/tmp
keep=0

usage() {
    sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'
    exit 2
}
positive() { [[ $2 =~ ^[1-9][0-9]*$ ]] || { echo "$1 needs a positive whole number" >&2; exit 2; }; }
while (($#)); do
    case $1 in
        --build) build=$2; shift 2 ;;
        --sizes) sizes=$2; shift 2 ;;
        --formats) formats=$2; shift 2 ;;
        --folder) folder=$2; shift 2 ;;
        --runs) positive "$1" "$2"; runs=$2; shift 2 ;;
        --rounds) positive "$1" "$2"; rounds=$2; shift 2 ;;
        --budget) positive "$1" "$2"; budget=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        -h | --help) usage ;;
        *) echo "unknown argument: $1" >&2; usage ;;
    esac
done
for size in $sizes; do
    [[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "not a size: $size" >&2; exit 2; }
done
for ext in $formats; do
    [[ $ext =~ ^(png|jpg|bmp)$ ]] || { echo "not a format: $ext" >&2; exit 2; }
done
[[ -d $folder && -w $folder ]] || { echo "not a writable folder: $folder" >&2; exit 2; }

# --- tools -----------------------------------------------------------------------------------
missing=()
for tool in Xvfb openbox convert display import identify compare scrot maim awk timeout; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
for program in pictavo-host pictavo-reg capture_floor bench_settings; do
    [[ -x $build/bin/$program ]] || missing+=("$build/bin/$program")
done
if ((${#missing[@]})); then
    echo "missing: ${missing[*]}" >&2
    echo "(Debian packages: xvfb openbox imagemagick scrot maim; build the targets pictavo," \
        "pictavo-host, pictavo-reg and capture_floor into --build)" >&2
    exit 1
fi
host=$build/bin/pictavo-host
reg=$build/bin/pictavo-reg
floor=$build/bin/capture_floor

# --- private environment and clean-up ----------------------------------------------------------
work=$(mktemp -d "$folder/pictavo-compare.XXXXXX")
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.local/state
export XDG_CACHE_HOME=$work/home/.cache XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/out" "$work/samples"
chmod 700 "$XDG_RUNTIME_DIR"
unset XAUTHORITY

xvfb_pid=
wm_pid=
host_pid=
cleanup() {
    local status=$?
    [[ -n $host_pid ]] && kill "$host_pid" 2>/dev/null
    [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    if ((keep)); then
        echo "kept: $work" >&2
    else
        rm -rf "$work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

started=$SECONDS
over_budget() { ((SECONDS - started > budget)); }

die() {
    echo "compare_capture: $*" >&2
    exit 1
}

# The clock in microseconds, read in this shell: a command substitution would fork a subshell,
# and its 0.5 ms or so would be timed with every capture.
clock_us() { printf -v "$1" '%s' "${EPOCHREALTIME/./}"; }

# --- X server ----------------------------------------------------------------------------------
stop_display() {
    local pid
    for pid in $wm_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    wm_pid=
    xvfb_pid=
    return 0
}

# Starts Xvfb on a display number it picks itself (-displayfd) and openbox on it. openbox stays
# connected, so the server never resets and the painted root stays.
start_display() {
    local size=$1 fd_file=$work/displayfd
    rm -f "$fd_file"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fd_file" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $fd_file ]] && break
        kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb did not start: $(tail -3 "$work/xvfb.log")"
        sleep 0.1
    done
    [[ -s $fd_file ]] || die "Xvfb did not report its display"
    DISPLAY=:$(head -1 "$fd_file")
    export DISPLAY
    openbox >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    sleep 1
    kill -0 "$wm_pid" 2>/dev/null || die "openbox did not start"
}

# A photo-like root: fractal plasma, slightly blurred, 8 bits a channel. display exits non-zero
# even when the root was set, so the screen itself is checked.
paint_root() {
    local size=$1 photo=$work/photo-$1.png
    convert -seed 7 -size "$size" plasma:fractal -blur 0x1 -depth 8 "$photo"
    timeout 120 display -window root "$photo" || true
    import -window root "$work/shown.ppm"
    local differing
    differing=$(compare -metric AE "$photo" "$work/shown.ppm" null: 2>&1 || true)
    [[ $differing == 0 ]] || die "the root does not show the photo ($differing pixels differ)"
    rm -f "$work/shown.ppm"
}

# A capture file must have the screen's size; a PNG or BMP must hold exactly the photo.
check_file() {
    local who=$1 file=$2 size=$3 ext=$4
    [[ -s $file ]] || die "$who wrote no file ($file)"
    local got
    got=$(identify -format '%wx%h' "$file" 2>/dev/null) || die "$who wrote an unreadable $file"
    [[ $got == "$size" ]] || die "$who wrote $got, the screen is $size"
    if [[ $ext != jpg ]]; then
        got=$(compare -metric AE "$work/photo-$size.png" "$file" null: 2>&1 || true)
        [[ $got == 0 ]] || die "$who's $ext differs from the screen in $got pixels"
    fi
}

# --- measurements (samples: "round milliseconds" lines) -----------------------------------------
samples() { echo "$work/samples/$1-$2-$3"; }

settings_key='HKCU\SOFTWARE\Quorrel\Pictavo\bench@localhost\Options'
configure_host() {
    # The first start writes the default settings; it needs no screen.
    printf '/quit\n' | QT_QPA_PLATFORM=offscreen "$host" --email bench@localhost >/dev/null 2>>"$work/host.err" ||
        die "pictavo-host did not start: $(tail -3 "$work/host.err")"
    local name value
    for setting in Preview=0 Overlay=0 Clipboard=0 TimeDelay=0 Quality=85 FileType=png; do
        name=${setting%%=*}
        value=${setting#*=}
        "$reg" add "$settings_key" /v "$name" /d "$value" /f >/dev/null ||
            die "cannot set $name"
    done
}

# One round of ours: one host, $runs commands, each timed from the line to its answer.
ours_round() {
    local size=$1 ext=$2 round=$3 out
    out=$(samples "$size" "$ext" ours)
    "$reg" add "$settings_key" /v FileType /d "$ext" /f >/dev/null || die "cannot set FileType"
    coproc HOST { exec "$host" --email bench@localhost 2>>"$work/host.err"; }
    # shellcheck disable=SC2153 # HOST_PID is set by coproc
    host_pid=$HOST_PID
    local to=${HOST[1]} from=${HOST[0]} answer t0 t1 i
    for ((i = 0; i < runs; i++)); do
        clock_us t0
        printf '/xpvfull\n' >&"$to"
        IFS= read -r -t 300 answer <&"$from" || die "pictavo-host gave no answer"
        clock_us t1
        [[ $answer == /* && -f $answer ]] || die "pictavo-host answered '$answer'"
        echo "$round $(((t1 - t0) / 1000)).$(printf '%03d' $(((t1 - t0) % 1000)))" >>"$out"
        if ((round == 1 && i == 0)); then
            check_file ours "$answer" "$size" "$ext"
        fi
        rm -f "$answer"
    done
    printf '/quit\n' >&"$to"
    wait "$host_pid" 2>/dev/null || true
    host_pid=
}

floor_round() {
    local size=$1 ext=$2 round=$3 line
    line=$("$floor" --iterations "$runs" --format "$ext" --folder "$work/out") ||
        die "capture_floor failed"
    [[ $line == "floor $ext $size "* ]] || die "capture_floor measured another screen: $line"
    echo "$round ${line##*total_ms=}" >>"$(samples "$size" "$ext" floor)"
    echo "$round $line" >>"$work/samples/floor-parts"
}

tool_command() {
    local tool=$1 ext=$2 file=$3
    case $tool-$ext in
        scrot-png) echo scrot -o "$file" ;;
        scrot-jpg) echo scrot -o -q 85 "$file" ;;
        maim-png) echo maim -u "$file" ;;
        # maim's 1..10 scale: 9 gives the quantisation tables of quality 88 (identify %Q),
        # the nearest to 85; 8 gives 77.
        maim-jpg) echo maim -u -f jpg -m 9 "$file" ;;
        import-png) echo import -window root "$file" ;;
        import-jpg) echo import -window root -quality 85 "$file" ;;
        scrot-bmp) echo scrot -o "$file" ;;
        maim-bmp) echo maim -u -f bmp "$file" ;;
        import-bmp) echo import -window root "$file" ;;
    esac
}

tool_round() {
    local tool=$1 size=$2 ext=$3 round=$4 count=$5 file=$work/out/$1.$3 i t0 t1
    local -a command
    read -ra command <<<"$(tool_command "$tool" "$ext" "$file")"
    for ((i = 0; i < count; i++)); do
        clock_us t0
        timeout 300 "${command[@]}" >/dev/null 2>>"$work/tools.err" || die "$tool failed"
        clock_us t1
        echo "$round $(((t1 - t0) / 1000)).$(printf '%03d' $(((t1 - t0) % 1000)))" \
            >>"$(samples "$size" "$ext" "$tool")"
        if ((round == 1 && i == 0)); then
            check_file "$tool" "$file" "$size" "$ext"
            [[ $ext == jpg ]] && identify -format "$tool jpg quality estimate %Q\n" "$file" \
                >>"$work/jpeg-quality"
        fi
        rm -f "$file"
    done
}

# "round median" lines of a samples file, rounds in order.
round_medians() {
    awk '
        { n[$1]++; v[$1, n[$1]] = $2; if (!($1 in seen)) { seen[$1] = 1; order[++r] = $1 } }
        END {
            for (k = 1; k <= r; k++) {
                m = n[order[k]]; delete a
                for (i = 1; i <= m; i++) a[i] = v[order[k], i]
                for (i = 2; i <= m; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
                print order[k], (m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2)
            }
        }' "$1"
}

# "median noise%" of a samples file: the median of its round medians and their spread over it.
summary() {
    [[ -s $1 ]] || { echo "- -"; return; }
    round_medians "$1" | awk '
        { a[++n] = $2 }
        END {
            for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
            m = n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
            printf "%.1f %.0f\n", m, 100 * (a[n] - a[1]) / m
        }'
}

# The median over the rounds both ran of (a's round median / b's round median), then the
# per-round ratios: "1.04 1.03 1.05 1.04".
paired_ratio() {
    [[ -s $1 && -s $2 ]] || { echo "-"; return; }
    awk '
        NR == FNR { a[$1] = $2; next }
        ($1 in a) { r[++n] = a[$1] / $2; list = list sprintf(" %.2f", r[n]) }
        END {
            if (!n) { print "-"; exit }
            for (i = 2; i <= n; i++) { t = r[i]; for (j = i - 1; j >= 1 && r[j] > t; j--) r[j + 1] = r[j]; r[j + 1] = t }
            printf "%.2f%s\n", (n % 2 ? r[(n + 1) / 2] : (r[n / 2] + r[n / 2 + 1]) / 2), list
        }' <(round_medians "$1") <(round_medians "$2")
}

# --- run -----------------------------------------------------------------------------------------
echo "pictavo $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo '?'), build $build," \
    "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$rounds rounds; per round $runs captures of ours and of the floor, about $((runs / rounds))" \
    "of each other tool; captures in $work/out"
configure_host
skipped=()
for size in $sizes; do
    start_display "$size"
    paint_root "$size"
    for ext in $formats; do
        for ((round = 1; round <= rounds; round++)); do
            if over_budget; then
                skipped+=("$size $ext round $round")
                continue
            fi
            echo "$size $ext round $round (load $(cut -d' ' -f1 /proc/loadavg))" >&2
            floor_round "$size" "$ext" "$round"
            ours_round "$size" "$ext" "$round"
            # This round's share of the tools' runs: 3 + 3 + 4 of 10.
            share=$((runs * round / rounds - runs * (round - 1) / rounds))
            if ((share > 0)); then
                for tool in scrot maim import; do
                    tool_round "$tool" "$size" "$ext" "$round" "$share"
                done
            fi
        done
    done
    stop_display
done

# --- report --------------------------------------------------------------------------------------
echo
echo "Per-capture time in ms: median of the round medians (spread of the round medians, %)"
printf '%-10s %-4s %15s %15s %15s %15s %15s %8s %8s %8s %8s\n' size fmt ours floor scrot maim \
    import /floor /scrot /maim /import
fails=0
misses=()
details=()
for size in $sizes; do
    for ext in $formats; do
        declare -A med=() noise=()
        for tool in ours floor scrot maim import; do
            read -r "med[$tool]" "noise[$tool]" <<<"$(summary "$(samples "$size" "$ext" "$tool")")"
        done
        if [[ ${med[ours]} == - ]]; then
            printf '%-10s %-4s skipped (time budget)\n' "$size" "$ext"
            continue
        fi
        line=$(printf '%-10s %-4s' "$size" "$ext")
        for tool in ours floor scrot maim import; do
            line+=$(printf ' %15s' "${med[$tool]} (${noise[$tool]}%)")
        done
        declare -A ratio=()
        for tool in floor scrot maim import; do
            read -r "ratio[$tool]" rounds_list <<<"$(paired_ratio "$(samples "$size" "$ext" ours)" \
                "$(samples "$size" "$ext" "$tool")")"
            line+=$(printf ' %8s' "${ratio[$tool]}")
            details+=("$size $ext ours/$tool per round:${rounds_list:- -}")
        done
        echo "$line"
        # Targets: at the floor for JPEG and BMP, within 1.02 of it for PNG; faster than maim and
        # import (PNG), than all three (JPEG, BMP).
        checks="floor:1.00 maim:1 import:1 scrot:1"
        [[ $ext == png ]] && checks="floor:1.02 maim:1 import:1"
        for check in $checks; do
            tool=${check%%:*}
            limit=${check#*:}
            if ! awk -v r="${ratio[$tool]}" -v l="$limit" 'BEGIN { exit !(r != "-" && r <= l) }'
            then
                misses+=("$size $ext: ours/$tool ${ratio[$tool]} > $limit")
                fails=$((fails + 1))
            fi
        done
        unset med noise ratio
    done
done
echo "(ratios: the median of the per-round ratios)"
echo
printf '%s\n' "${details[@]}"
echo
echo "Floor parts (each round's medians, ms):"
awk '{ for (i = 3; i <= NF; i++) if ($i ~ /_ms=/) { split($i, kv, "="); s[$3 " " $4 " " kv[1]] = s[$3 " " $4 " " kv[1]] " " kv[2] } }
     END { for (k in s) print k ":" s[k] }' "$work/samples/floor-parts" 2>/dev/null | sort
[[ -s $work/jpeg-quality ]] && cat "$work/jpeg-quality"
# The counters of bench_settings' send benchmark, per send, with its store in the same folder.
echo "Settings traffic per send (store in $folder):" \
    "$(TMPDIR=$work/tmp "$build/bin/bench_settings" --benchmark_filter=BM_SendWithoutPreview \
        --benchmark_format=csv 2>/dev/null |
        awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) h[i] = $i; next }
                 $1 ~ /median/ { for (i = 1; i <= NF; i++) if (h[i] ~ /^"?(reads|writes|transactions|statements)"?$/)
                       printf "%s %d ", h[i], $i }' | tr -d '"')"
((${#skipped[@]})) && echo "skipped (over the ${budget} s budget): ${skipped[*]}"
echo
if ((fails)); then
    echo "targets missed:"
    printf '  %s\n' "${misses[@]}"
else
    echo "all targets met"
fi
echo "took $((SECONDS - started)) s"
