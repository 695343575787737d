// What the page reads of a WAV file itself, to draw and to play it: the
// format and data chunks, and the samples as numbers from -1 to 1.
'use strict';

const Wav = (() => {
  // The fmt and data chunks of a RIFF WAVE file, or null.
  function parseWav(bytes) {
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    const tag = at => String.fromCharCode(...bytes.subarray(at, at + 4));
    if (bytes.length < 12 || tag(0) !== 'RIFF' || tag(8) !== 'WAVE') return null;
    let fmt = null, data = null;
    for (let at = 12; at + 8 <= bytes.length;) {
      const size = view.getUint32(at + 4, true);
      const start = at + 8;
      if (tag(at) === 'fmt ' && size >= 16) {
        fmt = { channels: view.getUint16(start + 2, true), rate: view.getUint32(start + 4, true),
                bits: view.getUint16(start + 14, true) };
      } else if (tag(at) === 'data') {
        data = bytes.subarray(start, Math.min(start + size, bytes.length));  // a cut file keeps what it has
      }
      at = start + size + (size & 1);
    }
    if (!fmt || !data || !fmt.channels || !fmt.bits) return null;
    const width = Math.ceil(fmt.bits / 8);
    return { ...fmt, data, width, frames: Math.floor(data.length / (width * fmt.channels)) };
  }

  // A reader of sample n as -1..1: 8-bit is unsigned, wider is signed little-endian.
  function sampleReader({ data, width }) {
    const view = new DataView(data.buffer, data.byteOffset, data.byteLength);
    if (width === 1) return n => (data[n] - 128) / 128;
    if (width === 2) return n => view.getInt16(2 * n, true) / 32768;
    if (width === 4) return n => view.getInt32(4 * n, true) / 2147483648;
    const half = 2 ** (8 * width - 1);
    return n => {
      let value = 0;
      for (let i = width - 1; i >= 0; i--) value = value * 256 + data[n * width + i];
      return (value >= half ? value - 2 * half : value) / half;
    };
  }

  // Min and max per column over all channels, `columns` of them; a long
  // entry is sampled with a stride, which the eye cannot tell from the whole
  // at a row's size. A column without samples has its min above its max.
  function peaksOf(wav, columns) {
    const peaks = new Float32Array(2 * columns);
    const sample = sampleReader(wav);
    const perColumn = wav.frames / columns;
    const stride = Math.max(1, Math.floor(perColumn / 256));
    for (let x = 0; x < columns; x++) {
      const first = Math.floor(x * perColumn), last = Math.min(wav.frames, Math.max(first + 1, Math.floor((x + 1) * perColumn)));
      let min = 1, max = -1;
      for (let f = first; f < last; f += stride) {
        for (let c = 0; c < wav.channels; c++) {
          const v = sample(f * wav.channels + c);
          if (v < min) min = v;
          if (v > max) max = v;
        }
      }
      peaks[2 * x] = min;
      peaks[2 * x + 1] = max;
    }
    return peaks;
  }

  return { parseWav, sampleReader, peaksOf };
})();
