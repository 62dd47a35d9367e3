"""Whole images through the package: verified from a file, from bytes and in
chunks; written; their payload taken out."""

import errno
import os
import pathlib
import random
import zlib

import pytest

import codehdr
from conftest import PAYLOAD, header, seal


def _crc_with_field_zero(image: bytes) -> int:
    return zlib.crc32(image[:24] + b"\0\0\0\0" + image[28:])


@pytest.mark.parametrize("as_path", [str, pathlib.Path, os.fsencode], ids=["str", "Path", "bytes"])
def test_verify_file(tmp_path, rich, as_path):
    path = tmp_path / "app.img"
    path.write_bytes(rich)
    r = codehdr.verify_file(as_path(str(path)), 17)
    assert (r.verified, r.verdict, r.status_name, r.file_size) == (True, "verified", "ok", len(rich))
    assert r.computed_crc == _crc_with_field_zero(rich) == r.header.stored_crc
    assert r.header == codehdr.read_header(rich) and r.check.passed
    assert str(r) == f"verified (tag 17, code version P03B04.5, CRC {r.computed_crc:08x}, {len(rich)} bytes)"


def _flip(image: bytes, at: int) -> bytes:
    b = bytearray(image)
    b[at] ^= 0x01
    return bytes(b)


@pytest.mark.parametrize("make, tag, verdict, status, fault", [
    (lambda r: r, 0, "verified", "ok", (0, 0)),
    (lambda r: _flip(r, 500), 0, "failed", "crc_mismatch", (24, 4)),
    (lambda r: r, 18, "failed", "tag_mismatch", (28, 1)),
    (lambda r: r[:90], 0, "failed", "header_truncated", (0, 0)),
    (lambda r: b"\x05\x05\x05\x05" + PAYLOAD, 0, "not_checked", "old_style_header", (0, 0)),
    (lambda r: PAYLOAD, 0, "not_checked", "no_header", (0, 0)),
    (lambda r: b"", 0, "not_checked", "no_header", (0, 0)),
])
def test_every_verifier_gives_the_same_report(tmp_path, rich, make, tag, verdict, status, fault):
    image = make(rich)
    path = tmp_path / "img"
    path.write_bytes(image)
    reports = [codehdr.verify_file(path, tag), codehdr.verify_bytes(image, tag), codehdr.verify_bytes(bytearray(image), tag)]
    with codehdr.Verifier(tag) as v:
        for at in range(0, len(image), 1000):
            v.update(memoryview(image)[at:at + 1000])
        assert v.size == len(image)
        reports.append(v.finish())
    for r in reports:
        assert (r.verdict, r.status_name, (r.fault_offset, r.fault_size)) == (verdict, status, fault)
        assert r.verified == (verdict == "verified") and r.file_size == len(image)
        assert r.computed_crc == (_crc_with_field_zero(image) if image[:1] == b"\xc9" else None)
        assert r == reports[0]
    assert str(reports[0]).startswith({"verified": "verified (", "failed": "FAILED " + status,
                                       "not_checked": "not checked ("}[verdict])


def test_chunks_cut_anywhere_agree_with_the_whole(rich):
    whole = codehdr.verify_bytes(rich)
    rng = random.Random(7)
    for _ in range(20):
        with codehdr.Verifier() as v:
            at = 0
            while at < len(rich):
                n = rng.choice([0, 1, 3, 23, 24, 25, 47, 97, 4096])
                v.update(rich[at:at + n])
                at += n
            assert v.finish() == whole


def test_a_finished_or_closed_verifier_refuses_use(rich):
    v = codehdr.Verifier()
    v.update(rich)
    v.finish()
    for use in (lambda: v.update(b"x"), lambda: v.size, v.finish):
        with pytest.raises(ValueError):
            use()
    v.close()
    assert "closed" in repr(v)
    with codehdr.Verifier() as w:
        pass
    with pytest.raises(ValueError):
        w.update(b"")
    with pytest.raises(TypeError):
        codehdr.Verifier().update("text")
    with pytest.raises(ValueError):
        codehdr.Verifier(256)


