// Drives the page (build-web/site, from tools/web.sh --no-serve) in Debian's
// headless chromium and holds what it lists, saves and packs against what the
// native programs of build/ do with the same banks and WAV files. One line per
// case, then a count; exit code 1 when a case fails.
//   node tests/web/run.mjs                  every case
//   node tests/web/run.mjs replace zip      the cases whose names hold a word given
//   node tests/web/run.mjs --why-not        why chromium cannot start here, or nothing
//   node tests/web/run.mjs --screenshot F   also writes the page with the demo bank to F
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const { chromium } = await import(pathToFileURL(`${root}/web/node_modules/playwright-core/index.mjs`));
const launch = () => chromium.launch({ executablePath: '/usr/bin/chromium' });
const args = process.argv.slice(2);
if (args[0] === '--why-not') {
  try { await (await launch()).close(); } catch (e) { console.log(`chromium does not start: ${e.message.split('\n')[0]}`); }
  process.exit(0);
}
const screenshot = args[0] === '--screenshot' ? path.resolve(args.splice(0, 2)[1]) : null;

// ---- the native side: banks made by the project's own generators ----------
const bin = process.env.LSD2WAV_BUILD || `${root}/build`;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'lsd2wav-web.'));
const run = (cwd, program, ...rest) => spawnSync(`${bin}/${program}`, rest, { cwd });
const text = bytes => bytes.toString('utf8').replace(/\n+$/, '');
fs.mkdirSync(`${work}/tones`);
run(work, 'make_demo_bank', `${work}/tones`);
const tones = fs.readdirSync(`${work}/tones`).sort().map(t => `${work}/tones/${t}`);
run(work, 'wav2lsd', 'demo.lsd', ...tones);
execFileSync('g++', ['-std=c++17', '-O1', `-I${root}`, `${root}/fuzz/make_fuzz_seeds.cpp`,
  `${root}/tests/support/bank_builder.cpp`, '-o', `${work}/make_fuzz_seeds`]);
execFileSync(`${work}/make_fuzz_seeds`, [`${work}/seeds`]);
// The seeds of wav2lsd's target are a kind byte (0: a WAV file to pack) and the file.
const seedWav = name => { const file = `${work}/${name}.wav`; fs.writeFileSync(file, fs.readFileSync(`${work}/seeds/wav2lsd/wav_${name}`).subarray(1)); return file; };
const [plainWav, floatWav, extensibleWav] = ['plain', 'float', 'extensible'].map(seedWav);
// A name that wav2lsd refuses to pack, so written here as the bank layout
// has it: lead field, 32-byte name field, length L, format block, L + 2 bytes.
const htmlName = '<img src=x onerror=alert(1)>';
{
  const head = Buffer.alloc(56); head.write(htmlName, 4, 'latin1'); head.writeInt32LE(38, 36);
  [[1, 2], [1, 2], [8000, 4], [16000, 4], [2, 2], [16, 2]].reduce((at, [v, n]) => (head.writeUIntLE(v, at, n), at + n), 40);
  fs.writeFileSync(`${work}/html.lsd`, Buffer.concat([head, Buffer.from(Array.from({ length: 40 }, (_, i) => i * 7 + 1))]));
}

