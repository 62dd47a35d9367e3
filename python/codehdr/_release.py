"""Releases: a set of images that ship together, checked as a whole."""

from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Iterable, Optional, Tuple, Union

from . import _native as n
from ._devices import DeviceTable, load_devices
from ._headers import header_object
from ._images import VerifyReport, _verify

_KINDS = n.names(n.lib.codehdr_finding_kind_name)
_STATES = n.names(n.lib.codehdr_dependency_state_name)

Image = Union[n.StrPath, Tuple[str, n.StrPath]]


@dataclass(frozen=True)
class Finding:
    """What makes the release inconsistent, about one image (``image``, its
    index; ``image_name``). ``kind`` is the library's name for the finding
    ("dependency_not_met", "duplicate", ...); ``others`` are the other
    images it names (the closest candidates of an unmet dependency, the other
    versions of a duplicate, the rest of a cycle); ``dependency`` is the index
    of the dependency in the image's header, or None; ``reason`` is one line."""
    kind: str
    image: int
    image_name: str
    others: Tuple[int, ...]
    dependency: Optional[int]
    reason: str

    def __str__(self) -> str:
        return f"{self.image_name}: {self.kind}: {self.reason}"


@dataclass(frozen=True)
class DependencyLink:
    """One dependency of a verified image: ``state`` is the library's name for
    it ("met", "not_met", ...); ``providers`` name the first images that have
    its code mode and version, of ``provider_count``."""
    image: int
    dependency: int
    state: str
    providers: Tuple[int, ...]
    provider_count: int


@dataclass(frozen=True)
class ReleaseReport:
    """The check of a release: each image's name and verification, in the
    order given, the findings by image, and every dependency of the verified
    images. ``consistent`` is true when nothing was found."""
    names: Tuple[str, ...]
    images: Tuple[VerifyReport, ...]
    findings: Tuple[Finding, ...]
    dependencies: Tuple[DependencyLink, ...]

    @property
    def consistent(self) -> bool:
        return not self.findings


def _image_name_and_path(image: Image) -> Tuple[Optional[bytes], bytes]:
    if isinstance(image, tuple):
        if len(image) != 2 or not isinstance(image[0], str):
            raise TypeError("an image must be a path or a (name, path) pair")
        return n.c_text(image[0], "image name"), n.c_path(image[1])
    return None, n.c_path(image)  # the library names it by its path


def check_release(images: Iterable[Image], devices: Union[DeviceTable, n.StrPath], *,
                  virevuz_version: Optional[str] = None, allow_missing: Iterable[str] = ()) -> ReleaseReport:
    """Verifies every image (a path, or a (name, path) pair; each file is
    read once) and checks them as one release against ``devices`` (a loaded
    DeviceTable, or the path of a device control file): each image verified,
    its tag is a device model and its code mode that model's, its VireVuz
    version is ``virevuz_version`` when one is given, no two images for one
    device and code mode differ in version, every dependency is met by
    another image (unless its code-mode label is in ``allow_missing``), and no
    image depends on itself. An image that cannot be read is a finding
    ("image_failed"), not an exception. Raises Error (unknown_label) for a
    label of ``allow_missing`` that is not in the code-mode table."""
    pairs = [_image_name_and_path(image) for image in images]
    labels = [n.c_text(label, "allow_missing label") for label in allow_missing]
    raw_virevuz = None if virevuz_version is None else n.c_text(virevuz_version, "virevuz_version")
    if isinstance(devices, DeviceTable):
        return _check(pairs, devices, raw_virevuz, labels)
    with load_devices(devices) as table:
        return _check(pairs, table, raw_virevuz, labels)


def _check(pairs, table: DeviceTable, raw_virevuz: Optional[bytes], labels) -> ReleaseReport:
    release = n.new(n.lib.codehdr_release_new)
    try:
        for name, path in pairs:
            n.check(n.lib.codehdr_release_add_file(release, name, path))
        options = n.ReleaseOptionsStruct()
        options.virevuz_version = raw_virevuz
        allow = (ctypes.c_char_p * max(1, len(labels)))(*labels)
        options.allow_missing = ctypes.cast(allow, ctypes.c_void_p)
        options.allow_missing_count = len(labels)
        n.check(n.lib.codehdr_release_check(release, table.handle, ctypes.byref(options)))
        count = n.lib.codehdr_release_image_count(release)
        names = tuple(n.text(n.lib.codehdr_release_image_name(release, i)) for i in range(count))
        reports = []
        for i in range(count):
            with header_object() as handle:
                reports.append(_verify(lambda r, i=i: n.lib.codehdr_release_get_image(release, i, r), handle))
        return ReleaseReport(names, tuple(reports), _findings(release, names), _dependencies(release))
    finally:
        n.lib.codehdr_release_free(release)


def _indexes(address: Optional[int], count: int) -> Tuple[int, ...]:
    if count == 0:
        return ()
    return tuple(ctypes.cast(address, ctypes.POINTER(ctypes.c_size_t))[:count])


def _findings(release: int, names: Tuple[str, ...]) -> Tuple[Finding, ...]:
    found = []
    for i in range(n.lib.codehdr_release_finding_count(release)):
        f = n.FindingStruct()
        n.check(n.lib.codehdr_release_get_finding(release, i, ctypes.byref(f)))
        dependency = None if f.dependency == n.NO_DEPENDENCY else f.dependency
        found.append(Finding(_KINDS[f.kind], f.image, names[f.image], _indexes(f.others, f.other_count), dependency,
                             n.text(f.reason)))
    return tuple(found)


def _dependencies(release: int) -> Tuple[DependencyLink, ...]:
    links = []
    for i in range(n.lib.codehdr_release_dependency_count(release)):
        d = n.DependencyLinkStruct()
        n.check(n.lib.codehdr_release_get_dependency(release, i, ctypes.byref(d)))
        links.append(DependencyLink(d.image, d.dependency, _STATES[d.state], _indexes(d.providers, d.provider_named),
                                    d.provider_count))
    return tuple(links)

