#!/usr/bin/env python3
"""The Python package's speed beside its yardsticks, medians of interleaved runs:

  codehdr.crc32 on a 256 MiB bytes object   beside zlib.crc32 on the same object
                                            (and the library's one-thread call beside it)
  codehdr.verify_file on a 256 MiB image    beside `codehdr verify` on the same file (a process, wall time)

Run from the source tree against a build (Release or RelWithDebInfo):

  CODEHDR_LIBRARY=build/release/src/libcodehdr.so PYTHONPATH=python \\
      python3 bench/python_bench.py --tool build/release/tools/codehdr

Prints a Markdown table. The image lies in a scratch folder and is read once
before timing, so every run finds it in the page cache.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time
import zlib

import codehdr

MIB = 1 << 20


def timed(call) -> float:
    start = time.perf_counter()
    call()
    return time.perf_counter() - start


def side_by_side(a, b, runs: int):
    """Medians of `runs` timings of a and of b, taken in turns (a b, b a, ...)."""
    ta, tb = [], []
    for i in range(runs):
        order = ((a, ta), (b, tb)) if i % 2 == 0 else ((b, tb), (a, ta))
        for call, times in order:
            times.append(timed(call))
    return statistics.median(ta), statistics.median(tb)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True, help="the codehdr program")
    parser.add_argument("--size-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=9)
    args = parser.parse_args()
    size = args.size_mib * MIB

    data = os.urandom(size)
    crc_ours, crc_zlib = side_by_side(lambda: codehdr.crc32(data), lambda: zlib.crc32(data), args.runs)
    assert codehdr.crc32(data) == zlib.crc32(data)
    # The library's function alone, on one thread: bound by one core's memory reads.
    one_thread = codehdr._native.lib.codehdr_crc32
    crc_single, _ = side_by_side(lambda: one_thread(0, data, size), lambda: zlib.crc32(data), args.runs)

    with tempfile.TemporaryDirectory() as scratch:
        image = os.path.join(scratch, "app.img")
        header = codehdr.build_header(17, "R01A02", "P03B04.5", code_mode="APP")
        codehdr.write_image(image, header, data)
        del data
        command = [args.tool, "verify", image]
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)  # into the page cache
        assert codehdr.verify_file(image).verified

        def tool() -> None:
            subprocess.run(command, check=True, stdout=subprocess.DEVNULL)

        verify_py, verify_tool = side_by_side(lambda: codehdr.verify_file(image), tool, args.runs)

    def rate(seconds: float) -> str:
        return f"{size / seconds / 1e9:.2f} GB/s"

    print(f"Python package on {args.size_mib} MiB (median of {args.runs} runs each, alternated; "
          f"CRC-32 kernel {codehdr.crc32_kernel()}, Python {sys.version.split()[0]}):\n")
    print("| call | time | yardstick | time | ratio |")
    print("|---|---:|---|---:|---:|")
    print(f"| codehdr.crc32(bytes) | {crc_ours * 1e3:.1f} ms ({rate(crc_ours)}) | zlib.crc32(bytes) | "
          f"{crc_zlib * 1e3:.1f} ms ({rate(crc_zlib)}) | {crc_zlib / crc_ours:.1f}× faster |")
    print(f"| codehdr_crc32 alone (one thread) | {crc_single * 1e3:.1f} ms ({rate(crc_single)}) | zlib.crc32(bytes) | "
          f"{crc_zlib * 1e3:.1f} ms ({rate(crc_zlib)}) | {crc_zlib / crc_single:.1f}× faster |")
    print(f"| codehdr.verify_file | {verify_py * 1e3:.1f} ms | codehdr verify (process) | "
          f"{verify_tool * 1e3:.1f} ms | {verify_py / verify_tool:.2f}× the time |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
