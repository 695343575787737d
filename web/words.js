// Every text the page shows of its own, for someone who has never opened a
// terminal: what happened to the file they picked, in plain words.
'use strict';

const Words = (() => {
  const quoted = name => `“${name}”`;
  const plural = (n, one, many) => `${n.toLocaleString('en')} ${n === 1 ? one : many}`;
  const formatOf = e => `${e.bits}-bit ${e.rate} Hz, ${plural(e.channels, 'channel', 'channels')}`;

  // Why lsd2wav makes no file, or a broken one, for an entry: by its fate
  // in the listing (web/page_listing.cpp).
  const fates = {
    refused: 'Not extracted by lsd2wav: the name leads out of the bank’s folder. Saved here under a safe name.',
    'in-folder': 'Not extracted by lsd2wav here: the name puts the file in a folder. Saved here with that folder.',
    'after-end': 'Not extracted by lsd2wav: it stops at an earlier entry. Saved here all the same.',
    'no-samples': 'No sound: the entry’s length gives no samples, and lsd2wav stops here.',
    'head-cut': 'No sound: the bank ends inside this entry’s header, and lsd2wav stops here.',
    'none-left': 'No sound: the bank ends before this entry’s samples, and lsd2wav stops here.',
  };

  // What a row says of its entry; the empty text when there is nothing to say.
  function entryStatus(entry) {
    const said = [];
    if (fates[entry.fate]) said.push(fates[entry.fate]);
    if (entry.hasSound && entry.present < entry.samples) said.push('Cut short: the bank ends inside this entry; the rest is silence.');
    if (entry.overwritten) said.push('lsd2wav writes a later entry of the same name over this file; saved here on its own.');
    if (entry.hasSound && !entry.playable) said.push(`Not playable here: ${formatOf(entry)} is no sound a browser plays.`);
    if (entry.windowsRefuses) said.push(`On Windows, ${entry.windowsRefuses.replace(/^lsd2wav on Windows /, 'lsd2wav ')}.`);
    return said.join(' ');
  }

  const replaced = (before, after) => (before.channels === after.channels && before.rate === after.rate && before.bits === after.bits
    ? 'Replaced.'
    : `Replaced. Its format changed from ${formatOf(before)} to ${formatOf(after)}, and was accepted: whatever plays this bank must expect the new one.`);

  return {
    entryStatus, replaced, quoted,
    notBank: name => `${quoted(name)} does not look like a sound bank: no entry has a format that a sound can have (1 to 8 channels, 1 Hz to 384 kHz). Its rows show what lsd2wav would make of it.`,
    empty: name => `${quoted(name)} holds no entries.`,
    leadCut: name => `${quoted(name)} is shorter than the 4 bytes a bank starts with: it holds no entries.`,
    summary: (entries, sound, bytes) => `${plural(entries, 'entry', 'entries')}, ${plural(sound, 'with a sound', 'with a sound')}, ${plural(bytes, 'sample byte', 'sample bytes')}.`,
    nothingToSave: 'There is nothing to save: no entry of this bank has a sound.',
    savedAll: (count, leftOut) => `Saved ${plural(count, 'entry', 'entries')}.${leftOut.length ? ` Left out: ${leftOut.join('; ')}.` : ''}`,
    leftOut: (name, why) => `${quoted(name)} (${why})`,
    noSound: 'it has no sound',
    sameName: 'a later entry has the same name, and is saved in its place',
    refused: 'lsd2wav does not write it: the name leads out of the folder',
    'in-folder': 'lsd2wav does not write it here: the name puts it in a folder',
    'after-end': 'lsd2wav does not write it: it stops at an earlier entry',
    notMade: why => `could not be made: ${why}`,
    rowNotMade: why => `Could not be made: ${why}.`,
    engineStop: 'the page’s engine stopped',
    outOfMemory: 'the page ran out of memory',
    // Why an entry's WAV could not be made; the engine's files are its
    // memory, so a write fails for want of it.
    failed: {
      write: 'the page ran out of memory', read: 'the bank could not be read there',
      open: 'the bank could not be read there', create: 'the page ran out of memory',
    },
    notReplaced: (picked, entry, failure) => `${quoted(picked)} did not replace ${quoted(entry)}: ${failure.reason}${failure.detail ? ` (${failure.detail})` : ''}.${failure.convertible ? ' Convert it to 16-bit PCM in a sound editor, then try again.' : ''}`,
    notPacked: (file, failure) => `The new bank was not made: ${file ? `${quoted(file)}: ` : ''}${failure.reason}${failure.detail ? ` (${failure.detail})` : ''}.${failure.convertible ? ' Convert it to 16-bit PCM in a sound editor, then try again.' : ''}`,
    engineStopped: reopened => `The page’s engine stopped: it ran out of memory, or met a fault it could not go on from. ${reopened ? 'The bank is open again, as it was.' : 'No bank is open now.'}`,
    incomplete: why => `saved only in part: ${why}`,
    tooLong: 'it is too long to play here; save it and play the file',
    cannotPlay: (name, why) => `This browser cannot play ${quoted(name)} (${why}).`,
    waiting: what => `Waiting: ${what} starts when the current work is done.`,
    unsaved: name => `Your changes to ${quoted(name)} are not saved. Discard them?`,
    cancelled: 'Cancelled. The bank is as it was.',
  };
})();
