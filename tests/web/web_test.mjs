// The browser page in Debian's headless Chromium (puppeteer-core), served
// from a local static server: one case per row of CASES, each on a freshly
// loaded page. Checks what the page shows against the library's answers and
// its downloads against the codehdr tool's output, the memory of a 1 GiB
// file's verification, and that the page asks for nothing but its own files.
//   node web_test.mjs PAGE_DIR TOOL SOURCE_DIR WORK_DIR
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import CRC32 from 'crc-32';
import puppeteer from 'puppeteer-core';

const [pageDir, tool, sourceDir, work] = process.argv.slice(2);
const release = path.join(sourceDir, 'data/release');
const MIB = 1 << 20;
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };

// ---- Inputs: the sample release, and images spoilt in known ways ---------
fs.rmSync(work, { recursive: true, force: true });
fs.mkdirSync(work, { recursive: true });
const file = (name, bytes) => { fs.writeFileSync(path.join(work, name), bytes); return name; };
const sample = (name) => fs.readFileSync(path.join(release, name));
for (const name of fs.readdirSync(release)) file(name, sample(name));
const flipped = Buffer.from(sample('rx200-app.img'));
flipped[flipped.length - 1] ^= 0x01;
file('flipped.img', flipped);
const oversized = Buffer.from(sample('rx200-app.img'));
oversized.writeUInt16BE(0xffff, 22);  // a total size past the end of the file
file('oversized.img', oversized);
const badVersion = Buffer.from(sample('rx200b-boot.img'));
badVersion.write('??', 30, 'latin1');  // the code version field, under a CRC that matches again
badVersion.writeUInt32BE(0, 24);
badVersion.writeUInt32BE(CRC32.buf(badVersion) >>> 0, 24);
file('bad-version.img', badVersion);
file('text.txt', 'no header here, only text\n');
file('empty.img', Buffer.alloc(0));
file('three.img', Buffer.from([0xc9, 0xc9, 0xc9]));
file('virevuz.txt', fs.readFileSync(path.join(sourceDir, 'data/virevuz.txt')));
file('binary-devices.bin', Buffer.from([0, 1, 2, 0xff, 0xfe, 0x80, 0x0a, 0xc9]));
// A boot loader of another version: the application's BOOT dependency is not met.
execFileSync(tool, ['build', path.join(work, 'text.txt'), '-o', path.join(work, 'boot-new.img'), '--tag', '18',
  '--code-ver', 'R01A01.5', '--virevuz', 'R02B01', '--devctl', path.join(work, 'virevuz.txt')], { stdio: 'ignore' });
const big = path.join(work, 'big.img');  // 1 GiB, sparse, behind a real header
fs.writeFileSync(big, sample('rx200-app.img'));
fs.truncateSync(big, 1024 * MIB);

// What the tool prints for files named as the page names them (no folder).
const toolJson = (args) => spawnSync(tool, args, { cwd: work, encoding: 'utf8' }).stdout;

// ---- The page's own files, and every request anyone makes -----------------
const served = [];
const server = http.createServer((req, res) => {
  served.push(req.url);
  const name = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/$/, '/index.html');
  const target = path.join(pageDir, path.normalize(name));
  if (!target.startsWith(pageDir) || !fs.existsSync(target) || !fs.statSync(target).isFile()) {
    res.writeHead(404).end();
    return;
  }
  res.writeHead(200, { 'Content-Type': TYPES[path.extname(target)] || 'application/octet-stream' });
  fs.createReadStream(target).pipe(res);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-dev-shm-usage', '--enable-precise-memory-info'] });
const requested = [];
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };

async function openPage() {
  const page = await browser.newPage();
  page.on('request', (r) => requested.push(r.url()));
  page.on('pageerror', (e) => failures.push(`uncaught error in the page: ${e.message}`));
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work, eventsEnabled: true });
  await page.goto(`${origin}/`);
  await page.waitForSelector('body[data-ready]');
  return page;
}

async function give(page, selector, names) {
  const input = await page.$(selector);
  await input.uploadFile(...names.map((n) => path.join(work, n)));
}

