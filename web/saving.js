// Saving what the page made: a download for what a browser takes as one,
// the File System Access API's file picker for what it would cancel.
'use strict';

const Saving = (() => {
  // Chromium cancels a download of about 510 MiB or more; the page keeps
  // below that with some room.
  const DOWNLOAD_LIMIT = 480 * 1024 * 1024;
  const mib = bytes => `${Math.ceil(bytes / 1024 / 1024)} MiB`;

  function download(blob, name) {
    const url = URL.createObjectURL(blob);
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);  // the download may still be reading it
  }

  // Where `size` bytes (as far as known beforehand) named `name` go: an
  // object with write(parts), close() and abort(), which leaves no file. Above the browser's limit for a
  // download, the file picker asks where; a browser without one cannot save
  // it, which the page says before anything is made.
  async function sink(name, size, type) {
    if (size < DOWNLOAD_LIMIT) {
      const parts = [];
      return { write: chunks => { parts.push(...chunks); }, close: () => download(new Blob(parts, { type }), name), abort: () => {} };
    }
    if (typeof window.showSaveFilePicker !== 'function') {
      throw new Error(`${name} would be ${mib(size)}: this browser stops downloads above about 500 MiB and has no other way to save a file here. Save the entries one at a time, or use a browser that can save to a folder you pick, such as Chromium.`);
    }
    const handle = await window.showSaveFilePicker({ suggestedName: name });
    const writable = await handle.createWritable();
    return { write: async chunks => { for (const c of chunks) await writable.write(c); }, close: () => writable.close(), abort: () => writable.abort() };
  }

  async function save(blob, name) {
    const out = await sink(name, blob.size, blob.type);
    await out.write([blob]);
    await out.close();
  }

  return { sink, save, mib };
})();
