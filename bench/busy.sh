#!/usr/bin/env bash
# Runs effects with pq-render on a synthetic photo, quiet and beside busy
# processes, on 1 and on 8 threads, and prints wall, user and sys seconds
# (one row per run).
#
#   bench/busy.sh [-b BUSY] [-r PQ_RENDER] [-s WxH] [-n "THREADS..."] NUMBER...
#
# BUSY (default 8) is the number of CPU-bound shell loops started beside the
# runs marked "busy"; they are stopped by their own process ids when the
# script ends. PQ_RENDER defaults to build/bin/pq-render. The photo (default
# 4608x2880) is written once by pq-bench --write-photo under $TMPDIR.
# Effects run with their slider defaults and seed 1; a run is stopped after
# 300 s (its row then ends in "(exit 124)").
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
busy=8
render="$here/build/bin/pq-render"
bench="$here/build/bin/pq-bench"
size=4608x2880
threads="1 8"
while getopts "b:r:s:n:" opt; do
    case $opt in
    b) busy=$OPTARG ;;
    r) render=$OPTARG ;;
    s) size=$OPTARG ;;
    n) threads=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || { echo "usage: $0 [-b BUSY] [-r PQ_RENDER] [-s WxH] [-n THREADS] NUMBER..." >&2; exit 2; }

tmp=${TMPDIR:-/tmp}/pq-busy
mkdir -p "$tmp"
photo="$tmp/photo-$size.png"
if [ ! -s "$photo" ]; then
    "$bench" --write-photo "${size%x*}" "${size#*x}" "$photo"
fi

# Slider defaults of every effect (the parameter table's).
defaults() {
    case $1 in
    100) echo 20 50 65 5 80 ;; 101) echo 10 40 30 0 30 ;; 102) echo 20 80 30 25 0 ;; 103) echo 75 50 35 25 20 ;;
    200) echo 50 50 0 0 0 ;; 201) echo 50 0 0 0 0 ;; 202) echo 65 70 30 5 40 ;; 203) echo 10 0 100 50 60 ;;
    300) echo 30 40 40 100 20 ;; 301) echo 90 20 60 20 55 ;; 302) echo 10 70 30 30 100 ;; 303) echo 10 70 50 50 80 ;;
    304) echo 10 50 50 50 100 ;; 305) echo 50 30 25 60 70 ;; 306) echo 35 0 0 0 0 ;; 307) echo 10 50 20 50 90 ;;
    308) echo 50 50 50 60 50 ;; 400) echo 40 25 50 50 40 ;; 401) echo 52 52 55 15 52 ;; 402) echo 0 70 50 50 25 ;;
    403) echo 30 35 60 20 25 ;; 404) echo 100 50 50 50 50 ;; 500) echo 20 20 80 35 25 ;; 501) echo 30 55 85 40 20 ;;
    502) echo 20 30 80 35 25 ;; 503) echo 10 30 50 35 25 ;;
    *) echo 50 50 50 50 50 ;;
    esac
}

pids=()
stop_busy() {
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    for p in "${pids[@]}"; do
        wait "$p" 2>/dev/null || true
    done
    pids=()
}
trap stop_busy EXIT

start_busy() {
    for _ in $(seq "$busy"); do
        bash -c 'while :; do :; done' &
        pids+=($!)
    done
}

run() { # MODE THREADS NUMBER
    local out="$tmp/out-$3-$2-$1.png" times="$tmp/time-$3-$2-$1"
    # shellcheck disable=SC2046
    /usr/bin/time -o "$times" -f "%e %U %S" timeout 300 "$render" --seed 1 --threads "$2" "$photo" "$out" "$3" \
        $(defaults "$3") >/dev/null 2>&1 || echo "(exit $?)" >>"$times"
    printf "%-6s %-5s %-7s %s\n" "$3" "$1" "$2" "$(tail -2 "$times" | tr '\n' ' ')"
}

printf "%-6s %-5s %-7s %s\n" effect mode threads "wall user sys"
for number in "$@"; do
    for n in $threads; do
        run quiet "$n" "$number"
    done
done
start_busy
for number in "$@"; do
    for n in $threads; do
        run busy "$n" "$number"
    done
done
