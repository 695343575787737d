// The page: lsd2wav and wav2lsd (compiled into engine.mjs) run on a bank held
// in the engine's in-memory file system. Everything stays on this machine.
import createEngine from './engine.mjs';
import { zipSync } from './fflate.js';

// The page holds a bank several times over (its bytes, the engine's copy,
// the extracted files), so it refuses one above this before reading it.
const LIMIT_MIB = 512;
const LIMIT = LIMIT_MIB * 1024 * 1024;
const tooLarge = name => `${name}: is larger than ${LIMIT_MIB} MiB, more than this page can hold`;

const $ = selector => document.querySelector(selector);
const body = document.body;
const rows = $('#entries tbody');

let engine = null;
let out = [], err = [], all = [];   // the current call's console lines
let folders = 0;                    // each bank gets a fresh folder, so a failed open leaves the last one alone
let bank = null;                    // { name, dir, file, entries, notes }
let audio = null;                   // AudioContext, made on the first press of Play
let playing = null;                 // { source, index }
let replacing = null;               // the entry whose Replace was pressed last

// The programs' output arrives byte by byte and is cut into lines here, so
// that a name's bytes that are not UTF-8 show as U+FFFD, as a terminal would.
const pending = { out: [], err: [] };
const decoder = new TextDecoder();
function endLine(stream) {
  const line = decoder.decode(Uint8Array.from(pending[stream]));
  pending[stream] = [];
  (stream === 'out' ? out : err).push(line);
  all.push(line);
}
const output = stream => byte => {
  if (byte === null || byte === undefined) return;
  if ((byte & 255) === 10) endLine(stream); else pending[stream].push(byte & 255);
};

// One engine call: the console lines it printed, and its exit code.
function call(fn, returnType = 'number', types = [], args = []) {
  out = []; err = []; all = [];
  const code = engine.ccall(fn, returnType, types, args);
  for (const stream of ['out', 'err']) if (pending[stream].length) endLine(stream);
  return { code, out, err, all };
}

function message(text) { $('#message').textContent = text; }

// Runs one user action with the page marked busy; a thrown error becomes the message.
async function busy(action) {
  if (body.dataset.state !== 'ready') return;
  body.dataset.state = 'busy';
  $('main').setAttribute('aria-busy', 'true');
  // The engine holds the main thread: let "Working…" show before it starts.
  await new Promise(done => { requestAnimationFrame(() => setTimeout(done)); setTimeout(done, 100); });
  try { await action(); } catch (e) { message(String(e && e.message || e)); }
  finally { body.dataset.state = 'ready'; $('main').removeAttribute('aria-busy'); }
}

function removeTree(path) {
  const FS = engine.FS;
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = `${path}/${name}`;
    if (FS.isDir(FS.lstat(child).mode)) removeTree(child); else FS.unlink(child);
  }
  FS.rmdir(path);
}

function freshFolder() {
  const dir = `/bank${++folders}`;
  engine.FS.mkdir(dir);
  engine.FS.chdir(dir);
  return dir;
}

function leaveFolder(dir) {
  engine.FS.chdir('/');
  removeTree(dir);
}

// lsd2wav looks only for these two names; any other bank goes in as music_p.lsd.
const bankFileFor = name => name.toLowerCase() === 'sound_p.lsd' ? 'sound_p.lsd' : 'music_p.lsd';

const hexBytes = hex => Uint8Array.from(hex.match(/../g) || [], h => parseInt(h, 16));

// The file system names a file by the JS string the engine made of its
// bytes: UTF-8 with U+FFFD for a name of more than 16 bytes, and for a
// shorter one a looser decoding that puts no U+FFFD in. Either may be the one.
function fileNames(bytes) {
  let name = '';
  for (let i = 0; i < bytes.length;) {
    let u = bytes[i++];
    if (u & 128) {
      const more = [bytes[i++] & 63];
      if ((u & 224) === 192) u = (u & 31) << 6 | more[0];
      else {
        more.push(bytes[i++] & 63);
        u = (u & 240) === 224 ? (u & 15) << 12 | more[0] << 6 | more[1]
          : (u & 7) << 18 | more[0] << 12 | more[1] << 6 | (bytes[i++] & 63);
      }
    }
    name += u < 65536 ? String.fromCharCode(u) : String.fromCharCode(55296 | (u - 65536) >> 10, 56320 | (u - 65536) & 1023);
  }
  return [decoder.decode(bytes), name];
}

