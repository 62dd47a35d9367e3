// The JSON documents `codehdr info --json` and `codehdr check --json` print,
// made from the worker's reports of the same images: the same keys in the
// same order and the same layout, so a download matches the tool's output
// byte for byte (file names are as the browser gives them, without folders).
// Every value is the library's answer; this file only lays them out.

const JSON_VERSION = 2;  // the tool's kJsonVersion

// "ERR_CRC_MISMATCH (1050): <reason>", or the reason alone for a status the
// classic API has no code for.
export function statusText(r) {
  return r.classicCode && r.classicName ? `${r.classicName} (${r.classicCode}): ${r.statusReason}` : r.statusReason;
}

function infoImage(r) {
  if (r.fileError) return { file: r.file, error: r.statusReason };
  const h = r.header;
  if (h.formName === 'malformed') return { file: r.file, error: `malformed header: ${statusText(r)}` };
  const j = { file: r.file, file_size: r.fileSize, form: h.formName };
  if (h.formName !== 'new_style' && h.formName !== 'old_style') return j;
  j.tag_id = h.tag;
  j.header_size = h.totalSize;
  if (h.formName === 'old_style') return j;
  Object.assign(j, {
    virevuz_version: h.virevuzVersion, mandatory_size: h.mandatorySize, total_size: h.totalSize,
    stored_crc: h.storedCrc, computed_crc: r.computedCrc ?? 0, crc_match: r.computedCrc === h.storedCrc,
    code_mode: h.codeMode, code_mode_labels: h.codeModeLabels, code_version: h.codeVersion,
    section_count: h.sectionCount, reserved: h.reserved, comment: h.comment, comment_length: h.commentLength,
    dependencies: h.dependencies.map((d) => ({ type: d.type, labels: d.labels, version: d.version })),
  });
  return j;
}

// As `codehdr info --json IMAGE...`.
export function infoJson(reports) {
  return `${JSON.stringify({ json_version: JSON_VERSION, images: reports.map(infoImage) }, null, 2)}\n`;
}

// As `codehdr check --json IMAGE...`: the images and findings one per line.
export function checkJson(reports, release) {
  const names = (indices) => indices.map((i) => reports[i].name);
  const tally = { met: 0, allowed: 0 };
  for (const l of release.links) {
    if (l.state === 'met') ++tally.met;
    if (l.state === 'allowed_missing') ++tally.allowed;
  }
  const summary = { images: reports.length, dependencies: release.links.length, met: tally.met,
                    allowed_missing: tally.allowed, findings: release.findings.length, manifest: null };
  const images = reports.map((r, i) => {
    const h = r.header;
    const fields = h.formName === 'new_style';
    const dependencies = release.links.filter((l) => l.image === i).map((l) => {
      const d = h.dependencies[l.dependency];
      return { type: d.type, labels: d.labels, version: d.version, state: l.state, provided_by: names(l.providers),
               provider_count: l.providerCount };
    });
    return { file: r.name, verdict: r.verdictName, status_name: r.statusName, size: r.fileSize, sha256: null,
             tag_id: fields ? h.tag : null, code_mode: fields ? h.codeMode : null,
             code_mode_labels: fields ? h.codeModeLabels : null, code_version: fields ? h.codeVersion : null,
             virevuz_version: fields ? h.virevuzVersion : null, dependencies };
  });
  const findings = release.findings.map((f) => ({ file: reports[f.image].name, kind: f.kind, reason: f.reason,
                                                  dependency: f.dependency, files: names(f.others) }));
  const lines = (items) => items.map((item) => `\n    ${JSON.stringify(item)}`).join(',');
  return `{\n  "json_version": ${JSON_VERSION},\n  "consistent": ${findings.length === 0},\n` +
         `  "summary": ${JSON.stringify(summary)},\n  "images": [${lines(images)}\n  ],\n` +
         `  "findings": [${lines(findings)}\n  ]\n}\n`;
}
