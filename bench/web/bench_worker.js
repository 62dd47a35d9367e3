// The benchmark's worker (a classic worker, so that it can load the crc-32
// package's script): the CRC-32 of the same in-memory slices by the page's
// WebAssembly module and by the crc-32 npm package, alternated, best of
// several rounds each.
importScripts('/bench/crc32.js');  // self.CRC32

onmessage = async ({ data: { file, slice, rounds } }) => {
  const { loadCodehdr } = await import('/codehdr_wasm.js');
  const lib = await loadCodehdr();
  const slices = [];
  for (let at = 0; at < file.size; at += slice) slices.push(new Uint8Array(await file.slice(at, at + slice).arrayBuffer()));
  const M = lib.M;
  const buffer = M._malloc(slice);
  const runs = {
    // As the page feeds its verifier: each slice copied into the module's memory, then its CRC.
    wasm: () => slices.reduce((crc, s) => { M.HEAPU8.set(s, buffer); return M._codehdr_crc32(crc, buffer, s.length) >>> 0; }, 0),
    'crc-32': () => slices.reduce((crc, s) => CRC32.buf(s, crc), 0) >>> 0,
  };
  const best = { wasm: Infinity, 'crc-32': Infinity };
  const values = {};
  for (let r = 0; r < rounds; ++r) {
    for (const [name, run] of Object.entries(runs)) {
      const started = performance.now();
      values[name] = run();
      best[name] = Math.min(best[name], (performance.now() - started) / 1000);
    }
  }
  postMessage({ best, values, kernel: M.UTF8ToString(M._codehdr_crc32_kernel()) });
};
