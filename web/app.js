// The page's wiring: the open bank, the user's actions one at a time, and
// what each shows. The engine runs in a worker (Engine); this thread draws.
'use strict';

(() => {
  const $ = selector => document.querySelector(selector);
  const body = document.body;

  // The open bank: the user's file, or the Blob of a bank made here (which
  // the engine reads as it reads the user's), its name, its listing, notes
  // that rows show after a replace, and whether it holds changes not yet
  // saved.
  let bank = null;
  let replacing = null;   // the entry whose Replace was pressed last
  let cancelled = false;  // the user asked the running work to stop

  const message = (text, error = true) => {
    $('#message').textContent = text;
    $('#message').classList.toggle('info', !error);
  };

  // ---- Work, one action at a time ------------------------------------------

  let queue = Promise.resolve();
  let running = 0;

  // Runs `action` after the work before it, with the page marked busy; what
  // it throws becomes the message. `what` names it while it waits.
  function run(what, action) {
    if (running) message(Words.waiting(what), false);
    ++running;
    body.dataset.state = 'busy';
    $('main').setAttribute('aria-busy', 'true');
    queue = queue.then(async () => {
      cancelled = false;
      // Past a second, the work shows that it goes on, and can be stopped.
      const slow = setTimeout(() => progress(0, 0, what), 1000);
      try { await action(); } catch (e) {
        if (e === CANCELLED) message(Words.cancelled, false);
        else if (e) message(String(e.message || e));
      } finally {
        clearTimeout(slow);
        if (--running === 0) { body.dataset.state = 'ready'; $('main').removeAttribute('aria-busy'); }
        progress(null);
      }
    });
    return queue;
  }

  // What a cancelled action throws, once the page is as it was.
  const CANCELLED = { cancelled: true };

  // The user stops the work: an action between its steps sees `cancelled`;
  // a step under way in the engine ends with the engine, which starts again
  // with the bank as it was (see ask).
  function cancel() {
    cancelled = true;
    if (running) Engine.restart();
  }

  // Work that takes a while shows how far it is (`of` 0: not known), with a
  // way to stop it.
  function progress(done, of, what) {
    const shown = done !== null, bar = $('#progress');
    $('#progress-box').hidden = !shown;
    if (!shown) return;
    if (of) { bar.max = of; bar.value = done; } else bar.removeAttribute('value');
    $('#progress-label').textContent = of ? `${what}: ${done} of ${of}` : `${what}…`;
  }

  // One request to the engine. When the engine stops (out of memory, a
  // trap) it is started again with the bank as it was (the user's file, or
  // the Blob of the bank made here), and the message says so; the request
  // then fails with no further message. A request cancelled by the user
  // leaves the bank as it was too.
  async function ask(op, fields, progress) {
    try {
      if (cancelled) throw CANCELLED;
      return await Engine.request(op, fields, progress);
    } catch (e) {
      if (e === CANCELLED || (e && e.cancelled)) {
        if (bank && bank.file) show(await Engine.request('open', { file: bank.file, name: bank.name }), bank.file, bank.name, bank.notes, bank.changed);
        throw CANCELLED;
      }
      if (!e || !e.trap) throw e;
      await Engine.restart({ trap: e.trap });
      let reopened = false;
      if (bank && bank.file) {
        try {
          show(await Engine.request('open', { file: bank.file, name: bank.name }), bank.file, bank.name, bank.notes, bank.changed);
          reopened = true;
        } catch { /* said below */ }
      }
      if (!reopened) closeBank();
      message(Words.engineStopped(reopened));
      throw null;
    }
  }

  // ---- The bank on the page -------------------------------------------------

  // The bank whose listing the worker gave: the user's file, or the Blob of
  // a bank made here; `notes` are what rows say after a replace.
  function show(answer, file, name, notes = new Map(), changed = false) {
    Player.stop();
    const listing = Listing.of(answer);
    bank = { file: answer.blob || file, name, listing, notes, changed, console: null };
    $('#bank-name').textContent = name;
    $('#summary').textContent = Words.summary(listing.count, listing.sound, listing.sampleBytes);
    $('#notice').textContent = listing.leadCut ? Words.leadCut(name)
      : !listing.count ? Words.empty(name)
      : !listing.plausible ? Words.notBank(name) : '';
    $('#notice').hidden = !$('#notice').textContent;
    $('#save-bank').disabled = false;
    $('#save-all').disabled = false;
    $('#save-folder').disabled = false;
    $('#details').open = false;
    $('#console-lines').textContent = '';
    Table.render(listing, e => notes.get(e.index) || Words.entryStatus(e), peaks);
  }

  function closeBank() {
    Player.stop();
    bank = null;
    $('#bank-name').textContent = 'No bank open';
    for (const id of ['#summary', '#notice', '#console-lines']) $(id).textContent = '';
    $('#notice').hidden = true;
    for (const id of ['#save-bank', '#save-all', '#save-folder']) $(id).disabled = true;
    Table.render(null, () => '', null);
  }

  const peaks = (entry, columns) => Engine.request('peaks', { index: entry.index, columns }).then(a => a.peaks || null);

  // Whether work not yet saved may go: asked in the page's own dialog.
  function mayDiscard() {
    if (!bank || !bank.changed) return Promise.resolve(true);
    const dialog = $('#discard');
    $('#discard-text').textContent = Words.unsaved(bank.name);
    dialog.returnValue = '';
    dialog.showModal();
    return new Promise(done => dialog.addEventListener('close', () => done(dialog.returnValue === 'discard'), { once: true }));
  }

  async function openFile(file) {
    if (!await mayDiscard()) return;
    show(await ask('open', { file, name: file.name }), file, file.name);
    message('');
  }

  // The entry's WAV, made now, its bytes handed to `take` as they come; or
  // the row says why not, and so does the message.
  async function streamWav(entry, take) {
    const made = await ask('entry', { at: entry.at }, d => take(d.chunks)).catch(e => {
      if (e === null) Table.setStatus(entry, Words.rowNotMade(Words.engineStop), true);
      throw e;
    });
    take(made.chunks);
    if (!made.failed) return;
    const why = Words.failed[made.failed];
    Table.setStatus(entry, Words.rowNotMade(why), true);
    throw new Error(`${Words.quoted(entry.shown)} ${Words.notMade(why)}.`);
  }

  // Playing takes the whole sound at once, which a browser holds only so large.
  const PLAYABLE = 256 << 20;

  async function play(entry) {
    if (Player.isPlaying(entry)) return Player.stop();
    if (44 + entry.samples > PLAYABLE) return message(Words.cannotPlay(entry.shown, Words.tooLong));
    const parts = [];
    await streamWav(entry, chunks => parts.push(...chunks));
    const bytes = new Uint8Array(await new Blob(parts).arrayBuffer());
    try { await Player.play(entry, bytes); } catch (e) { message(Words.cannotPlay(entry.shown, e.message || e)); }
  }

  // Where the file goes is settled first: a file the browser would not
  // download is not made at all. Its bytes go there as they are made.
  async function saveEntry(entry) {
    const out = await Saving.sink(Names.baseName(Names.pathOf(entry.file)), 44 + entry.samples, 'audio/wav');
    let writing = Promise.resolve();
    try {
      await streamWav(entry, chunks => { writing = writing.then(() => out.write(chunks)); });
    } catch (e) { await writing.catch(() => {}); await out.abort(); throw e; }
    await writing;
    await out.close();
  }

  async function saveBank() {
    await Saving.save(bank.file, bank.name);
    bank.changed = false;
  }

  // wav2lsd --update with the entry's file replaced by `file`; a refusal
  // leaves the bank as it was.
  async function replace(entry, file) {
    const answer = await ask('replace', { file: entry.file, wav: file });
    if (answer.failure) {
      const text = Words.notReplaced(file.name, entry.shown, answer.failure);
      Table.setStatus(entry, text, true);
      return message(text);
    }
    const notes = new Map(bank.notes);
    notes.set(entry.index, Words.replaced(entry, Listing.of(answer).entry(entry.index)));
    show(answer, bank.file, bank.name, notes, true);
    message('');
  }

  // Code point order, as a sort of the names' UTF-8 bytes would give.
  function byCodePoint(a, b) {
    const x = Array.from(a, c => c.codePointAt(0)), y = Array.from(b, c => c.codePointAt(0));
    for (let i = 0; i < Math.min(x.length, y.length); i++) if (x[i] !== y[i]) return x[i] - y[i];
    return x.length - y.length;
  }

  async function newBank(files) {
    if (!await mayDiscard()) return;
    const wavs = [...files].sort((a, b) => byCodePoint(a.name, b.name));
    const answer = await ask('pack', { wavs });
    if (answer.failure) {
      const file = answer.failure.file ? Names.decode(Names.fromHex(answer.failure.file)) : '';
      return message(Words.notPacked(wavs.some(w => w.name === file) ? file : '', answer.failure));
    }
    show(answer, null, 'music_p.lsd', new Map(), true);
    message('');
  }

  // What lsd2wav prints for the bank, made when first asked for.
  async function consoleLines() {
    if (bank.console) return;
    const answer = await ask('console');
    const decoder = new TextDecoder();
    bank.console = answer.lines.map(l => decoder.decode(l).replace(/\r$/, '')).join('\n');
    $('#console-lines').textContent = bank.console;
  }

  // ---- Wiring -----------------------------------------------------------------

  Player.onPlayingChange((entry, on) => Table.setPlaying(entry, on));
  Table.listen((kind, entry) => {
    if (kind === 'play') run('Play', () => play(entry));
    else if (kind === 'save') run('Save', () => saveEntry(entry));
    else if (kind === 'replace') { replacing = entry; $('#replace-file').click(); }
  }, (entry, file) => run(`Replace ${Words.quoted(entry.shown)}`, () => replace(entry, file)));

  $('#open-bank').addEventListener('change', e => {
    const file = e.target.files[0];
    e.target.value = '';
    if (file) run('Open', () => openFile(file));
  });
  $('#new-bank').addEventListener('change', e => {
    const files = [...e.target.files];
    e.target.value = '';
    if (files.length) run('New bank', () => newBank(files));
  });
  $('#replace-file').addEventListener('change', e => {
    const file = e.target.files[0], entry = replacing;
    e.target.value = '';   // the same file may be chosen again
    if (file && entry) run(`Replace ${Words.quoted(entry.shown)}`, () => replace(entry, file));
  });
  $('#save-bank').addEventListener('click', () => run('Save bank', saveBank));
  // What a save of every entry needs of the page.
  const saving = {
    ask, progress, message, bank: () => bank,
    failed: (entry, why) => Table.setStatus(entry, Words.rowNotMade(Words.failed[why]), true),
  };
  $('#save-all').addEventListener('click', () => run('Save all', () => SaveAll.asZip(saving)));
  $('#save-folder').addEventListener('click', () => run('Save all', () => SaveAll.intoFolder(saving)));
  // Where the browser cannot write into a folder, the ZIP is the way.
  $('#save-folder').hidden = typeof window.showDirectoryPicker !== 'function';
  $('#cancel').addEventListener('click', cancel);
  $('#details').addEventListener('toggle', () => { if ($('#details').open && bank) run('lsd2wav', consoleLines); });

  // A file dropped anywhere but on a row opens as a bank.
  document.addEventListener('dragover', e => e.preventDefault());
  document.addEventListener('drop', e => {
    e.preventDefault();
    const file = e.dataTransfer.files[0];
    if (file) run('Open', () => openFile(file));
  });
  window.addEventListener('beforeunload', e => {
    if (bank && bank.changed) { e.preventDefault(); e.returnValue = ''; }
  });

  Engine.start().then(() => { body.dataset.state = 'ready'; },
    e => message(`The page’s engine did not start: ${e.message || e}`));
})();
