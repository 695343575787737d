// The entries of the open bank as the worker hands them over: columns of
// numbers and the names' bytes, from which the page makes an entry's record
// only when it needs it (a row in view, an action on it).
'use strict';

const Listing = (() => {
  const isPlausible = e => e.whole && e.channels >= 1 && e.channels <= 8 && e.rate >= 1 && e.rate <= 384000;

  function of({ columns: c, leadCut }) {
    const made = new Map();
    const bytesOf = (all, ends, i) => all.subarray(i ? ends[i - 1] : 0, ends[i]);
    function entry(index) {
      let e = made.get(index);
      if (e) return e;
      const whole = c.whole[index] === 1;
      e = {
        index, at: c.at[index], whole, fate: c.fates[c.fate[index]], overwritten: c.overwritten[index] === 1,
        channels: c.channels[index], rate: c.rate[index], bits: c.bits[index],
        samples: c.samples[index], present: c.present[index],
        file: bytesOf(c.files, c.fileEnds, index), key: bytesOf(c.keys, c.keyEnds, index),
        windowsRefuses: c.windowsRefuses[index] || '',
      };
      e.hasSound = whole && e.samples > 0 && e.present > 0;
      e.playable = e.hasSound && isPlausible(e);
      e.shown = Names.shown(e.file);
      made.set(index, e);
      return e;
    }
    // What the summary and the notice above the rows say, from the columns.
    let sound = 0, sampleBytes = 0, plausible = false;
    for (let i = 0; i < c.count; i++) {
      if (c.whole[i] && c.samples[i] > 0 && c.present[i] > 0) { sound++; sampleBytes += c.samples[i]; }
      plausible = plausible || isPlausible({ whole: c.whole[i], channels: c.channels[i], rate: c.rate[i] });
    }
    return { count: c.count, entry, leadCut, sound, sampleBytes, plausible };
  }

  return { of };
})();
