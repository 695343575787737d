// Times the page's engine in headless chromium against the native lsd2wav and
// wav2lsd --list on the same banks, in one run. Called by bench/web.sh, which
// builds what it needs and passes the banks as NAME=FILE:
//   node bench/web_run.mjs RUNS BUILD SITE NAME=BANK...
// For each bank, medians of RUNS runs of:
//   list     wav2lsd --list: the engine's ListBank against the native program
//   extract  lsd2wav: the engine's ExtractBank, each run in a fresh folder of
//            its in-memory file system, against the native program in a fresh
//            folder on /dev/shm (both write every file into memory)
//   open     the page's own open (#open-bank to "ready": reading the file,
//            ListEntries, ListBank, ExtractBank, the rows and waveforms drawn)
// and the memory of one such open, in a browser of its own: the peak resident
// size of the page's renderer process (VmHWM) and the JavaScript heap in use,
// where the extracted files live; and what the engine's WebAssembly heap grew
// to over the timed runs.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const { chromium } = await import(pathToFileURL(`${root}/web/node_modules/playwright-core/index.mjs`));
const [runs, build, site, ...banks] = process.argv.slice(2);
const median = values => { const s = [...values].sort((a, b) => a - b); return (s[(s.length - 1) >> 1] + s[s.length >> 1]) / 2; };
const where = fs.existsSync('/dev/shm') ? '/dev/shm' : os.tmpdir();
const work = fs.mkdtempSync(`${where}/lsd2wav-web-bench.`);

// bench_run prints "wall-µs max-rss-KiB exit-code cpu-µs" for one run in a folder.
function nativeMs(bank, ...program) {
  const times = [];
  for (let i = 0; i < runs; ++i) {
    const dir = `${work}/native`;
    fs.rmSync(dir, { recursive: true, force: true });
    fs.mkdirSync(dir);
    fs.linkSync(bank, `${dir}/music_p.lsd`);
    const [wall, , code] = spawnSync(`${build}/bench_run`, [dir, '-', ...program]).stdout.toString().split(' ');
    if (code !== '0') throw new Error(`${program.join(' ')} on ${bank} ended with ${code}`);
    times.push(wall / 1000);
  }
  fs.rmSync(`${work}/native`, { recursive: true, force: true });
  return median(times);
}

const server = http.createServer((request, response) => {
  const file = path.join(site, new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
  if (!file.startsWith(`${site}/`) || !fs.existsSync(file)) return response.writeHead(404).end();
  response.writeHead(200, { 'content-type': file.endsWith('.html') ? 'text/html' : file.endsWith('.css') ? 'text/css' : 'text/javascript' })
    .end(fs.readFileSync(file));
});
await new Promise(done => server.listen(0, '127.0.0.1', done));
const url = `http://127.0.0.1:${server.address().port}/`;

// A browser of its own for each measure, so that the renderer's peak is that of one page.
async function withPage(body) {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--enable-precise-memory-info'] });
  try {
    const page = await browser.newPage();
    page.setDefaultTimeout(600000);
    await page.goto(url);
    await page.waitForFunction(() => document.body.dataset.state === 'ready');
    return await body(page);
  } finally { await browser.close(); }
}
// The peak resident size of this run's renderer processes, in MiB.
function rendererPeakMiB() {
  const ps = spawnSync('ps', ['-eo', 'pid=,ppid=,args=']).stdout.toString().trim().split('\n')
    .map(l => l.trim().match(/^(\d+)\s+(\d+)\s+(.*)$/)).filter(Boolean);
  const ours = new Set([String(process.pid)]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [, pid, ppid] of ps) if (ours.has(ppid) && !ours.has(pid)) { ours.add(pid); grew = true; }
  }
  return Math.max(0, ...ps.filter(([, pid, , args]) => ours.has(pid) && args.includes('--type=renderer')).map(([, pid]) => {
    const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
    return Number(status.match(/VmHWM:\s+(\d+)/)[1]) / 1024;
  }));
}

