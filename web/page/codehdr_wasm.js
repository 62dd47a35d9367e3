// The library's C interface in WebAssembly, marshalled into plain objects.
// Everything here translates: structs in the module's memory become objects,
// and every rule, check, name and label comes from the library's answers.
// The struct offsets are those of <codehdr/c.h> on wasm32 (4-byte size_t and
// pointers, 8-byte aligned uint64_t).
import createCodehdr from './codehdr.js';

const INFO_SIZE = 64;
const REPORT_SIZE = 48;
const FIELD_SIZE = 20;
const DEVICE_SIZE = 20;
const FINDING_SIZE = 28;
const LINK_SIZE = 28;
const OPTIONS_SIZE = 16;
const STATUS_FILE_READ = 3;
const DEVICES_PATH = '/virevuz.txt';

export async function loadCodehdr(options = {}) {
  const M = await createCodehdr(options);
  return new Codehdr(M);
}

class Codehdr {
  constructor(M) {
    this.M = M;
    this.scratch = M._malloc(256);  // structs handed to the library, one at a time
  }

  text(ptr) { return ptr ? this.M.UTF8ToString(ptr) : null; }
  u8(p) { return this.M.HEAPU8[p]; }
  u16(p) { return this.M.HEAPU16[p >> 1]; }
  u32(p) { return this.M.HEAPU32[p >> 2]; }
  i32(p) { return this.M.HEAP32[p >> 2]; }
  u64(p) { return this.u32(p) + this.u32(p + 4) * 4294967296; }

  // A zeroed struct of `size` bytes in the scratch area, struct_size set.
  struct(size, withSize = true) {
    this.M.HEAPU8.fill(0, this.scratch, this.scratch + size);
    if (withSize) this.M.HEAPU32[this.scratch >> 2] = size;
    return this.scratch;
  }

  // Text the library writes snprintf-style, by a function of (..., out, size).
  written(fn, ...args) {
    const M = this.M;
    const length = fn(...args, 0, 0);
    const out = M._malloc(length + 1);
    try {
      fn(...args, out, length + 1);
      return M.UTF8ToString(out);
    } finally {
      M._free(out);
    }
  }

  printable(ptr) { return this.written(this.M._codehdr_printable, ptr); }
  codeModeText(value) { return this.written(this.M._codehdr_code_mode_text, value); }
  codeModeLabels(value) {
    const labels = [];
    for (let i = 0, p; (p = this.M._codehdr_code_mode_label(value, i)); ++i) labels.push(this.text(p));
    return labels;
  }

  status(status) {
    const M = this.M;
    const classic = M._codehdr_status_classic_code(status);
    return {
      status,
      name: this.text(M._codehdr_status_name(status)),
      reason: this.text(M._codehdr_status_reason(status)),
      classicCode: classic,
      classicName: classic ? this.text(M._codehdr_classic_code_name(classic)) : null,
    };
  }

  // ---- Device tables: the file goes into the module's file system, and the
  // library reads it from there as it reads any device control file.
  loadDevices(bytes) {
    const M = this.M;
    if (this.devices) M._codehdr_devices_free(this.devices);
    this.devices = null;
    if (!bytes) return { status: this.status(0), messages: [], models: [] };
    M.FS.writeFile(DEVICES_PATH, bytes);
    const devices = M._codehdr_devices_new();
    const messages = [];
    // One callback for the module's lifetime: it collects into `this.messages`.
    this.onMessage ??= M.addFunction((context, line) => this.messages.push(this.text(line)), 'vii');
    this.messages = messages;
    const path = this.cString(DEVICES_PATH);
    const status = M._codehdr_devices_load(devices, path, this.onMessage, 0);
    M._free(path);
    M.FS.unlink(DEVICES_PATH);
    const models = [];
    if (status === 0) {
      this.devices = devices;
      for (let i = 0; i < M._codehdr_devices_count(devices); ++i) {
        const d = this.struct(DEVICE_SIZE);
        M._codehdr_devices_get(devices, i, d);
        models.push({ modelId: this.u32(d + 4), modelName: this.text(this.u32(d + 8)),
                      codeMode: this.text(this.u32(d + 12)), tagId: this.i32(d + 16) });
      }
    } else {
      M._codehdr_devices_free(devices);
    }
    return { status: this.status(status), messages, models };
  }

  cString(text) {
    const size = this.M.lengthBytesUTF8(text) + 1;
    const p = this.M._malloc(size);
    this.M.stringToUTF8(text, p, size);
    return p;
  }

  // ---- One image, fed in chunks: a verifier with its buffer for slices.
  newVerifier() { return this.M._codehdr_verifier_new(0); }
  freeVerifier(v) { this.M._codehdr_verifier_free(v); }
  buffer(size) {
    if (this.bufferSize !== size) {
      if (this.bufferPtr) this.M._free(this.bufferPtr);
      this.bufferPtr = this.M._malloc(size);
      this.bufferSize = size;
    }
    return this.bufferPtr;
  }
  update(verifier, chunk) {
    const p = this.buffer(Math.max(this.bufferSize || 0, chunk.length));
    this.M.HEAPU8.set(chunk, p);
    return this.M._codehdr_verifier_update(verifier, p, chunk.length);
  }

  // ---- Releases: each image's verifier is handed to the release, which
  // keeps its verification; the page's image view reads it back from there.
  newRelease() {
    if (this.release) this.M._codehdr_release_free(this.release);
    this.release = this.M._codehdr_release_new();
  }
  addImage(name, verifier, unreadable) {
    const M = this.M;
    const p = this.cString(name);
    M._codehdr_release_add_verifier(this.release, p, verifier, unreadable ? STATUS_FILE_READ : 0, 0);
    M._free(p);
    return this.image(M._codehdr_release_image_count(this.release) - 1);
  }

