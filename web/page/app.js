// The page: takes image files and an optional device control file, hands
// them to the worker, and shows what comes back: per image the header as a
// hex grid of named fields, the decoded fields, the verdict; the release
// check of all images; the reports to download. It decides nothing itself.
import { checkJson, infoJson, statusText } from './reports.js';
import { hexGrid } from './hex_grid.js';

const $ = (id) => document.getElementById(id);
const worker = new Worker(new URL('./verify_worker.js', import.meta.url), { type: 'module' });
const reports = [];  // in the order the images were given
let release = null;
let devices = { models: [] };
let nextId = 0;

const crcText = (crc) => crc.toString(16).padStart(8, '0');
const mib = (bytes) => (bytes / 1048576).toFixed(1);
const size = (bytes) => (bytes < 1048576 ? `${(bytes / 1024).toFixed(1)} KiB` : `${mib(bytes)} MiB`);

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes)) {
    if (k === 'class') e.className = v; else e.setAttribute(k, v);
  }
  for (const c of children) e.append(c instanceof Node ? c : String(c));
  return e;
}

// ---- Input ---------------------------------------------------------------
function addImages(files) {
  for (const file of files) {
    const id = nextId++;
    $('images').append(imageCard(id, file));
    worker.postMessage({ type: 'image', id, file });
  }
  $('status').textContent = `${nextId} image${nextId === 1 ? '' : 's'} given`;
}

async function setDevices(file) {
  let bytes = null;
  try {
    bytes = file ? await file.arrayBuffer() : null;
  } catch {
    $('devices-status').textContent = `${file.name}: cannot be read`;
    return;
  }
  worker.postMessage({ type: 'devices', bytes }, bytes ? [bytes] : []);
}

$('image-input').addEventListener('change', (e) => addImages([...e.target.files]));
$('devices-input').addEventListener('change', (e) => setDevices(e.target.files[0] || null));
const drop = $('drop');
drop.addEventListener('dragover', (e) => { e.preventDefault(); drop.classList.add('over'); });
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (e) => {
  e.preventDefault();
  drop.classList.remove('over');
  addImages([...e.dataTransfer.files]);
});
$('clear').addEventListener('click', () => {
  worker.postMessage({ type: 'clear' });
  reports.length = 0;
  release = null;
  $('images').replaceChildren();
  $('release').replaceChildren();
  updateDownloads();
});

// ---- Output ----------------------------------------------------------------
function imageCard(id, file) {
  return element('section', { class: 'image pending', id: `image-${id}`, 'data-file': file.name },
    element('h2', {}, file.name),
    element('div', { class: 'progress' }, element('progress', { max: 100, value: 0 }),
            element('span', { class: 'rate' }, `0% of ${size(file.size)}`)),
    element('div', { class: 'verdict' }, 'reading…'),
    element('div', { class: 'body' }));
}

function onProgress({ id, done, total, seconds }) {
  const card = $(`image-${id}`);
  const percent = total ? Math.floor((done * 100) / total) : 100;
  card.querySelector('progress').value = percent;
  const rate = seconds > 0 ? `, ${size(done / seconds)}/s` : '';
  card.querySelector('.rate').textContent = `${percent}% of ${size(total)}${rate}`;
}

function verdictText(r) {
  const h = r.header;
  if (r.unreadable) return `unreadable: ${r.statusReason}`;
  if (r.verdictName === 'verified') {
    return `verified (tag ${h.tag}, code version ${h.codeVersion}, CRC-32 ${crcText(h.storedCrc)})`;
  }
  if (r.verdictName === 'not_checked') return `not checked (${r.statusReason})`;
  let text = `FAILED ${statusText(r)}`;
  if (r.statusName === 'crc_mismatch') text += ` (stored ${crcText(h.storedCrc)}, computed ${crcText(r.computedCrc ?? 0)})`;
  return text;
}

// The device models of the table with the header's tag.
function modelsOf(tag) {
  return devices.models.filter((m) => m.tagId === tag);
}

function decodedTable(r) {
  const h = r.header;
  const rows = [['form', h.formName], ['file size', `${r.fileSize} bytes`]];
  if (h.formName === 'old_style') rows.push(['tag id', h.tag]);
  if (h.formName === 'new_style') {
    const models = modelsOf(h.tag).map((m) => `${m.modelName} (${m.codeMode})`).join(', ');
    rows.push(['VireVuz version', h.virevuzVersion], ['mandatory size', `${h.mandatorySize} bytes`],
              ['total size', `${h.totalSize} bytes, ${h.sectionCount} optional sections`],
              ['CRC-32', `stored ${crcText(h.storedCrc)}, computed ${r.computedCrc === null ? '-' : crcText(r.computedCrc)}` +
                         (r.computedCrc === h.storedCrc ? ' (match)' : ' (MISMATCH)')],
              ['tag id', models ? `${h.tag}: ${models}` : h.tag], ['code mode', h.codeModeText],
              ['code version', h.codeVersion], ['reserved', h.reserved],
              ['comment', h.comment === null ? '(none)' : `"${h.comment}"`]);
    h.dependencies.forEach((d, i) => rows.push([`dependency ${i + 1}`, `${d.typeText} ${d.version}`]));
  }
  return element('table', { class: 'decoded' },
    ...rows.map(([k, v]) => element('tr', { 'data-field': k }, element('th', {}, k), element('td', {}, v))));
}

