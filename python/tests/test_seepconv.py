"""The Python module against the command line: arrays against what `--to vtu` writes (read back with
VTK's reader and meshio), info and flux against the JSON of the program, failures against its
messages, damaged files, repeated and concurrent reading. CTest runs it with SEEPCONV_EXE and
SEEPCONV_SOURCE_DIR set."""
import json, os, shutil, subprocess, threading
import numpy as np, pytest
import seepconv

EXE = os.environ["SEEPCONV_EXE"]
EXAMPLES = os.path.join(os.environ["SEEPCONV_SOURCE_DIR"], "examples")


@pytest.fixture
def folder(tmp_path, monkeypatch):
    """A scratch copy of the example folder, entered."""
    for name in ("RESULT.DAT", "POINTS.DAT", "SECTIONS.TXT"):
        shutil.copy(os.path.join(EXAMPLES, name), tmp_path / name)
    monkeypatch.chdir(tmp_path)
    return tmp_path


def cli(*args):
    """The program's status, standard output and standard error."""
    p = subprocess.run([EXE, *map(str, args)], capture_output=True)
    return p.returncode, p.stdout, p.stderr.decode()


def identical(a, b):
    """Same shape and the same values bit for bit (NaN where NaN)."""
    a, b = np.asarray(a), np.asarray(b)
    if a.dtype.kind == "f" and b.dtype.kind == "f":
        return a.shape == b.shape and np.array_equal(a.view(np.uint64), b.astype(a.dtype).view(np.uint64))
    return a.shape == b.shape and np.array_equal(a, b)


def read_vtu(path):
    import vtk
    from vtk.util.numpy_support import vtk_to_numpy
    r = vtk.vtkXMLUnstructuredGridReader()
    r.SetFileName(str(path))
    r.Update()
    g = r.GetOutput()
    arrays = {f"{kind} {d.GetArrayName(i)}": vtk_to_numpy(d.GetArray(i))
              for kind, d in (("point", g.GetPointData()), ("cell", g.GetCellData()), ("field", g.GetFieldData()))
              for i in range(d.GetNumberOfArrays())}
    offsets = vtk_to_numpy(g.GetCells().GetOffsetsArray())
    connectivity = vtk_to_numpy(g.GetCells().GetConnectivityArray())
    cells = [connectivity[offsets[i]:offsets[i + 1]] for i in range(len(offsets) - 1)]
    return vtk_to_numpy(g.GetPoints().GetData()), cells, arrays


def test_every_array_equals_the_vtu_files_of_every_step(folder):
    assert cli("convert", "RESULT.DAT", "--to", "vtu", "--all-elements", "-q", "-o", "all.pvd")[0] == 0
    r = seepconv.open("RESULT.DAT")
    assert r.steps == [(s.number, s.time) for s in r]
    for s in r:
        points, cells, a = read_vtu(folder / "all" / f"all_{s.position + 1:04d}.vtu")
        assert identical(points[:, :2], r.nodes) and not points[:, 2].any()
        assert all(identical(c + 1, e[:len(c)]) for c, e in zip(cells, r.elements))
        expected = {"point pressure_head": s.pressure_head, "point total_head": s.total_head, "point Q": s.q,
                    "point NCODE": s.ncode, "point velocity": s.nodal_velocity, "cell velocity": s.velocity,
                    "cell material": r.materials, "cell hydraulic_gradient": s.hydraulic_gradient,
                    "field TIME": [s.time], "field STEP": [s.number]}
        for name, values in expected.items():
            got = a[name][:, :2] if a[name].ndim == 2 else a[name]
            assert identical(got, values), name


def test_to_meshio_holds_what_meshio_reads_from_the_vtu_file(folder):
    meshio = pytest.importorskip("meshio")
    assert cli("convert", "RESULT.DAT", "--steps", "3", "-q", "-o", "s3.vtu")[0] == 0
    read = meshio.read("s3.vtu")
    made = seepconv.open("RESULT.DAT").to_meshio(2)
    assert identical(made.points, read.points)
    assert [(b.type, b.data.tolist()) for b in made.cells] == [(b.type, b.data.tolist()) for b in read.cells]
    for name, values in read.point_data.items():
        assert identical(made.point_data[name], values), name
    for name, blocks in read.cell_data.items():
        assert all(identical(m, b) for m, b in zip(made.cell_data[name], blocks)), name
    assert identical(made.field_data["TIME"], read.field_data["TIME"])


def test_info_and_flux_equal_the_command_lines_json(folder):
    assert seepconv.info("RESULT.DAT") == json.loads(cli("info", "RESULT.DAT", "--json")[1])
    cases = [
        ("SECTIONS.TXT", ["--sections", "SECTIONS.TXT"], None),
        ([[(5, 0), (5, 6)], [(15.25, 0.5), (15.25, 6)]], ["--section", "5,0 5,6", "--section", "15.25,0.5 15.25,6"],
         "2:4"),
        ({"Toe": [(0.1, 0), (20, 0.3)]}, ["--section", "0.1,0 20,0.3"], [1, "last"]),
    ]
    for sections, args, steps in cases:
        got = seepconv.flux("RESULT.DAT", sections, steps=steps)
        steps_args = [] if steps is None else ["--steps", steps if isinstance(steps, str) else "1,last"]
        want = json.loads(cli("flux", "RESULT.DAT", *args, *steps_args, "--json")[1])
        if isinstance(sections, dict):  # named through a sections file of its own
            want["sections"][0]["name"] = "Toe"
            for step in want["steps"]:
                step["flows"][0]["section"] = "Toe"
        assert got == want


