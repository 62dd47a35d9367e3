"""What the package does over the library: marshalling, names, errors, ownership.
Headers and images here are assembled byte by byte, apart from the library's builder."""

import binascii
import errno
import gc
import os
import struct
import tracemalloc
import zlib

import pytest

import codehdr

D = codehdr.Dependency
BIG = bytes(40 << 20) + bytes(range(256))  # large enough for the library's threads
PAYLOAD = bytes(range(256)) * 4


def header(tag=17, code_version=b"P03B04.5", code_mode=1, comment=None, deps=()) -> bytearray:
    sections = ([] if comment is None else [bytes([1, len(comment) + 1]) + comment + b"\0"]) + [
        bytes([2, 18]) + struct.pack(">H16s", t, v) for t, v in deps]
    body = b"".join(sections)
    return bytearray(struct.pack(">4s16sHHIBB16sBB", b"\xc9" * 4, b"R01A02", 48, 48 + len(body), 0, tag, code_mode,
                                 code_version, len(sections), 0) + body)


def image(head: bytearray, payload: bytes = PAYLOAD) -> bytes:
    """The image with the CRC-32 of its bytes, CRC field zero, stored in the field."""
    return bytes(head[:24]) + struct.pack(">I", zlib.crc32(head + payload)) + bytes(head[28:]) + payload


IMAGE = image(header())


@pytest.fixture
def devctl(tmp_path):
    (p := tmp_path / "virevuz.txt").write_text("VERSION 3\nDEVICE_MODEL 1A2 A APP x 17\nDEVICE_MODEL C0 B BOOT x 18\n")
    return p


@pytest.mark.parametrize("make", [bytes, lambda d: memoryview(b"xx" + d)[2:]], ids=["bytes", "memoryview slice"])
def test_checksums_read_the_callers_bytes_in_place(make):
    data = make(BIG)
    tracemalloc.start()
    crc, peak = codehdr.crc32(data, 7), tracemalloc.get_traced_memory()[1]
    tracemalloc.stop()
    assert crc == zlib.crc32(BIG, 7) and peak < 1 << 20
    assert codehdr.crc16(data[-300:]) == binascii.crc_hqx(BIG[-300:], 0xFFFF)
    assert codehdr.crc32_combine(zlib.crc32(BIG[:-300]), zlib.crc32(BIG[-300:]), 300) == zlib.crc32(BIG)


@pytest.mark.parametrize("bad, error", [("text", TypeError), (memoryview(bytearray(9))[::2], BufferError)])
def test_only_contiguous_bytes_like_objects_are_data(bad, error):
    for call in (codehdr.crc32, codehdr.crc16, codehdr.read_header, codehdr.check_header, codehdr.verify_bytes,
                 codehdr.Verifier().update):
        with pytest.raises(error):
            call(bad)


def test_version_strings_cross_as_text_and_parts():
    assert [codehdr.parse_version(text) for text in ("R01A02.3", "R0", "Q01A02")] == [
        codehdr.Version(1, 2, "A", 3), codehdr.Version(0, 0, "", None), None]  # "R0": no letter, no build
    assert codehdr.make_version(9, 0, "Z", prelim=True) == "P09Z00"
    assert codehdr.check_version("R01A02.34567890x", 15) and not codehdr.check_version("R01A02.34567890x")


@pytest.mark.parametrize("call, error", [
    (lambda: codehdr.crc32_combine(0, 0, -1), ValueError),
    (lambda: codehdr.check_version("R01A02", -1), ValueError),
    (lambda: codehdr.check_version("R01\0A02"), ValueError),
    (lambda: codehdr.make_version(1 << 32, 2, "A"), ValueError),  # ctypes would wrap it
    (lambda: codehdr.make_version(1, 2, "A", -1), ValueError),  # -1 means no build to the library
    (lambda: codehdr.make_version(1, 2, "A", 10), ValueError),  # refused by the library
    (lambda: codehdr.status_name(-1), ValueError),
    (lambda: codehdr.verify_file("a\0b"), ValueError),
    (lambda: codehdr.verify_file("a", 256), ValueError),
    (lambda: codehdr.build_header(17, b"R01A02", "P03B04", code_mode="APP"), TypeError),
    (lambda: codehdr.build_header(17, "R01A02", "P03B04"), TypeError),  # neither code_mode nor devices
    (lambda: codehdr.build_header(17, "R01A02", "P03B04", code_mode="APP", dependencies=[(1 << 16, "R1")]), TypeError),
    (lambda: codehdr.check_release([("name",)], "virevuz.txt"), TypeError),
    (lambda: codehdr.Verifier().finish("no OSError"), TypeError),
    (lambda: [v := codehdr.Verifier(), v.finish(), v.size], ValueError),  # finish() closes it
])
def test_bad_python_arguments(call, error):
    with pytest.raises(error):
        call()


def test_the_library_is_the_installed_one_when_asked(request):
    installed = request.config.getoption("--installed") or pytest.skip("on an installed package only (tests/install)")
    assert os.path.realpath(os.path.dirname(codehdr.__file__)) == os.path.realpath(installed)
    assert "CODEHDR_LIBRARY" not in os.environ and os.path.isabs(codehdr._native.lib._name)  # not the system's search


