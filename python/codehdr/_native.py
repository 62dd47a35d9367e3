"""The C library under the package: finding and loading it, the structs and
prototypes of <codehdr/c.h>, and the error every refused call raises."""

from __future__ import annotations

import ctypes
import os
import sys
from ctypes import (CFUNCTYPE, POINTER, Structure, c_char, c_char_p, c_int, c_size_t, c_uint, c_uint8, c_uint16,
                    c_uint32, c_uint64, c_void_p)
from typing import Iterator, Optional, Union

StrPath = Union[str, "os.PathLike[str]"]

# The library's file name on each system: the SONAME on Linux, the DLL beside
# the package or on the search path on Windows.
if sys.platform == "win32":
    _NAMES = ("libcodehdr.dll", "codehdr.dll")
elif sys.platform == "darwin":
    _NAMES = ("libcodehdr.1.dylib",)
else:
    _NAMES = ("libcodehdr.so.1",)


def _candidates() -> Iterator[str]:
    """Where to look, in order: $CODEHDR_LIBRARY alone when it is set; else
    the package's own folder, the library folder of the install tree the
    package came with, and the system's search."""
    forced = os.environ.get("CODEHDR_LIBRARY")
    if forced:
        yield forced
        return
    here = os.path.dirname(os.path.abspath(__file__))
    folders = [here]
    try:
        from ._install import LIBRARY_DIR  # written by cmake --install
        folders.append(os.path.normpath(os.path.join(here, LIBRARY_DIR)))
    except ImportError:
        pass
    for folder in folders:
        for name in _NAMES:
            yield os.path.join(folder, name)
    yield from _NAMES


def _load() -> ctypes.CDLL:
    tried = []
    for candidate in _candidates():
        if os.path.isabs(candidate) and not os.path.exists(candidate):
            tried.append(candidate)
            continue
        try:
            return ctypes.CDLL(candidate)
        except OSError as e:
            tried.append(f"{candidate} ({e})")
    raise ImportError("codehdr: cannot load the codehdr library; tried " + ", ".join(tried) +
                      ". Install libcodehdr, or set CODEHDR_LIBRARY to the library's path.")


# ---- Structs (field for field as in <codehdr/c.h>) ----------------------------

class Sized(Structure):
    """A struct that starts with its own size, which the caller sets."""

    def __init__(self) -> None:
        super().__init__()
        self.struct_size = ctypes.sizeof(self)


class VersionStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("major", c_int), ("minor", c_int), ("letter", c_char),
                ("build", c_int)]


class DeviceStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("model_id", c_uint), ("model_name", c_char_p), ("code_mode", c_char_p),
                ("tag_id", c_int)]


class DependencyStruct(Structure):
    _fields_ = [("type", c_uint16), ("version", c_char_p)]


class SectionStruct(Structure):
    _fields_ = [("offset", c_size_t), ("type", c_uint8), ("length", c_uint8)]


class HeaderInfoStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("form", c_int), ("problem", c_int), ("total_size", c_uint16),
                ("tag", c_uint8), ("virevuz_version", c_char_p), ("mandatory_size", c_uint16),
                ("stored_crc", c_uint32), ("code_mode", c_uint8), ("code_version", c_char_p),
                ("section_count", c_uint8), ("reserved", c_uint8), ("comment", c_char_p),
                ("comment_length", c_uint8), ("sections", c_size_t), ("dependencies", c_size_t),
                ("bytes", c_void_p), ("byte_count", c_size_t)]


class CheckResultStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("checked", c_int), ("status", c_int), ("fault_offset", c_size_t),
                ("fault_size", c_size_t), ("code_version", c_char_p), ("walked", c_int),
                ("dependencies", c_size_t)]


class HeaderSpecStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("tag", c_uint8), ("virevuz_version", c_char_p),
                ("code_version", c_char_p), ("comment", c_char_p), ("code_mode_label", c_char_p),
                ("dependencies", POINTER(DependencyStruct)), ("dependency_count", c_size_t)]


class VerifyReportStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("header", c_void_p), ("verdict", c_int), ("status", c_int),
                ("os_error", c_int), ("file_size", c_uint64), ("has_computed_crc", c_int),
                ("computed_crc", c_uint32), ("fault_offset", c_size_t), ("fault_size", c_size_t)]


class WriteReportStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("status", c_int), ("os_error", c_int), ("size", c_uint64),
                ("crc", c_uint32)]


class ExtractReportStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("header", c_void_p), ("status", c_int), ("os_error", c_int),
                ("size", c_uint64)]


class ReleaseOptionsStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("virevuz_version", c_char_p), ("allow_missing", c_void_p),
                ("allow_missing_count", c_size_t)]


class FindingStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("kind", c_int), ("image", c_size_t), ("others", c_void_p),
                ("other_count", c_size_t), ("dependency", c_size_t), ("reason", c_char_p)]


class DependencyLinkStruct(Sized):
    _fields_ = [("struct_size", c_size_t), ("image", c_size_t), ("dependency", c_size_t), ("state", c_int),
                ("providers", c_void_p), ("provider_named", c_size_t), ("provider_count", c_size_t)]


