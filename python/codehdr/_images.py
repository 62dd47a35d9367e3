"""Whole code images: verify a file, bytes or chunks fed in turn; write an
image in one pass; take the payload out of one."""

from __future__ import annotations

import ctypes
import os
from dataclasses import dataclass
from typing import Optional

from . import _native as n
from ._buffer import borrowed
from ._headers import Header, HeaderCheck, check_from, header_from, header_object

_VERDICTS = n.names(n.lib.codehdr_verdict_name)


@dataclass(frozen=True)
class VerifyReport:
    """The verdict on an image. ``verdict`` is the library's name for it:
    "verified" (a new-style header that passes every check, CRC included),
    "not_checked" (no new-style header to check; a pass; ``status_name`` says
    why), "failed"; ``verified`` is true for the first only. ``computed_crc`` is the CRC-32 of the image with
    its CRC field as zero (for images that start with 0xC9); ``fault_offset``
    and ``fault_size`` give the bytes of the header that the failing check
    found wrong; ``check`` is the field-by-field check of a new-style header."""
    verified: bool
    verdict: str
    status: int
    status_name: str
    reason: str
    os_error: int
    file_size: int
    computed_crc: Optional[int]
    fault_offset: int
    fault_size: int
    header: Header
    check: Optional[HeaderCheck]

    def __str__(self) -> str:
        """One line, e.g. "verified (tag 17, code version P03B04.5, CRC 9a7212e1, 7093 bytes)"."""
        if self.verified:
            return (f"verified (tag {self.header.tag}, code version {self.header.code_version}, "
                    f"CRC {self.computed_crc:08x}, {self.file_size} bytes)")
        if self.verdict == "not_checked":
            return f"not checked ({self.reason})"
        return f"FAILED {self.status_name}: {self.reason}"


@dataclass(frozen=True)
class WriteReport:
    """A written image: its size in bytes and the CRC-32 stored in it."""
    size: int
    crc: int


@dataclass(frozen=True)
class ExtractReport:
    """An extracted payload: its size in bytes and the header taken off."""
    size: int
    header: Header


def _verify(call, handle: int) -> VerifyReport:
    """Runs `call(report)`, which fills a verify report with `handle` as its
    header receiver, and makes the report."""
    report = n.VerifyReportStruct()
    report.header = handle
    status = call(ctypes.byref(report))
    if status in (n.OUT_OF_MEMORY, n.STATUS["invalid_argument"]):
        n.check(status)
    verdict = _VERDICTS[report.verdict]
    return VerifyReport(verified=verdict == "verified", verdict=verdict, status=report.status,
                        status_name=n.status_name(report.status), reason=n.status_reason(report.status),
                        os_error=report.os_error, file_size=report.file_size,
                        computed_crc=report.computed_crc if report.has_computed_crc else None,
                        fault_offset=report.fault_offset, fault_size=report.fault_size,
                        header=header_from(handle), check=check_from(handle))


def verify_file(path: n.StrPath, expected_tag: int = 0) -> VerifyReport:
    """Verifies the code image file at ``path`` against its header and CRC-32,
    reading it once, front to back, in constant memory. ``expected_tag`` 0
    accepts any tag id. A failed verification returns its report; a file that
    cannot be opened or read raises Error (file_open, file_not_regular,
    file_read, file_shrank)."""
    raw_path = n.c_path(path)
    tag = n.c_byte(expected_tag, "expected_tag")
    with header_object() as handle:
        report = _verify(lambda r: n.lib.codehdr_verify_file(raw_path, tag, r), handle)
    if n.is_file_error(report.status):
        raise n.Error(report.status, path, report.os_error)
    return report


def verify_bytes(data: object, expected_tag: int = 0) -> VerifyReport:
    """As verify_file, for an image held in any bytes-like object."""
    tag = n.c_byte(expected_tag, "expected_tag")
    with borrowed(data) as (address, size), header_object() as handle:
        return _verify(lambda r: n.lib.codehdr_verify_bytes(address, size, tag, r), handle)


