"""Checksums on every kind of bytes-like object, statuses, version strings,
and where the package found its library."""

import array
import mmap
import os
import tracemalloc
import zlib

import pytest

import codehdr

DIGITS = b"123456789"


def _mapped(tmp_path, data: bytes) -> mmap.mmap:
    path = tmp_path / "mapped"
    path.write_bytes(data)
    with open(path, "rb") as f:
        return mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)


@pytest.mark.parametrize("make", [
    lambda d, _: d,
    lambda d, _: bytearray(d),
    lambda d, _: memoryview(d),
    lambda d, _: memoryview(b"xx" + d + b"yy")[2:-2],  # read-only, not at the start of its object
    lambda d, _: memoryview(bytearray(d)),
    lambda d, _: array.array("B", d),
    lambda d, t: _mapped(t, d),
], ids=["bytes", "bytearray", "memoryview", "memoryview slice", "writable memoryview", "array", "mmap"])
@pytest.mark.parametrize("data", [DIGITS, bytes(range(256)) * 33 + b"tail"], ids=["check", "long"])
def test_crc32_is_zlibs_on_any_bytes_like_object(make, data, tmp_path):
    obj = make(data, tmp_path)
    assert codehdr.crc32(obj) == zlib.crc32(data)
    assert codehdr.crc32(obj, 0x12345678) == zlib.crc32(data, 0x12345678)
    assert codehdr.crc32(data[5:], codehdr.crc32(data[:5])) == zlib.crc32(data)


def test_crc16_and_empty_input():
    assert codehdr.crc16(DIGITS) == 0x29B1
    assert codehdr.crc16(DIGITS[4:], codehdr.crc16(DIGITS[:4])) == 0x29B1
    assert codehdr.crc32(b"") == 0 and codehdr.crc32(bytearray(), 7) == 7
    assert codehdr.crc16(b"") == codehdr.CRC16_INIT
    assert codehdr.crc32_kernel() in {"table", "slice", "pclmul-sse", "pclmul", "avx2", "avx512"}


@pytest.mark.parametrize("bad", ["text", 5, None, [1, 2], 3.0])
def test_crc_refuses_what_is_not_bytes_like(bad):
    with pytest.raises(TypeError):
        codehdr.crc32(bad)
    with pytest.raises(TypeError):
        codehdr.crc16(bad)


def test_crc_refuses_a_start_that_is_no_int_and_a_scattered_buffer():
    with pytest.raises(TypeError):
        codehdr.crc32(DIGITS, "0")
    with pytest.raises(BufferError):
        codehdr.crc32(memoryview(bytearray(10))[::2])


@pytest.mark.parametrize("make", [bytes, bytearray, lambda n: memoryview(bytes(n + 1))[1:]],
                         ids=["bytes", "bytearray", "memoryview"])
@pytest.mark.parametrize("size", [1 << 20, (40 << 20) + 3], ids=["one piece", "pieces on threads"])
def test_crc32_reads_the_callers_memory_without_a_copy(make, size):
    data = make(size)
    data_crc = zlib.crc32(data, 5)
    tracemalloc.start()
    try:
        got = codehdr.crc32(data, 5)
        _, peak = tracemalloc.get_traced_memory()
    finally:
        tracemalloc.stop()
    assert got == data_crc and peak < 1 << 20


def test_crc32_combine():
    a, b = DIGITS[:4], DIGITS[4:]
    assert codehdr.crc32_combine(zlib.crc32(a), zlib.crc32(b), len(b)) == zlib.crc32(DIGITS)
    assert codehdr.crc32_combine(0xCBF43926, 0, 0) == 0xCBF43926
    with pytest.raises(ValueError):
        codehdr.crc32_combine(0, 0, -1)
    with pytest.raises(TypeError):
        codehdr.crc32_combine(0, "0", 1)


def test_an_exported_buffer_is_held_for_the_call_only():
    data = bytearray(DIGITS)
    codehdr.crc32(data)
    data.extend(b"0")  # a buffer still exported could not be resized
    assert codehdr.crc32(data) == zlib.crc32(DIGITS + b"0")


def test_statuses():
    assert codehdr.status_name(0) == "ok"
    crc = next(s for s in range(64) if codehdr.status_name(s) == "crc_mismatch")
    assert codehdr.classic_code(crc) == 1050
    assert "CRC" in codehdr.status_reason(crc)
    for bad in (-1, 1000):
        with pytest.raises(ValueError):
            codehdr.status_name(bad)
    e = codehdr.Error(crc, "x.img", 0)
    assert (e.status_name, e.code, e.filename) == ("crc_mismatch", 1050, "x.img")
    assert str(e).startswith("x.img: ")


@pytest.mark.parametrize("text, count, ok", [
    ("R01A02.3", 16, True), ("R01I02", 16, False), ("garbage", 0, True), ("R01A02", 17, False),
])
def test_check_version(text, count, ok):
    assert codehdr.check_version(text, count) is ok


@pytest.mark.parametrize("text, parsed", [
    ("R01A02.3", codehdr.Version(1, 2, "A", 3)),
    ("P99Z00", codehdr.Version(99, 0, "Z", None)),
    ("R0", codehdr.Version(0, 0, "", None)),  # too short to hold a letter
    ("Q01A02", None),
])
def test_parse_version(text, parsed):
    assert codehdr.parse_version(text) == parsed


def test_make_version():
    assert codehdr.make_version(1, 2, "a", 3) == "R01A02.3"
    assert codehdr.make_version(99, 0, "Z", prelim=True) == "P99Z00"
    for parts in [(100, 0, "A"), (0, 100, "A"), (1, 2, "A", 10), (1, 2, "A", -1), (1, 2, "1"), (-1, 2, "A")]:
        with pytest.raises(ValueError):
            codehdr.make_version(*parts)
    for parts in [("1", 2, "A"), (1, 2, "AB"), (1, 2, 65), (1, 2, "A", "3")]:
        with pytest.raises(TypeError):
            codehdr.make_version(*parts)
    with pytest.raises(ValueError):
        codehdr.check_version("R01\0A02")


def test_the_library_is_the_installed_one_when_asked(request):
    installed = request.config.getoption("--installed")
    if installed is None:
        pytest.skip("runs on an installed package only (tests/install)")
    package = os.path.realpath(os.path.dirname(codehdr.__file__))
    assert package == os.path.realpath(installed)
    assert "CODEHDR_LIBRARY" not in os.environ
    # Found through the install tree's library folder, not the system's search.
    assert os.path.isabs(codehdr._native.lib._name)