// Waits until `count` images have their verdicts; returns per image what the page shows.
async function shown(page, count) {
  await page.waitForFunction((n) => document.querySelectorAll('.image[data-verdict]').length >= n,
    { timeout: 120000 }, count);
  return page.$$eval('.image', (cards) => cards.map((c) => ({
    file: c.dataset.file, verdict: c.dataset.verdict, text: c.querySelector('.verdict').textContent,
    progress: c.querySelector('progress').value, failing: c.querySelector('.failing')?.textContent || '',
    faultFields: [...new Set([...c.querySelectorAll('.byte.fault')].map((b) => b.dataset.field))],
    legend: [...c.querySelectorAll('.legend li')].map((l) => l.dataset.field),
    rows: Object.fromEntries([...c.querySelectorAll('.decoded tr')].map((r) => [r.dataset.field,
                                                                               r.querySelector('td').textContent])),
  })));
}

async function downloaded(page, button, name) {
  const target = path.join(work, name);
  fs.rmSync(target, { force: true });
  await page.click(button);
  for (let i = 0; i < 100 && !fs.existsSync(target); ++i) await new Promise((r) => setTimeout(r, 100));
  return fs.existsSync(target) ? fs.readFileSync(target, 'utf8') : '(nothing downloaded)';
}

// Memory of the page: JavaScript heaps of the page and its worker (with
// their array buffers) and the module's memory.
async function memory(page) {
  let total = 0;
  page.session ??= await page.createCDPSession();
  for (const session of [page.session, ...page.workers().map((w) => w.client)]) {
    const usage = await session.send('Runtime.getHeapUsage');
    total += usage.usedSize + (usage.embedderHeapUsedSize || 0) + (usage.backingStorageSize || 0);
  }
  return total;
}

const MANDATORY = ['guard_bytes', 'virevuz_version', 'mandatory_size', 'total_size', 'crc32', 'tag_id', 'code_mode',
                   'code_version', 'section_count', 'reserved'];

