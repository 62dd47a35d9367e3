"""Shared by the Python tests: images assembled byte by byte, independently of
the library's own builder, and a device control file."""

import struct
import zlib
from typing import List, Optional, Tuple

import pytest


def pytest_addoption(parser):
    parser.addoption("--installed", default=None,
                     help="the folder of the installed package that the tests must be running on")


def header(tag: int = 17, virevuz: bytes = b"R01A02", code_version: bytes = b"P03B04.5", code_mode: int = 1,
           comment: Optional[bytes] = None, deps: Tuple[Tuple[int, bytes], ...] = (),
           total: Optional[int] = None) -> bytearray:
    """A new-style header, CRC field zero."""
    sections: List[bytes] = []
    if comment is not None:
        sections.append(bytes([1, len(comment) + 1]) + comment + b"\0")
    sections += [bytes([2, 18]) + struct.pack(">H16s", t, v) for t, v in deps]
    body = b"".join(sections)
    size = 48 + len(body) if total is None else total
    return bytearray(struct.pack(">4s16sHHIBB16sBB", b"\xc9" * 4, virevuz, 48, size, 0, tag, code_mode, code_version,
                                 len(sections), 0) + body)


def seal(image: bytearray) -> bytes:
    """The image with the CRC-32 of its bytes (CRC field zero) stored in it."""
    image[24:28] = b"\0\0\0\0"
    image[24:28] = struct.pack(">I", zlib.crc32(image))
    return bytes(image)


PAYLOAD = bytes(range(256)) * 40


@pytest.fixture
def rich() -> bytes:
    """A sealed image: a comment and two dependencies (a 98-byte header), then PAYLOAD."""
    return seal(header(comment=b"nightly", deps=((0, b"R01A00"), (26, b"R04C05.1"))) + PAYLOAD)


@pytest.fixture
def devctl(tmp_path) -> str:
    path = tmp_path / "virevuz.txt"
    path.write_text("VERSION 3\nDEVICE_MODEL 1A2 ALPHA APP x 17\nDEVICE_MODEL 0x0C0,BETA,BUNDLE,-,18\n")
    return str(path)