// What lsd2wav prints and writes for BANK, and wav2lsd --list's lines, once.
// A bank whose entry is larger than the page can hold is held against
// lsd2wav under a file-size limit, where its write fails too.
const natives = new Map();
const tooLarge = bank => path.basename(bank) === 'length_2147483645.lsd';
function native(bank) {
  if (natives.has(bank)) return natives.get(bank);
  const dir = `${work}/native/${path.basename(bank)}`;
  fs.mkdirSync(dir, { recursive: true });
  fs.copyFileSync(bank, `${dir}/music_p.lsd`);
  const printed = text(tooLarge(bank)
    ? spawnSync('bash', ['-c', 'trap "" XFSZ; ulimit -f 65536; exec "$0"', `${bin}/lsd2wav`], { cwd: dir }).stdout
    : run(dir, 'lsd2wav').stdout);
  const lines = text(run(dir, 'wav2lsd', '--list', 'music_p.lsd').stdout).split('\n');
  const entries = lines.slice(0, -1).map(line => {
    const [, name, channels = '', rate = '', bits = '', size = '', marks = ''] =
      line.match(/^(.*?) {2,}(?:(\d+) ch +(\d+) Hz +(\d+) bit +(-?\d+) bytes)? *(\(.*\))?$/);
    return { name, channels, rate, bits, size, marks };
  });
  // The file of each entry whose head is whole: its name field up to the first zero, + ".wav".
  const bytes = fs.readFileSync(bank);
  for (let at = 4, i = 0; i < entries.length && at + 52 <= bytes.length; ++i) {
    const field = bytes.subarray(at, at + 32), end = field.indexOf(0);
    entries[i].file = Buffer.concat([Buffer.from(`${dir}/`), field.subarray(0, end < 0 ? 32 : end), Buffer.from('.wav')]);
    at += 52 + Math.max(0, (bytes.readInt32LE(at + 32) + 2) | 0);
  }
  const result = { dir, console: printed, entries, totals: lines.at(-1) };
  natives.set(bank, result);
  return result;
}
// A copy of the folder lsd2wav extracted BANK into, for wav2lsd to update.
let copies = 0;
const copyOf = bank => { const dir = `${work}/copy${++copies}`; fs.cpSync(native(bank).dir, dir, { recursive: true }); return dir; };
const filesUnder = dir => fs.readdirSync(dir, { recursive: true }).filter(f => fs.statSync(`${dir}/${f}`).isFile()).sort();

// ---- the page's side ------------------------------------------------------
const site = `${root}/build-web/site`;
const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css' };
const server = http.createServer((request, response) => {
  const file = path.join(site, new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
  if (!file.startsWith(`${site}/`) || !fs.existsSync(file)) return response.writeHead(404).end();
  response.writeHead(200, { 'content-type': types[path.extname(file)] ?? 'application/octet-stream' }).end(fs.readFileSync(file));
});
await new Promise(done => server.listen(0, '127.0.0.1', done));
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await launch();

function fail(message) { throw new Error(message); }
const show = v => (JSON.stringify(v) ?? String(v)).slice(0, 300);
const same = (actual, expected, what) => {
  const equal = Buffer.isBuffer(expected) ? Buffer.isBuffer(actual) && actual.equals(expected) : show(actual) === show(expected);
  if (!equal) fail(Buffer.isBuffer(expected) ? `${what}: ${actual?.length} bytes differ from the native ${expected.length}` : `${what}: ${show(actual)}, expected ${show(expected)}`);
};
const ready = page => page.waitForFunction(() => document.body.dataset.state === 'ready');
// Waits for the page to be ready with SELECTOR's text VALUE, or any text when VALUE is null.
const until = (page, selector, value = null) => page.waitForFunction(([s, v]) => {
  const shown = document.querySelector(s)?.textContent.trim();
  return document.body.dataset.state === 'ready' && (v === null ? !!shown : shown === v);
}, [selector, value]);
const row = i => `#entries tr.entry[data-index="${i}"]`;

// A fresh page per case; afterwards no error, dialog or request after load.
async function withPage(body) {
  const context = await browser.newContext({ viewport: { width: 1100, height: 700 } });
  const page = await context.newPage();
  page.setDefaultTimeout(30000);
  const problems = [], requests = [];
  page.on('pageerror', e => problems.push(`page error: ${e.message}`));
  page.on('console', m => m.type() === 'error' && problems.push(`console: ${m.text()}`));
  page.on('dialog', d => { problems.push(`dialog: ${d.message()}`); d.dismiss(); });
  page.on('request', r => requests.push(r.url()));
  // Listening asks Chromium to hand over its file dialogs, which takes a round
  // trip: done here, it is in force before any key or click opens one.
  page.on('filechooser', () => {});
  try {
    await page.goto(url);
    await ready(page);
    const loaded = requests.splice(0);
    same(loaded.filter(r => !r.startsWith(url)), [], 'requests to elsewhere while loading');
    await body(page);
    same(problems, [], 'errors and dialogs');
    same(requests.filter(r => !/^(blob|data):/.test(r)), [], 'requests after load');
  } finally { await context.close(); }
}
async function open(page, bank) {
  await page.setInputFiles('#open-bank', bank);
  await until(page, '#bank-name', path.basename(bank));
}
// Chromium now and then drops one of many downloads that a page asks for in
// a row; such a click is made once more, and the count of them reported.
let askedTwice = 0;
async function download(page, selector, tries = 2) {
  const [saved] = await Promise.all([page.waitForEvent('download', { timeout: 8000 }).catch(e => e), page.click(selector)]);
  if (saved instanceof Error) return tries > 1 ? (++askedTwice, download(page, selector, tries - 1)) : fail(`no download from ${selector}`);
  return { name: saved.suggestedFilename(), bytes: fs.readFileSync(await saved.path()) };
}
const rows = page => page.$$eval('#entries tr.entry', trs => trs.map(tr => {
  const cell = c => tr.querySelector(c)?.textContent.trim();
  const number = c => (cell(c)?.match(/-?\d+/g) ?? []).join('');
  return { index: tr.dataset.index, name: cell('.name'), channels: number('.channels'), rate: number('.rate'), bits: number('.bits'),
    size: number('.size'), marks: cell('.status'), save: !tr.querySelector('button.save').disabled };
}));

// Opens BANK and holds the page against the native programs: the listing and
// console lines, which entries have a file, and each saved file's bytes.
async function extracts(page, bank) {
  await open(page, bank);
  const expected = native(bank);
  const shown = await rows(page);
  same(shown.map(({ save, ...r }) => r), expected.entries.map(({ file, ...e }, i) => ({ index: String(i), ...e })), 'rows');
  same(await page.textContent('#summary'), expected.totals, '#summary');
  same(text(Buffer.from(await page.textContent('#console-lines'))), expected.console, 'console lines');
  if (tooLarge(bank)) return;
  // Chromium stops taking downloads from a page that asks for many at once:
  // of a long bank, a spread of rows, first and last among them.
  const count = expected.entries.length, step = Math.max(1, (count - 1) / 23);
  const saves = new Set(Array.from({ length: Math.min(count, 24) }, (_, k) => Math.round(k * step)));
  for (const [i, entry] of expected.entries.entries()) {
    const file = entry.channels && !entry.marks.includes('(no samples)') && fs.existsSync(entry.file) && entry.file;
    same(shown[i].save, !!file, `row ${i}'s Save enabled`);
    if (!file || !saves.has(i)) continue;
    const saved = await download(page, `${row(i)} button.save`);
    same(saved.bytes, fs.readFileSync(file), `row ${i}'s saved file`);
    const base = path.basename(file.toString('latin1'));
    // Chromium changes a name that it will not save as it stands (a leading dot, < > and the like).
    if (/^\w[\w .()-]*$/.test(base)) same(saved.name, base, `row ${i}'s saved name`);
  }
}

// Row I's Replace, and WAV chosen in the file dialog it opens.
async function replaceWith(page, i, wav) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click(`${row(i)} button.replace`)]);
  await chooser.setFiles(wav);
}

