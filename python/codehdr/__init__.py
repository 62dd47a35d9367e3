"""codehdr: firmware code image headers from Python.

Verify an image, read and check its header, build a header and write an
image in one pass, take the payload out of one, check a set of images as one
release, compute CRC-32 and CRC-16,
read a device control file, and check, parse and make version strings.
Runs on the codehdr shared library (libcodehdr) through its C interface::

    import codehdr

    report = codehdr.verify_file("app.img", expected_tag=17)
    if not report.verified:
        print(report.status_name, report.reason)

Refused operations raise codehdr.Error (with ``status_name``, ``reason`` and
the classic result ``code``); a verification that fails returns its report.
Paths may be str or os.PathLike; data may be any bytes-like object, which is
read in place, never copied. The library is looked for beside the package,
in the library folder of the install tree it came with, then by the system's
search; CODEHDR_LIBRARY names it explicitly.
"""

from ._native import Error, classic_code, status_name, status_reason
from ._native import lib as _lib
from ._checksums import CRC16_INIT, crc16, crc32, crc32_combine, crc32_kernel
from ._versions import Version, check_version, make_version, parse_version
from ._devices import Device, DeviceTable, load_devices
from ._headers import (CodeMode, Dependency, Header, HeaderCheck, Section, build_header, check_header, code_mode_value,
                       code_modes, dependency, read_header)
from ._images import ExtractReport, Verifier, VerifyReport, WriteReport, extract_payload, verify_bytes, verify_file, \
    write_image
from ._release import DependencyLink, Finding, ReleaseReport, check_release

__version__: str = _lib.codehdr_library_version().decode("ascii")

__all__ = [
    "CRC16_INIT", "CodeMode", "Dependency", "DependencyLink", "Device", "DeviceTable", "Error", "ExtractReport",
    "Finding", "Header", "HeaderCheck", "ReleaseReport", "Section", "Verifier", "VerifyReport", "Version",
    "WriteReport", "build_header", "check_header", "check_release", "check_version", "classic_code",
    "code_mode_value", "code_modes", "crc16", "crc32", "crc32_combine", "crc32_kernel", "dependency",
    "extract_payload", "load_devices", "make_version", "parse_version", "read_header", "status_name", "status_reason",
    "verify_bytes", "verify_file", "write_image",
]
