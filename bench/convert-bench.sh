#!/usr/bin/env bash
# End-to-end conversion benchmark: generates a large result file and converts it to each output kind
# through the real program with piped answers. Per kind it reports the median wall time of several
# runs, the output size and rate, the peak resident memory, and the median time `cat` needs to copy
# that output to a new file in the same folder, with the ratio converter / cat; then the same in CPU
# time (user + system), which a machine busy with other work disturbs less.
#
#   bench/convert-bench.sh [--runs N] [--nx 271] [--ny 164] [--steps 50] [--kinds "tecplot femap ..."]
#                          [--sameness COUNT]
#
# --sameness COUNT first runs bench/sameness.sh COUNT: the fast edit routines against the general ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
nx=271
ny=164
steps=50
kinds="restart tecplot femap microavs igpost interp vtu"
sameness=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sameness) sameness=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --nx) nx=$2; shift 2 ;;
    --ny) ny=$2; shift 2 ;;
    --steps) steps=$2; shift 2 ;;
    --kinds) kinds=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

if [ -n "$sameness" ]; then
  "$root/bench/sameness.sh" "$sameness"
fi

"$root/tools/ensure-packages" g++ cmake make time
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEEPCONV_TESTS=OFF >/dev/null
cmake --build "$build" --target seepconv make_result_file -j "$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/seepconv-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/make_result_file" --nx "$nx" --ny "$ny" --steps "$steps" --replace-every 37 --inactive-every 101 \
  --out RESULT.DAT
printf 'a\nb\nc\nRESULT.DAT\n' > WORK.LST
# 2222 points spread over the mesh, some outside it.
awk -v nx="$nx" -v ny="$ny" 'BEGIN { n = 2222; print n; srand(7);
  for (i = 0; i < n; i++) printf "%.4f %.4f\n", rand() * (nx + 1) - 1, rand() * (ny * 0.5 + 1) - 0.5 }' > POINTS.DAT
echo "result file: $(stat -c %s RESULT.DAT) bytes, ${nx} x ${ny} nodes, ${steps} steps; ${runs} runs per kind"

answers() {
  case "$1" in
    restart) printf '0\n0\n0\n1\n1\nOUT\n-1\n' ;;
    tecplot) printf '0\n0\n0\n2\nOUT\n-1\n' ;;
    femap) printf '0\n0\n0\n3\nOUT\n-1\n' ;;
    microavs) printf '0\n0\n0\n4\nOUT\n-1\n' ;;
    igpost) printf '0\n0\n0\n5\nOUT\n-1\n' ;;
    interp) printf '0\n0\n0\n6\nOUT\nPOINTS.DAT\n-1\n' ;;
    vtu) : ;;
  esac
}

# The command of one conversion, in `cmd`, and its standard input, in `input`: the dialogue kinds read
# their answers; vtu runs from the command line and writes OUT.pvd and the folder OUT/ of step files.
command_of() {
  case "$1" in
    vtu) cmd=("$build/seepconv" convert RESULT.DAT --to vtu -o OUT.pvd -q); input=/dev/null ;;
    *) cmd=("$build/seepconv"); input=answers.txt ;;
  esac
}

# Every file of the output, to size and copy.
outputs() {
  case "$1" in
    vtu) echo OUT.pvd OUT/*.vtu ;;
    *) echo OUT ;;
  esac
}

median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

printf '%-9s %9s %10s %9s %9s %9s %7s %9s %9s %7s\n' kind "time s" "output MB" "MB/s" "peak MB" "cat s" ratio \
  "cpu s" "cat cpu s" "ratio"
for kind in $kinds; do
  answers "$kind" > answers.txt
  command_of "$kind"
  : > times.txt
  : > rss.txt
  : > cpu.txt
  for _ in $(seq "$runs"); do
    rm -rf OUT OUT.pvd AVS.tmp
    /usr/bin/time -f '%e %M %U %S' -o time.txt "${cmd[@]}" < "$input" > console.txt 2> err.txt || {
      echo "$kind: conversion failed"; cat err.txt; exit 1; }
    awk '{ print $1 }' time.txt >> times.txt
    awk '{ print $2 }' time.txt >> rss.txt
    awk '{ print $3 + $4 }' time.txt >> cpu.txt
  done
  # Wall time with a finer clock than /usr/bin/time's: one more timed run.
  : > fine.txt
  for _ in $(seq "$runs"); do
    rm -rf OUT OUT.pvd AVS.tmp
    start=$(date +%s.%N)
    "${cmd[@]}" < "$input" > console.txt 2> err.txt
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }' >> fine.txt
  done
  : > cat.txt
  : > catcpu.txt
  for _ in $(seq "$runs"); do
    rm -f COPY
    start=$(date +%s.%N)
    cat $(outputs "$kind") > COPY
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { print b - a }' >> cat.txt
    rm -f COPY
    TIMEFORMAT='%3U %3S'
    { time cat $(outputs "$kind") > COPY; } 2> cattime.txt
    awk '{ print $1 + $2 }' cattime.txt >> catcpu.txt
  done
  t=$(median < fine.txt)
  c=$(median < cat.txt)
  u=$(median < cpu.txt)
  cu=$(median < catcpu.txt)
  mb=$(awk -v s="$(cat $(outputs "$kind") | wc -c)" 'BEGIN { print s / 1000000 }')
  rss=$(sort -g rss.txt | tail -1)
  awk -v k="$kind" -v t="$t" -v mb="$mb" -v rss="$rss" -v c="$c" -v u="$u" -v cu="$cu" \
    'BEGIN { printf "%-9s %9.3f %10.1f %9.1f %9.1f %9.3f %7.2f %9.3f %9.3f %7.2f\n", k, t, mb, mb / t, rss / 1024, c,
             t / c, u, cu, (cu > 0 ? u / cu : 0) }'
done