// FILE dropped on SELECTOR, as from a file manager.
async function dropFile(page, selector, file) {
  const data = await page.evaluateHandle(([name, bytes]) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([new Uint8Array(bytes)], name));
    return transfer;
  }, [path.basename(file), [...fs.readFileSync(file)]]);
  await page.dispatchEvent(selector, 'drop', { dataTransfer: data });
}

// Replaces row I's file of the demo bank with WAV; the row's status and the
// saved bank are those of wav2lsd --update on the same edit.
async function replaces(page, i, wav, put = replaceWith) {
  const bank = `${work}/demo.lsd`, dir = copyOf(bank);
  fs.copyFileSync(wav, native(bank).entries[i].file.toString().replace(native(bank).dir, dir));
  const update = run(dir, 'wav2lsd', '--update', 'music_p.lsd');
  await open(page, bank);
  await put(page, i, wav);
  await until(page, `${row(i)} .status`);
  same(await page.textContent(`${row(i)} .status`), text(update.stderr) || 'replaced', `row ${i}'s status`);
  const saved = await download(page, '#save-bank');
  same(saved.name, 'demo.lsd', 'saved bank name');
  same(saved.bytes, fs.readFileSync(`${dir}/music_p.lsd`), update.status ? 'bank after a refused file' : 'saved bank');
}

