#!/usr/bin/env bash
# Runs every effect with pq-render on the synthetic photo under an address
# space limit and a time limit, and prints per effect the seconds taken and
# how it ended: a picture, or pq-render's message (the memory message when
# it ran short), or "timed out".
#
#   bench/memory_limit.sh [-l BYTES] [-t SECONDS] [-r PQ_RENDER] [-s WxH] [NUMBER...]
#
# Defaults: 1500000000 bytes, 60 s, build/bin/pq-render, 4608x2880, every
# effect. The photo is the one bench/busy.sh writes.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
limit=1500000000
seconds=60
render="$here/build/bin/pq-render"
bench="$here/build/bin/pq-bench"
size=4608x2880
while getopts "l:t:r:s:" opt; do
    case $opt in
    l) limit=$OPTARG ;;
    t) seconds=$OPTARG ;;
    r) render=$OPTARG ;;
    s) size=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
numbers=("$@")
[ ${#numbers[@]} -gt 0 ] || numbers=(100 101 102 103 200 201 202 203 300 301 302 303 304 305 306 307 308
    400 401 402 403 404 500 501 502 503)

tmp=${TMPDIR:-/tmp}/pq-busy
mkdir -p "$tmp"
photo="$tmp/photo-$size.png"
[ -s "$photo" ] || "$bench" --write-photo "${size%x*}" "${size#*x}" "$photo"

printf "%-6s %-8s %s\n" effect seconds ending
for number in "${numbers[@]}"; do
    out="$tmp/limited-$number.png"
    rm -f "$out"
    start=$(date +%s.%N)
    set +e
    prlimit --as="$limit" timeout "$seconds" "$render" --seed 1 "$photo" "$out" "$number" 50 50 50 50 50 \
        >"$tmp/limited-$number.txt" 2>&1
    rc=$?
    set -e
    message=$(grep -v XDG_RUNTIME_DIR "$tmp/limited-$number.txt" | tail -1 || true)
    took=$(echo "$(date +%s.%N) - $start" | bc)
    if [ "$rc" = 124 ]; then
        ending="timed out"
    elif [ "$rc" = 0 ] && [ -s "$out" ]; then
        ending="picture"
    else
        ending="exit $rc: $message"
    fi
    printf "%-6s %-8.1f %s\n" "$number" "$took" "$ending"
done
