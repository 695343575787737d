// An entry's name is bytes: what the bank holds, what lsd2wav hands to the
// file system. The page shows it, and gives files it saves a name, by one
// rule: the bytes are read as UTF-8 where they are valid UTF-8, and otherwise
// as Windows-1252, the code page of the banks made on Windows.
'use strict';

const Names = (() => {
  const utf8 = new TextDecoder('utf-8', { fatal: true });
  const cp1252 = new TextDecoder('windows-1252');

  const fromHex = hex => Uint8Array.from(hex.match(/../g) || [], h => parseInt(h, 16));
  const toHex = bytes => Array.from(bytes, b => b.toString(16).padStart(2, '0')).join('');

  function decode(bytes) {
    try { return utf8.decode(bytes); } catch { return cp1252.decode(bytes); }
  }

  const isControl = c => c < 0x20 || (c >= 0x7f && c <= 0x9f);
  const escape = c => `\\x${c.toString(16).padStart(2, '0')}`;

  // The name as the page shows it: a control character, which could move
  // the text or hide part of it, as \xNN.
  function shown(bytes) {
    return Array.from(decode(bytes), ch => (isControl(ch.codePointAt(0)) ? escape(ch.codePointAt(0)) : ch)).join('');
  }

  // Characters that some system will not take in a file name, or reads as
  // something else.
  const unsafe = /[\\:*?"<>|]/;
  const device = /^(con|prn|aux|nul|conin\$|conout\$|com[1-9¹²³]|lpt[1-9¹²³])(\..*)?$/i;

  function safeElement(element, last) {
    let safe = Array.from(element, ch => (isControl(ch.codePointAt(0)) || unsafe.test(ch) ? '_' : ch)).join('');
    if (/^\.+$/.test(safe)) safe = safe.replace(/\./g, '_');
    // A name that starts with a dot is hidden, and one that ends in a dot or
    // a space loses it on Windows.
    if (safe.startsWith('.')) safe = last && safe === '.wav' ? '_.wav' : `_${safe.slice(1)}`;
    if (!last) safe = safe.replace(/[. ]$/, '_');
    if (device.test(safe)) safe = `_${safe}`;
    return safe;
  }

  // The path of a file the page saves for the entry file name `bytes` (the
  // name and ".wav"): never rooted and never with a ".." element; a "/"
  // between names makes a folder, "." and empty elements go, and any other
  // character that a file system could take amiss becomes "_".
  function pathOf(bytes) {
    const elements = decode(bytes).split('/').filter(e => e !== '' && e !== '.');
    const path = elements.map((e, i) => safeElement(e, i === elements.length - 1)).join('/');
    return path.endsWith('.wav') ? path : `${path}.wav`;
  }

  const stem = path => path.slice(0, -'.wav'.length);

  // The paths of `entries` ({index, file, key}, names as bytes) in one
  // folder or ZIP: entries whose names are the same file for lsd2wav are one
  // file, the last of them, as lsd2wav leaves it; two other entries never
  // share a path (nor one that differs only in case), the later one taking
  // " (2)", " (3)"... Returns a Map from each entry kept to its path.
  function pathsOf(entries) {
    const last = new Map();
    for (const entry of entries) last.set(String.fromCharCode(...entry.key), entry);
    return apart(new Map([...last.values()].sort((a, b) => a.index - b.index).map(e => [e, pathOf(e.file)])));
  }

  // The same Map, each path that an earlier one took already (in any case)
  // given " (2)", " (3)"... before its ".wav".
  function apart(paths) {
    const taken = new Set();
    for (const [entry, path] of paths) {
      let unique = path;
      for (let n = 2; taken.has(unique.toLowerCase()); ++n) unique = `${stem(path)} (${n}).wav`;
      taken.add(unique.toLowerCase());
      paths.set(entry, unique);
    }
    return paths;
  }

  const baseName = path => path.slice(path.lastIndexOf('/') + 1);

  return { fromHex, toHex, decode, shown, pathOf, pathsOf, apart, baseName };
})();