// A new bank from WAVS, given in reverse: that of wav2lsd on them sorted by name, or its refusal.
async function packs(page, wavs) {
  const dir = `${work}/pack${++copies}`, names = wavs.map(w => path.basename(w)).sort();
  fs.mkdirSync(dir);
  wavs.forEach(w => fs.copyFileSync(w, `${dir}/${path.basename(w)}`));
  const pack = run(dir, 'wav2lsd', 'music_p.lsd', ...names);
  await page.setInputFiles('#new-bank', [...wavs].reverse());
  if (pack.status) {
    await until(page, '#message');
    return same(await page.textContent('#message'), text(pack.stderr), '#message');
  }
  await until(page, '#bank-name', 'music_p.lsd');
  same((await rows(page)).length, wavs.length, 'rows of the new bank');
  const saved = await download(page, '#save-bank');
  same([saved.name, saved.bytes], ['music_p.lsd', fs.readFileSync(`${dir}/music_p.lsd`)], 'new bank');
}

// The ZIP of all entries holds the files lsd2wav wrote, by the same paths.
async function zips(page, bank) {
  await open(page, bank);
  const saved = await download(page, '#save-all'), dir = `${work}/zip${++copies}`;
  same(saved.name, `${path.basename(bank, '.lsd')}.zip`, 'ZIP name');
  fs.writeFileSync(`${dir}.zip`, saved.bytes);
  const unzip = spawnSync('unzip', ['-q', `${dir}.zip`, '-d', dir]);
  same(unzip.status, 0, `unzip: ${unzip.stderr}`);
  const want = filesUnder(native(bank).dir).filter(f => f !== 'music_p.lsd');
  same(filesUnder(dir), want, 'files in the ZIP');
  for (const f of want) same(fs.readFileSync(`${dir}/${f}`), fs.readFileSync(`${native(bank).dir}/${f}`), f);
}

// Keyboard alone: Tab to a control, then the key; returns what has the focus.
async function tabTo(page, selector) {
  for (let i = 0; i < 60; ++i) {
    await page.keyboard.press('Tab');
    if (await page.evaluate(s => document.activeElement?.matches(s), selector)) {
      // The mark may be on the control or, for a hidden file input, on its label.
      const outline = await page.evaluate(() => [document.activeElement, ...(document.activeElement.labels ?? [])].some(e => {
        const s = getComputedStyle(e); return s.outlineStyle !== 'none' || s.boxShadow !== 'none';
      }));
      return outline || fail(`${selector} has the focus but no visible mark of it`);
    }
  }
  fail(`Tab never reaches ${selector}`);
}

