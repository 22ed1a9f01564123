"""Reads the flux command's CSV and JSON back with Python's csv and json modules and prints one line
per step and section, "STEP TIME NAME NET RIGHT LEFT OUTSIDE LEFT_OUT", from each, so the test can compare
them with values worked out by hand.

    python3 read_flux.py flow.csv flow.json
"""
import csv, json, sys

with open(sys.argv[1], newline="") as f:
    rows = list(csv.reader(f))
head, body = rows[0], rows[1:]
assert head[:2] == ["step", "time"], head
# A column of the pieces left out follows each section's four when some were left out.
w = 5 if any(h.endswith("_left_out") for h in head) else 4
parts = ("_net", "_right", "_left", "_outside", "_left_out")[:w]
names = [h[: -len("_net")] for h in head[2::w]]
for k, name in enumerate(names):
    assert head[2 + w * k : 2 + w * (k + 1)] == [name + s for s in parts], head
for row in body:
    assert len(row) == len(head), row
    for k, name in enumerate(names):
        v = [float(x) for x in row[2 + w * k : 6 + w * k]]
        left_out = int(row[6 + w * k]) if w == 5 else 0
        print("csv", int(row[0]), float(row[1]), name, *v, left_out)

with open(sys.argv[2]) as f:
    doc = json.load(f)
outside = {s["name"]: s["outside"] for s in doc["sections"]}
for step in doc["steps"]:
    for flow in step["flows"]:
        assert flow["outside"] == outside[flow["section"]]
        print("json", step["step"], step["time"], flow["section"], flow["net"], flow["right"], flow["left"],
              flow["outside"], flow.get("left_out", 0))
