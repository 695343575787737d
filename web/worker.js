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

let zip = null;          // the ZIP being made, and where its bytes go
let zipOut = null;
function postChunks(post, more = {}) {
  const chunks = zipOut.rest();
  return post({ ...more, chunks }, [...new Set(chunks.map(c => c.buffer))]);
}

const handlers = {
  // The bank the user opened, in a folder of its own: nothing of the last
  // bank stays.
  open({ file, name }, post) {
    engine._RemoveAllFiles();
    setBankFile(file);
    bankName = name.toLowerCase() === 'sound_p.lsd' ? 'sound_p.lsd' : 'music_p.lsd';
    withBytes([utf8(bankName)], p => engine._PutPageFile(p, bankName.length, 1, file.size));
    return list(post);
  },

  // The entry's WAV, handed to the page as it is made.
  entry({ at }, post, id) {
    const out = handing(id);
    const made = entryWav(at, chunk => out.add(chunk));
    const chunks = out.rest();
    return post({ ...made, chunks }, [...new Set(chunks.map(c => c.buffer))]);
  },

  // What a save of every entry writes: into a ZIP, every entry that has a
  // sound, the last of each name, under the page's names; into a folder,
  // the files lsd2wav writes, under their own names where a browser can
  // give them (valid UTF-8). Which entries stay out, and why; the indices
  // and paths of those saved; for a ZIP, about how large it will be.
  plan({ into }) {
    const zip = into === 'zip';
    const chosen = zip ? listed.filter(hasSound) : listed.filter(e => MAKES_FILE.includes(e.fate) && !e.overwritten);
    const paths = zip ? Names.pathsOf(chosen) : Names.apart(new Map(chosen.map(e => {
      let name = null;
      try { name = validUtf8.decode(e.key); } catch { /* not a name a browser can give */ }
      return [e, name && !/[\\/]/.test(name) ? name : Names.pathOf(e.file).replace(/\//g, '_')];
    })));
    const why = e => (!hasSound(e) ? 'noSound' : e.overwritten || zip ? 'sameName' : e.fate);
    const leftOut = listed.filter(e => !paths.has(e) && (zip || hasSound(e))).map(e => [e.index, why(e)]);
    const indices = [...paths.keys()].map(e => e.index), names = [...paths.values()];
    // A name that the browser will not give a file has the page's own.
    const safe = [...paths.keys()].map(e => Names.pathOf(e.file).replace(/\//g, '_'));
    const size = [...paths].reduce((n, [e, path]) => n + 44 + Math.max(0, e.samples) + 2 * (46 + 3 * path.length) + 16, 22);
    return { indices, paths: names, safe, leftOut, size };
  },

  // The entry's waveform, as a row draws it: from its whole WAV when that
  // is small; else from a piece of samples read where each column begins,
  // straight from the bank, so that a long entry costs a few reads.
  peaks({ index, columns }, post) {
    const e = listed[index];
    let peaks;
    if (e.samples <= SMALL_ENTRY) {
      const made = wholeWav(e.at);
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
    zip = new fflate.Zip((error, chunk) => { if (error) throw error; zipOut.add(chunk); });
    return {};
  },
  // An entry whose WAV fails midway (a bank that cannot be read there) ends
  // its member with what came, and says so.
  zipEntry({ at, path }, post, id) {
    zipOut = handing(id);
    const member = new fflate.ZipPassThrough(path);
    zip.add(member);
    const made = entryWav(at, chunk => member.push(chunk));
    member.push(new Uint8Array(0), true);
    return postChunks(post, made);
  },
  zipEnd(_, post, id) {
    zipOut = handing(id);
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

  // wav2lsd --update, with the entry's file replaced by `wav`: the other
  // entries' files are views of the bank, as lsd2wav would leave them.
  replace({ file, wav }, post) {
    try {
      withBytes([utf8(bankName)], p => engine._PutBankEntryFiles(p, 1, pageFiles[1].size));
      // A name the folder cannot hold leaves the entry without its file,
      // which --update then refuses in its own words.
      putPageFile(file, wav);
      const updated = withBytes([utf8(bankName)], p => json(engine._UpdateEntries(p)));
      if (!updated.ok) return { failure: updated };
    } finally { keepOnlyBank(); }
    return settle(post);
  },

  // wav2lsd BANK WAV... into a new bank, which becomes the open one.
  pack({ wavs }, post) {
    const names = wavs.map(w => utf8(w.name));
    const newBank = utf8('new_p.lsd');
    const bank = bankName && takeOrLeave(utf8(bankName));
    let packed;
    try {
      wavs.forEach((wav, i) => putPageFile(names[i], wav));
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
createEngine({ stdout: output(1), stderr: output(2), readPageFile, writePageSink, printErr: () => {} }).ready
  .then(made => { engine = made; postMessage({ ready: true }); },
        e => postMessage({ ready: false, trap: String(e && e.message || e) }));
