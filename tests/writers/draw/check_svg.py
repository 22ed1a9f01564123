"""Reads an SVG picture as XML and reports what a test checks: the number of paths of each class, the
area that the band paths fill and the outline encloses (from their path data, in picture units), the
number of circles, and every text. Exits non-zero when the file is not well-formed XML."""
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://www.w3.org/2000/svg}"


def loops(d):
    """Closed loops of path data written as M x y l dx dy ... z."""
    tokens = re.findall(r"[MlzZ]|-?\d+(?:\.\d+)?", d)
    result, numbers, cmd, x, y = [], [], None, 0.0, 0.0
    for t in tokens + ["M"]:
        if t in "MlzZ":
            if cmd == "M" and len(numbers) == 2:
                x, y = numbers
                result.append([(x, y)])
            elif cmd == "l":
                for k in range(0, len(numbers) - 1, 2):
                    x, y = x + numbers[k], y + numbers[k + 1]
                    result[-1].append((x, y))
            cmd, numbers = t, []
        else:
            numbers.append(float(t))
    return result


def area(loop):
    # Picture y runs downward: counterclockwise in the model is clockwise here.
    return -0.5 * sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(loop, loop[1:] + loop[:1]))


sys.stdout.reconfigure(encoding="utf-8")
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == NS + "svg", root.tag
classes, band, outline = {}, 0.0, 0.0
for p in root.iter(NS + "path"):
    cls = p.get("class", "")
    classes[cls] = classes.get(cls, 0) + 1
    if cls.startswith("band"):
        band += sum(area(l) for l in loops(p.get("d")))
    elif cls == "outline":
        outline += sum(area(l) for l in loops(p.get("d")))
for cls in sorted(classes):
    print("path", cls, classes[cls])
print("area", band, outline)
print("circles", len(list(root.iter(NS + "circle"))))
for t in root.iter(NS + "text"):
    print("text", t.text)
