// The list page with 100,000 recordings against the same page with 100, in one run: how soon
// the first rows are on screen after opening it; and with 100,000, how long 40 more pages take
// as one scrolls and how smooth the scrolling stays with 2,050 rows on the page.
//
//   node bench/web/list-scale.mjs [BUILD_DIR]
//
// Each library holds the generated sample once; the index is then filled with copies of its
// row under made-up hashes (their thumbnails answer 404, as the list allows), which is what
// the list reads. Needs sqlite3, Debian's chromium (or, with HALCYRA_WEB_BROWSER=firefox, its
// firefox-esr) and tests/web's npm packages.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { createRequire } from 'node:module';
import net from 'node:net';

const root = resolve(new URL('../..', import.meta.url).pathname);
const { chromium, firefox } = createRequire(join(root, 'tests/web/package.json'))('playwright-core');
const build = resolve(process.argv[2] ?? join(root, 'build'));
const serverBin = join(build, 'bin/halcyra-server');
const sample = join(build, 'samples/halcjpeg.dat');
const work = mkdtempSync(join(tmpdir(), 'halcyra-list-scale-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

function library(name, rows) {
  const dir = join(work, name);
  execFileSync(serverBin, ['import', sample, '--library', dir], { stdio: 'ignore' });
  execFileSync(serverBin, ['user', 'add', 'admin', '--role', 'admin', '--library', dir], { input: 'bench-password\n', stdio: ['pipe', 'ignore', 'inherit'] });
  const columns = 'folder, stored_name, file_name, size, capture_date, frames, first_time, last_time, complete, imported_at, depot, note, status, status_reason, clock_offset';
  execFileSync('sqlite3', [join(dir, '.halcyra-server.sqlite')], {
    input: `WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ${rows - 1})
      INSERT INTO recordings (sha256, sort_key, vehicle, driver, ${columns})
      SELECT printf('%064x', i), strftime('%Y-%m-%dT%H:%M:%S', '2026-11-28 14:35:07', printf('-%d minutes', i)),
             '車両' || (i % 300), '運転者' || (i % 500), ${columns}
      FROM n, (SELECT * FROM recordings LIMIT 1);\n`,
  });
  return dir;
}

const freePort = () => new Promise((done) => {
  const s = net.createServer().listen(0, '127.0.0.1', () => { const { port } = s.address(); s.close(() => done(port)); });
});

async function measure(dir, browser, scroll) {
  const port = await freePort();
  const base = `http://127.0.0.1:${port}`;
  const server = spawn(serverBin, ['serve', '--library', dir, '--listen', `127.0.0.1:${port}`], { stdio: 'ignore' });
  try {
    for (let i = 0; ; i++) {
      try { if ((await fetch(`${base}/api/v1/health`)).ok) break; } catch { /* not up yet */ }
      if (i > 100) throw new Error('halcyra-server did not start');
      await new Promise((r) => setTimeout(r, 100));
    }
    const context = await browser.newContext({ viewport: { width: 1400, height: 1000 }, locale: 'ja-JP' });
    const page = await context.newPage();
    await page.goto(`${base}/login`);
    await page.getByLabel('ユーザー名').fill('admin');
    await page.getByLabel('パスワード').fill('bench-password');
    await page.getByRole('button', { name: 'ログイン' }).click();
    await page.waitForSelector('table.events tbody tr');
    const result = { firstRowsMs: [], morePagesMs: 0, count: '' };
    for (let round = 0; round < 5; round++) {
      await page.goto(`${base}/`);
      result.firstRowsMs.push(await page.evaluate(() => new Promise((done) => {
        const look = () => (document.querySelector('table.events tbody tr') ? done(performance.now()) : requestAnimationFrame(look));
        look();
      })));
    }
    result.count = await page.locator('p.count').textContent();
    if (!scroll) {
      await context.close();
      return result;
    }
    // Forty more pages, as one scrolls to the end again and again, timed in the page.
    result.morePagesMs = await page.evaluate(() => new Promise((done, fail) => {
      const rows = () => document.querySelectorAll('table.events tbody tr').length;
      const started = performance.now();
      let pages = 0;
      let had = rows();
      let asked = performance.now();
      window.scrollTo(0, document.body.scrollHeight);
      const look = () => {
        if (rows() > had) {
          had = rows();
          if (++pages === 40) return done(performance.now() - started);
          asked = performance.now();
          window.scrollTo(0, document.body.scrollHeight);
        } else if (performance.now() - asked > 20000) {
          return fail(new Error(`no more rows after ${had}`));
        }
        requestAnimationFrame(look);
      };
      requestAnimationFrame(look);
    }));
    // Of which the answers of the API: their mean time, from asking to the last byte.
    result.apiMs = await page.evaluate(() => {
      const pages = performance.getEntriesByType('resource').filter((e) => e.name.includes('/api/v1/recordings?'));
      return pages.reduce((sum, e) => sum + e.duration, 0) / Math.max(pages.length, 1);
    });
    result.rows = await page.locator('table.events tbody tr').count();
    // Scrolling back up through them, then down again: the time between painted frames. The
    // first pass draws most rows for the first time; the second shows what the page's size
    // costs alone.
    const pass = (down) => page.evaluate((downwards) => new Promise((done) => {
      const gaps = [];
      let last = performance.now();
      const end = document.body.scrollHeight - window.innerHeight;
      let y = downwards ? 0 : end;
      window.scrollTo(0, y);
      const step = () => {
        const now = performance.now();
        gaps.push(now - last);
        last = now;
        y += downwards ? 400 : -400;
        window.scrollTo(0, y);
        if (downwards ? y < end : y > 0) requestAnimationFrame(step);
        else {
          gaps.sort((a, b) => a - b);
          done({ median: gaps[gaps.length >> 1], p95: gaps[Math.floor(gaps.length * 0.95)] });
        }
      };
      requestAnimationFrame(step);
    }), down);
    result.firstPass = await pass(false);
    result.secondPass = await pass(true);
    await context.close();
    return result;
  } finally {
    server.kill('SIGTERM');
  }
}

const median = (xs) => [...xs].sort((a, b) => a - b)[xs.length >> 1];
const small = library('small', 100);
const large = library('large', 100000);
const browser = process.env.HALCYRA_WEB_BROWSER === 'firefox'
  ? await firefox.launch({ channel: 'moz-firefox', executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr', headless: true })
  : await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', headless: true, args: ['--no-sandbox'] });
console.log(`in ${browser.browserType().name()} ${browser.version()}`);
const few = await measure(small, browser, false);
const many = await measure(large, browser, true);
await browser.close();
console.log(`    100 recordings: first rows ${median(few.firstRowsMs).toFixed(0)} ms after opening (median of 5); "${few.count}"`);
console.log(`100,000 recordings: first rows ${median(many.firstRowsMs).toFixed(0)} ms after opening (median of 5); "${many.count}"`);
console.log(`                    40 more pages as one scrolls: ${many.morePagesMs.toFixed(0)} ms (${(many.morePagesMs / 40).toFixed(0)} ms a page, the API's answer ${many.apiMs.toFixed(0)} ms of it), ` +
  `then ${many.rows} rows on the page`);
const frames = (p) => `median ${p.median.toFixed(1)} ms, p95 ${p.p95.toFixed(1)} ms`;
console.log(`                    scrolling 400 px a frame: up through them first ${frames(many.firstPass)}; down again ${frames(many.secondPass)}`);
console.log(`100,000 / 100: first rows ${(median(many.firstRowsMs) / median(few.firstRowsMs)).toFixed(2)}`);