NO_DEPENDENCY = ctypes.c_size_t(-1).value  # CODEHDR_NO_DEPENDENCY

MessageCallback = CFUNCTYPE(None, c_void_p, c_char_p)

VERSION_TEXT_SIZE = 17  # CODEHDR_VERSION_TEXT_SIZE

# ---- Prototypes ---------------------------------------------------------------

lib = _load()

_PROTOTYPES = {
    "codehdr_status_name": (c_char_p, [c_int]),
    "codehdr_status_reason": (c_char_p, [c_int]),
    "codehdr_status_classic_code": (c_int, [c_int]),
    "codehdr_status_is_file_error": (c_int, [c_int]),
    "codehdr_header_form_name": (c_char_p, [c_int]),
    "codehdr_verdict_name": (c_char_p, [c_int]),
    "codehdr_finding_kind_name": (c_char_p, [c_int]),
    "codehdr_dependency_state_name": (c_char_p, [c_int]),
    "codehdr_crc32_parallel": (c_uint32, [c_uint32, c_void_p, c_size_t, c_uint]),
    "codehdr_library_version": (c_char_p, []),
    "codehdr_crc32": (c_uint32, [c_uint32, c_void_p, c_size_t]),
    "codehdr_crc32_combine": (c_uint32, [c_uint32, c_uint32, c_uint64]),
    "codehdr_crc16": (c_uint16, [c_uint16, c_void_p, c_size_t]),
    "codehdr_crc32_kernel": (c_char_p, []),
    "codehdr_version_check": (c_int, [c_char_p, c_size_t]),
    "codehdr_version_parse": (c_int, [c_char_p, POINTER(VersionStruct)]),
    "codehdr_version_make": (c_int, [c_uint, c_uint, c_char, c_int, c_int, c_char_p, c_size_t]),
    "codehdr_devices_new": (c_void_p, []),
    "codehdr_devices_free": (None, [c_void_p]),
    "codehdr_devices_load": (c_int, [c_void_p, c_char_p, MessageCallback, c_void_p]),
    "codehdr_devices_count": (c_size_t, [c_void_p]),
    "codehdr_devices_get": (c_int, [c_void_p, c_size_t, POINTER(DeviceStruct)]),
    "codehdr_header_new": (c_void_p, []),
    "codehdr_header_free": (None, [c_void_p]),
    "codehdr_header_read": (c_int, [c_void_p, c_void_p, c_size_t]),
    "codehdr_header_get_info": (c_int, [c_void_p, POINTER(HeaderInfoStruct)]),
    "codehdr_header_get_section": (c_int, [c_void_p, c_size_t, POINTER(SectionStruct)]),
    "codehdr_header_get_dependency": (c_int, [c_void_p, c_size_t, POINTER(DependencyStruct)]),
    "codehdr_header_check": (c_int, [c_void_p, c_void_p, c_size_t, c_uint8, c_uint32, POINTER(CheckResultStruct)]),
    "codehdr_header_get_check": (c_int, [c_void_p, POINTER(CheckResultStruct)]),
    "codehdr_header_get_check_dependency": (c_int, [c_void_p, c_size_t, POINTER(DependencyStruct)]),
    "codehdr_header_build": (c_int, [c_void_p, POINTER(HeaderSpecStruct), c_void_p]),
    "codehdr_code_mode_count": (c_size_t, []),
    "codehdr_code_mode_at": (c_int, [c_size_t, POINTER(c_uint16), POINTER(c_char_p)]),
    "codehdr_code_mode_value": (c_int, [c_char_p, POINTER(c_uint16)]),
    "codehdr_dependency_type": (c_int, [c_char_p, c_char_p, POINTER(c_uint16)]),
    "codehdr_verify_file": (c_int, [c_char_p, c_uint8, POINTER(VerifyReportStruct)]),
    "codehdr_verify_bytes": (c_int, [c_void_p, c_size_t, c_uint8, POINTER(VerifyReportStruct)]),
    "codehdr_verifier_new": (c_void_p, [c_uint8]),
    "codehdr_verifier_free": (None, [c_void_p]),
    "codehdr_verifier_update": (c_int, [c_void_p, c_void_p, c_size_t]),
    "codehdr_verifier_size": (c_uint64, [c_void_p]),
    "codehdr_verifier_finish": (c_int, [c_void_p, c_int, c_int, POINTER(VerifyReportStruct)]),
    "codehdr_write_image": (c_int, [c_char_p, c_void_p, c_size_t, c_void_p, c_size_t, POINTER(WriteReportStruct)]),
    "codehdr_write_image_from_file": (c_int, [c_char_p, c_void_p, c_size_t, c_char_p, POINTER(WriteReportStruct)]),
    "codehdr_extract_payload": (c_int, [c_char_p, c_char_p, c_int, POINTER(ExtractReportStruct)]),
    "codehdr_release_new": (c_void_p, []),
    "codehdr_release_free": (None, [c_void_p]),
    "codehdr_release_add_file": (c_int, [c_void_p, c_char_p, c_char_p]),
    "codehdr_release_image_count": (c_size_t, [c_void_p]),
    "codehdr_release_image_name": (c_char_p, [c_void_p, c_size_t]),
    "codehdr_release_get_image": (c_int, [c_void_p, c_size_t, POINTER(VerifyReportStruct)]),
    "codehdr_release_check": (c_int, [c_void_p, c_void_p, POINTER(ReleaseOptionsStruct)]),
    "codehdr_release_finding_count": (c_size_t, [c_void_p]),
    "codehdr_release_get_finding": (c_int, [c_void_p, c_size_t, POINTER(FindingStruct)]),
    "codehdr_release_dependency_count": (c_size_t, [c_void_p]),
    "codehdr_release_get_dependency": (c_int, [c_void_p, c_size_t, POINTER(DependencyLinkStruct)]),
}

