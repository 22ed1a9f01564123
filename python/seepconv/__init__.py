"""Result files of the two-dimensional seepage analysis as NumPy arrays, and seepconv's commands as
functions.

    import seepconv
    r = seepconv.open("RESULT.DAT")
    r.title, r.nodes, r.elements, r.materials, r.steps
    s = r.step(-1)                  # the last step; r.step_number(7) by its stored number
    s.total_head, s.velocity, s.hydraulic_gradient
    for s in r: ...                 # every step in file order, one at a time

    seepconv.info("RESULT.DAT")                       # the document of `seepconv info --json`
    seepconv.flux("RESULT.DAT", "SECTIONS.TXT")       # that of `seepconv flux --json`
    seepconv.convert("RESULT.DAT", to="tecplot")      # `seepconv convert`, atomic output

The reading, the averages, the gradients, point location and the commands are the converter's own
code: the values are exactly those the command line writes, and failures carry its messages.
"""

import builtins as _builtins
import json as _json
import os as _os
import tempfile as _tempfile
import warnings as _warnings
from typing import NamedTuple as _NamedTuple

import numpy as _np

from . import _core

__all__ = [
    "open", "ResultFile", "Step", "Location", "locate", "info", "flux", "convert", "Error",
    "ResultFileError", "CommandError", "UsageError", "SeepconvWarning",
]


class Error(Exception):
    """A failure of seepconv. ``str(e)`` is the command line's message without its ``seepconv: ``;
    ``e.number`` is the error number in its parentheses (0 when it has none)."""

    def __init__(self, message, file="", what="", number=0):
        super().__init__(message)
        self.message, self.file, self.what, self.number = message, file, what, number


class ResultFileError(Error):
    """A result file that cannot be read, or the damage that ends its readable steps:
    ``RESULT.DAT: step 5 ends early (end of file inside record S3) (24)``. ``e.what`` is the text
    without file and number, ``e.step`` the step counted from 1 in file order (0: the header or the
    opening)."""

    def __init__(self, message, file="", what="", number=0, step=0):
        super().__init__(message, file, what, number)
        self.step = step


class CommandError(Error):
    """A command that failed (status 1): ``e.status``, and ``e.lines``, every line it wrote on its
    standard error."""

    def __init__(self, message, file="", what="", number=0, status=1, lines=()):
        super().__init__(message, file, what, number)
        self.status, self.lines = status, list(lines)


class UsageError(CommandError, ValueError):
    """Arguments the command line refuses (its status 2); nothing was read or written."""


class SeepconvWarning(UserWarning):
    """A warning of a command (``seepconv: warning: ...``), without its ``seepconv: warning: ``."""


def _failure(exc):
    """The ResultFileError of a native failure."""
    return ResultFileError(*exc.args)


class Step:
    """One time step of a result file: its number and time as stored, and its values.

    Node arrays (length N): ``ncode`` (int32), ``pressure_head`` P, ``total_head`` H = P + Y, ``q``,
    ``nodal_velocity`` (N×2, the mean of the velocities of the active elements at the node, as
    TECPLOT and the VTU files show it). Element arrays (E rows): ``velocity`` (E×2, VXE and VYE as
    stored), ``hydraulic_gradient`` (E×2, i = −∇H at the element's centre; NaN for an inactive
    element and one without a gradient: a corner outside the mesh, no area, a head not finite). Every array is a NumPy array of its own.
    """

    __slots__ = ("position", "number", "time", "ncode", "pressure_head", "total_head", "q", "velocity",
                 "nodal_velocity", "hydraulic_gradient")

    def __init__(self, position, values):
        self.position = position
        for name, value in values.items():
            setattr(self, name, value)

    def __repr__(self):
        return f"<seepconv.Step {self.number} time {self.time!r} at position {self.position}>"


class Location(_NamedTuple):
    """Points located in the mesh as the INTERP kind locates them: per point its ``element`` (0 when
    the point lies in no element), the three ``nodes`` of the triangle that holds it and their
    ``weights`` (zeros outside). The head at a point is ``(H[nodes - 1] * weights).sum(axis=1)``."""

    element: _np.ndarray
    nodes: _np.ndarray
    weights: _np.ndarray


