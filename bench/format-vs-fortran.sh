#!/bin/sh
# Lines per second of our output engine against the Fortran runtime (gfortran) writing the same kinds of
# lines to /dev/null: the node line (1P E12.4 6(',' 1P E12.4)) and the list-directed record of an
# integer, a text and a 4-byte real. Builds the benchmark in build-bench/ (or $BUILD_DIR).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
lines=${FORTRAN_LINES:-1000000}

command -v gfortran > /dev/null || { echo "gfortran is not installed" >&2; exit 1; }

# The build folder may already exist with either generator (bench/convert-bench.sh shares it).
generator=""
[ -f "$build/CMakeCache.txt" ] || ! command -v ninja > /dev/null || generator="-G Ninja"
# shellcheck disable=SC2086
cmake -S "$root" -B "$build" $generator -DCMAKE_BUILD_TYPE=Release -DSEEPCONV_BENCH=ON -DSEEPCONV_TESTS=OFF > /dev/null
cmake --build "$build" --target format_bench > /dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$build/bench/format_bench" --benchmark_filter='NodeLine|ListSingle' --benchmark_format=csv \
  --benchmark_min_time=1 2> /dev/null > "$tmp/ours.csv"

# Both sides are timed in CPU time, so that a busy machine does not tilt the ratio.
# The same lines from a Fortran WRITE loop: values of the same spread (1e-7 to 1e4, both signs, some
# zeros), 4096 rows used round robin.
cat > "$tmp/bench.f90" << 'FORTRAN'
program bench
  implicit none
  integer, parameter :: rows = 4096
  double precision :: v(7, rows), u(3)
  real :: s(rows)
  integer :: i, j, k, lines
  real(8) :: t0, t1
  character(len=32) :: arg
  call get_command_argument(1, arg)
  read(arg, *) lines
  do k = 1, rows
    do j = 1, 7
      call random_number(u)
      v(j, k) = sign(10d0**(-7d0 + 11d0*u(1)), u(2) - 0.5d0)
      if (u(3) < 1d0/16) v(j, k) = 0d0
    end do
    s(k) = real(v(1, k))
  end do
  open(8, file='/dev/null', status='unknown', form='formatted')
  call cpu_time(t0)
  do i = 1, lines
    k = mod(i - 1, rows) + 1
    write(8, '(1P,E12.4,6(",",1P,E12.4))') v(:, k)
  end do
  call cpu_time(t1)
  write(*, '(A,F0.0)') 'NodeLine ', lines / (t1 - t0)
  call cpu_time(t0)
  do i = 1, lines
    k = mod(i - 1, rows) + 1
    write(8, *) k, ',', s(k)
  end do
  call cpu_time(t1)
  write(*, '(A,F0.0)') 'ListSingle ', lines / (t1 - t0)
end program bench
FORTRAN
gfortran -O2 -o "$tmp/bench" "$tmp/bench.f90"
"$tmp/bench" "$lines" > "$tmp/theirs.txt"

# items_per_second is the 7th column of the benchmark's CSV.
awk -F, '
  FNR == NR { if ($1 ~ /^"?(NodeLine|ListSingle)"?$/) { gsub(/"/, "", $1); ours[$1] = $7 } next }
  { split($0, f, " "); theirs[f[1]] = f[2] }
  END {
    printf "%-12s %16s %16s %8s\n", "lines", "ours/s", "gfortran/s", "ratio"
    n = split("NodeLine ListSingle", names, " ")
    for (i = 1; i <= n; i++) {
      k = names[i]
      printf "%-12s %16.0f %16.0f %7.1fx\n", k, ours[k], theirs[k], ours[k] / theirs[k]
    }
  }' "$tmp/ours.csv" "$tmp/theirs.txt"
