"""Reads a PVD collection and its .vtu files with real readers (the PVD as XML, every .vtu with VTK's
vtkXMLUnstructuredGridReader and with meshio) and compares every time, point, cell, type and array with
the values in EXPECTED.json: Float64 as bit patterns, integers as they are.

    /usr/bin/python3 check_vtu.py EXPECTED.json    (exit 0 and "ok", or the differences)
"""
import json, os, sys, xml.etree.ElementTree as ET
import numpy as np, meshio, vtk
from vtk.util.numpy_support import vtk_to_numpy

problems = []


def same(what, actual, expected):
    actual = np.asarray(actual)
    if "f64" in expected:
        ok = actual.dtype == np.float64 and actual.ravel().view(np.uint64).tolist() == expected["f64"]
    else:
        ok = actual.dtype.kind in "iu" and actual.ravel().tolist() == expected["int"]
    if not ok:
        problems.append(f"{what}: {actual.dtype} {actual.ravel()[:12]} expected {expected}")


def check_vtk(path, e):
    r = vtk.vtkXMLUnstructuredGridReader()
    r.SetFileName(path)
    r.Update()
    g = r.GetOutput()
    n = g.GetNumberOfPoints()
    same(path + " vtk points", vtk_to_numpy(g.GetPoints().GetData()) if n else np.zeros(0), e["points"])
    cells = g.GetCells()
    same(path + " vtk connectivity", vtk_to_numpy(cells.GetConnectivityArray()), e["connectivity"])
    same(path + " vtk offsets", vtk_to_numpy(cells.GetOffsetsArray())[1:], e["offsets"])
    same(path + " vtk types", vtk_to_numpy(g.GetCellTypesArray()), e["types"])
    for kind, data in (("point", g.GetPointData()), ("cell", g.GetCellData()), ("field", g.GetFieldData())):
        names = sorted(data.GetArrayName(i) for i in range(data.GetNumberOfArrays()))
        if names != sorted(e[kind]):
            problems.append(f"{path} vtk {kind} arrays {names}")
        for name, values in e[kind].items():
            same(f"{path} vtk {kind} {name}", vtk_to_numpy(data.GetArray(name)), values)


def check_meshio(path, e):
    m = meshio.read(path)
    same(path + " meshio points", m.points, e["points"])
    vtk_type = {"quad": 9, "triangle": 5}
    same(path + " meshio types", [vtk_type[b.type] for b in m.cells for _ in b.data], e["types"])
    same(path + " meshio connectivity", [i for b in m.cells for c in b.data for i in c], e["connectivity"])
    for name, values in e["point"].items():
        same(f"{path} meshio point {name}", m.point_data[name], values)
    for name, values in e["cell"].items():
        same(f"{path} meshio cell {name}", np.concatenate(m.cell_data[name]) if m.cells else [], values)
    for name, values in e["field"].items():
        same(f"{path} meshio field {name}", m.field_data[name], values)


expected = json.load(open(sys.argv[1]))
collection = ET.parse(expected["pvd"]).getroot()
datasets = collection.findall("./Collection/DataSet")
if collection.get("type") != "Collection" or len(datasets) != len(expected["files"]):
    problems.append(f"collection: type {collection.get('type')}, {len(datasets)} data sets")
folder = os.path.dirname(expected["pvd"])
for d, e in zip(datasets, expected["files"]):
    same("timestep of " + e["file"], [float(d.get("timestep"))], e["time"])
    if d.get("file") != e["file"]:
        problems.append(f"data set file {d.get('file')} expected {e['file']}")
    path = os.path.join(folder, e["file"])
    check_vtk(path, e)
    if e["meshio"]:
        check_meshio(path, e)
print("\n".join(problems) if problems else "ok")
sys.exit(1 if problems else 0)