class ResultFile:
    """A result file open for reading; made by :func:`open`.

    ``title`` (str), ``nodes`` (N×2 float64 X, Y), ``elements`` (E×4 int32 corners I, J, K, L,
    1-based as stored: a triangle repeats K or has L = 0), ``materials`` (E int32, 0 or less for an
    inactive element) are read-only arrays. ``steps`` lists the readable steps as (number, time), from
    the index made when the file was opened. ``damage`` is the ResultFileError of a file damaged part
    way (its steps before the damage stay readable), else None.
    """

    def __init__(self, path):
        path = _os.fspath(path)
        if path == "-":
            raise ValueError("seepconv.open reads a file by name, not standard input")
        try:
            self._reader = _core.Reader(path)
        except _core.Failure as e:
            raise _failure(e) from None
        self.path = path
        self.title, self.nodes, self.elements, self.materials = self._reader.mesh()
        self.steps = self._reader.index()
        damage = self._reader.damage()
        self.damage = ResultFileError(*damage) if damage is not None else None

    def __len__(self):
        """The number of readable steps."""
        return len(self.steps)

    def __repr__(self):
        return (f"<seepconv.ResultFile {self.path!r}: {len(self.nodes)} nodes, {len(self.elements)} elements, "
                f"{len(self.steps)} steps{', damaged' if self.damage else ''}>")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        """Closes the file; the arrays already read stay."""
        self._reader = None

    def step(self, position):
        """The step at ``position`` in file order (0 the first, -1 the last), read now. Raises
        IndexError beyond the readable steps, ResultFileError when the file fails under it."""
        if self._reader is None:
            raise ValueError("the result file is closed")
        n = len(self.steps)
        at = position + n if position < 0 else position
        try:
            return Step(at, self._reader.read(position))
        except _core.Failure as e:
            raise _failure(e) from None

    def step_number(self, number):
        """The first step stored with ``number`` (step numbers may repeat). KeyError when none is."""
        for position, (stored, _time) in enumerate(self.steps):
            if stored == number:
                return self.step(position)
        raise KeyError(f"no step {number}; the file has steps {_step_numbers(self.steps)}")

    def __iter__(self):
        """Every readable step in file order, each read when it is reached; then the file's damage,
        if any, is raised."""
        for position in range(len(self.steps)):
            yield self.step(position)
        if self.damage is not None:
            raise self.damage

    def to_meshio(self, step=-1, all_elements=False):
        """The step (a Step or a position) as a meshio.Mesh with the arrays of a ``--to vtu`` file:
        points X, Y, 0; the active elements (every element with ``all_elements``) as quads and
        triangles in element order; point data pressure_head, total_head, Q, NCODE, velocity, speed;
        cell data velocity, speed, material, hydraulic_gradient, hydraulic_gradient_magnitude; field
        data TIME and STEP. Needs meshio."""
        import meshio

        s = step if isinstance(step, Step) else self.step(step)
        n = len(self.nodes)
        e = self.elements
        keep = _np.ones(len(e), bool) if all_elements else self.materials > 0
        keep &= ((e[:, :3] >= 1) & (e[:, :3] <= n)).all(axis=1)
        triangle = (e[:, 2] == e[:, 3]) | (e[:, 3] == 0)
        keep &= triangle | ((e[:, 3] >= 1) & (e[:, 3] <= n))
        chosen = _np.flatnonzero(keep)
        blocks, runs = [], []
        start = 0
        for i in range(1, len(chosen) + 1):
            if i == len(chosen) or triangle[chosen[i]] != triangle[chosen[start]]:
                run = chosen[start:i]
                if triangle[run[0]]:
                    blocks.append(("triangle", e[run, :3] - 1))
                else:
                    blocks.append(("quad", e[run] - 1))
                runs.append(run)
                start = i

        def per_cell(values):
            return [values[run] for run in runs]

        def xyz(v):
            return _np.column_stack([v, _np.zeros(len(v))])

        def length(v):
            return _np.sqrt(v[:, 0] * v[:, 0] + v[:, 1] * v[:, 1])

        return meshio.Mesh(
            xyz(self.nodes), blocks,
            point_data={"pressure_head": s.pressure_head, "total_head": s.total_head, "Q": s.q,
                        "NCODE": s.ncode, "velocity": xyz(s.nodal_velocity), "speed": length(s.nodal_velocity)},
            cell_data={"velocity": per_cell(xyz(s.velocity)), "speed": per_cell(length(s.velocity)),
                       "material": per_cell(self.materials),
                       "hydraulic_gradient": per_cell(xyz(s.hydraulic_gradient)),
                       "hydraulic_gradient_magnitude": per_cell(length(s.hydraulic_gradient))},
            field_data={"TIME": _np.array([s.time]), "STEP": _np.array([s.number], _np.int32)})


def _step_numbers(steps):
    numbers = [n for n, _t in steps]
    return f"{min(numbers)}:{max(numbers)}" if numbers else "none"


def open(path):  # noqa: A001 - the module's verb, as in seepconv.open
    """Opens a result file: reads its mesh and indexes its steps (number, time, place) in one pass
    that checks every record without taking its values. Raises ResultFileError when the file cannot
    be opened or its header is damaged; damage later on is kept in ``damage``."""
    return ResultFile(path)


def locate(r, points):
    """Locates ``points`` (M×2 x, y) in the mesh of ``r`` (a ResultFile) as the INTERP kind does:
    the first element in element order, and its first triangle (I, J, K, then I, K, L), that holds
    the point, edges included. Returns a Location (element, nodes, weights)."""
    if r._reader is None:
        raise ValueError("the result file is closed")
    points = _np.asarray(points, dtype=_np.float64).reshape(-1, 2)
    return Location(*r._reader.locate(points))


# ---- The commands ----

