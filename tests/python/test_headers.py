"""Headers read, checked and built through the package; device tables."""

import struct

import pytest

import codehdr
from conftest import header


def test_read_header_gives_every_field(rich):
    h = codehdr.read_header(rich)
    assert (h.form, h.problem, h.total_size, h.tag, h.code_mode) == ("new_style", "ok", 98, 17, 1)
    assert (h.virevuz_version, h.code_version, h.mandatory_size) == ("R01A02", "P03B04.5", 48)
    assert h.stored_crc == struct.unpack(">I", rich[24:28])[0]
    assert (h.section_count, h.reserved, h.comment, h.comment_length) == (3, 0, "nightly", 8)
    assert h.sections == (codehdr.Section(48, 1, 8), codehdr.Section(58, 2, 18), codehdr.Section(78, 2, 18))
    assert h.dependencies == (codehdr.Dependency(0, "R01A00"), codehdr.Dependency(26, "R04C05.1"))
    assert h.raw == rich[:98]
    assert codehdr.read_header(memoryview(rich)[:98]) == h


@pytest.mark.parametrize("data, form, problem, total, tag", [
    (b"\x05\x05\x05\x05rest", "old_style", "old_style_header", 4, 5),
    (b"", "none", "no_header", 0, 0),
    (bytes(header())[:40], "malformed", "header_truncated", 48, 0),
    (bytes(header(total=30)), "malformed", "header_too_small", 30, 0),
])
def test_read_header_forms(data, form, problem, total, tag):
    h = codehdr.read_header(data)
    assert (h.form, h.problem, h.total_size, h.tag) == (form, problem, total, tag)
    assert h.raw == (data[:4] if form == "old_style" else b"")


def _patched(at: int, value: bytes) -> bytes:
    h = header(deps=((3, b"R02B03"),))
    h[at:at + len(value)] = value
    return bytes(h)


@pytest.mark.parametrize("data, tag, crc, status, offset, size", [
    (_patched(0, b"\0"), 0, 0, "guard_bytes", 0, 4),
    (_patched(0, b""), 0, 0x1234, "crc_mismatch", 24, 4),
    (_patched(0, b""), 18, 0, "tag_mismatch", 28, 1),
    (_patched(52, b"x"), 0, 0, "header_dependency_version", 52, 16),
    (_patched(46, b"\2"), 0, 0, "section_overrun", 68, 0),
])
def test_check_header_names_the_failing_field(data, tag, crc, status, offset, size):
    check = codehdr.check_header(data, tag, crc)
    assert (check.passed, check.status_name, check.fault_offset, check.fault_size) == (False, status, offset, size)


def test_check_header_takes_versions_and_dependencies_once_checked():
    good = bytes(header(deps=((3, b"R02B03"), (4, b"R03C04"))))
    check = codehdr.check_header(good, 17)
    assert check.passed and (check.status_name, check.fault_offset) == ("ok", 0)
    assert check.code_version == "P03B04.5"
    assert check.dependencies == (codehdr.Dependency(3, "R02B03"), codehdr.Dependency(4, "R03C04"))
    early = codehdr.check_header(good, 18)  # fails before the code version
    assert early.code_version is None and early.dependencies is None
    late = codehdr.check_header(_patched(52, b"x"))
    assert late.code_version == "P03B04.5" and late.dependencies == ()


def test_build_header_matches_an_independent_assembly(devctl):
    expected = bytes(header(comment=b"nightly", deps=((0, b"R01A00"), (26, b"R04C05.1"))))
    deps = [("BOOT", "R01A00"), codehdr.Dependency(26, "R04C05.1")]
    assert codehdr.build_header(17, "R01A02", "P03B04.5", comment="nightly", dependencies=deps,
                                code_mode="APP") == expected
    with codehdr.load_devices(devctl) as devices:
        assert codehdr.build_header(17, "R01A02", "P03B04.5", comment="nightly", dependencies=iter(deps),
                                    devices=devices) == expected
    assert codehdr.dependency("LANG", "R01A00") == codehdr.Dependency(26, "R01A00")


