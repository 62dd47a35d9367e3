"""A set of images checked as one release through the package."""

import pytest

import codehdr
from conftest import PAYLOAD, header, seal

DEVICES = "VERSION 3\nDEVICE_MODEL 1A2 ALPHA APP x 17\nDEVICE_MODEL 0x0C0,BETA,BOOT,-,18\n"


@pytest.fixture
def release(tmp_path):
    """An application that needs boot loader R01A01.4, and that boot loader."""
    (tmp_path / "virevuz.txt").write_text(DEVICES)
    (tmp_path / "app.img").write_bytes(seal(header(deps=((0, b"R01A01.4"),)) + PAYLOAD))
    (tmp_path / "boot.img").write_bytes(seal(header(tag=18, code_mode=0, code_version=b"R01A01.4") + PAYLOAD))
    return tmp_path


def test_a_consistent_release_names_its_providers(release):
    r = codehdr.check_release([release / "app.img", ("boot", release / "boot.img")], release / "virevuz.txt",
                              virevuz_version="R01A02")
    assert r.consistent and r.findings == ()
    assert r.names == (str(release / "app.img"), "boot")
    assert [i.verified for i in r.images] == [True, True]
    assert r.dependencies == (codehdr.DependencyLink(0, 0, "met", (1,), 1),)


@pytest.mark.parametrize("images, options, kinds, state", [
    (["app.img"], {}, [("dependency_not_met", 0, 0)], "not_met"),
    (["app.img"], {"allow_missing": ["BOOTLDR"]}, [], "allowed_missing"),  # BOOTLDR has BOOT's value
    (["app.img", "boot.img", "missing.img"], {}, [("image_failed", 2, None)], "met"),
    (["app.img", "boot.img"], {"virevuz_version": "R02A00"},
     [("virevuz_mismatch", 0, None), ("virevuz_mismatch", 1, None)], "met"),
])
def test_findings(release, images, options, kinds, state):
    with codehdr.load_devices(release / "virevuz.txt") as devices:
        r = codehdr.check_release([release / name for name in images], devices, **options)
    assert [(f.kind, f.image, f.dependency) for f in r.findings] == kinds
    assert r.consistent == (kinds == [])
    assert all(f.image_name == r.names[f.image] and f.reason and str(f).startswith(f.image_name) for f in r.findings)
    assert r.dependencies[0].state == state


def test_refusals(release):
    with pytest.raises(codehdr.Error) as e:
        codehdr.check_release([release / "app.img"], release / "virevuz.txt", allow_missing=["NOSUCH"])
    assert e.value.status_name == "unknown_label"
    with pytest.raises(codehdr.Error) as e:
        codehdr.check_release([release / "app.img"], release / "nosuch.txt")
    assert e.value.status_name == "devctl_open"
    for images in ([42], [("name",)], [(b"name", "app.img")]):
        with pytest.raises(TypeError):
            codehdr.check_release(images, release / "virevuz.txt")
    table = codehdr.load_devices(release / "virevuz.txt")
    table.close()
    with pytest.raises(ValueError):
        codehdr.check_release([release / "app.img"], table)
