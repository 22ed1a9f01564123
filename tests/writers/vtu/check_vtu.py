"""Reads a PVD collection as XML and its .vtu files with VTK's vtkXMLUnstructuredGridReader and with
meshio, and compares every time, point, cell, type and array with EXPECTED (lines "file NAME MESHIO",
then "KEY f64 BITS...", "KEY near VALUES..." or "KEY int VALUES..."): Float64 as bit patterns (or, for
"near", within 1e-12 relative, NaN matching NaN), integers as they are.

    /usr/bin/python3 check_vtu.py R.pvd EXPECTED    (exit 0 and "ok", or the differences)
"""
import os, sys, xml.etree.ElementTree as ET
import numpy as np, meshio, vtk
from vtk.util.numpy_support import vtk_to_numpy

problems = []


def same(what, actual, expected):
    actual = np.asarray(actual)
    kind, values = next(iter(expected.items()))
    if kind == "near":
        if actual.dtype != np.float64 or actual.size != len(values) or not np.allclose(
                actual.ravel(), values, rtol=1e-12, atol=1e-12, equal_nan=True):
            problems.append(f"{what}: {actual.dtype} {actual.ravel()[:12]} expected near {values[:12]}")
        return
    bits = actual.ravel().view(np.uint64) if actual.dtype == np.float64 else actual.ravel()
    if (kind == "f64") != (actual.dtype == np.float64) or bits.tolist() != values:
        problems.append(f"{what}: {actual.dtype} {actual.ravel()[:12]} expected {kind} {values[:12]}")


def check_vtk(path, e):
    r = vtk.vtkXMLUnstructuredGridReader()
    r.SetFileName(path)
    r.Update()
    g = r.GetOutput()
    same(path + " vtk points", vtk_to_numpy(g.GetPoints().GetData()) if g.GetNumberOfPoints() else [0.0][:0],
         e["points"])
    same(path + " vtk connectivity", vtk_to_numpy(g.GetCells().GetConnectivityArray()), e["connectivity"])
    same(path + " vtk offsets", vtk_to_numpy(g.GetCells().GetOffsetsArray())[1:], e["offsets"])
    same(path + " vtk types", vtk_to_numpy(g.GetCellTypesArray()), e["types"])
    for kind, data in (("point", g.GetPointData()), ("cell", g.GetCellData()), ("field", g.GetFieldData())):
        names = sorted(data.GetArrayName(i) for i in range(data.GetNumberOfArrays()))
        if names != sorted(e[kind]):
            problems.append(f"{path} vtk {kind} arrays {names}")
        for name in e[kind]:
            same(f"{path} vtk {kind} {name}", vtk_to_numpy(data.GetArray(name)), e[kind][name])


def check_meshio(path, e):
    m = meshio.read(path)
    same(path + " meshio points", m.points, e["points"])
    vtk_type = {"quad": 9, "triangle": 5}
    same(path + " meshio types", [vtk_type[b.type] for b in m.cells for _ in b.data], e["types"])
    same(path + " meshio connectivity", [i for b in m.cells for c in b.data for i in c], e["connectivity"])
    for name in e["point"]:
        same(f"{path} meshio point {name}", m.point_data[name], e["point"][name])
    for name in e["cell"]:
        same(f"{path} meshio cell {name}", np.concatenate(m.cell_data[name]), e["cell"][name])
    for name in e["field"]:
        same(f"{path} meshio field {name}", m.field_data[name], e["field"][name])


files = []
for line in open(sys.argv[2]):
    key, kind, *values = line.split()
    if key == "file":
        files.append({"file": kind, "meshio": values == ["1"], "point": {}, "cell": {}, "field": {}})
    else:
        where, _, name = key.rpartition("/")
        (files[-1][where] if where else files[-1])[name] = {
            kind: [float(v) for v in values] if kind == "near" else [int(v) for v in values]}
collection = ET.parse(sys.argv[1]).getroot()
datasets = collection.findall("./Collection/DataSet")
if collection.get("type") != "Collection" or len(datasets) != len(files):
    problems.append(f"collection: type {collection.get('type')}, {len(datasets)} data sets")
for d, e in zip(datasets, files):
    same("timestep of " + e["file"], [float(d.get("timestep"))], e["time"])
    if d.get("file") != e["file"]:
        problems.append(f"data set file {d.get('file')} expected {e['file']}")
    path = os.path.join(os.path.dirname(sys.argv[1]), e["file"])
    check_vtk(path, e)
    if e["meshio"]:
        check_meshio(path, e)
print("\n".join(problems) if problems else "ok")
sys.exit(1 if problems else 0)
