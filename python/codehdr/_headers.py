"""Code headers as values: read one from bytes, check it field by field, build
one; the code-mode table."""

from __future__ import annotations

import ctypes
from contextlib import contextmanager
from dataclasses import dataclass
from typing import TYPE_CHECKING, Iterable, Iterator, Optional, Tuple, Union

from . import _native as n
from ._buffer import borrowed

if TYPE_CHECKING:
    from ._devices import DeviceTable

# The header forms by their number in the library.
_FORMS = n.names(n.lib.codehdr_header_form_name)


@dataclass(frozen=True)
class Dependency:
    """One dependency: the code-mode value of the image depended on, and the
    version it needs."""
    type: int
    version: str


@dataclass(frozen=True)
class Section:
    """One optional section as the section walk finds it: the offset of its
    type byte from the start of the header, its type and its length byte."""
    offset: int
    type: int
    length: int


@dataclass(frozen=True)
class Header:
    """The header at the start of an image.

    ``form`` is the library's name for the header's form ("new_style",
    "old_style", "none", "malformed"); ``problem`` is
    "ok" for a new-style header, else the status name saying why there is
    nothing to check. The fields from ``virevuz_version`` on are filled for a
    new-style header only. ``raw`` holds the header's bytes."""
    form: str
    problem: str
    total_size: int
    tag: int
    virevuz_version: str
    mandatory_size: int
    stored_crc: int
    code_mode: int
    code_version: str
    section_count: int
    reserved: int
    comment: Optional[str]
    comment_length: int
    sections: Tuple[Section, ...]
    dependencies: Tuple[Dependency, ...]
    raw: bytes


@dataclass(frozen=True)
class HeaderCheck:
    """The field-by-field check of a new-style header. ``passed`` when every
    check passed; otherwise ``status_name`` names the first failing check and
    ``fault_offset``/``fault_size`` the bytes it found wrong. ``code_version``
    is set once it passed its check, ``dependencies`` once the section walk
    began (up to the failing section)."""
    passed: bool
    status: int
    status_name: str
    reason: str
    fault_offset: int
    fault_size: int
    code_version: Optional[str]
    dependencies: Optional[Tuple[Dependency, ...]]


@dataclass(frozen=True)
class CodeMode:
    """One row of the code-mode table: a label and the value it puts into a header."""
    label: str
    value: int


# ---- The library's header object -------------------------------------------------

@contextmanager
def header_object() -> Iterator[int]:
    """A library header object for the duration of the block."""
    handle = n.new(n.lib.codehdr_header_new)
    try:
        yield handle
    finally:
        n.lib.codehdr_header_free(handle)


def _dependency(get, handle: int, index: int) -> Dependency:
    out = n.DependencyStruct()
    n.check(get(handle, index, ctypes.byref(out)))
    return Dependency(out.type, n.text(out.version))


def header_from(handle: int) -> Header:
    """The header a library header object holds."""
    info = n.HeaderInfoStruct()
    n.check(n.lib.codehdr_header_get_info(handle, ctypes.byref(info)))
    sections = []
    for i in range(info.sections):
        s = n.SectionStruct()
        n.check(n.lib.codehdr_header_get_section(handle, i, ctypes.byref(s)))
        sections.append(Section(s.offset, s.type, s.length))
    dependencies = tuple(_dependency(n.lib.codehdr_header_get_dependency, handle, i)
                         for i in range(info.dependencies))
    return Header(form=_FORMS[info.form], problem=n.status_name(info.problem), total_size=info.total_size,
                  tag=info.tag, virevuz_version=n.text(info.virevuz_version), mandatory_size=info.mandatory_size,
                  stored_crc=info.stored_crc, code_mode=info.code_mode, code_version=n.text(info.code_version),
                  section_count=info.section_count, reserved=info.reserved,
                  comment=None if info.comment is None else n.text(info.comment),
                  comment_length=info.comment_length, sections=tuple(sections), dependencies=dependencies,
                  raw=ctypes.string_at(info.bytes, info.byte_count) if info.byte_count else b"")


def check_from(handle: int) -> Optional[HeaderCheck]:
    """The check a library header object holds, if any."""
    result = n.CheckResultStruct()
    n.check(n.lib.codehdr_header_get_check(handle, ctypes.byref(result)))
    if not result.checked:
        return None
    dependencies = None
    if result.walked:
        dependencies = tuple(_dependency(n.lib.codehdr_header_get_check_dependency, handle, i)
                             for i in range(result.dependencies))
    return HeaderCheck(passed=result.status == n.OK, status=result.status, status_name=n.status_name(result.status),
                       reason=n.status_reason(result.status), fault_offset=result.fault_offset,
                       fault_size=result.fault_size,
                       code_version=None if result.code_version is None else n.text(result.code_version),
                       dependencies=dependencies)


# ---- Reading, checking, building -------------------------------------------------

