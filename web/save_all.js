// Saving every entry at once: into a ZIP, or into a folder the user picks,
// an entry at a time, each written as it is made; a cancel ends the request
// under way (see app.js's ask). What to save and under which names the worker plans (its `plan`).
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
    let count = 0;
    for (const [k, index] of plan.indices.entries()) {
      progress(k, plan.indices.length, 'Saving all');
      const entry = bank.listing.entry(index);
      const made = await ask('zipEntry', { at: entry.at, path: plan.paths[k] });
      if (made.chunks) { await out.write(made.chunks); ++count; continue; }
      leftOut.push(Words.leftOut(entry.shown, Words.notMade(Words.outOfMemory)));
      failed(entry);
    }
    await out.write((await ask('zipEnd')).chunks);
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
      // What lsd2wav leaves where it stops is written too, as it leaves it.
      const made = await ask('entry', { at: entry.at, partial: true });
      if (!made.bytes) {
        leftOut.push(Words.leftOut(entry.shown, Words.notMade(Words.outOfMemory)));
        continue;
      }
      writing.push(write(folder, plan.paths[k], made.bytes).catch(() => write(folder, plan.safe[k], made.bytes)));
      // A few files are written at once, and the next entry is made
      // meanwhile: a browser takes a while to open and close each file.
      if (writing.length >= 4) await writing.shift();
      ++count;
    }
    await Promise.all(writing);
    message(Words.savedAll(count, leftOut), !!leftOut.length);
  }

  async function write(folder, name, bytes) {
    const writable = await (await folder.getFileHandle(name, { create: true })).createWritable();
    await writable.write(bytes);
    await writable.close();
  }

  return { asZip, intoFolder };
})();
