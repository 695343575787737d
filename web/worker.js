// The engine's side of the page: a worker that holds the engine (createEngine,
// from engine.js) and the bank, and answers the page's requests one at a
// time. The page's thread only draws. The bank the user opened is read where
// it lies, a slice at a time, and never copied whole; an entry's WAV is made
// when it is asked for, by the same code that lsd2wav runs.
//
// A request is {id, op, ...}; the answer is {id, ok: true, ...} or {id, ok:
// false, trap} when the engine itself stopped (out of memory, a trap), after
// which this worker takes no more requests.
'use strict';

let engine = null;
let dead = null;            // why the engine stopped, once it has
const pageFiles = [null];   // the page's own files, by the numbers the engine knows them by
let bankName = null;        // music_p.lsd or sound_p.lsd, in the engine's folder
let lines = null;           // the console lines of the current request, as bytes, or null
const pending = { 1: [], 2: [] };

const encoder = new TextEncoder();
const utf8 = text => encoder.encode(text);
function hexBytes(hex) {
  const bytes = new Uint8Array(hex.length >> 1);
  const digit = c => (c < 58 ? c - 48 : c - 87);
  for (let i = 0; i < bytes.length; i++) bytes[i] = digit(hex.charCodeAt(2 * i)) << 4 | digit(hex.charCodeAt(2 * i + 1));
  return bytes;
}

// Bytes into the engine's memory, zero-ended, for the length of one call.
function withBytes(list, use) {
  const pointers = list.map(bytes => {
    const p = engine._malloc(bytes.length + 1);
    engine.HEAPU8.set(bytes, p);
    engine.HEAPU8[p + bytes.length] = 0;
    return p;
  });
  try { return use(...pointers); } finally { pointers.forEach(p => engine._free(p)); }
}
const json = pointer => JSON.parse(engine.UTF8ToString(pointer));

function putFile(name, bytes) {
  return withBytes([name], p => {
    const at = engine._PutFile(p, name.length, bytes.length);
    if (!at) return false;
    engine.HEAPU8.set(bytes, at);
    return true;
  });
}
// A copy of the folder's file, or null.
function takeFile(name) {
  return withBytes([name], p => {
    const size = engine._malloc(8);
    try {
      const at = engine._FileBytes(p, name.length, size);
      return at ? engine.HEAPU8.slice(at, at + engine.getValue(size, 'double')) : null;
    } finally { engine._free(size); }
  });
}
const removeFile = name => withBytes([name], p => engine._RemoveFile(p, name.length));
const renameFile = (from, to) => withBytes([from, to], (f, t) => engine._RenameFile(f, from.length, t, to.length));

// Every file but the bank goes: an extraction's files, a pack's WAV files.
const keepOnlyBank = () => withBytes([utf8(bankName)], p => engine._RemoveAllFilesBut(p, bankName.length));
// Takes the bank out of the folder for a moment: a function that puts it back.
function takeOrLeave(name) {
  const temporary = utf8('\u0001bank');
  renameFile(name, temporary);
  return () => renameFile(temporary, name);
}

// The page's file, read where it lies: FileReaderSync reads one slice.
const reader = new FileReaderSync();
function readPageFile(number, at, to, n) {
  const slice = pageFiles[number].slice(at, at + n);
  const bytes = new Uint8Array(reader.readAsArrayBuffer(slice));
  engine.HEAPU8.set(bytes, to);
  return bytes.length;
}

// lsd2wav's console output, byte by byte, cut into lines where it ends them.
function output(stream) {
  return byte => {
    if (byte === null || byte === undefined || !lines) return;
    if ((byte & 255) === 10) { lines.push(Uint8Array.from(pending[stream])); pending[stream] = []; }
    else pending[stream].push(byte & 255);
  };
}

// The fates of the engine's listing (web/page_listing.cpp), by number.
const FATES = ['written', 'refused', 'in-folder', 'no-samples', 'head-cut', 'none-left', 'after-end'];

// The engine's listing in columns, each one array that moves to the page
// without a copy: a bank of 100,000 entries as a few arrays, not 100,000
// objects that the page's thread would have to rebuild.
function columnsOf(entries) {
  const n = entries.length;
  const c = {
    count: n, at: new Float64Array(n), samples: new Float64Array(n), present: new Float64Array(n),
    channels: new Uint32Array(n), rate: new Uint32Array(n), bits: new Uint32Array(n),
    whole: new Uint8Array(n), overwritten: new Uint8Array(n), fate: new Uint8Array(n),
    fileEnds: new Uint32Array(n), keyEnds: new Uint32Array(n), windowsRefuses: {},
  };
  const files = [], keys = [];
  let fileEnd = 0, keyEnd = 0;
  entries.forEach((e, i) => {
    c.at[i] = e.at; c.whole[i] = e.whole ? 1 : 0; c.overwritten[i] = e.overwritten ? 1 : 0;
    c.fate[i] = FATES.indexOf(e.fate);
    if (e.whole) { c.samples[i] = e.samples; c.present[i] = e.present; c.channels[i] = e.channels; c.rate[i] = e.rate; c.bits[i] = e.bits; }
    if (e.windowsRefuses) c.windowsRefuses[i] = e.windowsRefuses;
    files.push(e.file); keys.push(e.key);
    c.fileEnds[i] = fileEnd += e.file.length / 2;
    c.keyEnds[i] = keyEnd += e.key.length / 2;
  });
  c.files = hexBytes(files.join(''));
  c.keys = hexBytes(keys.join(''));
  return c;
}
const transferOf = c => [c.at, c.samples, c.present, c.channels, c.rate, c.bits, c.whole, c.overwritten, c.fate, c.fileEnds, c.keyEnds, c.files, c.keys].map(a => a.buffer);

