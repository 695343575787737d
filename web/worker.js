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
const hexBytes = hex => Uint8Array.from(hex.match(/../g) || [], h => parseInt(h, 16));

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

function list() {
  const listing = withBytes([utf8(bankName)], p => json(engine._ListEntries(p)));
  return { bankName, ...listing };
}

// The WAV of one entry, made in the folder and taken out; or why not.
const entryOutput = utf8('entry.out');
function entryWav(at) {
  const made = withBytes([utf8(bankName), entryOutput], (b, o) => json(engine._EntryWav(b, at, o)));
  if (!made.ok) return { status: made.status };
  const bytes = takeFile(entryOutput);
  removeFile(entryOutput);
  return bytes ? { bytes } : { status: 'out of memory' };
}

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
  open({ file, name }) {
    engine._RemoveAllFiles();
    pageFiles.length = 1;
    pageFiles.push(file);
    bankName = name.toLowerCase() === 'sound_p.lsd' ? 'sound_p.lsd' : 'music_p.lsd';
    withBytes([utf8(bankName)], p => engine._PutPageFile(p, bankName.length, 1, file.size));
    return list();
  },

  entry({ at }, post) {
    const made = entryWav(at);
    return made.bytes ? post({ bytes: made.bytes }, [made.bytes.buffer]) : made;
  },

  // The entry's waveform, as a row draws it.
  peaks({ at, columns }, post) {
    const made = entryWav(at);
    if (!made.bytes) return made;
    const wav = Wav.parseWav(made.bytes);
    if (!wav || !wav.frames) return { peaks: null };
    const peaks = Wav.peaksOf(wav, columns);
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
  replace({ file: fileHex, wav }) {
    lines = [];
    try {
      engine._ExtractBank();
      if (!putFile(hexBytes(fileHex), new Uint8Array(reader.readAsArrayBuffer(wav)))) return { failure: { reason: 'out of memory' } };
      const updated = withBytes([utf8(bankName)], p => json(engine._UpdateEntries(p)));
      if (!updated.ok) return { failure: updated };
    } finally { lines = null; keepOnlyBank(); }
    return list();
  },

  // wav2lsd BANK WAV... into a new bank, which becomes the open one.
  pack({ wavs }) {
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
    pageFiles.length = 1;
    bankName = 'music_p.lsd';
    renameFile(newBank, utf8(bankName));
    return list();
  },

  // The bank as it stands: the user's own file while unchanged.
  bank(_, post) {
    const bytes = takeFile(utf8(bankName));
    if (!bytes) return { file: pageFiles[1] };
    return post({ bytes }, [bytes.buffer]);
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