@pytest.mark.parametrize("args, kwargs, status, code", [
    ((17, "X01A02", "P03B04.5"), {"code_mode": "APP"}, "virevuz_version", 1051),
    ((17, "R01A02", ""), {"code_mode": "APP"}, "code_version_empty", 1051),
    ((17, "R01A02", "P03B04"), {"code_mode": "BUNDLE"}, "code_mode_too_large", 1002),
    ((17, "R01A02", "P03B04"), {"code_mode": "APP", "dependencies": [("NOPE", "R01A00")]}, "unknown_label", 1054),
    ((17, "R01A02", "P03B04"), {"code_mode": "APP", "dependencies": [("APP", "bad")]}, "dependency_version", 1051),
    ((17, "R01A02", "P03B04"), {"code_mode": "APP", "dependencies": [(1, "R01A00")] * 256}, "too_many_sections",
     1055),
])
def test_refused_builds_raise_the_status(args, kwargs, status, code):
    with pytest.raises(codehdr.Error) as e:
        codehdr.build_header(*args, **kwargs)
    assert (e.value.status_name, e.value.code) == (status, code)
    assert e.value.reason == codehdr.status_reason(e.value.status)


def test_build_header_from_devices_refuses_an_unknown_tag_and_a_closed_table(devctl):
    devices = codehdr.load_devices(devctl)
    with pytest.raises(codehdr.Error, match="no_code_mode"):
        codehdr.build_header(99, "R01A02", "P03B04", devices=devices)
    devices.close()
    devices.close()
    with pytest.raises(ValueError):
        codehdr.build_header(17, "R01A02", "P03B04", devices=devices)
    with pytest.raises(ValueError):
        with devices:
            pass


@pytest.mark.parametrize("args, kwargs, error", [
    (("17", "R01A02", "P03B04"), {"code_mode": "APP"}, TypeError),
    ((256, "R01A02", "P03B04"), {"code_mode": "APP"}, ValueError),
    ((17, b"R01A02", "P03B04"), {"code_mode": "APP"}, TypeError),
    ((17, "R01A02", "P03\0B04"), {"code_mode": "APP"}, ValueError),
    ((17, "R01A02", "P03B04"), {}, TypeError),
    ((17, "R01A02", "P03B04"), {"code_mode": "APP", "dependencies": ["R01A00"]}, TypeError),
    ((17, "R01A02", "P03B04"), {"code_mode": "APP", "dependencies": [(70000, "R01A00")]}, TypeError),
])
def test_build_header_argument_types(args, kwargs, error):
    with pytest.raises(error):
        codehdr.build_header(*args, **kwargs)


def test_read_and_check_refuse_what_is_not_bytes_like():
    for call in (codehdr.read_header, codehdr.check_header, codehdr.verify_bytes):
        with pytest.raises(TypeError):
            call("text")


def test_load_devices_with_messages(devctl):
    lines = []
    with codehdr.load_devices(devctl, lines.append) as devices:
        assert list(devices) == [codehdr.Device(0x1A2, "ALPHA", "APP", 17), codehdr.Device(0xC0, "BETA", "BUNDLE", 18)]
        assert len(devices) == 2 and "2 devices" in repr(devices)
    assert lines == ["Device Control Version 3"]
    assert "closed" in repr(devices)


@pytest.mark.parametrize("text, status", [
    (None, "devctl_open"),
    ("DEVICE_MODEL 1 A APP x 17\n", "devctl_no_version"),
    ("VERSION 3\n", "devctl_no_models"),
])
def test_load_devices_failures(tmp_path, text, status):
    path = tmp_path / "virevuz.txt"
    if text is not None:
        path.write_text(text)
    with pytest.raises(codehdr.Error) as e:
        codehdr.load_devices(path)
    assert e.value.status_name == status and e.value.filename == str(path)


def test_an_exception_in_the_message_callback_reaches_the_caller(devctl):
    def refuse(line):
        raise KeyError(line)

    with pytest.raises(KeyError, match="Device Control Version 3"):
        codehdr.load_devices(devctl, refuse)
    with pytest.raises(TypeError):
        codehdr.load_devices(devctl, "not callable")


def test_code_modes():
    modes = codehdr.code_modes()
    assert len(modes) == 17 and modes[2] == codehdr.CodeMode("APP", 1) and modes[-1] == codehdr.CodeMode("BUNDLE", 511)
    assert codehdr.code_mode_value("FPGA") == 3 and codehdr.code_mode_value("fpga") is None
