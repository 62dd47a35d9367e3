// The page's Web Worker: verifies each image the page hands it with the
// library's chunk-fed verifier, reading the file in slices (never whole),
// and keeps the release of every image so far for the release check.
// Messages in:  {type: 'devices', bytes}  {type: 'image', id, file}  {type: 'clear'}
// Messages out: {type: 'ready'}  {type: 'devices', result}  {type: 'progress', id, done, total, seconds}
//               {type: 'image', id, report}  {type: 'release', release}
import { loadCodehdr } from './codehdr_wasm.js';

const SLICE = 4 << 20;  // bytes read and fed at a time
const PROGRESS_EVERY = 100;  // milliseconds between progress messages

// Messages wait in `queue` until the module is loaded, then run one at a
// time, in the order given (the handler is set before anything is awaited,
// so no message is missed).
let lib = null;
let queue = loadCodehdr().then((loaded) => {
  lib = loaded;
  lib.newRelease();
  postMessage({ type: 'ready' });
});

function checkRelease() {
  if (lib.M._codehdr_release_image_count(lib.release) > 0) postMessage({ type: 'release', release: lib.check() });
}

// Reads `blob` whole into `buffer` (at least blob.size bytes), which a
// stream read hands back each time: one buffer serves every slice, so
// reading leaves no garbage behind. Returns the bytes read and the buffer.
async function readInto(blob, buffer) {
  const reader = blob.stream().getReader({ mode: 'byob' });
  let filled = 0;
  for (;;) {
    const { value, done } = await reader.read(new Uint8Array(buffer, filled, buffer.byteLength - filled));
    if (done) return { chunk: new Uint8Array(value.buffer, 0, filled), buffer: value.buffer };
    buffer = value.buffer;
    filled += value.length;
    if (filled === buffer.byteLength) {
      reader.releaseLock();
      return { chunk: new Uint8Array(buffer, 0, filled), buffer };
    }
  }
}

let sliceBuffer = new ArrayBuffer(SLICE);

async function verify(id, file) {
  const verifier = lib.newVerifier();
  const started = performance.now();
  let unreadable = false;
  let lastProgress = 0;
  try {
    for (let done = 0; done < file.size;) {
      const { chunk, buffer } = await readInto(file.slice(done, done + SLICE), sliceBuffer);
      sliceBuffer = buffer;
      if (chunk.length === 0) throw new Error('the file shrank while it was read');
      lib.update(verifier, chunk);
      done += chunk.length;
      const now = performance.now();
      if (now - lastProgress >= PROGRESS_EVERY || done === file.size) {
        lastProgress = now;
        postMessage({ type: 'progress', id, done, total: file.size, seconds: (now - started) / 1000 });
      }
    }
  } catch (error) {
    unreadable = true;  // removed, no permission, changed while read
  }
  const report = lib.addImage(file.name, verifier, unreadable);
  lib.freeVerifier(verifier);
  report.seconds = (performance.now() - started) / 1000;
  report.unreadable = unreadable;
  report.file = file.name;  // as given; `name` is its printable form
  postMessage({ type: 'image', id, report });
  checkRelease();
}

onmessage = (event) => {
  const message = event.data;
  queue = queue.then(async () => {
    if (message.type === 'devices') {
      postMessage({ type: 'devices', result: lib.loadDevices(message.bytes && new Uint8Array(message.bytes)) });
      checkRelease();
    } else if (message.type === 'image') {
      await verify(message.id, message.file);
    } else if (message.type === 'clear') {
      lib.newRelease();
    }
  }).catch((error) => postMessage({ type: 'error', message: String(error) }));
};