function onImage({ id, report }) {
  reports.push(report);
  const card = $(`image-${id}`);
  card.classList.remove('pending');
  card.dataset.verdict = report.unreadable ? 'unreadable' : report.verdictName;
  card.dataset.seconds = report.seconds;
  card.querySelector('progress').value = 100;
  const seconds = report.seconds > 0 ? `, ${size(report.fileSize / report.seconds)}/s` : '';
  card.querySelector('.rate').textContent = `100% of ${size(report.fileSize)}${seconds}`;
  card.querySelector('.verdict').textContent = verdictText(report);
  const body = card.querySelector('.body');
  const h = report.header;
  const failing = h.fault ? h.fields.filter((f) => f.offset < h.fault.offset + h.fault.size &&
                                                  h.fault.offset < f.offset + f.size) : [];
  if (failing.length) {
    body.append(element('p', { class: 'failing' }, `failing field: ${failing.map((f) => f.label).join(', ')} — ` +
                                                    report.statusReason));
  }
  body.append(decodedTable(report));
  if (h.bytes.length) body.append(hexGrid(h, failing));
  updateDownloads();
}

function onRelease(result) {
  release = result;
  updateDownloads();
  if (reports.length < 2) {  // a release check of one image says no more than its verdict
    $('release').replaceChildren();
    return;
  }
  const table = element('table', { class: 'release' },
    element('tr', {}, element('th', {}, 'image'), element('th', {}, 'verdict'), element('th', {}, 'dependencies'),
            element('th', {}, 'findings')));
  reports.forEach((r, i) => {
    const deps = result.links.filter((l) => l.image === i)
      .map((l) => `${r.header.dependencies[l.dependency].typeText} ${r.header.dependencies[l.dependency].version}: ` +
                  `${l.state}${l.providers.length ? ` (${l.providers.map((p) => reports[p].name).join(', ')})` : ''}`);
    const findings = result.findings.filter((f) => f.image === i).map((f) => `${f.kind}: ${f.reason}`);
    table.append(element('tr', { class: findings.length ? 'bad' : 'good' }, element('td', {}, r.name),
      element('td', {}, r.verdictName), element('td', {}, deps.join('\n') || '-'),
      element('td', { class: 'findings' }, findings.join('\n') || 'ok')));
  });
  const consistent = result.findings.length === 0;
  $('release').replaceChildren(element('h2', {}, 'Release check'),
    element('p', { class: consistent ? 'good' : 'bad', id: 'release-summary' },
            `${reports.length} images, ${result.links.filter((l) => l.state === 'met').length} of ` +
            `${result.links.length} dependencies met, ${result.findings.length} findings: the release is ` +
            (consistent ? 'consistent' : 'NOT consistent')),
    table);
}

function onDevices({ status, messages, models }) {
  devices = { models };
  $('devices-status').textContent = status.status === 0 ? `${models.length} device models (${messages.join('; ')})`
                                                         : `device control file refused: ${status.reason}`;
}

// ---- Downloads ---------------------------------------------------------------
function download(name, text) {
  const a = element('a', { href: URL.createObjectURL(new Blob([text], { type: 'application/json' })), download: name });
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 1000);
}

function updateDownloads() {
  $('download-info').disabled = reports.length === 0;
  $('download-check').disabled = release === null || reports.length === 0;
}
$('download-info').addEventListener('click', () => download('codehdr-info.json', infoJson(reports)));
$('download-check').addEventListener('click', () => download('codehdr-check.json', checkJson(reports, release)));

worker.onmessage = ({ data }) => {
  switch (data.type) {
    case 'ready': $('status').textContent = 'ready: choose or drop image files'; document.body.dataset.ready = '1'; break;
    case 'progress': onProgress(data); break;
    case 'image': onImage(data); break;
    case 'release': onRelease(data.release); break;
    case 'devices': onDevices(data.result); break;
    default: $('status').textContent = `error: ${data.message}`;
  }
};
worker.onerror = (e) => { $('status').textContent = `the worker failed: ${e.message}`; };
updateDownloads();
