"""CRC-32 and CRC-16 over any bytes-like object, on the caller's memory."""

from __future__ import annotations

from . import _native as n
from ._buffer import borrowed

CRC16_INIT = 0xFFFF  # CODEHDR_CRC16_INIT


def _start(crc: int) -> int:
    if not isinstance(crc, int):
        raise TypeError(f"crc must be int, not {type(crc).__name__}")
    return crc


def crc32(data: object, crc: int = 0) -> int:
    """The CRC-32 of ``data`` (any bytes-like object), continued from ``crc``:
    the values of zlib.crc32, on the fastest kernel this processor offers.
    The bytes are not copied; the library reads large inputs on several
    threads at once, without the GIL."""
    crc = _start(crc) & 0xFFFFFFFF
    with borrowed(data) as (address, size):
        return int(n.lib.codehdr_crc32_parallel(crc, address, size, 0))


def crc32_combine(crc_a: int, crc_b: int, size_b: int) -> int:
    """The CRC-32 of A followed by B, from crc32(A), crc32(B) and len(B)."""
    for name, value in (("crc_a", crc_a), ("crc_b", crc_b), ("size_b", size_b)):
        if not isinstance(value, int):
            raise TypeError(f"{name} must be int, not {type(value).__name__}")
    if not 0 <= size_b < 1 << 64:
        raise ValueError("size_b must be 0 to 2**64 - 1")
    return int(n.lib.codehdr_crc32_combine(crc_a & 0xFFFFFFFF, crc_b & 0xFFFFFFFF, size_b))


def crc16(data: object, crc: int = CRC16_INIT) -> int:
    """The CRC-16/IBM-3740 of ``data`` (any bytes-like object), continued from
    ``crc`` (start from CRC16_INIT, 0xFFFF)."""
    crc = _start(crc) & 0xFFFF
    with borrowed(data) as (address, size):
        return int(n.lib.codehdr_crc16(crc, address, size))


def crc32_kernel() -> str:
    """The name of the CRC-32 kernel in use ("table", "avx2", ...)."""
    return n.text(n.lib.codehdr_crc32_kernel())
