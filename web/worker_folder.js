// The worker's hold on the engine and its folder (platform/web/file_store.h):
// names and bytes into the engine's memory and out, the page's own files read
// where they lie, and lsd2wav's console lines. Part of the worker's source
// (tools/web.sh puts its parts together, in the order it names them).
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

// The page's file `file` (a WAV the user picked) as the folder's file
// `name`, read where it lies as the bank is; whether the name is one of the
// folder's.
function putPageFile(name, file) {
  pageFiles.push(file);
  return withBytes([name], p => engine._PutPageFile(p, name.length, pageFiles.length - 1, file.size)) === 1;
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

// The page's file, read where it lies: FileReaderSync reads one slice. Each
// read costs a trip to the browser's file layer, so small reads (a bank's
// heads, through the engine's 4 KiB buffer) come from one window of the file
// read 1 MiB at a time; large ones go straight to the engine's memory.
const reader = new FileReaderSync();
const WINDOW = 1 << 20;
let window_ = { number: 0, at: 0, bytes: new Uint8Array(0) };
// The bank the engine reads where it lies, as the page's file number 1.
function setBankFile(file) {
  pageFiles.length = 1;
  pageFiles.push(file);
  window_ = { number: 0, at: 0, bytes: new Uint8Array(0) };
}
function readSlice(number, at, n) {
  return new Uint8Array(reader.readAsArrayBuffer(pageFiles[number].slice(at, at + n)));
}
function readPageFile(number, at, to, n) {
  if (n > WINDOW / 16) {
    const bytes = readSlice(number, at, n);
    engine.HEAPU8.set(bytes, to);
    return bytes.length;
  }
  const w = window_;
  if (w.number !== number || at < w.at || at + n > w.at + w.bytes.length) {
    window_ = { number, at, bytes: readSlice(number, at, WINDOW) };
  }
  const from = at - window_.at, part = window_.bytes.subarray(from, from + n);
  engine.HEAPU8.set(part, to);
  return part.length;
}

// lsd2wav's console output, byte by byte, cut into lines where it ends them.
function output(stream) {
  return byte => {
    if (byte === null || byte === undefined || !lines) return;
    if ((byte & 255) === 10) { lines.push(Uint8Array.from(pending[stream])); pending[stream] = []; }
    else pending[stream].push(byte & 255);
  };
}
