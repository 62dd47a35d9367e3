"""The memory of any bytes-like object, handed to the library without a copy."""

from __future__ import annotations

import ctypes
from contextlib import contextmanager
from ctypes import POINTER, Structure, c_int, c_ssize_t, c_void_p
from typing import Iterator, Tuple, Union

# What the library accepts where it takes bytes: the address ctypes passes
# for it (a bytes object itself, or an integer address) and the size.
Memory = Tuple[Union[bytes, int, None], int]


class _PyBuffer(Structure):
    """CPython's Py_buffer, as PyObject_GetBuffer fills it."""
    _fields_ = [("buf", c_void_p), ("obj", c_void_p), ("len", c_ssize_t), ("itemsize", c_ssize_t),
                ("readonly", c_int), ("ndim", c_int), ("format", c_void_p), ("shape", c_void_p),
                ("strides", c_void_p), ("suboffsets", c_void_p), ("internal", c_void_p)]


_PyBUF_SIMPLE = 0  # one contiguous run of bytes, read-only allowed

_get_buffer = ctypes.pythonapi.PyObject_GetBuffer
_get_buffer.argtypes = [ctypes.py_object, POINTER(_PyBuffer), c_int]
_get_buffer.restype = c_int
_release_buffer = ctypes.pythonapi.PyBuffer_Release
_release_buffer.argtypes = [POINTER(_PyBuffer)]
_release_buffer.restype = None


@contextmanager
def borrowed(data: object, what: str = "data") -> Iterator[Memory]:
    """The address and size of `data`'s bytes while the block runs.

    A bytes object is passed as it is (ctypes hands the library its own
    buffer). Any other object with the buffer protocol (bytearray,
    memoryview, array.array, mmap, ...) is exported for the duration, which
    also keeps it from being resized meanwhile. str and other objects raise
    TypeError; a buffer that is not contiguous raises BufferError."""
    if isinstance(data, bytes):
        yield data, len(data)
        return
    view = _PyBuffer()
    try:
        _get_buffer(data, ctypes.byref(view), _PyBUF_SIMPLE)
    except TypeError:
        raise TypeError(f"{what} must be a bytes-like object, not {type(data).__name__}") from None
    try:
        yield view.buf, view.len
    finally:
        _release_buffer(ctypes.byref(view))
