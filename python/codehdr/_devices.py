"""The device table of a device control file ("virevuz.txt")."""

from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Callable, Iterator, List, Optional, Tuple

from . import _native as n


@dataclass(frozen=True)
class Device:
    """One DEVICE_MODEL line: model number, model name, code-mode label, tag id."""
    model_id: int
    model_name: str
    code_mode: str
    tag_id: int


class DeviceTable:
    """The devices of a device control file, as load_devices reads them.

    Holds a library object: close it (or use ``with``) when done; a closed
    table raises ValueError where it is used."""

    _handle: Optional[int] = None

    def __init__(self, handle: int) -> None:
        """Takes over ``handle``, a loaded library table, once its records are read."""
        records = []
        for i in range(n.lib.codehdr_devices_count(handle)):
            d = n.DeviceStruct()
            n.check(n.lib.codehdr_devices_get(handle, i, ctypes.byref(d)))
            records.append(Device(d.model_id, n.text(d.model_name), n.text(d.code_mode), d.tag_id))
        self.devices: Tuple[Device, ...] = tuple(records)
        self._handle = handle

    @property
    def handle(self) -> int:
        """The library object; ValueError once closed."""
        if self._handle is None:
            raise ValueError("the device table is closed")
        return self._handle

    def close(self) -> None:
        """Frees the library object. Closing twice does nothing."""
        if self._handle is not None:
            n.lib.codehdr_devices_free(self._handle)
            self._handle = None

    def __enter__(self) -> "DeviceTable":
        self.handle  # noqa: B018 - refuses a closed table
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        self.close()

    def __len__(self) -> int:
        return len(self.devices)

    def __iter__(self) -> Iterator[Device]:
        return iter(self.devices)

    def __repr__(self) -> str:
        state = "closed" if self._handle is None else f"{len(self.devices)} devices"
        return f"<codehdr.DeviceTable {state}>"


def load_devices(path: n.StrPath, messages: Optional[Callable[[str], None]] = None) -> DeviceTable:
    """Reads the device control file at ``path``. The reader's messages
    ("Device Control Version 3", ...) go to ``messages``, one line each, or
    nowhere. Raises Error (file_not_regular, devctl_open, devctl_no_version,
    devctl_no_models) when the file is not a regular file (at once: a FIFO or
    a device would never end), cannot be read or holds no usable table; an
    exception the callback raises is raised once the file has been read."""
    raw_path = n.c_path(path)
    if messages is not None and not callable(messages):
        raise TypeError("messages must be callable")
    raised: List[BaseException] = []

    def relay(_context: Optional[int], line: Optional[bytes]) -> None:
        if messages is None or raised:
            return
        try:
            messages(n.text(line))
        except BaseException as e:  # noqa: BLE001 - handed back after the call
            raised.append(e)

    callback = n.MessageCallback(relay)
    handle = n.new(n.lib.codehdr_devices_new)
    try:
        n.check(n.lib.codehdr_devices_load(handle, raw_path, callback, None), path)
        if raised:
            raise raised[0]
        table = DeviceTable(handle)
    except BaseException:
        n.lib.codehdr_devices_free(handle)
        raise
    return table
