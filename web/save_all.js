// Saving every entry at once: into a ZIP, or into a folder the user picks,
// an entry at a time, its bytes written as they are made; a cancel ends the
// request under way (see app.js's ask). What to save, and under which names,
// the worker plans (its `plan`).
'use strict';

const SaveAll = (() => {
  // Every entry that has a sound, into one ZIP, made an entry at a time and
  // written as it is made.
  async function asZip({ ask, progress, message, bank: current, failed }) {
    const bank = current();
    const plan = await ask('plan', { into: 'zip' });
    if (!plan.indices.length) return message(Words.nothingToSave);
    const out = await Saving.sink(`${bank.name.replace(/\.lsd$/i, '')}.zip`, plan.size, 'application/zip');
    await ask('zipStart');
    const leftOut = plan.leftOut.map(([i, why]) => Words.leftOut(bank.listing.entry(i).shown, Words[why]));
    let count = 0, writing = Promise.resolve();
    const write = chunks => { writing = writing.then(() => out.write(chunks)); };
    for (const [k, index] of plan.indices.entries()) {
      progress(k, plan.indices.length, 'Saving all');
      const entry = bank.listing.entry(index);
      const made = await ask('zipEntry', { at: entry.at, path: plan.paths[k] }, d => write(d.chunks));
      write(made.chunks);
      if (!made.failed) { ++count; continue; }
      leftOut.push(Words.leftOut(entry.shown, Words.incomplete(Words.failed[made.failed])));
      failed(entry, made.failed);
    }
    write((await ask('zipEnd')).chunks);
    await writing;
    await out.close();
    message(Words.savedAll(count, leftOut), !!leftOut.length);
  }

  // The files lsd2wav writes, into a folder the user picks, one at a time.
  async function intoFolder({ ask, progress, message, bank: current }) {
    const bank = current();
    const folder = await window.showDirectoryPicker({ mode: 'readwrite' });
    const plan = await ask('plan', { into: 'folder' });
    const leftOut = plan.leftOut.map(([i, why]) => Words.leftOut(bank.listing.entry(i).shown, Words[why]));
    let count = 0;
    const writing = [];
    for (const [k, index] of plan.indices.entries()) {
      progress(k, plan.indices.length, 'Saving all');
      const entry = bank.listing.entry(index);
      // What lsd2wav leaves where it stops is written too, as it leaves it:
      // a file is opened, and its bytes go to it as they are made.
      const file = await open(folder, plan.paths[k], plan.safe[k]);
      let done = Promise.resolve();
      const write = chunks => { done = done.then(() => writeAll(file, chunks)); };
      const made = await ask('entry', { at: entry.at }, d => write(d.chunks));
      write(made.chunks);
      writing.push(done.then(() => file.close()));
      // A few files are written at once, and the next entry is made
      // meanwhile: a browser takes a while to open and close each file.
      if (writing.length >= 4) await writing.shift();
      ++count;
    }
    await Promise.all(writing);
    message(Words.savedAll(count, leftOut), !!leftOut.length);
  }

  // A writable file of the folder, under the page's own name for it when
  // the browser will not give a file the name lsd2wav gives it.
  async function open(folder, name, safe) {
    const handle = await folder.getFileHandle(name, { create: true }).catch(() => folder.getFileHandle(safe, { create: true }));
    return handle.createWritable();
  }

  async function writeAll(file, chunks) {
    for (const chunk of chunks) await file.write(chunk);
  }

  return { asZip, intoFolder };
})();
