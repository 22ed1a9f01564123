#!/usr/bin/env bash
# End-to-end conversion benchmark: generates a large result file and converts it to each output kind
# through the real program with piped answers (vtu from the command line).
#
# Runs are paired: each conversion is followed at once by `cat` copying that same output to a new file
# in the same folder, then by `dd bs=1M` copying it through buffers of the program's own, so that all
# see the same load. Per kind the table gives the medians of the converter's and of cat's wall time,
# the median of the paired ratios, the median ratio to dd, then the converter's and cat's CPU time
# (user + system, which a machine busy with other work disturbs less) and their ratio, the output
# size, the peak resident memory of all runs, the machine's load (one-minute average) as the kind
# started, and the md5 of the output (of the .pvd and every .vtu for vtu).
#
# `microavs-cl` is the MicroAVS file made by the command line (`convert --to microavs`), which writes it
# in one pass; `microavs` is the dialogue's, through its work file. Their md5 must agree.
#
# Then, in the same run:
# - a Fortran program that writes the TECPLOT file with ordinary formatted WRITE statements
#   (bench/fortran/tecplot.f90, built here with gfortran), whose file must be identical to ours, and
#   our speed-up against it (its median over ours, wall and CPU);
# - `convert --to interp` with 2222 points paired with `seepconv info` on the same file (both read it
#   whole), and the ratio.
#
#   bench/convert-bench.sh [--runs N] [--nx 271] [--ny 164] [--steps 50] [--kinds "tecplot femap ..."]
#                          [--fortran-runs N] [--baseline PROGRAM] [--sameness COUNT]
#
# --baseline PROGRAM also runs another build of seepconv paired with this one (each kind, same
# answers) and prints the wall and CPU time of this build over that one's: what a change gains or costs.
# --sameness COUNT first runs bench/sameness.sh COUNT: the fast edit routines against the general ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
fortranRuns=3
nx=271
ny=164
steps=50
kinds="restart tecplot femap microavs microavs-cl igpost interp vtu"
sameness=""
baseline=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sameness) sameness=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --fortran-runs) fortranRuns=$2; shift 2 ;;
    --nx) nx=$2; shift 2 ;;
    --ny) ny=$2; shift 2 ;;
    --steps) steps=$2; shift 2 ;;
    --kinds) kinds=$2; shift 2 ;;
    --baseline) baseline=$(realpath "$2"); shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

if [ -n "$sameness" ]; then
  "$root/bench/sameness.sh" "$sameness"
fi

"$root/tools/ensure-packages" g++ cmake make time gfortran
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEEPCONV_TESTS=OFF >/dev/null
cmake --build "$build" --target seepconv make_result_file -j "$(nproc)" >/dev/null
program="$build/seepconv"

work=$(mktemp -d "${TMPDIR:-/tmp}/seepconv-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
gfortran -O2 -o fortran_tecplot "$root/bench/fortran/tecplot.f90"
"$build/make_result_file" --nx "$nx" --ny "$ny" --steps "$steps" --replace-every 37 --inactive-every 101 \
  --out RESULT.DAT
printf 'a\nb\nc\nRESULT.DAT\n' > WORK.LST
# 2222 points spread over the mesh, some outside it.
awk -v nx="$nx" -v ny="$ny" 'BEGIN { n = 2222; print n; srand(7);
  for (i = 0; i < n; i++) printf "%.4f %.4f\n", rand() * (nx + 1) - 1, rand() * (ny * 0.5 + 1) - 0.5 }' > POINTS.DAT
echo "result file: $(stat -c %s RESULT.DAT) bytes, ${nx} x ${ny} nodes, ${steps} steps; ${runs} paired runs per kind;" \
  "$(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"

answers() {
  case "$1" in
    restart) printf '0\n0\n0\n1\n1\nOUT\n-1\n' ;;
    tecplot) printf '0\n0\n0\n2\nOUT\n-1\n' ;;
    femap) printf '0\n0\n0\n3\nOUT\n-1\n' ;;
    microavs) printf '0\n0\n0\n4\nOUT\n-1\n' ;;
    igpost) printf '0\n0\n0\n5\nOUT\n-1\n' ;;
    interp) printf '0\n0\n0\n6\nOUT\nPOINTS.DAT\n-1\n' ;;
    vtu | microavs-cl) : ;;
  esac
}

# The arguments of one conversion, in `args`, and its standard input, in `input`: the dialogue kinds
# read their answers; vtu runs from the command line and writes OUT.pvd and the folder OUT/.
command_of() {
  case "$1" in
    vtu) args=(convert RESULT.DAT --to vtu -o OUT.pvd -q); input=/dev/null ;;
    microavs-cl) args=(convert RESULT.DAT --to microavs -o OUT -q); input=/dev/null ;;
    *) args=(); input=answers.txt ;;
  esac
}