def test_read_header_fills_every_field_and_keeps_undecodable_bytes():
    head = header(comment=b"\xffnight", deps=((0, b"R01A00"), (26, b"R04C05.1")))
    head[24:28], head[47] = b"\x01\x02\x03\x04", 5
    assert codehdr.read_header(memoryview(bytes(head) + b"payload")) == codehdr.Header(
        form="new_style", problem="ok", total_size=97, tag=17, virevuz_version="R01A02", mandatory_size=48,
        stored_crc=0x01020304, code_mode=1, code_version="P03B04.5", section_count=3, reserved=5, comment="\udcffnight",
        comment_length=7, sections=(codehdr.Section(48, 1, 7), codehdr.Section(57, 2, 18), codehdr.Section(77, 2, 18)),
        dependencies=(D(0, "R01A00"), D(26, "R04C05.1")), raw=bytes(head))


def test_check_header_marshals_the_check():
    good = bytes(header(deps=((3, b"R02B03"),)))
    c = codehdr.check_header(good, 17)
    assert (c.passed, c.status_name, c.code_version, c.dependencies) == (True, "ok", "P03B04.5", (D(3, "R02B03"),))
    c = codehdr.check_header(bytearray(good), 18)
    assert (c.passed, c.status_name, c.reason, c.fault_offset, c.fault_size, c.code_version, c.dependencies) == (
        False, "tag_mismatch", codehdr.status_reason(c.status), 28, 1, None, None)
    assert codehdr.check_header(good, 0, 0x1234).status_name == "crc_mismatch"


def test_build_header_takes_labels_pairs_and_text_as_given():
    fpga, app = codehdr.code_mode_value("FPGA"), codehdr.code_mode_value("APP")
    expected = header(code_mode=app, comment=b"\xffnight", deps=((fpga, b"R01A00"), (26, b"R04C05.1"), (5, b"R02B03")))
    assert codehdr.build_header(17, "R01A02", "P03B04.5", comment="\udcffnight", code_mode="APP",
                                dependencies=iter([("FPGA", "R01A00"), (26, "R04C05.1"), D(5, "R02B03")])) == expected
    assert codehdr.CodeMode("APP", app) in codehdr.code_modes() and codehdr.code_mode_value("no such") is None


def test_a_refused_build_raises_the_librarys_status():
    with pytest.raises(codehdr.Error, match="\\(dependency_version\\)$") as e:
        codehdr.build_header(17, "R01A02", "P03B04", dependencies=[(3, "garbage!")], code_mode="APP")
    assert e.value.code == codehdr.classic_code(e.value.status) != 0


def test_load_devices_marshals_records_and_messages(devctl):
    with codehdr.load_devices(str(devctl), (lines := []).append) as devices:
        assert list(devices) == [codehdr.Device(0x1A2, "A", "APP", 17), codehdr.Device(0xC0, "B", "BOOT", 18)]
    assert lines == ["Device Control Version 3"]
    with pytest.raises(KeyError, match="Device Control Version 3"):
        codehdr.load_devices(devctl, lambda line: {}[line])  # the callback's exception, raised after the load


@pytest.mark.parametrize("data, tag, verdict, status, fault, text", [
    (IMAGE, 17, "verified", "ok", (0, 0), "verified (tag 17, code version P03B04.5, CRC "),
    (IMAGE, 18, "failed", "tag_mismatch", (28, 1), "FAILED tag_mismatch: "),
    (b"\5\5\5\5" + PAYLOAD, 0, "not_checked", "old_style_header", (0, 0), "not checked ("),
])
def test_every_verifier_gives_the_same_report(tmp_path, data, tag, verdict, status, fault, text):
    (path := tmp_path / os.fsdecode(b"img\xff")).write_bytes(data)  # not UTF-8: the library gets the name's bytes
    with codehdr.Verifier(tag) as v:
        for at in range(0, len(data), 100):
            v.update(memoryview(data)[at:at + 100])
        assert v.size == len(data)
        reports = [v.finish(), codehdr.verify_file(path, tag), codehdr.verify_bytes(data, tag)]
    r, checked = reports[0], data[0] == 0xC9
    assert reports[1:] == [r, r] and (r.fault_offset, r.fault_size) == fault and str(r).startswith(text)
    assert (r.verified, r.verdict, r.status_name, r.file_size) == (verdict == "verified", verdict, status, len(data))
    assert r.computed_crc == (r.header.stored_crc if checked else None) and (r.check is not None) == checked
    assert r.header == codehdr.read_header(data) and r.header.comment is None


def test_a_read_error_fed_to_the_verifier_fails_it():
    (v := codehdr.Verifier()).update(IMAGE[:100])
    r = v.finish(OSError(errno.EIO, "I/O error"))
    assert (r.verdict, r.status_name, r.os_error, r.file_size) == ("failed", "file_read", errno.EIO, 100)


