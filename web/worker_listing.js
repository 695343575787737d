// The worker's listing of the open bank: the engine's records handed to the
// page as columns, and kept here for the plans of a save; an entry's WAV,
// and the peaks of a long one. Part of the worker's source.
'use strict';

// The fates of the engine's listing (web/page_listing.cpp), by number.
const FATES = ['written', 'refused', 'in-folder', 'no-samples', 'head-cut', 'none-left', 'after-end'];

// The engine's listing in columns, each one array that moves to the page
// without a copy: a bank of 100,000 entries as a few arrays, not 100,000
// objects that the page's thread would have to rebuild.
function columnsOf(entries) {
  const n = entries.length;
  const c = {
    count: n, fates: FATES, at: new Float64Array(n), samples: new Float64Array(n), present: new Float64Array(n),
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
  setBankFile(blob);
  withBytes([utf8(bankName)], p => engine._PutPageFile(p, bankName.length, 1, blob.size));
  return list(post, { blob });
}

// The WAV of one entry, made into a sink of the folder: `take` gets its
// bytes as they are written, a piece at a time, and nothing of it stays in
// the engine. Then {} or {failed}, after which `take` has had what lsd2wav
// would leave of the file.
const entryOutput = utf8('entry.out');
let sinkTake = null;
function writePageSink(sink, from, n) {
  sinkTake(engine.HEAPU8.slice(from, from + n));
  return n;
}
function entryWav(at, take) {
  withBytes([entryOutput], p => engine._PutPageSink(p, entryOutput.length, 1));
  sinkTake = take;
  try {
    const made = withBytes([utf8(bankName), entryOutput], (b, o) => json(engine._EntryWav(b, at, o)));
    return made.ok ? {} : { failed: made.failed };
  } finally {
    sinkTake = null;
    removeFile(entryOutput);
  }
}
// The whole WAV of a small entry, for its waveform.
function wholeWav(at) {
  const parts = [];
  const made = entryWav(at, part => parts.push(part));
  if (made.failed) return made;
  const bytes = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
  parts.reduce((at, p) => (bytes.set(p, at), at + p.length), 0);
  return { bytes };
}

// Bytes for the page, handed over a few MiB at a time while a request runs
// (as {id, progress: true, chunks}); the rest go with its answer.
const HAND_OVER = 4 << 20;
function handing(id) {
  let chunks = [], size = 0;
  const give = () => { const given = chunks; chunks = []; size = 0; return given; };
  return {
    add(chunk) {
      chunks.push(chunk);
      size += chunk.length;
      if (size >= HAND_OVER) { const given = give(); postMessage({ id, progress: true, chunks: given }, [...new Set(given.map(c => c.buffer))]); }
    },
    rest: give,
  };
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