def read_header(data: object) -> Header:
    """Reads the header at the start of ``data`` (any bytes-like object: the
    header alone or a whole image). Never fails for what the bytes hold: see
    ``form`` and ``problem``. Nothing is read outside the bytes given."""
    with borrowed(data) as (address, size), header_object() as handle:
        n.check(n.lib.codehdr_header_read(handle, address, size))
        return header_from(handle)


def check_header(data: object, expected_tag: int = 0, crc: int = 0) -> HeaderCheck:
    """Checks the header held by ``data`` (exactly the header's bytes) field by
    field in a fixed order; the first failing check decides. ``expected_tag``
    0 accepts any tag id; ``crc`` 0 skips the CRC comparison (else pass the
    CRC-32 of the whole file computed with its CRC field as zero)."""
    tag = n.c_byte(expected_tag, "expected_tag")
    if not isinstance(crc, int):
        raise TypeError(f"crc must be int, not {type(crc).__name__}")
    with borrowed(data) as (address, size), header_object() as handle:
        status = n.lib.codehdr_header_check(handle, address, size, tag, crc & 0xFFFFFFFF, None)
        result = check_from(handle)
        if result is None:  # the call itself failed
            n.check(status)
        return result


DependencyLike = Union[Dependency, Tuple[Union[int, str], str]]


def dependency(label: str, version: str) -> Dependency:
    """A dependency named by its code-mode label ("BOOT", "FPGA", ...). Raises
    Error (unknown_label, dependency_version) when the label is not in the
    code-mode table or the version is malformed."""
    value = ctypes.c_uint16()
    n.check(n.lib.codehdr_dependency_type(n.c_text(label, "label"), n.c_text(version, "version"),
                                          ctypes.byref(value)))
    return Dependency(value.value, version)


def _as_dependency(item: DependencyLike) -> Dependency:
    if isinstance(item, Dependency):
        return item
    if isinstance(item, tuple) and len(item) == 2:
        kind, version = item
        if isinstance(kind, str):
            return dependency(kind, version)
        if isinstance(kind, int) and not isinstance(kind, bool) and 0 <= kind <= 0xFFFF:
            return Dependency(kind, version)
    raise TypeError(f"a dependency is a Dependency or a (type or label, version) pair, not {item!r}")


def build_header(tag: int, virevuz_version: str, code_version: str, *, comment: Optional[str] = None,
                 dependencies: Iterable[DependencyLike] = (), devices: Optional["DeviceTable"] = None,
                 code_mode: Optional[str] = None) -> bytes:
    """Builds a new-style header and returns its bytes (CRC field zero; see
    write_image, which stores the CRC).

    The code mode comes from the label ``code_mode`` ("APP", ...), or else
    from the record for ``tag`` in ``devices`` (a DeviceTable); one of them
    is required. ``dependencies`` are Dependency values or pairs of a
    numeric type or a code-mode label and a version, in order. Raises Error
    (virevuz_version, no_code_mode, code_mode_too_large, code_version_empty,
    code_version, too_many_sections, unknown_label, dependency_version) when
    the header cannot be built."""
    spec = n.HeaderSpecStruct()
    spec.tag = n.c_byte(tag, "tag")
    spec.virevuz_version = n.c_text(virevuz_version, "virevuz_version")
    spec.code_version = n.c_text(code_version, "code_version")
    if comment is not None:
        spec.comment = n.c_text(comment, "comment")
    table = None
    if code_mode is not None:
        spec.code_mode_label = n.c_text(code_mode, "code_mode")
    elif devices is not None:
        table = devices.handle  # raises ValueError when the table is closed
    else:
        raise TypeError("build_header needs code_mode or devices")
    deps = [_as_dependency(d) for d in dependencies]
    versions = [n.c_text(d.version, "dependency version") for d in deps]  # kept alive for the call
    array = (n.DependencyStruct * len(deps))(*[n.DependencyStruct(d.type, v) for d, v in zip(deps, versions)])
    spec.dependencies = array
    spec.dependency_count = len(deps)
    with header_object() as handle:
        n.check(n.lib.codehdr_header_build(handle, ctypes.byref(spec), table))
        return header_from(handle).raw


def code_modes() -> Tuple[CodeMode, ...]:
    """The code-mode table, in order: the labels device control files and
    dependencies use, and the value each puts into a header."""
    rows = []
    for i in range(n.lib.codehdr_code_mode_count()):
        value, label = ctypes.c_uint16(), ctypes.c_char_p()
        n.check(n.lib.codehdr_code_mode_at(i, ctypes.byref(value), ctypes.byref(label)))
        rows.append(CodeMode(n.text(label.value), value.value))
    return tuple(rows)


def code_mode_value(label: str) -> Optional[int]:
    """The value of the first row labelled ``label`` (case-sensitive), or None."""
    value = ctypes.c_uint16()
    status = n.lib.codehdr_code_mode_value(n.c_text(label, "label"), ctypes.byref(value))
    if status == n.STATUS["unknown_label"]:
        return None
    n.check(status)
    return value.value