@pytest.mark.parametrize("payload", [lambda t: memoryview(PAYLOAD), lambda t: t / "app.bin"], ids=["bytes", "file"])
def test_write_image_then_extract(tmp_path, payload):
    (tmp_path / "app.bin").write_bytes(PAYLOAD)
    w = codehdr.write_image(tmp_path / "app.img", head := header(), payload(tmp_path))
    head.extend(b"!")  # BufferError if the call left the header exported
    assert (tmp_path / "app.img").read_bytes() == IMAGE and (w.size, w.crc) == (len(IMAGE), int(IMAGE[24:28].hex(), 16))
    e = codehdr.extract_payload(str(tmp_path / "app.img"), tmp_path / "back.bin")
    assert (tmp_path / "back.bin").read_bytes() == PAYLOAD and (e.size, e.header.tag) == (len(PAYLOAD), 17)
    assert codehdr.extract_payload(tmp_path / "app.bin", tmp_path / "raw.bin", raw=True).size == len(PAYLOAD)


@pytest.mark.parametrize("call, status, concerned, os_error", [
    (lambda t: codehdr.verify_file(t / "missing"), "file_open", "missing", errno.ENOENT),
    (lambda t: codehdr.write_image(t / "no" / "out", header(), b"x"), "file_write", "no/out", errno.ENOENT),
    (lambda t: codehdr.write_image(t / "out", header(), t / "missing"), "file_open", "missing", errno.ENOENT),
    (lambda t: codehdr.extract_payload(t / "missing", t / "out"), "file_open", "missing", errno.ENOENT),
    (lambda t: codehdr.extract_payload(t / "app.img", t / "no" / "out"), "file_write", "no/out", errno.ENOENT),
    (lambda t: codehdr.load_devices(t / "missing"), "devctl_open", "missing", 0),
])
def test_refusals_name_the_file_concerned(tmp_path, call, status, concerned, os_error):
    (tmp_path / "app.img").write_bytes(IMAGE)
    with pytest.raises(codehdr.Error) as e:
        call(tmp_path)
    assert (e.value.status_name, e.value.filename, e.value.os_error) == (status, str(tmp_path / concerned), os_error)
    assert str(e.value).startswith(f"{e.value.filename}: {codehdr.status_reason(e.value.status)}")
    assert (os.strerror(os_error) in str(e.value)) == bool(os_error)


@pytest.mark.parametrize("function, result, call", [
    ("codehdr_verifier_new", None, codehdr.Verifier),
    ("codehdr_header_build", "out_of_memory", lambda: codehdr.build_header(17, "R01A02", "P03B04", code_mode="APP")),
])
def test_lack_of_memory_is_memory_error(monkeypatch, function, result, call):
    monkeypatch.setattr(codehdr._native.lib, function, lambda *args: codehdr._native.STATUS.get(result))
    with pytest.raises(MemoryError):
        call()


@pytest.mark.parametrize("make, free, uses", [
    (lambda d: codehdr.Verifier(), "codehdr_verifier_free", (lambda v: v.update(b""), lambda v: v.size)),
    (codehdr.load_devices, "codehdr_devices_free",
     (lambda t: codehdr.check_release([], t), lambda t: codehdr.build_header(17, "R01A02", "P03B04", devices=t))),
])
def test_a_library_object_is_freed_once_and_refused_after(monkeypatch, devctl, make, free, uses):
    freed, real = [], getattr(codehdr._native.lib, free)
    monkeypatch.setattr(codehdr._native.lib, free, lambda handle: freed.append(handle) or real(handle))
    owner, dropped = make(devctl), make(devctl)
    handles = [owner._handle, dropped._handle]
    with owner:
        for use in uses:
            use(owner)
    owner.close()  # a second close frees nothing
    for use in uses + (type(owner).__enter__,):
        with pytest.raises(ValueError):
            use(owner)
    del dropped  # __del__ frees it
    gc.collect()
    assert freed == handles


def test_check_release_marshals_names_findings_and_links(tmp_path, devctl):
    boot, fpga, app = codehdr.code_mode_value("BOOT"), codehdr.code_mode_value("FPGA"), tmp_path / "app.img"
    app.write_bytes(image(header(deps=((boot, b"R01A01.4"), (boot, b"R01A01.5"), (fpga, b"R01A00")))))
    (tmp_path / "boot.img").write_bytes(image(header(tag=18, code_mode=boot, code_version=b"R01A01.4")))
    r = codehdr.check_release([app, ("boot", tmp_path / "boot.img")], devctl, virevuz_version="R02A00",
                              allow_missing=["FPGA"])
    assert r.names == (str(app), "boot") and [i.verified for i in r.images] == [True, True] and not r.consistent
    assert [(f.kind, f.image, f.others, f.dependency) for f in r.findings] == [
        ("virevuz_mismatch", 0, (), None), ("dependency_not_met", 0, (1,), 1), ("virevuz_mismatch", 1, (), None)]
    assert str(r.findings[1]).startswith(f"{app}: dependency_not_met: ")
    assert [(d.image, d.dependency, d.state, d.providers, d.provider_count) for d in r.dependencies] == [
        (0, 0, "met", (1,), 1), (0, 1, "not_met", (), 0), (0, 2, "allowed_missing", (), 0)]