// One ListEntries line: FILEHEX SHOWN CHANNELS RATE BITS BYTES MARKS.
function parseEntry(line, index) {
  const [hex, shown, channels, rate, bits, bytes, marks = ''] = line.split('\t');
  return { index, names: fileNames(hexBytes(hex)), shown, channels, rate, bits, bytes, marks };
}

function isFile(path) {
  try { return engine.FS.isFile(engine.FS.stat(path).mode); } catch { return false; }
}

// Opens bank bytes in a fresh folder: lists, then extracts as lsd2wav does.
// Nothing of the bank shown so far changes unless this succeeds.
function openBytes(bytes, name, notes = new Map()) {
  const file = bankFileFor(name);
  const previous = bank && bank.dir;
  const dir = freshFolder();
  let entries, summary, extracted;
  try {
    // The bytes are the page's own copy: the file system keeps them as they
    // are, rather than a second copy of the whole bank.
    engine.FS.writeFile(file, bytes, { canOwn: true });
    const listed = call('ListEntries', 'number', ['string'], [file]);
    if (listed.code !== 0) {
      // The line names the engine's copy; the user knows the file by its own name.
      const line = listed.err.join(' ') || `wav2lsd: ${file}: could not be listed`;
      throw new Error(line.replace(`wav2lsd: ${file}: `, `${name}: `));
    }
    entries = listed.out.filter(l => l !== '').map(parseEntry);
    summary = call('ListBank', 'number', ['string'], [file]).out.at(-1) || '';
    extracted = call('ExtractBank');
  } catch (e) {
    leaveFolder(dir);
    if (previous) engine.FS.chdir(previous);
    throw e;
  }
  for (const entry of entries) {
    entry.path = entry.names.find(isFile) || entry.names[0];
    // lsd2wav writes some names that --list marks as refused (a backslash on Linux): the file decides.
    entry.hasFile = entry.channels !== '' && !entry.marks.includes('(no samples)') && isFile(entry.path);
  }
  stop();
  if (previous) { engine.FS.chdir('/'); removeTree(previous); engine.FS.chdir(dir); }
  bank = { name, dir, file, entries, notes };
  $('#bank-name').textContent = name;
  $('#summary').textContent = summary;
  $('#console-lines').textContent = extracted.all.join('\n');
  $('#save-bank').disabled = false;
  $('#save-all').disabled = !entries.some(e => e.hasFile);
  render();
}

async function openFile(file) {
  if (file.size > LIMIT) throw new Error(tooLarge(file.name));
  const bytes = new Uint8Array(await file.arrayBuffer());
  openBytes(bytes, file.name);
  message('');
}

// ---- WAV bytes, for drawing and playing only -------------------------------

// The fmt and data chunks of a RIFF WAVE file, or null.
function parseWav(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const tag = at => String.fromCharCode(...bytes.subarray(at, at + 4));
  if (bytes.length < 12 || tag(0) !== 'RIFF' || tag(8) !== 'WAVE') return null;
  let fmt = null, data = null;
  for (let at = 12; at + 8 <= bytes.length;) {
    const size = view.getUint32(at + 4, true);
    const start = at + 8;
    if (tag(at) === 'fmt ' && size >= 16) {
      fmt = { channels: view.getUint16(start + 2, true), rate: view.getUint32(start + 4, true),
              bits: view.getUint16(start + 14, true) };
    } else if (tag(at) === 'data') {
      data = bytes.subarray(start, Math.min(start + size, bytes.length));  // a cut file keeps what it has
    }
    at = start + size + (size & 1);
  }
  if (!fmt || !data || !fmt.channels || !fmt.bits) return null;
  const width = Math.ceil(fmt.bits / 8);
  return { ...fmt, data, width, frames: Math.floor(data.length / (width * fmt.channels)) };
}

// A reader of sample n as -1..1: 8-bit is unsigned, wider is signed little-endian.
function sampleReader({ data, width }) {
  const view = new DataView(data.buffer, data.byteOffset, data.byteLength);
  if (width === 1) return n => (data[n] - 128) / 128;
  if (width === 2) return n => view.getInt16(2 * n, true) / 32768;
  if (width === 4) return n => view.getInt32(4 * n, true) / 2147483648;
  const half = 2 ** (8 * width - 1);
  return n => {
    let value = 0;
    for (let i = width - 1; i >= 0; i--) value = value * 256 + data[n * width + i];
    return (value >= half ? value - 2 * half : value) / half;
  };
}