def test_a_read_error_makes_the_verification_fail(rich):
    v = codehdr.Verifier()
    v.update(rich[:100])
    r = v.finish(OSError(errno.EIO, "I/O error"))
    assert (r.verdict, r.status_name, r.os_error, r.file_size) == ("failed", "file_read", errno.EIO, 100)
    with pytest.raises(TypeError):
        codehdr.Verifier().finish("not an OSError")


@pytest.mark.parametrize("name, status, os_error", [
    ("missing", "file_open", errno.ENOENT),
    (".", "file_not_regular", 0),
])
def test_unreadable_files_raise(tmp_path, name, status, os_error):
    with pytest.raises(codehdr.Error) as e:
        codehdr.verify_file(tmp_path / name)
    assert (e.value.status_name, e.value.code, e.value.filename) == (status, 0, str(tmp_path / name))
    if os_error:
        assert e.value.os_error == os_error and os.strerror(os_error) in str(e.value)


def test_bad_arguments_to_verify_file(tmp_path):
    with pytest.raises(TypeError):
        codehdr.verify_file(42)
    with pytest.raises(ValueError):
        codehdr.verify_file("a\0b")
    with pytest.raises(TypeError):
        codehdr.verify_file(tmp_path, "17")
    with pytest.raises(ValueError):
        codehdr.verify_file(tmp_path, -1)


@pytest.mark.parametrize("from_file", [False, True])
def test_write_image_then_verify_and_extract(tmp_path, from_file):
    head = codehdr.build_header(17, "R01A02", "P03B04.5", comment="nightly", code_mode="APP",
                                dependencies=[(0, "R01A00"), (26, "R04C05.1")])
    payload_path = tmp_path / "app.bin"
    payload_path.write_bytes(PAYLOAD)
    out = tmp_path / "app.img"
    w = codehdr.write_image(out, bytearray(head), payload_path if from_file else memoryview(PAYLOAD))
    expected = seal(header(comment=b"nightly", deps=((0, b"R01A00"), (26, b"R04C05.1"))) + PAYLOAD)
    assert out.read_bytes() == expected
    assert (w.size, w.crc) == (len(expected), codehdr.verify_file(out).computed_crc)
    e = codehdr.extract_payload(str(out), tmp_path / "back.bin")
    assert (tmp_path / "back.bin").read_bytes() == PAYLOAD
    assert e.size == len(PAYLOAD) and e.header.code_version == "P03B04.5" and e.header.raw == b""


def test_failed_writes_raise_and_leave_nothing(tmp_path):
    head = codehdr.build_header(17, "R01A02", "P03B04", code_mode="APP")
    cases = [
        ((tmp_path / "a.img", head[:27], b"x"), "buffer_too_small", None),
        ((tmp_path / "no" / "a.img", head, b"x"), "file_write", tmp_path / "no" / "a.img"),
        ((tmp_path / "a.img", head, tmp_path / "missing.bin"), "file_open", tmp_path / "missing.bin"),
    ]
    for args, status, filename in cases:
        with pytest.raises(codehdr.Error) as e:
            codehdr.write_image(*args)
        assert e.value.status_name == status
        if filename is not None:
            assert e.value.filename == str(filename)
    assert os.listdir(tmp_path) == []
    with pytest.raises(TypeError):
        codehdr.write_image(tmp_path / "a.img", head, 42)


def test_extract_refusals(tmp_path):
    plain = tmp_path / "plain.bin"
    plain.write_bytes(PAYLOAD)
    with pytest.raises(codehdr.Error, match="no_header"):
        codehdr.extract_payload(plain, tmp_path / "out")
    assert codehdr.extract_payload(plain, tmp_path / "out", raw=True).size == len(PAYLOAD)
    short = tmp_path / "short.img"
    short.write_bytes(bytes(header())[:40])
    with pytest.raises(codehdr.Error, match="header_truncated"):
        codehdr.extract_payload(short, tmp_path / "out2")
    with pytest.raises(codehdr.Error) as e:
        codehdr.extract_payload(tmp_path / "missing", tmp_path / "out3")
    assert e.value.status_name == "file_open" and e.value.filename == str(tmp_path / "missing")
    assert sorted(os.listdir(tmp_path)) == ["out", "plain.bin", "short.img"]
