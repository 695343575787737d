// The bank's rows, one per entry in the bank's order, of which only those in
// view (and a few around them) are in the page: a bank of 100,000 entries
// costs the page a screenful of rows. Rows have one height, so where a row
// stands is its number times that height. One listener per kind of event
// serves every row; the arrow keys, Page Up/Down, Home and End move along
// the rows, which the Tab key alone could not reach in a long bank.
'use strict';

const Table = (() => {
  const ROW = 64;        // px, as style.css sets tr.entry's height
  const AROUND = 8;      // rows kept beyond each edge of the view
  const frame = document.querySelector('.table-wrap');
  const table = document.querySelector('#entries');
  const rows = table.querySelector('tbody');
  let listing = null;    // { count, entry(i) }
  let statusOf = () => '';
  let peaksFor = null;   // asks for a row's waveform peaks
  let look = null;       // a canvas's size and colour, read once
  let shown = new Map(); // row number -> tr in the page
  let peaks = new Map(); // row number -> its waveform's peaks, once drawn
  const notes = new Map(); // row number -> [text, error], set while the rows stand
  const spacer = () => { const tr = document.createElement('tr'); tr.className = 'spacer'; tr.setAttribute('aria-hidden', 'true'); tr.append(document.createElement('td')); tr.firstChild.colSpan = 9; return tr; };
  const before = spacer(), after = spacer();

  function cell(row, className, text = '') {
    const td = document.createElement('td');
    td.className = className;
    td.textContent = text;
    row.append(td);
    return td;
  }

  // A cell whose text may run long: at most three lines in the row, and
  // whole in its title.
  function longCell(row, className, text) {
    const td = cell(row, className);
    const clamp = document.createElement('div');
    clamp.className = 'clamp';
    td.append(clamp);
    setText(td, text);
    return td;
  }
  function setText(td, text) {
    td.firstChild.textContent = text;
    td.title = text;
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
    tr.setAttribute('aria-rowindex', entry.index + 2);
    const name = entry.shown;
    longCell(tr, 'name', name);
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
    const [text, error] = notes.get(entry.index) || [statusOf(entry), false];
    const status = longCell(tr, 'status', text);
    status.setAttribute('role', 'status');
    status.classList.toggle('error', error);
    return tr;
  }

  // The waveform: drawn at once when known, else asked for.
  function draw(entry, canvas) {
    if (!look) {
      const ratio = window.devicePixelRatio || 1, style = getComputedStyle(canvas);
      look = { width: Math.round(parseFloat(style.width) * ratio), height: Math.round(parseFloat(style.height) * ratio), color: style.color, ratio };
    }
    if (!entry.hasSound) return Waveform.draw(canvas, null, look);
    if (peaks.has(entry.index)) return Waveform.draw(canvas, peaks.get(entry.index), look);
    const owner = listing;
    peaksFor(entry, look.width).then(p => {
      if (listing !== owner) return;
      peaks.set(entry.index, p);
      const tr = shown.get(entry.index);
      if (tr) Waveform.draw(tr.querySelector('canvas'), p, look);
    }, () => {});
  }

  // The rows of the view, and AROUND more each way; rows already in the page stay.
  function update() {
    if (!listing) return;
    const top = frame.scrollTop - rows.offsetTop;
    const first = Math.max(0, Math.floor(top / ROW) - AROUND);
    const last = Math.min(listing.count, Math.ceil((top + frame.clientHeight) / ROW) + AROUND);
    const next = new Map(), made = [];
    for (let i = first; i < last; i++) {
      if (shown.has(i)) { next.set(i, shown.get(i)); continue; }
      const tr = row(listing.entry(i));
      next.set(i, tr);
      made.push(i);
    }
    for (const [i, tr] of shown) if (!next.has(i)) tr.remove();
    shown = next;
    before.style.height = `${first * ROW}px`;
    after.style.height = `${(listing.count - last) * ROW}px`;
    // Rows that stay are never taken out, not even for a moment: a row
    // that has the focus would lose it.
    if (!before.isConnected) rows.append(before, after);
    let cursor = before.nextSibling;
    for (const tr of next.values()) {
      if (tr === cursor) cursor = cursor.nextSibling;
      else rows.insertBefore(tr, cursor);
    }
    // Drawn once in the page, where a canvas has its size and colour.
    for (const i of made) draw(listing.entry(i), next.get(i).querySelector('canvas'));
  }

  // Rows for `the listing`; `status` gives a row's status text, `peaks` a
  // promise of a row's waveform peaks for a number of columns.
  function render(newListing, status, peaksOf) {
    listing = newListing;
    statusOf = status;
    peaksFor = peaksOf;
    shown = new Map();
    peaks = new Map();
    notes.clear();
    table.setAttribute('aria-rowcount', (listing ? listing.count : 0) + 1);
    rows.replaceChildren();
    frame.scrollTop = 0;
    update();
  }

  // Row `index` in view and in the page.
  function reveal(index) {
    const top = rows.offsetTop + index * ROW, bottom = top + ROW;
    if (top < frame.scrollTop + (table.tHead ? table.tHead.offsetHeight : 0)) frame.scrollTop = top - (table.tHead ? table.tHead.offsetHeight : 0);
    else if (bottom > frame.scrollTop + frame.clientHeight) frame.scrollTop = bottom - frame.clientHeight;
    update();
    return shown.get(index);
  }

  function setStatus(entry, text, error = false) {
    notes.set(entry.index, [text, error]);
    const status = shown.get(entry.index)?.querySelector('.status');
    if (!status) return;
    setText(status, text);
    status.classList.toggle('error', error);
  }

  function setPlaying(entry, on) {
    const b = shown.get(entry.index)?.querySelector('button.play');
    if (!b) return;
    b.textContent = on ? 'Stop' : 'Play';
    b.setAttribute('aria-label', `${on ? 'Stop' : 'Play'} ${entry.shown}`);
  }

  // The same button of another row, by the keys that move along rows.
  function move(e) {
    const b = e.target.closest('button');
    const tr = b && b.closest('tr.entry');
    if (!tr || !listing) return;
    const at = Number(tr.dataset.index), page = Math.max(1, Math.floor(frame.clientHeight / ROW) - 1);
    const to = { ArrowDown: at + 1, ArrowUp: at - 1, PageDown: at + page, PageUp: at - page, Home: 0, End: listing.count - 1 }[e.key];
    if (to === undefined) return;
    e.preventDefault();
    const target = reveal(Math.max(0, Math.min(listing.count - 1, to)));
    target?.querySelector(`button.${b.className}`)?.focus();
  }

  // `act(kind, entry)` for a press of a row's button; `drop(entry, file)`
  // for a file dropped on a row.
  function listen(act, drop) {
    frame.addEventListener('scroll', update, { passive: true });
    rows.addEventListener('keydown', move);
    const entryOf = tr => tr && listing && listing.entry(Number(tr.dataset.index));
    rows.addEventListener('click', e => {
      const b = e.target.closest('button');
      const tr = b && b.closest('tr.entry');
      if (tr && !b.disabled) act(b.className, entryOf(tr));
    });
    const target = e => {
      const tr = e.target.closest && e.target.closest('tr.entry');
      const entry = entryOf(tr);
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

  return { render, reveal, setStatus, setPlaying, listen };
})();