// Min and max per pixel column over all channels; a long entry is sampled
// with a stride, which the eye cannot tell from the whole at this size and
// which keeps a bank of hundreds of entries quick to draw.
function drawWave(canvas, wav, { width, height, color, ratio }) {
  canvas.width = width; canvas.height = height;
  const g = canvas.getContext('2d');
  g.fillStyle = color;
  if (!wav || !wav.frames) { g.fillRect(0, height / 2, width, Math.max(1, ratio)); return; }
  const sample = sampleReader(wav);
  const perColumn = wav.frames / width;
  const stride = Math.max(1, Math.floor(perColumn / 256));
  for (let x = 0; x < width; x++) {
    const first = Math.floor(x * perColumn), last = Math.min(wav.frames, Math.max(first + 1, Math.floor((x + 1) * perColumn)));
    let min = 1, max = -1;
    for (let f = first; f < last; f += stride) {
      for (let c = 0; c < wav.channels; c++) {
        const v = sample(f * wav.channels + c);
        if (v < min) min = v;
        if (v > max) max = v;
      }
    }
    if (min > max) continue;
    const top = (1 - max) / 2 * height, bottom = (1 - min) / 2 * height;
    g.fillRect(x, top, 1, Math.max(ratio, bottom - top));
  }
}

// ---- Playing -------------------------------------------------------------------

function stop() {
  if (!playing) return;
  const { source, index } = playing;
  playing = null;
  source.onended = null;
  try { source.stop(); } catch { /* it ended already */ }
  showPlaying(index, false);
}

function showPlaying(index, on) {
  const button = rows.querySelector(`tr[data-index="${index}"] button.play`);
  if (!button) return;
  const entry = bank.entries[index];
  button.textContent = on ? 'Stop' : 'Play';
  button.setAttribute('aria-label', `${on ? 'Stop' : 'Play'} ${entry.shown}`);
}

// The browser decodes the file itself; what it will not decode (an unusual
// width) is built from our own reading of the samples.
async function decode(bytes) {
  try {
    return await audio.decodeAudioData(bytes.slice().buffer);
  } catch (e) {
    const wav = parseWav(bytes);
    if (!wav || !wav.frames) throw e;
    const buffer = audio.createBuffer(wav.channels, wav.frames, wav.rate);
    const sample = sampleReader(wav);
    for (let c = 0; c < wav.channels; c++) {
      const channel = buffer.getChannelData(c);
      for (let f = 0; f < wav.frames; f++) channel[f] = sample(f * wav.channels + c);
    }
    return buffer;
  }
}

async function play(entry) {
  const again = playing && playing.index === entry.index;
  stop();
  if (again) return;
  audio = audio || new AudioContext();
  await audio.resume();
  const owner = bank;
  let buffer;
  try {
    buffer = await decode(engine.FS.readFile(`${owner.dir}/${entry.path}`));
  } catch (e) {
    message(`${entry.shown}: this browser cannot play it (${e.message || e})`);
    return;
  }
  if (bank !== owner) return;   // another bank came in while decoding
  stop();
  const source = audio.createBufferSource();
  source.buffer = buffer;
  source.connect(audio.destination);
  source.onended = () => { if (playing && playing.source === source) { playing = null; showPlaying(entry.index, false); } };
  source.start();
  playing = { source, index: entry.index };
  showPlaying(entry.index, true);
}

// ---- Saving --------------------------------------------------------------------

function download(bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);  // the download may still be reading it
}

const baseName = path => path.slice(path.lastIndexOf('/') + 1);

function saveEntry(entry) {
  download(engine.FS.readFile(`${bank.dir}/${entry.path}`), baseName(entry.path), 'audio/wav');
}

function saveAll() {
  const files = {};
  for (const entry of bank.entries) {
    if (entry.hasFile) files[entry.path] = engine.FS.readFile(`${bank.dir}/${entry.path}`);
  }
  download(zipSync(files, { level: 0 }), `${bank.name.replace(/\.lsd$/i, '')}.zip`, 'application/zip');
}

// ---- Replacing and packing -------------------------------------------------------