def _run(args):
    """Runs the command line in this process; raises on a failure, warns of its warnings, and
    returns (status, standard output)."""
    status, out, err = _core.run([_os.fspath(a) for a in args])
    _check(args, status, err)
    return status, out


def _check(args, status, err):
    """Warns of the warnings on the command's standard error, and raises its failure."""
    lines = [line for line in err.splitlines() if line]
    failures = []
    for line in lines:
        text = line[len("seepconv: "):] if line.startswith("seepconv: ") else line
        if text.startswith("warning: "):
            _warnings.warn(text[len("warning: "):], SeepconvWarning, stacklevel=4)
        elif not text.startswith("Try 'seepconv"):
            failures.append(text)
    if status == 2:
        raise UsageError(failures[0] if failures else "usage error", status=2, lines=lines)
    if status not in (0, 3):
        message = failures[0] if failures else f"failed with status {status}"
        raise _command_failure(message, args, status, lines)


def _command_failure(message, args, status, lines):
    """A ResultFileError when the failure names the result file (the command's first operand), else a
    CommandError."""
    number = 0
    if message.endswith(")") and "(" in message:
        inside = message[message.rindex("(") + 1:-1]
        number = int(inside) if inside.isdigit() else 0
    result = _os.fspath(args[1])
    if message.startswith(result + ": "):
        what = message[len(result) + 2:]
        if number:
            what = what[:what.rindex(" (")]
        return ResultFileError(message, result, what, number)
    return CommandError(message, number=number, status=status, lines=lines)


def _steps_args(steps):
    if steps is None:
        return []
    if isinstance(steps, int):
        return ["--steps", str(steps)]
    if not isinstance(steps, str):
        steps = ",".join(str(s) for s in steps)
    return ["--steps", steps]


def info(path):
    """What a result file holds, as ``seepconv info --json`` gives it: title, counts, materials,
    bounds and per step its number, time, head ranges, largest speed and largest hydraulic gradient.
    A file damaged part way gives the steps before the damage and the damage under "damage"; a file
    that cannot be read raises ResultFileError."""
    args = ["info", _os.fspath(path), "--json"]
    status, out, err = _core.run(args)
    if out:  # a file damaged part way: its summary, with the damage in it
        return _json.loads(out)
    _check(args, status, err)
    raise CommandError(err.strip() or "info gave nothing", status=status)


def flux(path, sections, steps=None):
    """The flow rate per unit thickness through sections, as ``seepconv flux --json`` gives it.

    ``sections``: a sections file's path (str or os.PathLike); a dict of name: polyline; or a list
    of polylines, named S1, S2, ... A polyline is a sequence of (x, y) points. ``steps``: a
    selection as --steps takes it ("all", "last", 7, "2:5", [1, "4:"]), default every step.
    """
    args = ["flux", path]
    with _tempfile.TemporaryDirectory(prefix="seepconv-") as folder:
        if isinstance(sections, (str, _os.PathLike)):
            args += ["--sections", sections]
        elif isinstance(sections, dict):
            name = _os.path.join(folder, "SECTIONS.TXT")
            with _builtins.open(name, "w", encoding="utf-8") as f:
                for title, points in sections.items():
                    f.write(f"{title}: {_polyline(points)}\n")
            args += ["--sections", name]
        else:
            for points in sections:
                args += ["--section", _polyline(points)]
        # The table is made whole in a file of its own, as the command line writes any output file.
        table = _os.path.join(folder, "flux.json")
        args += _steps_args(steps) + ["--json", "-q", "-o", table]
        _run(args)
        with _builtins.open(table, encoding="utf-8") as f:
            return _json.load(f)


def _polyline(points):
    """Points as --section takes them, each coordinate in the shortest digits that read back the same."""
    return " ".join(f"{float(x)!r},{float(y)!r}" for x, y in points)


def convert(path, to=None, output=None, steps=None, *, head=None, points=None, all_elements=False,
            allow_overflow=False, partial=False):
    """Converts a result file as ``seepconv convert`` does, with its atomic output: the output is
    written under a temporary name and put in place only when it is whole.

    ``to``: the kind (restart, tecplot, femap, microavs, igpost, interp, vtu), or from the extension
    of ``output``; ``output``: the file (default: the result file's name with the kind's extension);
    ``steps`` as in :func:`flux`; ``head`` "pressure" or "total" (restart); ``points`` the point-data
    file (interp); ``partial``: the whole steps before a damage are written, with a warning.
    Returns the output's path. Raises ResultFileError for a result file that fails, CommandError for
    any other failure, UsageError for arguments the command line refuses.
    """
    args = ["convert", path, "-q"]
    if to is not None:
        args += ["--to", to]
    if output is not None:
        args += ["-o", output]
    args += _steps_args(steps)
    if head is not None:
        args += ["--head", head]
    if points is not None:
        args += ["--points", points]
    if all_elements:
        args.append("--all-elements")
    if allow_overflow:
        args.append("--allow-overflow")
    if partial:
        args.append("--partial")
    _run(args)
    if output is not None:
        return _os.fspath(output)
    return _core.default_output(_os.fspath(path), to)
