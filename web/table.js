// The bank's rows: one per entry, in the bank's order, drawn from the
// engine's records. One listener per kind of event serves every row.
'use strict';

const Table = (() => {
  const rows = document.querySelector('#entries tbody');
  let shown = [];          // the entries of the rows
  let statusOf = () => '';
  let drawer = null;
  let peaksFor = null;     // asks for a row's waveform peaks

  function cell(row, className, text = '') {
    const td = document.createElement('td');
    td.className = className;
    td.textContent = text;
    row.append(td);
    return td;
  }

  function button(text, className, label, disabled) {
    const b = document.createElement('button');
    b.type = 'button';
    b.className = className;
    b.textContent = text;
    b.setAttribute('aria-label', label);
    b.disabled = disabled;
    return b;
  }

  function duration(entry) {
    const frameBytes = entry.channels * Math.ceil(entry.bits / 8);
    if (!frameBytes || !entry.rate || !entry.hasSound) return '';
    return `${(entry.samples / frameBytes / entry.rate).toFixed(2)} s`;
  }

  function row(entry) {
    const tr = document.createElement('tr');
    tr.className = 'entry';
    tr.dataset.index = entry.index;
    tr.dataset.fate = entry.fate;
    const name = entry.shown;
    cell(tr, 'name', name);
    cell(tr, 'channels num', entry.whole ? String(entry.channels) : '');
    cell(tr, 'rate num', entry.whole ? String(entry.rate) : '');
    cell(tr, 'bits num', entry.whole ? String(entry.bits) : '');
    cell(tr, 'duration num', duration(entry));
    cell(tr, 'size num', entry.whole ? String(entry.samples) : '');
    const canvas = document.createElement('canvas');
    canvas.className = 'wave';
    canvas.setAttribute('role', 'img');
    canvas.setAttribute('aria-label', entry.hasSound ? `Waveform of ${name}` : `No waveform: ${name} has no sound`);
    cell(tr, 'wave-cell').append(canvas);
    const actions = cell(tr, 'actions');
    actions.append(
      button('Play', 'play', `Play ${name}`, !entry.playable),
      button('Save', 'save', `Save ${name}`, !entry.hasSound),
      button('Replace', 'replace', `Replace ${name}`, !entry.hasSound));
    cell(tr, 'status', statusOf(entry)).setAttribute('role', 'status');
    return { tr, canvas };
  }

  // Rows for `entries`; `status` gives a row's status text, `peaks` a
  // promise of a row's waveform peaks for a number of columns.
  function render(entries, status, peaks) {
    shown = entries;
    statusOf = status;
    peaksFor = peaks;
    if (drawer) drawer.disconnect();
    const made = entries.map(row);
    rows.replaceChildren(...made.map(m => m.tr));
    if (!made.length) return;
    // The canvas's size and colour are read once: a canvas resized makes the
    // next read lay out the table again.
    const first = made[0].canvas, ratio = window.devicePixelRatio || 1;
    const look = { width: Math.round(first.clientWidth * ratio), height: Math.round(first.clientHeight * ratio),
                   color: getComputedStyle(first).color, ratio };
    const entryOf = new Map(made.map(({ canvas }, i) => [canvas, entries[i]]));
    const owner = shown;
    drawer = new IntersectionObserver(seen => {
      for (const { target, isIntersecting } of seen) {
        if (!isIntersecting || shown !== owner) continue;
        drawer.unobserve(target);
        const entry = entryOf.get(target);
        if (!entry.hasSound) { Waveform.draw(target, null, look); continue; }
        peaksFor(entry, look.width).then(p => { if (shown === owner) Waveform.draw(target, p, look); }, () => {});
      }
    }, { rootMargin: '400px 0px' });
    for (const { canvas } of made) drawer.observe(canvas);
  }

  const rowOf = entry => rows.querySelector(`tr[data-index="${entry.index}"]`);

  function setStatus(entry, text, error = false) {
    const status = rowOf(entry)?.querySelector('.status');
    if (!status) return;
    status.textContent = text;
    status.classList.toggle('error', error);
  }

  function setPlaying(entry, on) {
    const b = rowOf(entry)?.querySelector('button.play');
    if (!b) return;
    b.textContent = on ? 'Stop' : 'Play';
    b.setAttribute('aria-label', `${on ? 'Stop' : 'Play'} ${entry.shown}`);
  }

  // `act(kind, entry)` for a press of a row's button; `drop(entry, file)`
  // for a file dropped on a row.
  function listen(act, drop) {
    rows.addEventListener('click', e => {
      const b = e.target.closest('button');
      const tr = b && b.closest('tr.entry');
      if (tr && !b.disabled) act(b.className, shown[Number(tr.dataset.index)]);
    });
    const target = e => {
      const tr = e.target.closest && e.target.closest('tr.entry');
      const entry = tr && shown[Number(tr.dataset.index)];
      return entry && entry.hasSound ? { tr, entry } : { tr };
    };
    rows.addEventListener('dragover', e => {
      const { tr, entry } = target(e);
      if (!tr) return;
      e.preventDefault(); e.stopPropagation();
      e.dataTransfer.dropEffect = entry ? 'copy' : 'none';
      if (entry) tr.classList.add('drop');
    });
    rows.addEventListener('dragleave', e => { const { tr } = target(e); if (tr) tr.classList.remove('drop'); });
    rows.addEventListener('drop', e => {
      const { tr, entry } = target(e);
      if (!tr) return;
      e.preventDefault(); e.stopPropagation();
      tr.classList.remove('drop');
      const file = e.dataTransfer.files[0];
      if (file && entry) drop(entry, file);
    });
  }

  return { render, setStatus, setPlaying, listen };
})();