  // Image `index` of the release: its verification, header and field map.
  image(index) {
    const M = this.M;
    const header = M._codehdr_header_new();
    try {
      const r = this.struct(REPORT_SIZE);
      M.HEAPU32[(r + 4) >> 2] = header;
      M._codehdr_release_get_image(this.release, index, r);
      const report = {
        name: this.printable(M._codehdr_release_image_name(this.release, index)),
        verdict: this.i32(r + 8),
        verdictName: this.text(M._codehdr_verdict_name(this.i32(r + 8))),
        ...this.statusOf(this.i32(r + 12)),
        osError: this.i32(r + 16),
        fileSize: this.u64(r + 24),
        computedCrc: this.i32(r + 32) ? this.u32(r + 36) : null,
      };
      report.header = this.header(header);
      return report;
    } finally {
      M._codehdr_header_free(header);
    }
  }

  statusOf(status) {
    const s = this.status(status);
    return { status, statusName: s.name, statusReason: s.reason, classicCode: s.classicCode, classicName: s.classicName,
             fileError: this.M._codehdr_status_is_file_error(status) === 1 };
  }

  header(h) {
    const M = this.M;
    const i = this.struct(INFO_SIZE);
    M._codehdr_header_get_info(h, i);
    const form = this.i32(i + 4);
    const byteCount = this.u32(i + 60);
    const info = {
      form, formName: this.text(M._codehdr_header_form_name(form)),
      problem: this.i32(i + 8), totalSize: this.u16(i + 12), tag: this.u8(i + 14),
      virevuzVersion: this.printable(this.u32(i + 16)), mandatorySize: this.u16(i + 20),
      storedCrc: this.u32(i + 24), codeMode: this.u8(i + 28), codeVersion: this.printable(this.u32(i + 32)),
      sectionCount: this.u8(i + 36), reserved: this.u8(i + 37),
      comment: this.u32(i + 40) ? this.printable(this.u32(i + 40)) : null, commentLength: this.u8(i + 44),
      bytes: M.HEAPU8.slice(this.u32(i + 56), this.u32(i + 56) + byteCount),
    };
    const dependencyCount = this.u32(i + 52);
    info.codeModeLabels = this.codeModeLabels(info.codeMode);
    info.codeModeText = this.codeModeText(info.codeMode);
    info.dependencies = [];
    for (let k = 0; k < dependencyCount; ++k) {
      const d = this.struct(8, false);
      M._codehdr_header_get_dependency(h, k, d);
      const type = this.u16(d);
      info.dependencies.push({ type, labels: this.codeModeLabels(type), typeText: this.codeModeText(type),
                               version: this.printable(this.u32(d + 4)) });
    }
    info.fields = this.fields(h);
    const at = this.struct(8, false);
    info.fault = M._codehdr_header_faulty_bytes(h, at, at + 4) ? { offset: this.u32(at), size: this.u32(at + 4) } : null;
    return info;
  }

  fields(h) {
    const M = this.M;
    const count = M._codehdr_header_fields(h, 0, 0);
    const out = M._malloc(Math.max(1, count) * FIELD_SIZE);
    try {
      M._codehdr_header_fields(h, out, count);
      const fields = [];
      for (let k = 0; k < count; ++k) {
        const p = out + k * FIELD_SIZE;
        const kind = this.i32(p + 8);
        fields.push({ offset: this.u32(p), size: this.u32(p + 4), kind, name: this.text(M._codehdr_header_field_name(kind)),
                      label: this.text(M._codehdr_header_field_label(kind)), section: this.i32(p + 12),
                      cutOff: this.i32(p + 16) === 1 });
      }
      return fields;
    } finally {
      M._free(out);
    }
  }

  // The release check against the device table (an empty one when none is
  // loaded): findings and dependency links, image indices as given.
  check() {
    const M = this.M;
    const empty = this.devices ? 0 : M._codehdr_devices_new();
    const o = this.struct(OPTIONS_SIZE);
    M._codehdr_release_check(this.release, this.devices || empty, o);
    if (empty) M._codehdr_devices_free(empty);
    const indices = (ptr, count) => Array.from({ length: count }, (_, k) => this.u32(ptr + 4 * k));
    const findings = [];
    for (let k = 0; k < M._codehdr_release_finding_count(this.release); ++k) {
      const f = this.struct(FINDING_SIZE);
      M._codehdr_release_get_finding(this.release, k, f);
      const dependency = this.u32(f + 20);
      findings.push({ kind: this.text(M._codehdr_finding_kind_name(this.i32(f + 4))), image: this.u32(f + 8),
                      others: indices(this.u32(f + 12), this.u32(f + 16)),
                      dependency: dependency === 0xffffffff ? null : dependency, reason: this.text(this.u32(f + 24)) });
    }
    const links = [];
    for (let k = 0; k < M._codehdr_release_dependency_count(this.release); ++k) {
      const l = this.struct(LINK_SIZE);
      M._codehdr_release_get_dependency(this.release, k, l);
      links.push({ image: this.u32(l + 4), dependency: this.u32(l + 8),
                   state: this.text(M._codehdr_dependency_state_name(this.i32(l + 12))),
                   providers: indices(this.u32(l + 16), this.u32(l + 20)), providerCount: this.u32(l + 24) });
    }
    return { findings, links };
  }
}
