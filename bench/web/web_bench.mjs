// CRC-32 throughput in headless Chromium, side by side in one run: the
// page's WebAssembly module against the crc-32 npm package over the same
// slices of a 256 MiB file held in memory, and the page's own end-to-end
// verification of that file (read in slices from disk, through its worker)
// against the module's pure CRC time.
//   node web_bench.mjs PAGE_DIR
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const pageDir = path.resolve(process.argv[2]);
const here = path.dirname(fileURLToPath(import.meta.url));
// The npm packages the browser tests install (tests/web/package.json).
const packages = path.join(here, '../../tests/web/node_modules');
const puppeteer = createRequire(path.join(packages, 'x'))('puppeteer-core');
const MIB = 1 << 20;
const SIZE = 256 * MIB;
const SLICE = 4 * MIB;  // the page's slice
const ROUNDS = 5;
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

const file = path.join(path.dirname(pageDir), 'bench-256MiB.img');
if (!fs.existsSync(file) || fs.statSync(file).size !== SIZE) {
  const out = fs.openSync(file, 'w');
  for (let i = 0; i < SIZE / (16 * MIB); ++i) fs.writeSync(out, crypto.randomBytes(16 * MIB));
  fs.closeSync(out);
}

const routes = { '/bench/crc32.js': path.join(packages, 'crc-32/crc32.js'),
                 '/bench/bench_worker.js': path.join(here, 'bench_worker.js') };
const server = http.createServer((req, res) => {
  const name = new URL(req.url, 'http://x').pathname;
  if (name === '/bench/') {
    res.writeHead(200, { 'Content-Type': 'text/html' }).end('<!doctype html><input type="file" id="f">');
    return;
  }
  const target = routes[name] || path.join(pageDir, name === '/' ? 'index.html' : path.normalize(name));
  if (!fs.existsSync(target)) { res.writeHead(404).end(); return; }
  res.writeHead(200, { 'Content-Type': TYPES[path.extname(target)] || 'application/octet-stream' });
  fs.createReadStream(target).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-dev-shm-usage'] });

// The pure CRC of both, over the same in-memory slices.
const bench = await browser.newPage();
await bench.goto(`${origin}/bench/`);
await (await bench.$('#f')).uploadFile(file);
const crc = await bench.evaluate((slice, rounds) => new Promise((resolve, reject) => {
  const worker = new Worker('/bench/bench_worker.js');
  worker.onmessage = (e) => resolve(e.data);
  worker.onerror = (e) => reject(new Error(e.message));
  worker.postMessage({ file: document.getElementById('f').files[0], slice, rounds });
}), SLICE, ROUNDS);
if (crc.values.wasm !== crc.values['crc-32']) throw new Error(`the CRCs differ: ${JSON.stringify(crc.values)}`);

// The page's end-to-end verification of the same file, best of the rounds.
let verify = Infinity;
for (let r = 0; r < ROUNDS; ++r) {
  const page = await browser.newPage();
  await page.goto(`${origin}/`);
  await page.waitForSelector('body[data-ready]');
  await (await page.$('#image-input')).uploadFile(file);
  await page.waitForSelector('.image[data-verdict]', { timeout: 300000 });
  verify = Math.min(verify, Number(await page.$eval('.image', (c) => c.dataset.seconds)));
  await page.close();
}
await browser.close();
server.close();

const rate = (seconds) => (SIZE / MIB / seconds).toFixed(0);
console.log(`CRC-32 over a 256 MiB file in ${SLICE / MIB} MiB slices, headless Chromium, best of ${ROUNDS} (kernel ${crc.kernel}):`);
console.log('| | MiB/s | ms |');
console.log('|---|---:|---:|');
console.log(`| the page's module (copy into its memory + CRC) | ${rate(crc.best.wasm)} | ${(crc.best.wasm * 1000).toFixed(0)} |`);
console.log(`| crc-32 package | ${rate(crc.best['crc-32'])} | ${(crc.best['crc-32'] * 1000).toFixed(0)} |`);
console.log(`| the page's verify, end to end (read slices + verify) | ${rate(verify)} | ${(verify * 1000).toFixed(0)} |`);
console.log(`module / crc-32: ${(crc.best['crc-32'] / crc.best.wasm).toFixed(2)}x faster (target 1.5x); ` +
            `end-to-end / pure CRC: ${(verify / crc.best.wasm).toFixed(2)}x the time (target 1.3x)`);
