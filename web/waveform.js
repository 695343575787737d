// A waveform in a row's canvas, from the peaks that the worker reads off
// the entry's samples (Wav.peaksOf).
'use strict';

const Waveform = (() => {
  // `peaks` holds a minimum and a maximum per pixel column, or is null for
  // an entry without samples to draw: a flat line.
  function draw(canvas, peaks, { width, height, color, ratio }) {
    canvas.width = width; canvas.height = height;
    const g = canvas.getContext('2d');
    g.fillStyle = color;
    if (!peaks) { g.fillRect(0, height / 2, width, Math.max(1, ratio)); return; }
    const columns = peaks.length / 2;
    for (let x = 0; x < Math.min(width, columns); x++) {
      const min = peaks[2 * x], max = peaks[2 * x + 1];
      if (min > max) continue;
      // A column at full scale still shows its line of one pixel.
      const top = Math.min((1 - max) / 2 * height, height - ratio), bottom = (1 - min) / 2 * height;
      g.fillRect(x, top, 1, Math.max(ratio, bottom - top));
    }
  }

  return { draw };
})();
