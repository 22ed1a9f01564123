"""Reading every step of a result file into NumPy arrays against `seepconv info` on the same file.

    python3 bench/python_bench.py SEEPCONV RESULT.DAT RUNS

Prints the median wall time of each (info as a program started RUNS times, the module in this
interpreter, already imported), their ratio, and the resident memory of the interpreter over a loop
through the steps: what it holds after the first step and its most after any step (flat when no step
is kept).
"""
import os, statistics, subprocess, sys, time
import seepconv

exe, path, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])


def resident():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def wall(action):
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        action()
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


def read_all():
    for s in seepconv.open(path):
        s.total_head, s.nodal_velocity, s.hydraulic_gradient


info = wall(lambda: subprocess.run([exe, "info", path], stdout=subprocess.DEVNULL, check=True))
module = wall(read_all)
print(f"seepconv info              {info:8.3f} s")
print(f"every step into NumPy      {module:8.3f} s   {module / info:.2f} x info (goal: at most 1.3)")

sizes = []
for s in seepconv.open(path):
    sizes.append(resident())
print(f"memory over the loop       {sizes[0] / 2**20:8.1f} MB after the first step, at most "
      f"{max(sizes) / 2**20:.1f} MB after any of {len(sizes)}")
