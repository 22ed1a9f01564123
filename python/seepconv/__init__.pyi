"""Result files of the two-dimensional seepage analysis as NumPy arrays, and seepconv's commands as
functions."""
import os
from typing import Any, Iterator, Mapping, NamedTuple, Sequence, Union

import numpy as np
import numpy.typing as npt

_Path = Union[str, os.PathLike[str]]
_Polyline = Sequence[tuple[float, float]]
_Steps = Union[None, str, int, Sequence[Union[str, int]]]

class Error(Exception):
    """A failure of seepconv: the command line's message without its ``seepconv: ``."""

    message: str
    file: str
    what: str
    number: int

class ResultFileError(Error):
    """A result file that cannot be read, or the damage that ends its readable steps."""

    step: int

class CommandError(Error):
    """A command that failed: its status and every line it wrote on standard error."""

    status: int
    lines: list[str]

class UsageError(CommandError, ValueError):
    """Arguments the command line refuses."""

class SeepconvWarning(UserWarning):
    """A warning of a command."""

class Step:
    """One time step: number and time as stored, node and element arrays."""

    position: int
    number: int
    time: float
    ncode: npt.NDArray[np.int32]
    pressure_head: npt.NDArray[np.float64]
    total_head: npt.NDArray[np.float64]
    q: npt.NDArray[np.float64]
    velocity: npt.NDArray[np.float64]
    nodal_velocity: npt.NDArray[np.float64]
    hydraulic_gradient: npt.NDArray[np.float64]

class Location(NamedTuple):
    """Points located as the INTERP kind locates them."""

    element: npt.NDArray[np.int32]
    nodes: npt.NDArray[np.int32]
    weights: npt.NDArray[np.float64]

class ResultFile:
    """A result file open for reading; made by :func:`open`."""

    path: str
    title: str
    nodes: npt.NDArray[np.float64]
    elements: npt.NDArray[np.int32]
    materials: npt.NDArray[np.int32]
    steps: list[tuple[int, float]]
    damage: ResultFileError | None
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[Step]: ...
    def __enter__(self) -> ResultFile: ...
    def __exit__(self, *exc: object) -> None: ...
    def close(self) -> None:
        """Closes the file; the arrays already read stay."""
    def step(self, position: int) -> Step:
        """The step at ``position`` in file order (0 the first, -1 the last)."""
    def step_number(self, number: int) -> Step:
        """The first step stored with ``number``."""
    def to_meshio(self, step: Union[Step, int] = -1, all_elements: bool = False) -> Any:
        """The step as a meshio.Mesh with the arrays of a ``--to vtu`` file."""

def open(path: _Path) -> ResultFile:
    """Opens a result file: reads its mesh and indexes its steps."""

def locate(r: ResultFile, points: npt.ArrayLike) -> Location:
    """Locates M×2 points in the mesh as the INTERP kind does."""

def info(path: _Path) -> dict[str, Any]:
    """The document of ``seepconv info --json``."""

def flux(path: _Path, sections: Union[_Path, Mapping[str, _Polyline], Sequence[_Polyline]],
         steps: _Steps = None) -> dict[str, Any]:
    """The document of ``seepconv flux --json``."""

def convert(path: _Path, to: str | None = None, output: _Path | None = None, steps: _Steps = None, *,
            head: str | None = None, points: _Path | None = None, all_elements: bool = False,
            allow_overflow: bool = False, partial: bool = False) -> str:
    """Converts a result file as ``seepconv convert`` does; returns the output's path."""
