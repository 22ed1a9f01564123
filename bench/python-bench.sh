#!/usr/bin/env bash
# Python module benchmark: generates the large result file of bench/convert-bench.sh and times reading
# every step into NumPy arrays (seepconv.open and a loop over the steps, in one interpreter) against
# `seepconv info` on the same file (the goal: at most 1.3 times info), and the memory the loop holds.
#
#   bench/python-bench.sh [--runs N] [--nx 271] [--ny 164] [--steps 50] [--build DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
nx=271
ny=164
steps=50
build="$root/build-bench"
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --nx) nx=$2; shift 2 ;;
    --ny) ny=$2; shift 2 ;;
    --steps) steps=$2; shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done

"$root/tools/ensure-packages" g++ cmake make pybind11-dev python3-pybind11 python3-numpy
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEEPCONV_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target seepconv make_result_file seepconv_python -j "$(nproc)" >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/seepconv-python-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$build/make_result_file" --nx "$nx" --ny "$ny" --steps "$steps" --replace-every 37 --inactive-every 101 \
  --out "$work/RESULT.DAT"
echo "result file: $(stat -c %s "$work/RESULT.DAT") bytes, ${nx} x ${ny} nodes, ${steps} steps; ${runs} runs each"
PYTHONPATH="$build/python" /usr/bin/python3 "$root/bench/python_bench.py" "$build/seepconv" "$work/RESULT.DAT" "$runs"