const CASES = [
  ['a good image: its fields and the verdict', ['rx200-app.img'], ([a]) => {
    check(a.verdict === 'verified' && a.text.startsWith('verified (tag 17, code version R01A03.2'), `good: ${a.text}`);
    check(MANDATORY.every((f) => a.legend.includes(f)) && a.legend.includes('dependency_version'), `good legend ${a.legend}`);
    check(a.rows['code mode'] === 'APP (1)' && a.rows['dependency 1'] === 'BOOT/BOOTLDR (0) R01A01.4', 'good rows');
    check(a.faultFields.length === 0 && a.failing === '' && a.progress === 100, 'good: nothing marked');
  }],
  ['a flipped byte: the CRC field marked', ['flipped.img'], ([a]) => {
    check(a.verdict === 'failed' && /ERR_CRC_MISMATCH .*computed/.test(a.text), `flipped: ${a.text}`);
    check(a.faultFields.join() === 'crc32' && a.failing.startsWith('failing field: CRC-32'), `flipped: ${a.failing}`);
  }],
  ['malformed headers: the failing field and the reason', ['oversized.img', 'bad-version.img'], ([a, b]) => {
    check(a.verdict === 'failed' && a.faultFields.join() === 'total_size', `oversized: ${a.text} ${a.faultFields}`);
    check(b.verdict === 'failed' && b.faultFields.join() === 'code_version' && /code version/i.test(b.failing),
          `bad version: ${b.text} / ${b.failing}`);
  }],
  ['no header, an empty file, three bytes', ['text.txt', 'empty.img', 'three.img'], (images) => {
    check(images[0].verdict === 'not_checked', `text: ${images[0].text}`);
    for (const i of images.slice(1)) check(i.verdict !== undefined && i.text !== 'reading…', `${i.file}: ${i.text}`);
  }],
  ['a device file resolves labels; one that is not text is refused', ['rx200-app.img'], async ([a], page) => {
    check(/RX200 \(APP\)/.test(a.rows['tag id']), `device labels: ${a.rows['tag id']}`);
    await give(page, '#devices-input', ['binary-devices.bin']);
    await page.waitForFunction(() => /refused/.test(document.getElementById('devices-status').textContent));
  }, ['virevuz.txt']],
  ['a release of three images, one dependency missing', ['rx200-app.img', 'tx310-fpga.img', 'boot-new.img'],
    async (images, page) => {
      await page.waitForFunction(() => document.querySelectorAll('.release tr').length === 4);
      const summary = await page.$eval('#release-summary', (e) => e.textContent);
      const findings = await page.$$eval('.release td.findings', (cells) => cells.map((c) => c.textContent));
      check(/1 of 2 dependencies met, 1 findings.*NOT consistent/.test(summary), `release: ${summary}`);
      check(/^dependency_not_met: /.test(findings[0]) && findings[1] === 'ok', `release findings: ${findings}`);
      const names = ['rx200-app.img', 'tx310-fpga.img', 'boot-new.img'];
      check(await downloaded(page, '#download-check', 'codehdr-check.json') ===
            toolJson(['check', '--json', '--devctl', 'virevuz.txt', ...names]), 'check report differs from the tool');
    }, ['virevuz.txt']],
  ['the info report equals the tool\'s', ['rx200-app.img', 'flipped.img', 'oversized.img', 'text.txt', 'three.img'],
    async (images, page) => {
      const names = images.map((i) => i.file);
      check(await downloaded(page, '#download-info', 'codehdr-info.json') === toolJson(['info', '--json', ...names]),
            'info report differs from the tool');
    }],
  ['1 GiB sparse file: progress to 100%, memory bounded; a file removed meanwhile', [], async (none, page) => {
    const before = await memory(page);
    await give(page, '#image-input', ['big.img']);
    await give(page, '#image-input', [file('gone.img', sample('rx200-app.img'))]);  // given while big.img is read
    fs.rmSync(path.join(work, 'gone.img'));
    let peak = before;
    while (!(await page.$('.image[data-verdict]'))) {
      peak = Math.max(peak, await memory(page));
      await new Promise((r) => setTimeout(r, 200));
    }
    const [a, gone] = await shown(page, 2);
    check(a.progress === 100 && a.verdict === 'failed', `big: ${a.progress}% ${a.text}`);
    check(gone.verdict === 'unreadable', `removed file: ${gone.verdict} ${gone.text}`);
    check(peak - before < 64 * MIB, `big: memory grew by ${((peak - before) / MIB).toFixed(1)} MiB`);
    console.log(`1 GiB: memory grew by ${((peak - before) / MIB).toFixed(1)} MiB at most`);
  }],
];

for (const [name, images, verify, devicesFirst] of CASES) {
  const page = await openPage();
  if (devicesFirst) {
    await give(page, '#devices-input', devicesFirst);
    await page.waitForFunction(() => /device models/.test(document.getElementById('devices-status').textContent));
  }
  if (images.length) await give(page, '#image-input', images);
  const before = failures.length;
  await verify(images.length ? await shown(page, images.length) : [], page);
  if (name.startsWith('a flipped byte')) await page.screenshot({ path: path.join(work, 'failed-image.png'), fullPage: true });
  console.log(`${failures.length === before ? 'ok  ' : 'FAIL'} ${name}`);
  await page.close();
}

// Nothing but the page's own files, from the page's own server.
const own = new Set(['/', ...fs.readdirSync(pageDir).map((f) => `/${f}`)]);
const foreign = requested.filter((u) => !u.startsWith('blob:') && !(u.startsWith(origin) && own.has(new URL(u).pathname)));
check(foreign.length === 0, `requests other than the page's files: ${foreign}`);
check(served.every((u) => own.has(new URL(u, origin).pathname)), `served: ${served}`);
console.log(`${foreign.length ? 'FAIL' : 'ok  '} no request but the page's own files (${requested.length} requests)`);

await browser.close();
server.close();
for (const f of failures) console.error(`FAILED: ${f}`);
process.exit(failures.length ? 1 : 0);