# Every file of the output, to size, copy and sum.
outputs() {
  case "$1" in
    vtu) echo OUT.pvd OUT/*.vtu ;;
    *) echo OUT ;;
  esac
}

median() { sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# Runs a command with standard input $1 and standard output $2; appends "wall cpu peakKB" to $3.
timed() {
  local in=$1 out=$2 log=$3
  shift 3
  local start end
  # The files of earlier runs are written out first, so that their writeback does not land on this one.
  sync
  start=$(date +%s.%N)
  /usr/bin/time -f '%U %S %M' -o rusage.txt "$@" < "$in" > "$out" 2> err.txt || {
    echo "failed: $*"; cat err.txt; exit 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" '{ print b - a, $1 + $2, $3 }' rusage.txt >> "$log"
}

clean() { rm -rf OUT OUT.pvd AVS.tmp COPY DDCOPY; }

# The output copied by dd with 1 MiB blocks, file after file, to standard output.
ddcopy() { for f; do dd if="$f" bs=1M status=none; done; }
export -f ddcopy

printf '%-11s %7s %7s %6s %6s %7s %7s %6s %9s %7s %5s  %s\n' kind "conv s" "cat s" ratio "dd r" "cpu s" "cat cpu" \
  ratio "output MB" "peak MB" load md5
for kind in $kinds; do
  answers "$kind" > answers.txt
  command_of "$kind"
  : > conv.txt
  : > cat.txt
  : > dd.txt
  : > base.txt
  load=$(cut -d' ' -f1 /proc/loadavg)
  for _ in $(seq "$runs"); do
    clean
    timed "$input" console.txt conv.txt "$program" "${args[@]}"
    # shellcheck disable=SC2046
    timed /dev/null COPY cat.txt cat $(outputs "$kind")
    # shellcheck disable=SC2046
    timed /dev/null DDCOPY dd.txt bash -c 'ddcopy "$@"' ddcopy $(outputs "$kind")
    rm -f COPY DDCOPY
    if [ -n "$baseline" ]; then
      clean
      timed "$input" console.txt base.txt "$baseline" "${args[@]}"
      clean
      timed "$input" console.txt conv.txt.again "$program" "${args[@]}"
    fi
  done
  # shellcheck disable=SC2046
  sum=$(if [ "$kind" = vtu ]; then md5sum $(outputs "$kind") | awk '{ print $1 }' | md5sum; else md5sum OUT; fi)
  # shellcheck disable=SC2046
  mb=$(cat $(outputs "$kind") | wc -c | awk '{ print $1 / 1000000 }')
  paste conv.txt cat.txt | awk '{ print $1 / $4, ($5 > 0 ? $2 / $5 : 0) }' > pairs.txt
  d=$(paste conv.txt dd.txt | awk '{ print $1 / $4 }' | median)
  t=$(awk '{ print $1 }' conv.txt | median)
  c=$(awk '{ print $1 }' cat.txt | median)
  r=$(awk '{ print $1 }' pairs.txt | median)
  u=$(awk '{ print $2 }' conv.txt | median)
  cu=$(awk '{ print $2 }' cat.txt | median)
  ru=$(awk '{ print $2 }' pairs.txt | median)
  rss=$(awk '{ print $3 }' conv.txt | sort -g | tail -1)
  printf '%-11s %7.3f %7.3f %6.2f %6.2f %7.3f %7.3f %6.2f %9.1f %7.1f %5.2f  %s\n' "$kind" "$t" "$c" "$r" "$d" "$u" \
    "$cu" "$ru" "$mb" "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "$load" "${sum%% *}"
  if [ -n "$baseline" ]; then
    paste conv.txt.again base.txt | awk '{ print $1 / $4, ($5 > 0 ? $2 / $5 : 0) }' > basepairs.txt
    printf '%-11s against the baseline: wall %.3f s over %.3f s (paired ratio %.2f), CPU %.3f s over %.3f s (%.2f)\n' \
      "$kind" "$(awk '{ print $1 }' conv.txt.again | median)" "$(awk '{ print $1 }' base.txt | median)" \
      "$(awk '{ print $1 }' basepairs.txt | median)" "$(awk '{ print $2 }' conv.txt.again | median)" \
      "$(awk '{ print $2 }' base.txt | median)" "$(awk '{ print $2 }' basepairs.txt | median)"
    rm -f conv.txt.again
  fi
done
clean

# The Fortran program against ours on the TECPLOT file, paired.
answers tecplot > answers.txt
: > ours.txt
: > fortran.txt
for _ in $(seq "$fortranRuns"); do
  clean
  timed answers.txt console.txt ours.txt "$program"
  rm -f F.tec
  timed /dev/null fortran.out fortran.txt ./fortran_tecplot RESULT.DAT F.tec
done
if cmp -s OUT F.tec; then same="identical"; else same="DIFFERENT"; fi
paste fortran.txt ours.txt | awk '{ print $1 / $4, ($5 > 0 ? $2 / $5 : 0) }' > pairs.txt
printf 'TECPLOT by gfortran formatted WRITEs: %.2f s (CPU %.2f s), ours %.3f s (CPU %.3f s), files %s;' \
  "$(awk '{ print $1 }' fortran.txt | median)" "$(awk '{ print $2 }' fortran.txt | median)" \
  "$(awk '{ print $1 }' ours.txt | median)" "$(awk '{ print $2 }' ours.txt | median)" "$same"
printf ' speed-up %.1fx wall, %.1fx CPU (medians of %d paired runs)\n' "$(awk '{ print $1 }' pairs.txt | median)" \
  "$(awk '{ print $2 }' pairs.txt | median)" "$fortranRuns"
rm -f F.tec fortran.out
clean

# interp with 2222 points against info, paired: both read the whole file.
answers interp > answers.txt
: > interp.txt
: > info.txt
for _ in $(seq "$runs"); do
  clean
  timed answers.txt console.txt interp.txt "$program"
  timed /dev/null info.out info.txt "$program" info RESULT.DAT
done
paste interp.txt info.txt | awk '{ print $1 / $4, ($5 > 0 ? $2 / $5 : 0) }' > pairs.txt
printf 'interp (2222 points) %.3f s (CPU %.3f s) against info %.3f s (CPU %.3f s): ratio %.2f wall, %.2f CPU\n' \
  "$(awk '{ print $1 }' interp.txt | median)" "$(awk '{ print $2 }' interp.txt | median)" \
  "$(awk '{ print $1 }' info.txt | median)" "$(awk '{ print $2 }' info.txt | median)" \
  "$(awk '{ print $1 }' pairs.txt | median)" "$(awk '{ print $2 }' pairs.txt | median)"
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