const demo = `${work}/demo.lsd`, html = `${work}/html.lsd`;
// What wav2lsd --list says of FILE as the page holds it, under a bank's name.
const listedAsBank = file => {
  fs.mkdirSync(`${work}/as-bank`, { recursive: true });
  fs.copyFileSync(file, `${work}/as-bank/music_p.lsd`);
  return run(`${work}/as-bank`, 'wav2lsd', '--list', 'music_p.lsd').stderr;
};
// Sparse: one byte more than the page takes, and no disk spent on it.
fs.writeFileSync(`${work}/big.lsd`, ''); fs.truncateSync(`${work}/big.lsd`, 512 * 1024 * 1024 + 1);
const seeds = fs.readdirSync(`${work}/seeds`).filter(f => f.endsWith('.lsd')).sort().map(f => `${work}/seeds/${f}`);
const cases = [
  { name: 'demo bank: listed, saved and printed as natively', run: async page => {
    await extracts(page, demo);
    if (!screenshot) return;
    await page.mouse.move(0, 0);
    await page.evaluate(() => { document.activeElement.blur(); window.scrollTo(0, 0); });
    await page.screenshot({ path: screenshot });
  } },
  ...[...seeds, html].map(bank => ({ name: `${path.basename(bank)}: listed, saved and printed as natively`, run: page => extracts(page, bank) })),
  { name: 'an HTML name shows as text: no element, no dialog', run: async page => {
    await open(page, html);
    same(await page.textContent(`${row(0)} .name`), `${htmlName}.wav`, 'the name');
    same(await page.$$eval('img, [onerror]', e => e.length), 0, 'elements made of the name');
  } },
  { name: 'replace with the same format: the bank of wav2lsd --update', run: page => replaces(page, 1, plainWav) },
  { name: 'replace with another format: its warning, and the bank', run: page => replaces(page, 3, plainWav) },
  { name: 'replace with WAVE_FORMAT_EXTENSIBLE: the bank of wav2lsd --update', run: page => replaces(page, 0, extensibleWav) },
  { name: 'replace with a float WAV: refused with wav2lsd\'s line, the bank kept', run: page => replaces(page, 2, floatWav) },
  { name: 'drop: a bank on the page opens it, a WAV on a row replaces that entry', run: async page => {
    await dropFile(page, 'main', demo);
    await until(page, '#bank-name', 'demo.lsd');
    same((await rows(page)).length, native(demo).entries.length, 'rows of the dropped bank');
    await replaces(page, 3, plainWav, (p, i, wav) => dropFile(p, row(i), wav));
  } },
  { name: 'new bank from the demo tones: that of wav2lsd', run: page => packs(page, tones) },
  { name: 'new bank with a float WAV: refused with wav2lsd\'s line', run: page => packs(page, [tones[0], floatWav]) },
  { name: 'ZIP of the demo bank: the files of lsd2wav', run: page => zips(page, demo) },
  { name: 'ZIP of a bank with names of dots and 300 entries: the files of lsd2wav', run: page => zips(page, `${work}/seeds/many_entries.lsd`) },
  { name: 'ZIP of a bank whose name holds dots: the files of lsd2wav', run: page => zips(page, `${work}/seeds/plain.lsd`) },
  { name: 'ZIP of the HTML name\'s bank', run: page => zips(page, html) },
  ...[['a bank above the page\'s limit', 'big.lsd', 'big.lsd: is larger than 512 MiB, more than this page can hold'],
      ['a WAV file opened as a bank', 'plain.wav', `plain.wav: ${text(listedAsBank(plainWav)).replace('wav2lsd: music_p.lsd: ', '')}`]]
    .map(([what, file, said]) => ({ name: `${what}: refused with its reason, the open bank kept`, run: async page => {
      await open(page, demo);
      const before = await rows(page);
      await page.setInputFiles('#open-bank', `${work}/${file}`);
      await until(page, '#message');
      same(await page.textContent('#message'), said, '#message');
      same([await page.textContent('#bank-name'), await rows(page)], ['demo.lsd', before], 'the bank shown');
      same((await download(page, `${row(0)} button.save`)).bytes, fs.readFileSync(native(demo).entries[0].file), 'a saved file');
    } })),
  { name: 'every control, no request after load', run: async page => {
    await open(page, demo);
    await page.click(`${row(0)} button.play`);
    await download(page, '#save-all');
    await replaceWith(page, 1, plainWav);
    await until(page, `${row(1)} .status`);
    await download(page, '#save-bank');
    await packs(page, tones);
  } },
  { name: 'keyboard alone: open, play, stop, save, replace', run: async page => {
    await tabTo(page, '#open-bank');
    await page.locator(':focus').setInputFiles(demo);
    await until(page, '#bank-name', 'demo.lsd');
    await tabTo(page, `${row(0)} button.play`);
    await page.keyboard.press('Enter');
    await page.waitForFunction(s => document.querySelector(s).textContent.trim() === 'Stop', `${row(0)} button.play`);
    await page.keyboard.press('Space');
    await page.waitForFunction(s => document.querySelector(s).textContent.trim() === 'Play', `${row(0)} button.play`);
    await tabTo(page, `${row(0)} button.save`);
    const [saved] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Enter')]);
    same(fs.readFileSync(await saved.path()), fs.readFileSync(native(demo).entries[0].file), 'the saved file');
    await tabTo(page, `${row(1)} button.replace`);
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.keyboard.press('Enter')]);
    await chooser.setFiles(plainWav);
    await until(page, `${row(1)} .status`, 'replaced');
  } },
].filter(c => args.length === 0 || args.some(word => c.name.includes(word)));

let failed = 0;
for (const c of cases) {
  const start = Date.now(), took = () => `(${((Date.now() - start) / 1000).toFixed(1)} s)`;
  try { await withPage(c.run); console.log(`ok    ${c.name} ${took()}`); } catch (e) { ++failed; console.log(`FAIL  ${c.name} ${took()}: ${e.message.split('\n')[0]}`); }
}
console.log(`web: ${cases.length} cases: ${cases.length - failed} passed, ${failed} failed${askedTwice ? ` (${askedTwice} downloads asked for twice)` : ''}`);
await browser.close();
server.close();
fs.rmSync(work, { recursive: true, force: true });
process.exit(failed ? 1 : 0);