def cut(name, size):
    with open(name, "wb") as f:
        f.write(open("RESULT.DAT", "rb").read()[:size])


def test_failures_carry_the_command_lines_message_and_a_damaged_file_keeps_its_good_steps(folder):
    whole = seepconv.open("RESULT.DAT")
    n, e = len(whole.nodes), len(whole.elements)
    header = 88 + 12 + (16 * n + 8) + 12 + (36 * e + 8)
    step = 20 + (20 * n + 8) + (16 * e + 8)
    cut("CUT.DAT", header + 5 * step - 10)  # inside S3 of step 5
    cut("HEAD.DAT", header - 100)
    open("TEXT.DAT", "w").write("hello\n")
    for name, readable in (("CUT.DAT", 4), ("HEAD.DAT", None), ("TEXT.DAT", None), ("NONE.DAT", None)):
        status, _out, err = cli("info", name)
        line = err.splitlines()[0]
        assert status == 1
        if readable is None:
            with pytest.raises(seepconv.ResultFileError) as raised:
                seepconv.open(name)
            failure = raised.value
        else:
            r = seepconv.open(name)
            seen = []
            with pytest.raises(seepconv.ResultFileError) as raised:
                for s in r:
                    seen.append(s)
            assert raised.value is r.damage and r.damage.step == readable + 1
            failure = r.damage
            assert len(seen) == len(r) == readable
            assert all(identical(s.total_head, whole.step(s.position).total_head) for s in seen)
            assert identical(r.step(0).velocity, whole.step(0).velocity)  # still readable after the failure
            assert seepconv.info(name)["damage"]["message"] == failure.what
        assert line == "seepconv: " + str(failure)
        assert line.endswith(f"({failure.number})") and failure.file == name


def test_convert_writes_the_programs_bytes_and_raises_its_failures(folder):
    assert seepconv.convert("RESULT.DAT", to="tecplot", output="py.tec", steps="2:3") == "py.tec"
    cli("convert", "RESULT.DAT", "--to", "tecplot", "-o", "cli.tec", "--steps", "2:3")
    assert open("py.tec", "rb").read() == open("cli.tec", "rb").read()
    assert seepconv.convert("RESULT.DAT", to="femap") == "RESULT.neu" and os.path.getsize("RESULT.neu") > 0
    cut("CUT.DAT", os.path.getsize("RESULT.DAT") - 10)
    os.mkdir("out")
    for args, kwargs, kind in (
            (["RESULT.DAT", "--to", "tecplot", "-o", "out/"], dict(to="tecplot", output="out/"), seepconv.CommandError),
            (["CUT.DAT", "--to", "tecplot"], dict(to="tecplot"), seepconv.ResultFileError),
            (["RESULT.DAT", "--to", "tecplott"], dict(to="tecplott"), seepconv.UsageError)):
        line = cli("convert", *args)[2].splitlines()[0]
        with pytest.raises(kind) as raised:
            seepconv.convert(args[0], **kwargs)
        assert line == "seepconv: " + str(raised.value)
    assert not os.path.exists("CUT.tec")
    with pytest.warns(seepconv.SeepconvWarning, match="whole steps before it were written"):
        seepconv.convert("CUT.DAT", to="tecplot", partial=True)


def test_locate_gives_the_weights_of_the_interp_kind(folder):
    r = seepconv.open("RESULT.DAT")
    points = np.loadtxt([line.replace(",", " ") for line in open("POINTS.DAT").read().splitlines()[1:]])
    at = seepconv.locate(r, points)
    inside = at.element > 0
    assert inside.tolist() == [True, True, True, True, False]
    assert np.allclose((r.nodes[at.nodes[inside] - 1] * at.weights[inside, :, None]).sum(axis=1),
                       points[inside], atol=1e-12)
    assert all(set(nodes) <= set(r.elements[el - 1]) for nodes, el in zip(at.nodes[inside], at.element[inside]))
    cli("convert", "RESULT.DAT", "--to", "interp", "--points", "POINTS.DAT", "-o", "x.his", "-q")
    rows = [line.split(",") for line in open("x.his").read().splitlines() if "TIME" not in line and "X" not in line]
    written = [float(row[2]) for row in rows]
    heads = [(s.total_head[at.nodes - 1] * at.weights).sum(axis=1) * inside for s in r]
    assert np.allclose(np.concatenate(heads), written, rtol=6e-5, atol=1e-12)


def test_reading_twice_and_from_two_threads_gives_the_same_values(folder):
    r = seepconv.open("RESULT.DAT")
    first = [s.hydraulic_gradient for s in r]
    assert all(identical(a, s.hydraulic_gradient) for a, s in zip(first, r))
    results = {}

    def read(key, reader):
        results[key] = [[s.pressure_head, s.nodal_velocity] for _ in range(20) for s in reader]

    threads = [threading.Thread(target=read, args=(k, f)) for k, f in (("own", seepconv.open("RESULT.DAT")),
                                                                           ("shared", r), ("shared too", r))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    alone = [[s.pressure_head, s.nodal_velocity] for s in r] * 20
    for key in ("own", "shared", "shared too"):
        assert all(identical(a, b) for x, y in zip(results[key], alone) for a, b in zip(x, y)), key
