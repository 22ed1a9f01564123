#!/usr/bin/env bash
# The fast edit routines against the general ones on many values: runs the
# EditFastPath tests with SEEPCONV_SAMENESS_COUNT values per random family (default 50000000, close to
# 500 million values in all, each edited in five E fields, compiled and not, and both list-directed
# widths), the tests split over the machine's processors. Prints each family's count and the total.
#
#   bench/sameness.sh [COUNT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-50000000}

"$root/tools/ensure-packages" g++ cmake make libgtest-dev
build="$root/build-sameness"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target unit_tests -j "$(nproc)" >"$build/unit_tests.log" 2>&1 || {
  cat "$build/unit_tests.log" >&2
  exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/seepconv-sameness.XXXXXX")
trap 'rm -rf "$work"' EXIT
shards=$(nproc)
start=$(date +%s)
pids=()
for i in $(seq 0 $((shards - 1))); do
  SEEPCONV_SAMENESS_COUNT=$count GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$i \
    "$build/tests/unit_tests" --gtest_filter='EditFastPath.*' > "$work/shard$i.txt" 2>&1 &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
cat "$work"/shard*.txt | grep -E '^\[ sameness \]|Failure|FAILED|fast "' || true
total=$(cat "$work"/shard*.txt | awk '/^\[ sameness \]/ { n += $(NF - 1) } END { printf "%.0f", n }')
echo "values compared: $total in $(( $(date +%s) - start )) s"
if [ "$status" -ne 0 ]; then
  echo "DIFFERENCES FOUND" >&2
  exit 1
fi
echo "no difference"
