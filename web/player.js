// Playing one entry at a time through Web Audio.
'use strict';

const Player = (() => {
  let audio = null;     // made on the first press of Play, as browsers want
  let playing = null;   // { source, entry }
  let onChange = () => {};

  function stop() {
    if (!playing) return;
    const { source, entry } = playing;
    playing = null;
    source.onended = null;
    try { source.stop(); } catch { /* it ended already */ }
    onChange(entry, false);
  }

  // The browser decodes the file itself; what it will not decode (an unusual
  // width) is built from the page's own reading of the samples.
  async function decode(bytes) {
    try {
      return await audio.decodeAudioData(bytes.slice().buffer);
    } catch (e) {
      const wav = Wav.parseWav(bytes);
      if (!wav || !wav.frames) throw e;
      const buffer = audio.createBuffer(wav.channels, wav.frames, wav.rate);
      const sample = Wav.sampleReader(wav);
      for (let c = 0; c < wav.channels; c++) {
        const channel = buffer.getChannelData(c);
        for (let f = 0; f < wav.frames; f++) channel[f] = sample(f * wav.channels + c);
      }
      return buffer;
    }
  }

  // Plays `bytes`, the WAV of `entry`; a second press on the same entry stops it.
  async function play(entry, bytes) {
    stop();
    audio = audio || new AudioContext();
    await audio.resume();
    const buffer = await decode(bytes);
    stop();
    const source = audio.createBufferSource();
    source.buffer = buffer;
    source.connect(audio.destination);
    source.onended = () => { if (playing && playing.source === source) { playing = null; onChange(entry, false); } };
    source.start();
    playing = { source, entry };
    onChange(entry, true);
  }

  const isPlaying = entry => !!playing && playing.entry === entry;

  return { play, stop, isPlaying, onPlayingChange: f => { onChange = f; } };
})();
