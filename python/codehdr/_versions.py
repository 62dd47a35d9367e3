"""Formatted version strings such as "R01A02.3", checked, parsed and made by
the library."""

from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Optional

from . import _native as n

# The longest version string: the library's text buffer less its NUL.
_MAX_CHECKED = n.VERSION_TEXT_SIZE - 1


@dataclass(frozen=True)
class Version:
    """The parts of a version string. ``letter`` is "" when the text is too
    short to hold one; ``build`` is None when there is no build number."""
    major: int
    minor: int
    letter: str
    build: Optional[int]


def check_version(text: str, count: int = _MAX_CHECKED) -> bool:
    """Whether the first ``count`` characters of ``text`` fit the form. The
    check is a prefix check: it stops with success at a NUL or a space. A
    count of 0 accepts any text, a count above 16 none."""
    if not isinstance(count, int):
        raise TypeError(f"count must be int, not {type(count).__name__}")
    if count < 0:
        raise ValueError("count must not be negative")
    return n.lib.codehdr_version_check(n.c_text(text, "text"), count) == 1


def parse_version(text: str) -> Optional[Version]:
    """The parts of a version string that passes the check over 16
    characters, or None. Numbers the text is too short to hold read as 0."""
    out = n.VersionStruct()
    if n.lib.codehdr_version_parse(n.c_text(text, "text"), ctypes.byref(out)) != 1:
        return None
    letter = "" if out.letter == b"\0" else n.text(out.letter)
    return Version(out.major, out.minor, letter, None if out.build < 0 else out.build)


def make_version(major: int, minor: int, release: str, build: Optional[int] = None, prelim: bool = False) -> str:
    """"R01A02.3" from its parts: major and minor 0 to 99, a release letter
    (upper-cased), a build number 0 to 9 or None, "P" instead of "R" when
    ``prelim``. Raises ValueError for parts out of range."""
    for name, value in (("major", major), ("minor", minor)):
        if not isinstance(value, int):
            raise TypeError(f"{name} must be int, not {type(value).__name__}")
    if build is not None and not isinstance(build, int):
        raise TypeError(f"build must be int or None, not {type(build).__name__}")
    if not isinstance(release, str) or len(release) != 1:
        raise TypeError("release must be a one-character str")
    letter = release.encode("latin-1", "replace")
    out = ctypes.create_string_buffer(n.VERSION_TEXT_SIZE)
    ok = (0 <= major <= 0xFFFFFFFF and 0 <= minor <= 0xFFFFFFFF and (build is None or -1 < build <= 0x7FFFFFFF) and
          n.lib.codehdr_version_make(major, minor, letter, -1 if build is None else build, 1 if prelim else 0, out,
                                     len(out)) == 1)
    if not ok:
        raise ValueError(f"no version string has the parts {major}, {minor}, {release!r}, {build}")
    return n.text(out.value)