function list(post, more = {}) {
  const { entries, leadCut, readFailed } = withBytes([utf8(bankName)], p => json(engine._ListEntries(p)));
  listed = entries.map((e, index) => ({ ...e, index, file: hexBytes(e.file), key: hexBytes(e.key) }));
  const columns = columnsOf(entries);
  return post({ bankName, leadCut, readFailed, columns, ...more }, transferOf(columns));
}

// A bank made here (by an update or a pack) leaves the engine's memory for a
// Blob, which the page keeps and saves as it is, and which the engine then
// reads where it lies, as it reads a bank the user opened: the page can open
// it again after the engine stopped, or after a cancel.
function settle(post) {
  const blob = new Blob([takeFile(utf8(bankName))]);
  engine._RemoveAllFiles();
  pageFiles.length = 1;
  pageFiles.push(blob);
  withBytes([utf8(bankName)], p => engine._PutPageFile(p, bankName.length, 1, blob.size));
  return list(post, { blob });
}

// The WAV of one entry, made in the folder and taken out; or why not.
// With `partial`, also the file that lsd2wav leaves where it stops.
const entryOutput = utf8('entry.out');
function entryWav(at, partial = false) {
  const made = withBytes([utf8(bankName), entryOutput], (b, o) => json(engine._EntryWav(b, at, o)));
  const bytes = made.ok || partial ? takeFile(entryOutput) : null;
  removeFile(entryOutput);
  if (!made.ok) return { status: made.status, bytes };
  return bytes ? { bytes } : { status: 'out of memory' };
}

// An entry up to this many sample bytes is drawn from all of them.
const SMALL_ENTRY = 8 << 20;

function sampledPeaks(e, columns) {
  const width = Math.ceil(e.bits / 8), frameBytes = width * e.channels;
  const frames = Math.floor(e.samples / frameBytes), start = e.at + 52, end = start + e.present;
  const peaks = new Float32Array(2 * columns);
  for (let x = 0; x < columns; x++) {
    const from = start + Math.floor(x * frames / columns) * frameBytes;
    const to = Math.min(end, from + 256 * frameBytes);
    // Past the end of the bank, lsd2wav writes silence.
    let min = 0, max = 0;
    if (to > from) {
      const data = new Uint8Array(reader.readAsArrayBuffer(pageFiles[1].slice(from, to)));
      const n = Math.floor(data.length / frameBytes);
      if (n) [min, max] = Wav.peaksOf({ data, width, channels: e.channels, frames: n }, 1);
    }
    peaks[2 * x] = min;
    peaks[2 * x + 1] = max;
  }
  return peaks;
}

// The entries of the last listing, kept for the plans of a save.
let listed = [];
const MAKES_FILE = ['written', 'no-samples', 'head-cut', 'none-left'];
const hasSound = e => e.whole && e.samples > 0 && e.present > 0;
const validUtf8 = new TextDecoder('utf-8', { fatal: true });

let zip = null;          // the ZIP being made, and its bytes not yet handed over
let zipChunks = [];
function postChunks(post) {
  const chunks = zipChunks;
  zipChunks = [];
  return post({ chunks }, [...new Set(chunks.map(c => c.buffer))]);
}

