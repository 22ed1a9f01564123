#!/usr/bin/env bash
# Flow rate and flow line benchmark: generates the large result file of bench/convert-bench.sh and
# times through the real program `flux` with 10 sections against `info` on the same file (the goal:
# flux at most 1.5 times info), and one picture of the last step with 50 flow lines against the same
# picture without them (the goal: the flow lines in under 0.5 s). Median wall times of several runs.
#
#   bench/flux-bench.sh [--runs N] [--nx 271] [--ny 164] [--steps 50]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
nx=271
ny=164
steps=50
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --nx) nx=$2; shift 2 ;;
    --ny) ny=$2; shift 2 ;;
    --steps) steps=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

"$root/tools/ensure-packages" g++ cmake make
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEEPCONV_TESTS=OFF >/dev/null
cmake --build "$build" --target seepconv make_result_file -j "$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/seepconv-flux-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/make_result_file" --nx "$nx" --ny "$ny" --steps "$steps" --replace-every 37 --inactive-every 101 \
  --out RESULT.DAT
# Ten sections: vertical cuts at tenths of the width, and one bent line across the whole mesh.
awk -v nx="$nx" -v ny="$ny" 'BEGIN {
  for (k = 1; k <= 9; k++) printf "V%d: %.3f,-1 %.3f,%.3f\n", k, k * nx / 10, k * nx / 10, ny + 1;
  printf "Bent: -1,%.3f %.3f,%.3f %.3f,%.3f\n", ny / 4, nx / 2, ny / 2, nx + 1, ny / 8 }' > SECTIONS.TXT
echo "result file: $(stat -c %s RESULT.DAT) bytes, ${nx} x ${ny} nodes, ${steps} steps; ${runs} runs each"

# Median wall time in seconds of `runs` runs of the command given.
median() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    times+=("$(( (t1 - t0) / 1000 ))")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] / 1e6 }'
}

seepconv=$build/seepconv
info=$(median "$seepconv" info RESULT.DAT)
flux=$(median "$seepconv" flux RESULT.DAT --sections SECTIONS.TXT --csv)
plain=$(median "$seepconv" plot RESULT.DAT -o plain.svg -q)
lines=$(median "$seepconv" plot RESULT.DAT --flow-lines 50 -o lines.svg -q)
ratio=$(awk -v a="$flux" -v b="$info" 'BEGIN { print a / b }')
extra=$(awk -v a="$lines" -v b="$plain" 'BEGIN { print a - b }')
printf 'info                      %8.3f s\n' "$info"
printf 'flux, 10 sections         %8.3f s   %.2f x info (goal: at most 1.5)\n' "$flux" "$ratio"
printf 'plot, last step           %8.3f s\n' "$plain"
printf 'plot with 50 flow lines   %8.3f s   the lines: %.3f s (goal: under 0.5)\n' "$lines" "$extra"
