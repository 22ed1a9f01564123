"""A worked example: the total head at a point against time, and the flow through a section.

    python3 head_history.py RESULT.DAT [X Y] [--section "x1,y1 x2,y2"] [--plot head.png]

Reads the result file named, locates the point (default: the middle of the mesh) as the INTERP kind
does, prints its total head at every step and the net flow rate through the section (default: a
vertical cut through the middle of the mesh), and draws the head against time with matplotlib when
it is installed and --plot names a picture.
"""
import argparse

import numpy as np
import seepconv

parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("result")
parser.add_argument("point", nargs="*", type=float, metavar="X Y")
parser.add_argument("--section", help='a polyline "x1,y1 x2,y2 ..."')
parser.add_argument("--plot", metavar="PICTURE", help="draw the head against time (needs matplotlib)")
args = parser.parse_args()

r = seepconv.open(args.result)
print(f"{r.title}: {len(r.nodes)} nodes, {len(r.elements)} elements, {len(r.steps)} steps")
if r.damage:
    print(f"damaged: {r.damage} (the {len(r.steps)} steps before it are read)")

(x0, y0), (x1, y1) = r.nodes.min(axis=0), r.nodes.max(axis=0)
point = args.point[:2] if len(args.point) >= 2 else [(x0 + x1) / 2, (y0 + y1) / 2]
at = seepconv.locate(r, [point])
if at.element[0] == 0:
    raise SystemExit(f"the point {point} lies in no element")

# H at the point: the weights of the triangle that holds it, applied to its corners' total heads.
times, heads = [], []
for s in r:
    times.append(s.time)
    heads.append(float((s.total_head[at.nodes[0] - 1] * at.weights[0]).sum()))
print(f"total head at {point} (element {at.element[0]}):")
for t, h in zip(times, heads):
    print(f"  {t:12g}  {h:.6g}")

if args.section:
    section = [tuple(map(float, p.split(","))) for p in args.section.split()]
else:
    section = [((x0 + x1) / 2, y0), ((x0 + x1) / 2, y1)]
flows = seepconv.flux(args.result, {"Section": section})
print(f"net flow through {section} (to the right of its direction):")
for step in flows["steps"]:
    print(f"  step {step['step']:4d}  {step['flows'][0]['net']:.6g}")

if args.plot:
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        raise SystemExit("--plot needs matplotlib (apt-get install python3-matplotlib)")
    fig, ax = plt.subplots(figsize=(6, 3.5))
    ax.plot(np.array(times), heads, marker="o")
    ax.set_xlabel("time")
    ax.set_ylabel("total head H")
    ax.set_title(f"{r.title}\nH at ({point[0]:g}, {point[1]:g})")
    fig.tight_layout()
    fig.savefig(args.plot)
    print(f"wrote {args.plot}")
