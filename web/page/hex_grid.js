// The header's bytes as a hex grid, 16 to a row, each byte coloured by the
// field the library's field map puts it in, with a legend naming every
// field; the bytes of the failing field are marked.
const BYTES_PER_ROW = 16;

function span(className, text, title) {
  const s = document.createElement('span');
  s.className = className;
  s.textContent = text;
  if (title) s.title = title;
  return s;
}

// `header`: the worker's header report (bytes, fields, fault); `failing`:
// the fields that overlap the faulty bytes.
export function hexGrid(header, failing) {
  const { bytes, fields, fault } = header;
  const fieldAt = new Array(bytes.length).fill(null);
  fields.forEach((f, index) => {
    for (let i = f.offset; i < f.offset + f.size && i < bytes.length; ++i) fieldAt[i] = index;
  });
  const faulty = (i) => fault !== null && i >= fault.offset && i < fault.offset + fault.size;
  // As info --hex names them: "section 2" for a section's head.
  const name = (f) => (f.name === 'section_head' ? `${f.label} ${f.section}`
                                                 : f.section ? `${f.label} (section ${f.section})` : f.label);
  const range = (f) => (f.size === 1 ? `byte ${f.offset}` : `bytes ${f.offset}–${f.offset + f.size - 1}`);

  const grid = document.createElement('div');
  grid.className = 'hex';
  for (let row = 0; row < bytes.length; row += BYTES_PER_ROW) {
    const line = document.createElement('div');
    line.className = 'row';
    line.append(span('offset', row.toString().padStart(6, ' ')));
    for (let i = row; i < Math.min(row + BYTES_PER_ROW, bytes.length); ++i) {
      const f = fieldAt[i] === null ? null : fields[fieldAt[i]];
      const classes = ['byte', f ? `k-${f.name}` : 'k-none', f && f.section % 2 === 0 && f.section ? 'even' : '',
                       faulty(i) ? 'fault' : ''].filter(Boolean).join(' ');
      const b = span(classes, bytes[i].toString(16).padStart(2, '0'), f ? `${name(f)}, byte ${i}` : `byte ${i}`);
      b.dataset.offset = i;
      if (f) b.dataset.field = f.name;
      line.append(b);
    }
    grid.append(line);
  }

  const legend = document.createElement('ul');
  legend.className = 'legend';
  for (const f of fields) {
    const marked = failing.includes(f);
    const item = document.createElement('li');
    item.className = marked ? 'fault' : '';
    item.dataset.field = f.name;
    item.append(span(`swatch k-${f.name}`, ''), `${name(f)}: ${range(f)}` +
                                                (f.cutOff ? ' (cut off)' : '') + (marked ? ' ← fails' : ''));
    legend.append(item);
  }
  const wrapper = document.createElement('div');
  wrapper.className = 'header-view';
  wrapper.append(grid, legend);
  return wrapper;
}
