#!/usr/bin/env bash
# How `codehdr check` scales, beside `codehdr verify` on the same files (page
# cache warm, runs interleaved, median time and peak memory of each):
#
#   - a release of 10,000 images of 4 KiB (a consistent one: 250 device models,
#     each application image depending on its boot loader): verify -j 2, check
#     -j 2, and check with --json, --write-manifest and --manifest;
#   - peak memory of check over 1,000 and 10,000 images of 4 KiB and 1,000 of
#     1 MiB: it should grow with the number of images, not their size;
#   - twenty images of 256 MiB: verify -j 2 and check -j 2 (and with the
#     SHA-256 of --write-manifest).
#
#   bench/check_scale.sh [RUNS]        (default 5 runs of each command)
#
# Environment: CODEHDR_BUILD_DIR (default build/release; the tool is built
# there if needed), CODEHDR_SCALE_DIR (where the images go, default a
# temporary directory; it needs about 6.3 GiB), CODEHDR_JOBS. Needs GNU time
# (/usr/bin/time, Debian package time) for the peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/debian_packages.sh
source scripts/debian_packages.sh
ensure_debian_packages time python3

runs=${1:-5}
build=${CODEHDR_BUILD_DIR:-build/release}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "${CODEHDR_JOBS:-2}" --target codehdr-tool >/dev/null
tool=$PWD/$build/tools/codehdr

work=${CODEHDR_SCALE_DIR:-$(mktemp -d)}
[ -n "${CODEHDR_SCALE_DIR:-}" ] || trap 'rm -rf "$work"' EXIT

python3 - "$tool" "$work" "$runs" <<'EOF'
import os, statistics, subprocess, sys, time, zlib

tool, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
devctl = os.path.join(work, "virevuz.txt")

# 250 models: odd tags APP, even tags BOOT; the application image of tag t needs the boot loader of tag t + 1.
with open(devctl, "w") as f:
    f.write("VERSION 1\n")
    for tag in range(1, 251):
        f.write(f"DEVICE_MODEL {tag:x} M{tag} {'APP' if tag % 2 else 'BOOT'} - {tag}\n")

def version(tag):
    return f"R{tag // 100:02d}A{tag % 100:02d}"

def image(tag, payload):
    """A sealed code image: tag's code mode and version; an APP image depends on the next tag's boot loader."""
    mode, deps = (1, [(0, version(tag + 1))]) if tag % 2 else (0, [])
    sections = b"".join(bytes([2, 18]) + t.to_bytes(2, "big") + v.encode().ljust(16, b"\0") for t, v in deps)
    size = 48 + len(sections)
    head = (b"\xc9" * 4 + b"R02B01".ljust(16, b"\0") + (48).to_bytes(2, "big") + size.to_bytes(2, "big") +
            b"\0\0\0\0" + bytes([tag, mode]) + version(tag).encode().ljust(16, b"\0") + bytes([len(deps), 0]))
    data = bytearray(head + sections + payload)
    data[24:28] = zlib.crc32(data).to_bytes(4, "big")
    return bytes(data)

def release(name, count, size):
    """count images of about size bytes, each tag used count / 250 times (copies of one version: no finding)."""
    folder = os.path.join(work, name)
    if not os.path.isdir(folder):
        os.makedirs(folder)
        block = os.urandom(size)
        for n in range(count):
            tag = n % 250 + 1
            with open(os.path.join(folder, f"img{n:05d}.bin"), "wb") as f:
                f.write(image(tag, block[n % 97:] + block[:n % 97]))
    return folder

def big_release():
    folder = os.path.join(work, "big")
    if not os.path.isdir(folder):
        os.makedirs(folder)
        payload = os.path.join(work, "payload")
        for n in range(20):
            with open(payload, "wb") as f:
                for _ in range(256):
                    f.write(os.urandom(1 << 20))
            tag = n + 1
            args = [tool, "build", payload, "-o", os.path.join(folder, f"img{n:02d}.bin"), "--tag", str(tag),
                    "--virevuz", "R02B01", "--code-ver", version(tag), "--devctl", devctl]
            if tag % 2:
                args += ["--dep", f"BOOT={version(tag + 1)}"]
            subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.remove(payload)
    return folder

def run(args):
    """Seconds and peak resident memory (KiB) of one run. The peak comes from GNU time, not from wait4 here: a child
    forked from this Python process would report Python's own memory as its peak."""
    peak = os.path.join(work, "peak")
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", peak] + args,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit(f"check_scale: {' '.join(args[:3])} ... exited with {done.returncode}")
    with open(peak) as f:
        return elapsed, int(f.read().split()[-1])

def measure(commands):
    """Each command run `runs` times, interleaved; median seconds and median peak KiB per command."""
    for args in commands.values():
        run(args)  # warm the page cache
    times = {k: [] for k in commands}
    rss = {k: [] for k in commands}
    for _ in range(runs):
        for k, args in commands.items():
            t, m = run(args)
            times[k].append(t)
            rss[k].append(m)
    return {k: (statistics.median(times[k]), statistics.median(rss[k])) for k in commands}

def table(title, results, base):
    print(f"\n{title}\n")
    print("| command | time | peak memory | time / verify -j 2 |")
    print("|---|---:|---:|---:|")
    for k, (t, m) in results.items():
        print(f"| {k} | {t * 1000:.1f} ms | {m / 1024:.1f} MiB | {t / results[base][0]:.2f}x |")

def files(folder):
    return [os.path.join(folder, f) for f in sorted(os.listdir(folder))]

check = [tool, "check", "-j", "2", "--devctl", devctl, "--dir"]
small = release("small", 10000, 4096 - 68)
manifest = os.path.join(work, "small.json")
run(check + [small, "--write-manifest", manifest])
table(f"10,000 images of 4 KiB (median of {runs} runs, interleaved, page cache warm):", measure({
    "codehdr verify -j 2": [tool, "verify", "-j", "2"] + files(small),
    "codehdr check -j 2": check + [small],
    "codehdr check -j 2 --json": check + [small, "--json"],
    "codehdr check -j 2 --write-manifest": check + [small, "--write-manifest", os.path.join(work, "w.json")],
    "codehdr check -j 2 --manifest": check + [small, "--manifest", manifest],
}), "codehdr verify -j 2")

print(f"\nPeak memory of codehdr check -j 2 (median of {runs} runs):\n")
print("| release | images | image size | peak memory |")
print("|---|---:|---:|---:|")
for name, count, size in (("k1", 1000, 4096 - 68), ("small", 10000, 4096 - 68), ("m1", 1000, (1 << 20) - 68)):
    folder = release(name, count, size)
    _, m = measure({"check": check + [folder]})["check"]
    print(f"| {name} | {count} | {(size + 68) // 1024} KiB | {m / 1024:.1f} MiB |")

big = big_release()
table(f"Twenty images of 256 MiB (median of {runs} runs, interleaved, page cache warm):", measure({
    "codehdr verify -j 2": [tool, "verify", "-j", "2"] + files(big),
    "codehdr check -j 2": check + [big],
    "codehdr check -j 2 --write-manifest": check + [big, "--write-manifest", os.path.join(work, "big.json")],
}), "codehdr verify -j 2")
with open("/proc/loadavg") as f:
    print("\nLoad average (1, 5, 15 min) after the run:", " ".join(f.read().split()[:3]))
EOF