// The engine alone, as the page starts it: its WebAssembly comes from inside
// the module, not by a fetch, which the page's policy refuses.
async function engineMs(page, bankFile, repeat) {
  // The bank comes in as a chosen file does, through an input of the bench's own.
  await page.evaluate(() => { const input = document.createElement('input'); input.type = 'file'; input.id = 'bench-bank'; document.body.append(input); });
  await page.setInputFiles('#bench-bank', bankFile);
  return page.evaluate(async repeat => {
    const fetch = window.fetch;
    window.fetch = () => Promise.reject(new TypeError('no fetch'));
    const engine = await (await import('./engine.mjs')).default({ print: () => {}, printErr: () => {} });
    window.fetch = fetch;
    const bank = new Uint8Array(await document.querySelector('#bench-bank').files[0].arrayBuffer());
    const list = [], extract = [];
    for (let i = 0; i < repeat; ++i) {
      engine.FS.mkdir(`/run${i}`);
      engine.FS.chdir(`/run${i}`);
      engine.FS.writeFile('music_p.lsd', bank);
      let start = performance.now();
      engine.ccall('ListBank', 'number', ['string'], ['music_p.lsd']);
      list.push(performance.now() - start);
      start = performance.now();
      engine.ccall('ExtractBank', 'number', [], []);
      extract.push(performance.now() - start);
      for (const f of engine.FS.readdir('.')) if (f !== '.' && f !== '..') engine.FS.unlink(f);
      engine.FS.chdir('/');
      engine.FS.rmdir(`/run${i}`);
    }
    // The engine's own memory: what its WebAssembly heap grew to.
    return { list, extract, wasm: engine.HEAP8 ? engine.HEAP8.buffer.byteLength / 1048576 : NaN };
  }, repeat);
}

const rows = [];
for (const named of banks) {
  const [name, bank] = named.split('=');
  const mib = fs.statSync(bank).size / 1048576;
  const native = { list: nativeMs(bank, `${build}/wav2lsd`, '--list', 'music_p.lsd'), extract: nativeMs(bank, `${build}/lsd2wav`) };
  const engine = await withPage(page => engineMs(page, bank, Number(runs)));
  const copy = `${work}/${path.basename(bank)}`;
  fs.copyFileSync(bank, copy);
  const opened = [];
  let memory = null;
  for (let i = 0; i < runs; ++i) {
    opened.push(await withPage(async page => {
      const start = Date.now();
      await page.setInputFiles('#open-bank', copy);
      await page.waitForFunction(n => document.body.dataset.state === 'ready' && document.querySelector('#bank-name').textContent === n, path.basename(copy), { polling: 50 });
      const took = Date.now() - start;
      memory ??= { renderer: rendererPeakMiB(), js: await page.evaluate(() => performance.memory.usedJSHeapSize / 1048576) };
      return took;
    }));
  }
  fs.rmSync(copy);
  const list = median(engine.list), extract = median(engine.extract);
  rows.push([name, mib.toFixed(1), native.list.toFixed(1), list.toFixed(1), (list / native.list).toFixed(2),
    native.extract.toFixed(1), extract.toFixed(1), (extract / native.extract).toFixed(2), median(opened).toFixed(0),
    memory.renderer.toFixed(0), memory.js.toFixed(0), engine.wasm.toFixed(0)]);
  process.stderr.write(`${name} done\n`);
}
const head = ['bank', 'MiB', 'list native ms', 'list page ms', 'ratio', 'extract native ms', 'extract page ms', 'ratio',
  'page open ms', 'renderer peak MiB', 'JS heap MiB', 'wasm heap MiB'];
console.log(`| ${head.join(' | ')} |\n|${head.map(() => '---').join('|')}|`);
for (const r of rows) console.log(`| ${r.join(' | ')} |`);
console.log(`\nmedians of ${runs} runs; chromium ${(await chromium.launch({ executablePath: '/usr/bin/chromium' }).then(async b => [b.version(), await b.close()]))[0]}, ${os.cpus().length} cores.`);
console.log('list, extract: the engine\'s ListBank and ExtractBank called in the page, timed with performance.now(); native: wav2lsd --list and lsd2wav, wall time.');
console.log('page open: the page\'s #open-bank to "ready" (read, ListEntries, ListBank, ExtractBank, rows and waveforms).');
console.log('renderer peak: VmHWM of the page\'s renderer process after one open; JS heap: performance.memory.usedJSHeapSize then');
console.log('(the extracted files live there, in the in-memory file system); wasm heap: the engine\'s WebAssembly memory after the timed runs.');
server.close();
fs.rmSync(work, { recursive: true, force: true });