class Verifier:
    """Verifies an image fed in chunks, in order and of any sizes (read from a
    socket or an archive), without a temporary file: ``finish()`` gives the
    report that verify_bytes gives for the chunks put together. Only the
    header's bytes are kept.

    ``finish()`` and ``close()`` free the library object; afterwards the
    verifier raises ValueError. Usable as a context manager::

        with codehdr.Verifier(expected_tag=17) as v:
            for chunk in chunks:
                v.update(chunk)
            report = v.finish()
    """

    _handle: Optional[int] = None

    def __init__(self, expected_tag: int = 0) -> None:
        self._handle = n.new(n.lib.codehdr_verifier_new, n.c_byte(expected_tag, "expected_tag"))

    def _live(self) -> int:
        if self._handle is None:
            raise ValueError("the verifier is finished or closed")
        return self._handle

    def update(self, data: object) -> None:
        """Feeds the next bytes of the image (any bytes-like object)."""
        handle = self._live()
        with borrowed(data) as (address, size):
            n.check(n.lib.codehdr_verifier_update(handle, address, size))

    @property
    def size(self) -> int:
        """The number of bytes fed so far."""
        return int(n.lib.codehdr_verifier_size(self._live()))

    def finish(self, read_error: Optional[OSError] = None) -> VerifyReport:
        """The report for the bytes fed, and the verifier is closed. Pass the
        OSError of a read that failed on the way to make the report a failure
        (file_read) with its errno."""
        handle = self._live()
        status, errno = n.OK, 0
        if read_error is not None:
            if not isinstance(read_error, OSError):
                raise TypeError("read_error must be an OSError")
            status, errno = n.STATUS["file_read"], read_error.errno or 0
        with header_object() as receiver:
            report = _verify(lambda r: n.lib.codehdr_verifier_finish(handle, status, errno, r), receiver)
        self.close()
        return report

    def close(self) -> None:
        """Frees the library object. Closing twice does nothing."""
        if self._handle is not None:
            n.lib.codehdr_verifier_free(self._handle)
            self._handle = None

    def __enter__(self) -> "Verifier":
        self._live()
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self._handle is None else f"{self.size} bytes fed"
        return f"<codehdr.Verifier {state}>"


def write_image(output: n.StrPath, header: object, payload: object) -> WriteReport:
    """Writes the code image ``output`` in one pass: ``header`` (bytes-like, a
    built header) with its CRC field zero, then the payload while the CRC-32
    runs over every byte, then the CRC into the header. ``payload`` is a
    bytes-like object, or a str or os.PathLike naming a file to copy. The
    file appears whole or not at all. Raises Error when the image cannot be
    written (buffer_too_small for a header shorter than 28 bytes, file_write,
    or the payload file's error)."""
    raw_output = n.c_path(output, "output")
    report = n.WriteReportStruct()
    from_file = isinstance(payload, (str, os.PathLike))
    with borrowed(header, "header") as (head, head_size):
        if from_file:
            raw_payload = n.c_path(payload, "payload")
            status = n.lib.codehdr_write_image_from_file(raw_output, head, head_size, raw_payload,
                                                         ctypes.byref(report))
        else:
            with borrowed(payload, "payload") as (body, body_size):
                status = n.lib.codehdr_write_image(raw_output, head, head_size, body, body_size,
                                                   ctypes.byref(report))
    # The library says what failed, not which file: a file error other than a
    # failed write is the payload file's.
    payload_failed = from_file and n.is_file_error(status) and status != n.STATUS["file_write"]
    n.check(status, payload if payload_failed else output, report.os_error)
    return WriteReport(report.size, report.crc)


def extract_payload(image: n.StrPath, output: n.StrPath, raw: bool = False) -> ExtractReport:
    """Writes the payload of the code image ``image`` to ``output``: the bytes
    after its header. An image without a header raises Error (no_header)
    unless ``raw``, when it is copied whole; a malformed header raises its
    problem. The CRC is not checked. ``output`` appears whole or not at all."""
    raw_image, raw_output = n.c_path(image, "image"), n.c_path(output, "output")
    report = n.ExtractReportStruct()
    with header_object() as handle:
        report.header = handle
        status = n.lib.codehdr_extract_payload(raw_image, raw_output, 1 if raw else 0, ctypes.byref(report))
        n.check(status, output if status == n.STATUS["file_write"] else image, report.os_error)
        return ExtractReport(report.size, header_from(handle))
