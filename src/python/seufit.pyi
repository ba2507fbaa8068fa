"""Soft-error reliability (FIT and MTBF) reports for placed FPGA designs."""

import os
from typing import Any, Iterable, Sequence

__version__: str

_Path = str | os.PathLike[str]
_Cell = str | float

class Error(Exception):
    """A seufit error message: the call had no result."""

    text: str
    id: str
    arguments: tuple[Any, ...]
    errors: list[Error]
    def __init__(self, text: str, id: str = ..., arguments: Sequence[Any] = ...) -> None: ...

class BudgetExceeded(Error):
    """A budget (max_fit, max_failures) is exceeded: the report stands, as `report`."""

    report: Report

class SeufitWarning(UserWarning):
    """A seufit warning message; the result stands."""

    text: str
    id: str
    arguments: tuple[Any, ...]
    def __init__(self, text: str, id: str = ..., arguments: Sequence[Any] = ...) -> None: ...

Warning = SeufitWarning

def data_check(*, data_dirs: list[str] | None = None) -> dict[str, Any]:
    """Checks the data directories as `seufit data check` does; errors raise seufit.Error."""

def flux(
    altitude_m: float, longitude: int, latitude: int, *, data_dirs: list[str] | None = None
) -> dict[str, Any]:
    """The relative neutron flux at a place: the dict of `seufit flux --json`."""

def flux_profile(path: _Path, *, data_dirs: list[str] | None = None) -> dict[str, Any]:
    """Each segment's flux and the time-weighted mean: `seufit flux --profile PATH --json`."""

def load(
    path: _Path,
    part: str | None = None,
    top: str | None = None,
    map: _Path | None = None,
    site_attribute: str | None = None,
    *,
    data_dirs: list[str] | None = None,
) -> Design:
    """Loads a seufit design file or a netlist (Yosys JSON or EDIF)."""

def parts(*, data_dirs: list[str] | None = None) -> list[dict[str, Any]]:
    """The parts of the catalogue: the list of `seufit parts --json`."""

class Report:
    """A FIT report: its figures as plain data and its renderings."""

    @property
    def title(self) -> str:
        """The report's title."""
    @property
    def header(self) -> list[tuple[str, str]]:
        """The header items of the JSON rendering: [(label, value), ...]."""
    @property
    def provenance(self) -> list[tuple[str, str]]:
        """With provenance=True: versions, data files, checksums and options; otherwise []."""
    @property
    def sections(self) -> list[dict[str, Any]]:
        """[{"title", "tables": [{"title", "rows": [[str | float, ...]]}]}]; floats exact."""
    @property
    def conditions(self) -> dict[str, Any]:
        """The "conditions" object of the JSON rendering: place, unit, flux, mission, data,
        bits of each class, what the columns mean and what was not analysed."""
    @property
    def mitigation(self) -> dict[str, Any] | None:
        """With any derating keyword: the "mitigation" object of the JSON rendering (factors,
        the ladder per class, device totals, mission probability, availability, target)."""
    @property
    def device_fit(self) -> float | None:
        """The device's nominal FIT (every memory class summed), or None."""
    @property
    def device_failures(self) -> float | None:
        """The nominal device failures of the mission, or None."""
    def render(self, format: str = "text") -> str:
        """The report as `seufit report` writes it: "text", "xml", "json" or "html"."""
    def _repr_html_(self) -> str:
        """The HTML page's body, for a notebook."""
    def to_records(self) -> list[dict[str, Any]]:
        """One dict per figure: section, class, metric, statistic, value, unit."""
    def to_frame(self) -> Any:
        """to_records() as a pandas DataFrame; ImportError without pandas."""

class Design:
    """A loaded design; made by seufit.load()."""

    @property
    def path(self) -> str:
        """The file the design was loaded from."""
    def inventory(self, *, by_hierarchy: int | bool | None = None) -> dict[str, Any]:
        """The dict of `seufit inventory DESIGN --json [--by-hierarchy DEPTH]`."""
    def inventory_records(self, *, by_hierarchy: int | bool | None = None) -> list[dict[str, Any]]:
        """inventory() as rows: one per counter, or one per instance with by_hierarchy."""
    def inventory_frame(self, *, by_hierarchy: int | bool | None = None) -> Any:
        """inventory_records() as a pandas DataFrame; ImportError without pandas."""
    def report(
        self,
        *,
        altitude: float = 0.0,
        meters: bool = False,
        feet: bool = False,
        longitude: int = -74,
        latitude: int = 40,
        devices: int = 1,
        months: float = 12.0,
        temperature: int = 28,
        revised_package_model: bool = False,
        profile: _Path | None = None,
        missions: int = 1,
        max_fit: float | None = None,
        max_failures: float | None = None,
        mitigation: _Path | None = None,
        essential_fraction: float | None = None,
        critical_fraction: float | None = None,
        scrub: str | float | None = None,
        repair_time: float | None = None,
        target: str | None = None,
        target_share: float | None = None,
        date: str | None = None,
        provenance: bool = False,
        conditions: bool = False,
        by_hierarchy: int | bool | None = None,
        top_contributors: int | None = None,
        data_dirs: list[str] | None = None,
    ) -> Report:
        """The FIT report, with the options and defaults of `seufit report`."""
    def sweep(
        self,
        *,
        altitude: float | Iterable[float] = 0.0,
        longitude: int | Iterable[int] = -74,
        latitude: int | Iterable[int] = 40,
        temperature: int | Iterable[int] = 28,
        devices: int = 1,
        months: float = 12.0,
        revised_package_model: bool = False,
        meters: bool = False,
        feet: bool = False,
    ) -> list[dict[str, Any]]:
        """The report's figures at every combination, the design walked once: one dict per
        condition (altitude outermost), each figure the one report() gives."""
