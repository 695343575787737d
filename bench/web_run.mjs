// Times the page in headless chromium against the native lsd2wav and
// wav2lsd --list on the same banks, in one run. Called by bench/web.sh, which
// builds what it needs and passes the banks as NAME=FILE (a NAME ending in
// "*" is also saved into a folder):
//   node bench/web_run.mjs RUNS BUILD SITE NAME=BANK...
// For each bank, medians of RUNS runs of:
//   open      the page's own open, #open-bank to the rows shown, against
//             wav2lsd --list (the page lists the heads alone, as it does);
//             the aim is at most twice the native time and 0.3 s
//   save all  "Save all into a folder" (the origin's private folder stands in
//             for the user's) until its message, against lsd2wav in a fresh
//             folder on /dev/shm: the same files
// and, once per bank in a browser of its own, how much the renderer process
// grew to open it (its peak resident size, VmHWM, before and after) and the
// page's longest task during the open.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const { chromium } = await import(pathToFileURL(`${root}/web/node_modules/playwright-core/index.mjs`));
const { serveSite } = await import(pathToFileURL(`${root}/tools/static_server.mjs`));
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

const { url, close } = await serveSite(site);

// The renderer processes of this run, and the peak resident size of each, in MiB.
function rendererPeaksMiB() {
  const ps = spawnSync('ps', ['-eo', 'pid=,ppid=,args=']).stdout.toString().trim().split('\n')
    .map(l => l.trim().match(/^(\d+)\s+(\d+)\s+(.*)$/)).filter(Boolean);
  const ours = new Set([String(process.pid)]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [, pid, ppid] of ps) if (ours.has(ppid) && !ours.has(pid)) { ours.add(pid); grew = true; }
  }
  return new Map(ps.filter(([, pid, , args]) => ours.has(pid) && args.includes('--type=renderer')).map(([, pid]) => {
    const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
    return [pid, Number(status.match(/VmHWM:\s+(\d+)/)[1]) / 1024];
  }));
}

// A browser of its own for each measure, so that a renderer's peak is that of one page.
async function withPage(body) {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium' });
  try {
    const page = await browser.newPage();
    page.setDefaultTimeout(600000);
    await page.addInitScript(() => {
      self.longTasks = [];
      new PerformanceObserver(list => self.longTasks.push(...list.getEntries().map(e => e.duration))).observe({ type: 'longtask' });
    });
    await page.goto(url);
    await page.waitForFunction(() => document.body.dataset.state === 'ready');
    return await body(page);
  } finally { await browser.close(); }
}

async function open(page, bank) {
  const start = Date.now();
  await page.setInputFiles('#open-bank', bank);
  await page.waitForFunction(n => document.body.dataset.state === 'ready' && document.querySelector('#bank-name').textContent === n, path.basename(bank), { polling: 20 });
  return Date.now() - start;
}

const table = [];
for (const named of banks) {
  const [name, bank] = named.split('=');
  const saving = name.endsWith('*');
  const mib = fs.statSync(bank).size / 1048576;
  const list = nativeMs(bank, `${build}/wav2lsd`, '--list', 'music_p.lsd');
  const extract = saving ? nativeMs(bank, `${build}/lsd2wav`) : NaN;
  const opened = [], saved = [];
  for (let i = 0; i < runs; ++i) opened.push(await withPage(page => open(page, bank)));
  const once = await withPage(async page => {
    const before = rendererPeaksMiB();
    await page.evaluate(() => { self.longTasks = []; });
    await open(page, bank);
    const after = rendererPeaksMiB();
    const growth = Math.max(...[...after].map(([pid, peak]) => peak - (before.get(pid) ?? peak)));
    return { growth, longest: Math.max(0, ...await page.evaluate(() => self.longTasks)) };
  });
  if (saving) {
    for (let i = 0; i < runs; ++i) {
      saved.push(await withPage(async page => {
        await page.evaluate(() => { window.showDirectoryPicker = async () => (await navigator.storage.getDirectory()).getDirectoryHandle('picked', { create: true }); });
        await open(page, bank);
        const start = Date.now();
        await page.click('#save-folder');
        await page.waitForFunction(() => document.body.dataset.state === 'ready' && document.querySelector('#message').textContent, null, { polling: 20 });
        return Date.now() - start;
      }));
    }
  }
  const open_ = median(opened), save = saving ? median(saved) : NaN;
  const fixed = (v, d = 0) => (Number.isNaN(v) ? '' : v.toFixed(d));
  table.push([name.replace(/\*$/, ''), fixed(mib, 1), fixed(list, 1), fixed(open_), fixed(open_ / (2 * list + 300), 2),
    fixed(extract), fixed(save), fixed(save / extract, 2), fixed(once.growth), fixed(once.longest)]);
  process.stderr.write(`${name} done\n`);
}
const head = ['bank', 'MiB', 'list native ms', 'page open ms', 'open / (2 x list + 300 ms)', 'lsd2wav native ms',
  'save all page ms', 'ratio', 'renderer growth MiB', 'longest task ms'];
console.log(`| ${head.join(' | ')} |\n|${head.map(() => '---').join('|')}|`);
for (const r of table) console.log(`| ${r.join(' | ')} |`);
const version = await chromium.launch({ executablePath: '/usr/bin/chromium' }).then(async b => { const v = b.version(); await b.close(); return v; });
console.log(`\nmedians of ${runs} runs; chromium ${version}, ${os.cpus().length} cores.`);
console.log('page open: #open-bank to the rows shown; list native: wav2lsd --list, wall time. The aim is a ratio of at most 1 in the fifth column.');
console.log('save all: "Save all into a folder" into the origin\'s private folder until its message; lsd2wav native: into /dev/shm.');
console.log('renderer growth: the peak resident size (VmHWM) of the page\'s renderer, which runs its worker too, after one open less before it;');
console.log('longest task: the longest task of the page\'s thread during that open, by the Long Tasks API (0: none over 50 ms).');
close();
fs.rmSync(work, { recursive: true, force: true });