const handlers = {
  // The bank the user opened, in a folder of its own: nothing of the last
  // bank stays.
  open({ file, name }, post) {
    engine._RemoveAllFiles();
    pageFiles.length = 1;
    pageFiles.push(file);
    bankName = name.toLowerCase() === 'sound_p.lsd' ? 'sound_p.lsd' : 'music_p.lsd';
    withBytes([utf8(bankName)], p => engine._PutPageFile(p, bankName.length, 1, file.size));
    return list(post);
  },

  entry({ at, partial }, post) {
    const made = entryWav(at, partial);
    return made.bytes ? post(made, [made.bytes.buffer]) : made;
  },

  // What a save of every entry writes: into a ZIP, every entry that has a
  // sound, the last of each name, under the page's names; into a folder,
  // the files lsd2wav writes, under their own names where a browser can
  // give them (valid UTF-8). Which entries stay out, and why; the indices
  // and paths of those saved; for a ZIP, about how large it will be.
  plan({ into }) {
    const zip = into === 'zip';
    const chosen = zip ? listed.filter(hasSound) : listed.filter(e => MAKES_FILE.includes(e.fate) && !e.overwritten);
    const paths = zip ? Names.pathsOf(chosen) : new Map(chosen.map(e => {
      let name = null;
      try { name = validUtf8.decode(e.key); } catch { /* not a name a browser can give */ }
      return [e, name && !/[\\/]/.test(name) ? name : Names.pathOf(e.file).replace(/\//g, '_')];
    }));
    const why = e => (!hasSound(e) ? 'noSound' : e.overwritten || zip ? 'sameName' : e.fate);
    const leftOut = listed.filter(e => !paths.has(e) && (zip || hasSound(e))).map(e => [e.index, why(e)]);
    const indices = [...paths.keys()].map(e => e.index), names = [...paths.values()];
    const size = [...paths].reduce((n, [e, path]) => n + 44 + Math.max(0, e.samples) + 2 * (46 + 3 * path.length) + 16, 22);
    return { indices, paths: names, leftOut, size };
  },

  // The entry's waveform, as a row draws it: from its whole WAV when that
  // is small; else from a piece of samples read where each column begins,
  // straight from the bank, so that a long entry costs a few reads.
  peaks({ index, columns }, post) {
    const e = listed[index];
    let peaks;
    if (e.samples <= SMALL_ENTRY) {
      const made = entryWav(e.at);
      if (!made.bytes) return made;
      const wav = Wav.parseWav(made.bytes);
      if (!wav || !wav.frames) return { peaks: null };
      peaks = Wav.peaksOf(wav, columns);
    } else {
      peaks = sampledPeaks(e, columns);
    }
    return post({ peaks }, [peaks.buffer]);
  },

  // A ZIP made an entry at a time, its bytes handed to the page as they come.
  zipStart() {
    zip = new fflate.Zip((error, chunk) => { if (error) throw error; zipChunks.push(chunk); });
    zipChunks = [];
    return {};
  },
  zipEntry({ at, path }, post) {
    const made = entryWav(at);
    if (!made.bytes) return made;
    const member = new fflate.ZipPassThrough(path);
    zip.add(member);
    member.push(made.bytes, true);
    return postChunks(post);
  },
  zipEnd(_, post) {
    zip.end();
    zip = null;
    return postChunks(post);
  },

  // What lsd2wav prints for this bank; its files are not kept.
  console() {
    lines = [];
    try { engine._ExtractBank(); } finally { keepOnlyBank(); }
    for (const stream of [1, 2]) if (pending[stream].length) output(stream)(10);
    const printed = lines;
    lines = null;
    return { lines: printed };
  },

  // wav2lsd --update, after lsd2wav, with the entry's file replaced by `file`.
  replace({ file, wav }, post) {
    lines = [];
    try {
      engine._ExtractBank();
      if (!putFile(file, new Uint8Array(reader.readAsArrayBuffer(wav)))) return { failure: { reason: 'out of memory' } };
      const updated = withBytes([utf8(bankName)], p => json(engine._UpdateEntries(p)));
      if (!updated.ok) return { failure: updated };
    } finally { lines = null; keepOnlyBank(); }
    return settle(post);
  },

  // wav2lsd BANK WAV... into a new bank, which becomes the open one.
  pack({ wavs }, post) {
    const names = wavs.map(w => utf8(w.name));
    const newBank = utf8('new_p.lsd');
    const bank = bankName && takeOrLeave(utf8(bankName));
    let packed;
    try {
      for (const [i, wav] of wavs.entries()) {
        if (!putFile(names[i], new Uint8Array(reader.readAsArrayBuffer(wav)))) return { failure: { reason: 'out of memory' } };
      }
      const array = engine._malloc(4 * names.length);
      try {
        packed = withBytes([newBank, ...names], (b, ...pointers) => {
          pointers.forEach((p, i) => engine.setValue(array + 4 * i, p, 'i32'));
          return json(engine._PackEntries(b, names.length, array));
        });
      } finally { engine._free(array); }
    } finally {
      names.forEach(removeFile);
      if (!packed || !packed.ok) { removeFile(newBank); if (bank) bank(); }
    }
    if (!packed.ok) return { failure: packed };
    withBytes([newBank], p => engine._RemoveAllFilesBut(p, newBank.length));
    bankName = 'music_p.lsd';
    renameFile(newBank, utf8(bankName));
    return settle(post);
  },

};

onmessage = ({ data }) => {
  const { id, op } = data;
  let answered = false;
  const post = (answer, transfer = []) => { answered = true; postMessage({ id, ok: true, ...answer }, transfer); };
  if (dead) return postMessage({ id, ok: false, trap: dead });
  try {
    const answer = handlers[op](data, post, id);
    if (!answered) post(answer);
  } catch (e) {
    // The engine cannot be trusted after a trap: this worker is done.
    dead = String(e && e.message || e);
    postMessage({ id, ok: false, trap: dead });
  }
};

// The engine is compiled at once from the bytes it carries; `ready` says
// when its runtime has started.
createEngine({ stdout: output(1), stderr: output(2), readPageFile, printErr: () => {} }).ready
  .then(made => { engine = made; postMessage({ ready: true }); },
        e => postMessage({ ready: false, trap: String(e && e.message || e) }));