// Writes the new WAV over the entry's file and repacks; on a refusal the
// entry's file gets its bytes back and the bank stays as it was.
async function replace(entry, file) {
  if (file.size > LIMIT) throw new Error(tooLarge(file.name));
  const bytes = new Uint8Array(await file.arrayBuffer());
  const FS = engine.FS;
  FS.chdir(bank.dir);
  const before = FS.readFile(entry.path);
  FS.writeFile(entry.path, bytes);
  let updated;
  try { updated = call('UpdateBank', 'number', ['string'], [bank.file]); } catch (e) { FS.writeFile(entry.path, before); throw e; }
  if (updated.code !== 0) {
    FS.writeFile(entry.path, before);
    // Shown until the rows are made again; the bank did not change.
    const status = rows.querySelector(`tr[data-index="${entry.index}"] .status`);
    if (status) {
      status.textContent = updated.err.join('\n') || `wav2lsd --update failed (${updated.code})`;
      status.classList.add('error');
    }
    return;
  }
  const notes = new Map(bank.notes);
  // wav2lsd's own warning says what changed; without one, the row says it was replaced.
  notes.set(entry.index, updated.err.join('\n') || 'replaced');
  openBytes(FS.readFile(`${bank.dir}/${bank.file}`), bank.name, notes);
  message('');
}

// Code point order, as a sort of the names' UTF-8 bytes would give.
function byCodePoint(a, b) {
  const x = Array.from(a, c => c.codePointAt(0)), y = Array.from(b, c => c.codePointAt(0));
  for (let i = 0; i < Math.min(x.length, y.length); i++) if (x[i] !== y[i]) return x[i] - y[i];
  return x.length - y.length;
}

// A char** of UTF-8 strings for the engine; the caller frees it.
function argv(strings) {
  const pointers = strings.map(s => {
    const size = engine.lengthBytesUTF8(s) + 1;
    const p = engine._malloc(size);
    engine.stringToUTF8(s, p, size);
    return p;
  });
  const array = engine._malloc(4 * Math.max(1, pointers.length));
  pointers.forEach((p, i) => engine.setValue(array + 4 * i, p, 'i32'));
  return { array, free: () => [...pointers, array].forEach(p => engine._free(p)) };
}

async function newBank(fileList) {
  const files = [...fileList].sort((a, b) => byCodePoint(a.name, b.name));
  for (const f of files) if (f.size > LIMIT) throw new Error(tooLarge(f.name));
  const contents = await Promise.all(files.map(f => f.arrayBuffer()));
  const previous = bank && bank.dir;
  const dir = freshFolder();
  let result, packed = null;
  try {
    files.forEach((f, i) => engine.FS.writeFile(f.name, new Uint8Array(contents[i])));
    const names = argv(files.map(f => f.name));
    try {
      result = call('PackBank', 'number', ['string', 'number', 'number'], ['music_p.lsd', files.length, names.array]);
    } finally { names.free(); }
    if (result.code === 0) packed = engine.FS.readFile('music_p.lsd');
  } finally {
    leaveFolder(dir);
    if (previous) engine.FS.chdir(previous);
  }
  if (!packed) throw new Error(result.err.join(' ') || `wav2lsd failed (${result.code})`);
  openBytes(packed, 'music_p.lsd');
  message('');
}

// ---- Rows ----------------------------------------------------------------------

function cell(row, className, text = '') {
  const td = document.createElement('td');
  td.className = className;
  td.textContent = text;
  row.append(td);
  return td;
}

function duration(entry) {
  const frameBytes = entry.channels * Math.ceil(entry.bits / 8);
  if (!frameBytes || !+entry.rate) return '';
  return `${(entry.bytes / frameBytes / entry.rate).toFixed(2)} s`;
}

function button(text, className, label, disabled, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.className = className;
  b.textContent = text;
  b.setAttribute('aria-label', label);
  b.disabled = disabled;
  b.addEventListener('click', onClick);
  return b;
}