for _name, (_restype, _argtypes) in _PROTOTYPES.items():
    _function = getattr(lib, _name)
    _function.restype = _restype
    _function.argtypes = _argtypes


def names(name_of) -> tuple:
    """The names of an enum's values 0, 1, ... as the library gives them."""
    found = []
    while (name := name_of(len(found))) is not None:
        found.append(name.decode("ascii"))
    return tuple(found)


STATUS = {name: value for value, name in enumerate(names(lib.codehdr_status_name))}
OK = STATUS["ok"]
OUT_OF_MEMORY = STATUS["out_of_memory"]


def is_file_error(status: int) -> bool:
    """Whether a status says a file could not be opened, read or written."""
    return bool(lib.codehdr_status_is_file_error(status))

# ---- Text and errors ----------------------------------------------------------

# Header text is bytes up to a NUL; it round-trips through str unchanged.
_ENCODING, _ERRORS = "utf-8", "surrogateescape"


def text(raw: Optional[bytes]) -> str:
    """Text the library handed out, as str."""
    return "" if raw is None else raw.decode(_ENCODING, _ERRORS)


def c_text(value: str, what: str) -> bytes:
    """A str argument as the NUL-terminated bytes the library takes."""
    if not isinstance(value, str):
        raise TypeError(f"{what} must be str, not {type(value).__name__}")
    raw = value.encode(_ENCODING, _ERRORS)
    if b"\0" in raw:
        raise ValueError(f"{what} contains a NUL character")
    return raw


def c_path(path: StrPath, what: str = "path") -> bytes:
    """A str or os.PathLike path as the UTF-8 bytes the library takes."""
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f"{what} must be str or os.PathLike, not {type(path).__name__}")
    raw = os.fsencode(path)
    if b"\0" in raw:
        raise ValueError(f"{what} contains a NUL character")
    return raw


def c_byte(value: int, what: str) -> int:
    """An int argument that must fit one byte."""
    if not isinstance(value, int):
        raise TypeError(f"{what} must be int, not {type(value).__name__}")
    if not 0 <= value <= 0xFF:
        raise ValueError(f"{what} must be 0 to 255, not {value}")
    return value


def status_name(status: int) -> str:
    """The short name of a status ("ok", "crc_mismatch", ...)."""
    name = lib.codehdr_status_name(status)
    if name is None:
        raise ValueError(f"{status} is no codehdr status")
    return text(name)


def status_reason(status: int) -> str:
    """One line saying what the status means."""
    reason = lib.codehdr_status_reason(status)
    if reason is None:
        raise ValueError(f"{status} is no codehdr status")
    return text(reason)


def classic_code(status: int) -> int:
    """The classic API's result code for a status (1050 for crc_mismatch), or 0."""
    return int(lib.codehdr_status_classic_code(status))


class Error(Exception):
    """A call the library refused: a build that cannot be made, a file that
    cannot be read or written, a device control file that cannot be loaded.

    Attributes: ``status`` (the library's status number), ``status_name``
    ("file_open", "code_version", ...), ``reason`` (one line), ``code`` (the
    classic result code, 0 when there is none), ``os_error`` (errno of a file
    error, else 0) and ``filename`` (the file concerned, or None)."""

    def __init__(self, status: int, filename: Optional[StrPath] = None, os_error: int = 0) -> None:
        self.status = status
        self.status_name = status_name(status)
        self.reason = status_reason(status)
        self.code = classic_code(status)
        self.os_error = os_error
        self.filename = None if filename is None else os.fspath(filename)
        message = self.reason
        if self.filename is not None:
            message = f"{self.filename}: {message}"
        if os_error:
            message += f": {os.strerror(os_error)}"
        super().__init__(f"{message} ({self.status_name})")


def check(status: int, filename: Optional[StrPath] = None, os_error: int = 0) -> None:
    """Raises for a status other than OK: MemoryError for lack of memory,
    Error for the rest."""
    if status == OK:
        return
    if status == OUT_OF_MEMORY:
        raise MemoryError("codehdr: out of memory")
    raise Error(status, filename, os_error)


def new(constructor, *args) -> int:
    """A new library object's handle; MemoryError when there is no memory for it."""
    handle = constructor(*args)
    if not handle:
        raise MemoryError("codehdr: out of memory")
    return handle