function row(entry) {
  const tr = document.createElement('tr');
  tr.className = 'entry';
  tr.dataset.index = entry.index;
  const name = entry.shown;
  cell(tr, 'name', name);
  cell(tr, 'channels num', entry.channels);
  cell(tr, 'rate num', entry.rate);
  cell(tr, 'bits num', entry.bits);
  cell(tr, 'duration num', duration(entry));
  cell(tr, 'size num', entry.bytes);

  const canvas = document.createElement('canvas');
  canvas.className = 'wave';
  canvas.setAttribute('role', 'img');
  canvas.setAttribute('aria-label', entry.hasFile ? `Waveform of ${name}` : `No waveform: ${name} has no file`);
  cell(tr, 'wave-cell').append(canvas);

  const actions = cell(tr, 'actions');
  const off = !entry.hasFile;
  actions.append(
    button('Play', 'play', `Play ${name}`, off, () => play(entry).catch(e => message(String(e.message || e)))),
    button('Save', 'save', `Save ${name}`, off, () => saveEntry(entry)));
  // One file input serves every row: a bank of thousands of entries would
  // otherwise carry thousands of them, which the browser lays out slowly.
  actions.append(button('Replace', 'replace', `Replace ${name}`, off, () => {
    replacing = entry;
    $('#replace-file').click();
  }));

  const status = cell(tr, 'status', bank.notes.get(entry.index) || entry.marks);
  status.setAttribute('role', 'status');

  // A WAV dropped on the row replaces the entry, never opens as a bank; a
  // row without a file takes nothing.
  tr.addEventListener('dragover', e => {
    e.preventDefault(); e.stopPropagation();
    e.dataTransfer.dropEffect = off ? 'none' : 'copy';
    if (!off) tr.classList.add('drop');
  });
  tr.addEventListener('dragleave', () => tr.classList.remove('drop'));
  tr.addEventListener('drop', e => {
    e.preventDefault(); e.stopPropagation();
    tr.classList.remove('drop');
    const file = e.dataTransfer.files[0];
    if (file && !off) busy(() => replace(entry, file));
  });
  return { tr, canvas };
}

// Waveforms are drawn as their rows come into view: a bank of thousands of
// entries opens at once, and an entry's file is read only to draw it.
let drawer = null;

function render() {
  stop();
  if (drawer) drawer.disconnect();
  const made = bank.entries.map(row);
  rows.replaceChildren(...made.map(m => m.tr));
  if (!made.length) return;
  // The canvas's size and colour are read once, in the document: a canvas
  // resized makes the next read lay out the table again.
  const first = made[0].canvas, ratio = window.devicePixelRatio || 1;
  const look = { width: Math.round(first.clientWidth * ratio), height: Math.round(first.clientHeight * ratio),
                 color: getComputedStyle(first).color, ratio };
  const owner = bank, entryOf = new Map(made.map(({ canvas }, i) => [canvas, bank.entries[i]]));
  drawer = new IntersectionObserver(seen => {
    for (const { target, isIntersecting } of seen) {
      if (!isIntersecting || bank !== owner) continue;
      drawer.unobserve(target);
      const entry = entryOf.get(target);
      drawWave(target, entry.hasFile ? parseWav(engine.FS.readFile(`${owner.dir}/${entry.path}`)) : null, look);
    }
  }, { rootMargin: '400px 0px' });
  for (const { canvas } of made) drawer.observe(canvas);
}

// ---- Wiring ----------------------------------------------------------------------

$('#open-bank').addEventListener('change', e => {
  const file = e.target.files[0];
  e.target.value = '';
  if (file) busy(() => openFile(file));
});
$('#new-bank').addEventListener('change', e => {
  const files = [...e.target.files];
  e.target.value = '';
  if (files.length) busy(() => newBank(files));
});
$('#replace-file').addEventListener('change', e => {
  const file = e.target.files[0], entry = replacing;
  e.target.value = '';   // the same file may be chosen again
  if (file && entry) busy(() => replace(entry, file));
});
$('#save-bank').addEventListener('click', () => download(engine.FS.readFile(`${bank.dir}/${bank.file}`), bank.name, 'application/octet-stream'));
$('#save-all').addEventListener('click', () => saveAll());

// A file dropped anywhere but on a row opens as a bank.
document.addEventListener('dragover', e => e.preventDefault());
document.addEventListener('drop', e => {
  e.preventDefault();
  const file = e.dataTransfer.files[0];
  if (file) busy(() => openFile(file));
});

try {
  engine = await createEngine({ stdout: output('out'), stderr: output('err'), printErr: l => { err.push(l); all.push(l); } });
  body.dataset.state = 'ready';
} catch (e) {
  message(`The engine did not start: ${e.message || e}`);
}
