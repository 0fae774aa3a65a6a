// Browser tests of halcyra-server's pages: starts the built server on a temporary library,
// drives Debian's Chromium (or Firefox ESR) headless through playwright-core, and prints
// "N passed, N failed".
//   node run.mjs [BUILD_DIR]     (default: BUILD_DIR or ../../build)
// HALCYRA_WEB_BROWSER=firefox runs them in Debian's firefox-esr, driven over WebDriver BiDi;
// the one check that needs Chromium's own debugging protocol (its network throttling) is left out.
// HALCYRA_WEB_SCREENSHOTS names a folder for the screenshots (default: BUILD_DIR/web-screenshots).
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync, mkdirSync, rmSync, existsSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join, resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';
import { chromium, firefox } from 'playwright-core';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const build = resolve(process.argv[2] ?? process.env.BUILD_DIR ?? join(root, 'build'));
const serverBin = join(build, 'bin', 'halcyra-server');
const browserName = process.env.HALCYRA_WEB_BROWSER ?? 'chromium';
if (!['chromium', 'firefox'].includes(browserName)) throw new Error(`HALCYRA_WEB_BROWSER: no browser ${browserName}`);
const inChromium = browserName === 'chromium';
const shots = process.env.HALCYRA_WEB_SCREENSHOTS ?? join(build, inChromium ? 'web-screenshots' : `web-screenshots-${browserName}`);
const work = mkdtempSync(join(tmpdir(), 'halcyra-web-'));
const library = join(work, 'library');

// ---- test data ------------------------------------------------------------------------------

// The records of a halcjpeg.dat: 8-byte name, 4-byte little-endian size, the JPEG.
function records(bytes) {
  const out = [];
  for (let at = 0; at + 12 <= bytes.length;) {
    const size = bytes.readUInt32LE(at + 8);
    out.push(bytes.subarray(at, at + 12 + size));
    at += 12 + size;
  }
  return out;
}

function sampleBytes() {
  let path = join(build, 'samples', 'halcjpeg.dat');
  if (!existsSync(path)) {
    path = join(work, 'sample.dat');
    execFileSync(join(build, 'bin', 'halcyra-make-sample'), [path]);
  }
  return readFileSync(path);
}

function cli(args, input) {
  return execFileSync(serverBin, [...args, '--library', library], { input, stdio: ['pipe', 'pipe', 'pipe'] }).toString();
}

function importFile(name, bytes, depot) {
  const folder = join(work, 'in', name);
  mkdirSync(folder, { recursive: true });
  writeFileSync(join(folder, 'halcjpeg.dat'), bytes);
  cli(['import', folder, '--depot', depot]);
}

const sha256 = async (bytes) => {
  const { createHash } = await import('node:crypto');
  return createHash('sha256').update(bytes).digest('hex');
};

function freePort() {
  return new Promise((done) => {
    const probe = createServer().listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => done(port));
    });
  });
}

// ---- the harness ----------------------------------------------------------------------------

let passed = 0;
let failed = 0;
let closed = false;  // the closing line is printed
process.on('exit', (code) => {
  // Stopped before the end (the setup failed): CI still reads a closing line.
  if (!closed) console.log(`${passed} passed, ${failed + (code === 0 ? 0 : 1)} failed`);
});
const only = process.env.HALCYRA_WEB_ONLY;  // runs only the checks whose name holds it
async function check(name, fn) {
  if (only && !name.includes(only)) return;
  const started = Date.now();
  try {
    await fn();
    passed++;
    console.log(`ok   ${name} (${Date.now() - started} ms)`);
  } catch (error) {
    failed++;
    console.log(`FAIL ${name}\n     ${String(error?.stack ?? error).split('\n').slice(0, 6).join('\n     ')}`);
  }
}
function expect(condition, message) {
  if (!condition) throw new Error(message);
}
function equal(actual, wanted, what) {
  if (JSON.stringify(actual) !== JSON.stringify(wanted)) {
    throw new Error(`${what}: ${JSON.stringify(actual)}, wanted ${JSON.stringify(wanted)}`);
  }
}

// ---- setup ----------------------------------------------------------------------------------

const sample = sampleBytes();
const sampleRecords = records(sample);
// The sample with a second missing after frame 120: the player must keep the gap.
const gapped = Buffer.concat([...sampleRecords.slice(0, 120), ...sampleRecords.slice(130)]);
importFile('sample', sample, 'north');
importFile('gapped', gapped, 'north');
importFile('south', Buffer.concat(sampleRecords.slice(0, 100)), 'south');
// A recording cut short in its last frame: the list marks it.
importFile('cut', sample.subarray(0, sample.length - 1000), 'east');
// Enough recordings in depot west for more than one page of the list.
for (let k = 1; k <= 55; k++) importFile(`west${k}`, Buffer.concat(sampleRecords.slice(0, k)), 'west');
const sampleSha = await sha256(sample);
const gappedSha = await sha256(gapped);
const users = { root: ['admin', []], mara: ['manager', ['north']], vic: ['viewer', ['north']] };
for (const [name, [role, depots]] of Object.entries(users)) {
  cli(['user', 'add', name, '--role', role, ...depots.flatMap((d) => ['--depot', d])], `${name}-password\n`);
}

const port = await freePort();
const base = `http://127.0.0.1:${port}`;
const server = spawn(serverBin, ['serve', '--library', library, '--listen', `127.0.0.1:${port}`], { stdio: ['ignore', 'ignore', 'pipe'] });
// However this script ends, the server goes with it; and it never hangs CI.
process.on('exit', () => server.kill('SIGKILL'));
setTimeout(() => {
  console.log('the browser tests took over 10 minutes');
  process.exit(1);
}, 10 * 60 * 1000).unref();
let serverLog = '';
server.stderr.on('data', (d) => { serverLog += d; });
for (let i = 0; ; i++) {
  try {
    if ((await fetch(`${base}/api/v1/health`)).ok) break;
  } catch { /* not up yet */ }
  if (i > 100 || server.exitCode !== null) throw new Error(`halcyra-server did not start:\n${serverLog}`);
  await new Promise((r) => setTimeout(r, 100));
}

const browser = inChromium
  ? await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--lang=ja-JP'] })
  : await firefox.launch({ channel: 'moz-firefox', executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr', headless: true });
console.log(`in ${browserName} ${browser.version()}`);
// Faults of the page itself: uncaught errors and anything the Content-Security-Policy refused.
// Not the page's: the "body {}" style element Playwright puts in a Firefox page before each
// screenshot, which the policy rightly refuses.
const playwrightsOwnStyle = "'sha256-YjaKGiklmzC6wjXA513HAMmzus8VE61XCOT+SmwNZWA='";
const pageFaults = [];
const pageFault = (name, text) => { if (!text.includes(playwrightsOwnStyle)) pageFaults.push(`${name}: ${text}`); };
async function signedIn(name) {
  const context = await browser.newContext({ viewport: { width: 1400, height: 1000 }, locale: 'ja-JP', timezoneId: 'Asia/Tokyo' });
  const page = await context.newPage();
  page.on('pageerror', (e) => pageFault(name, e.message));
  page.on('console', (m) => {
    if (m.type() === 'error' && /Content.Security.Policy|Refused to|page’s settings blocked/.test(m.text())) pageFault(name, m.text());
  });
  if (name) {
    await page.goto(`${base}/`);
    await page.waitForURL(/\/login/);
    await page.getByLabel('ユーザー名').fill(name);
    await page.getByLabel('パスワード').fill(`${name}-password`);
    await page.getByRole('button', { name: 'ログイン' }).click();
    await page.waitForSelector('table.events tbody tr');
  }
  return page;
}
// Controls without an accessible name: what a screen reader could not announce.
const unnamedControls = (page) => page.evaluate(() => {
  const nameOf = (el) => {
    const by = el.getAttribute('aria-labelledby');
    return (el.getAttribute('aria-label') ?? '') ||
      (by ? by.split(' ').map((id) => document.getElementById(id)?.textContent ?? '').join('') : '') ||
      [...(el.labels ?? [])].map((l) => l.textContent).join('') || el.getAttribute('title') || el.textContent;
  };
  return [...document.querySelectorAll('button, a[href], input:not([type=hidden]), select, textarea, [tabindex="0"]')]
    .filter((el) => !nameOf(el)?.trim())
    .map((el) => el.outerHTML.slice(0, 120));
});
// Text whose contrast with its background is under WCAG AA (4.5:1; 3:1 for large text).
const lowContrast = (page) => page.evaluate(() => {
  const rgb = (text) => (text.match(/[\d.]+/g) ?? []).map(Number);
  const luminance = ([r, g, b]) => {
    const c = [r, g, b].map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; });
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
  };
  const background = (el) => {
    for (let e = el; e; e = e.parentElement) {
      const c = rgb(getComputedStyle(e).backgroundColor);
      if (c.length === 3 || (c.length === 4 && c[3] === 1)) return c.slice(0, 3);
    }
    return [255, 255, 255];
  };
  const found = [];
  for (const el of document.querySelectorAll('body *')) {
    if (el.closest('[hidden], .visually-hidden, svg') || !el.checkVisibility?.() || el.disabled) continue;
    if (![...el.childNodes].some((n) => n.nodeType === 3 && n.textContent.trim())) continue;
    const style = getComputedStyle(el);
    const [a, b] = [luminance(rgb(style.color)), luminance(background(el))];
    const ratio = (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
    const large = parseFloat(style.fontSize) >= 24 || (parseFloat(style.fontSize) >= 18.66 && Number(style.fontWeight) >= 700);
    if (ratio < (large ? 3 : 4.5)) found.push(`${el.tagName.toLowerCase()} "${el.textContent.trim().slice(0, 30)}" ${ratio.toFixed(2)}:1`);
  }
  return found;
});
// What axe-core (the accessibility engine browsers' tools use) finds serious or critical on
// the page as it stands. Run through the debugging protocol, which the page's
// Content-Security-Policy does not govern.
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const axeFindings = async (page) => {
  await page.evaluate(axeSource);
  const { rules, minor, serious } = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }).then((r) => ({
    rules: r.passes.length + r.violations.length + r.incomplete.length,
    minor: r.violations.filter((v) => v.impact !== 'serious' && v.impact !== 'critical').map((v) => v.id),
    serious: r.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
      .map((v) => `axe ${v.id}: ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`),
  })));
  console.log(`     axe on ${new URL(page.url()).pathname}: ${rules} rules applied, ${serious.length} serious` +
    (minor.length ? `, minor: ${minor.join(' ')}` : ''));
  return serious;
};
// Plays the gapped recording at 1× on `page` from its first frame and checks every frame is
// drawn, in order, at its recorded time (within one display refresh), saying the figures.
async function checkPace(page, r) {
  await page.goto(`${base}/recordings/${gappedSha}`);
  await page.waitForSelector('canvas.frame[data-index="0"]');
  await page.evaluate(() => { window.__halcyraPaints.length = 0; });
  await page.keyboard.press('Space');
  const last = r.frames.length - 1;
  await page.waitForFunction((n) => window.__halcyraPaints.some((p) => p.index === n), last, { timeout: 40000, polling: 500 });
  const paints = await page.evaluate(() => window.__halcyraPaints);
  equal(paints.map((p) => p.index), r.frames.slice(1).map((_, i) => i + 1), 'frames drawn, in order');
  const refresh = 1000 / 60 + 0.5;
  const off = paints.map((p) => Math.abs(p.at - p.due));
  // The schedule is the recorded time: 100 ms between frames, 1.1 s over the gap. A frame drawn
  // late moves the frames after it by as much (it is counted late below).
  for (let i = 1; i < paints.length; i++) {
    const wanted = ((r.frames[paints[i].index].number - r.frames[paints[i - 1].index].number) * 1000) / 30;
    const spacing = paints[i].due - paints[i - 1].due;
    const moved = off[i] > refresh || off[i - 1] > refresh;
    expect(spacing > wanted - 0.5 && (moved || spacing < wanted + 0.5), `frames ${i - 1} and ${i} due ${spacing.toFixed(1)} ms apart, recorded ${wanted.toFixed(1)} ms`);
  }
  const late = [...off].sort((a, b) => a - b);
  const over = late.filter((d) => d > refresh).length;
  console.log(`     first frame on screen ${(await page.evaluate(() => window.__halcyraFirstFrameMs)).toFixed(0)} ms after the recording's data`);
  console.log(`     pace: ${paints.length} frames, off by median ${late[late.length >> 1].toFixed(1)} ms, ` +
    `95% ${late[Math.floor(late.length * 0.95)].toFixed(1)} ms, most ${late[late.length - 1].toFixed(1)} ms; ${over} beyond one refresh`);
  // Late frames are the player's fault when their bytes came after their time (fetched too
  // late) or the page had refreshes to draw them on; a busy machine that holds the page up for
  // longer than a refresh is not, and is only reported.
  const faults = paints.filter((p, i) => off[i] > refresh && (p.ready > p.due - refresh || p.at - p.tick < 2 * refresh));
  const heldUp = paints.filter((p, i) => off[i] > refresh && !faults.includes(p));
  if (heldUp.length) console.log(`     the page was held up for ${heldUp.map((p) => `${(p.at - p.tick).toFixed(0)} ms`).join(', ')}`);
  equal(faults.map((p) => ({ index: p.index, late: Math.round(p.at - p.due), readyBefore: Math.round(p.due - p.ready) })), [], 'frames late by the player');
  expect(heldUp.length <= Math.ceil(paints.length * 0.05), `${heldUp.length} frames late while the page was held up`);
}

// A picture of the page for the closing note.
const shot = (page, name, fullPage = true) => page.screenshot({ path: join(shots, name), fullPage });

const rowCount = (page) => page.locator('table.events tbody tr').count();
const recordingJson = async (sha) => {
  const page = await signedIn('root');
  const r = await page.evaluate((s) => fetch(`/api/v1/recordings/${s}`).then((x) => x.json()), sha);
  await page.context().close();
  return r;
};

// ---- the tests ------------------------------------------------------------------------------

try {
  await check('each role sees what it may, and a locked name says when to try again', async () => {
    const viewer = await signedIn('vic');
    equal(await rowCount(viewer), 2, 'rows a viewer of north sees');
    await viewer.goto(`${base}/recordings/${sampleSha}`);
    await viewer.waitForSelector('canvas.frame[data-index]');
    equal(await viewer.locator('.status-buttons button').count(), 0, 'status buttons for a viewer');
    equal(await viewer.locator('form.edit, form.comment-form, .share-form').count(), 0, 'edit forms for a viewer');
    const viewerLinks = await viewer.locator('.downloads a').allTextContents();
    equal(viewerLinks, ['共有用 MP4'], 'downloads for a viewer');
    equal(await viewer.getByRole('heading', { name: '処理の記録' }).count(), 0, 'custody for a viewer');
    equal(await viewer.getByRole('link', { name: '統計' }).count(), 0, 'statistics link for a viewer');
    await viewer.context().close();

    const manager = await signedIn('mara');
    equal(await rowCount(manager), 2, 'rows a manager of north sees');
    await manager.goto(`${base}/recordings/${sampleSha}`);
    await manager.waitForSelector('table.custody');
    equal(await manager.locator('.status-buttons button').count(), 5, 'status buttons for a manager');
    equal(await manager.locator('.downloads a').allTextContents(), ['原本（halcjpeg.dat）', '共有用 MP4', '証拠一式 ZIP'], 'downloads for a manager');
    await manager.context().close();

    const stranger = await signedIn('');
    await stranger.goto(`${base}/recordings/${sampleSha}`);
    await stranger.waitForURL(/\/login\?next=/);
    for (let i = 0; i < 6; i++) {
      await stranger.getByLabel('ユーザー名').fill('ghost');
      await stranger.getByLabel('パスワード').fill('wrong');
      await stranger.getByRole('button', { name: 'ログイン' }).click();
      await stranger.waitForFunction(() => document.querySelector('.login .error')?.textContent);
    }
    const said = await stranger.locator('.login .error').textContent();
    expect(/ロック/.test(said) && /秒後/.test(said), `a locked name's message: ${said}`);
    await stranger.context().close();
  });

  await check('the list filters by the URL, pages as one scrolls, and shows the count', async () => {
    const page = await signedIn('root');
    equal(await rowCount(page), 50, 'rows of the first page');
    const count = await page.locator('.count').textContent();
    expect(count.includes('全 59 件'), `the count of every recording: ${count}`);
    await page.locator('.sentinel').scrollIntoViewIfNeeded();
    await page.waitForFunction(() => document.querySelectorAll('table.events tbody tr').length === 59);
    const shas = await page.locator('table.events tbody tr').evaluateAll((rows) => rows.map((r) => r.dataset.sha));
    equal(new Set(shas).size, 59, 'different recordings in the scrolled list');
    equal(await page.locator('table.events .badge').allTextContents(), ['不完全'], 'marks of incomplete recordings');
    equal(await page.locator('table.events tr:has(.badge) td').nth(2).textContent(), 'east', 'the depot of the incomplete recording');

    await page.getByLabel('営業所').fill('south');
    await page.getByRole('button', { name: '絞り込む' }).click();
    await page.waitForURL(/\?depot=south$/);
    await page.waitForFunction(() => document.querySelectorAll('table.events tbody tr').length === 1);
    expect((await page.locator('.count').textContent()).includes('全 1 件'), 'the filtered count');

    // A bookmarked list opens with its filters.
    await page.goto(`${base}/?depot=north&status=new`);
    await page.waitForFunction(() => document.querySelectorAll('table.events tbody tr').length === 2);
    equal(await page.getByLabel('営業所').inputValue(), 'north', 'the depot field of a bookmarked list');
    equal(await page.getByLabel('状態').inputValue(), 'new', 'the status field of a bookmarked list');
    await page.goto(`${base}/?depot=north&status=coached`);
    await page.waitForSelector('text=条件に合うイベントはありません。');
    // The date range through its fields: the capture day is in it, the day after is not.
    await page.goto(`${base}/?depot=south`);
    await page.getByLabel('終了日').fill('2026-11-28');
    await page.getByRole('button', { name: '絞り込む' }).click();
    await page.waitForURL(/\?to=2026-11-28&depot=south$/);
    await page.waitForFunction(() => document.querySelectorAll('table.events tbody tr').length === 1);
    await page.getByLabel('開始日').fill('2026-11-29');
    await page.getByRole('button', { name: '絞り込む' }).click();
    await page.waitForURL(/\?from=2026-11-29&to=2026-11-28&depot=south$/);
    await page.waitForSelector('text=条件に合うイベントはありません。');
    await page.context().close();
  });

  await check('the player keeps the recorded pace and gaps at 1×, no frame skipped', async () => {
    const r = await recordingJson(gappedSha);
    const page = await signedIn('mara');
    await checkPace(page, r);
    await page.context().close();
  });

  if (inChromium) await check('over a 20 Mbit/s line the frames are fetched ahead and playback never waits', async () => {
    const r = await recordingJson(gappedSha);
    const page = await signedIn('mara');
    // Chromium's own throttling of the page's traffic: 20 Mbit/s down, 30 ms each way.
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions', {
      offline: false, latency: 30, downloadThroughput: (20e6 / 8), uploadThroughput: (5e6 / 8),
    });
    await checkPace(page, r);
    await page.context().close();
  });

  await check('the keys step the player and the canvas shows the frame the readout names', async () => {
    const r = await recordingJson(sampleSha);
    const page = await signedIn('vic');
    await page.goto(`${base}/recordings/${sampleSha}`);
    await page.waitForSelector('canvas.frame[data-index="0"]');
    // Compares the canvas with the frame the readout names, decoded apart; and with the next one,
    // which must differ, or the comparison would prove nothing.
    const onScreen = () => page.evaluate(async ({ sha, frames }) => {
      const canvas = document.querySelector('canvas.frame');
      const time = document.querySelector('.readout-time').textContent;
      const index = frames.findIndex((f) => f.time === time);
      const pixels = async (i) => {
        const bitmap = await createImageBitmap(await (await fetch(`/api/v1/recordings/${sha}/frames/${frames[i].index}`)).blob());
        const c = new OffscreenCanvas(bitmap.width, bitmap.height);
        c.getContext('2d').drawImage(bitmap, 0, 0);
        return c.getContext('2d').getImageData(0, 0, bitmap.width, bitmap.height).data;
      };
      const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      const difference = (a) => { let d = 0; for (let i = 0; i < a.length; i += 4) d += Math.abs(a[i] - shown[i]) + Math.abs(a[i + 1] - shown[i + 1]); return d / (a.length / 4); };
      const other = index + 1 < frames.length ? index + 1 : index - 1;
      return { time, index, same: difference(await pixels(index)), other: difference(await pixels(other)) };
    }, { sha: sampleSha, frames: r.frames });
    const press = async (key, time) => {
      await page.keyboard.press(key);
      await page.waitForFunction((t) => document.querySelector('.readout-time').textContent === t, time, { timeout: 5000 })
        .catch(async () => {
          const state = await page.evaluate(() => [document.querySelector('.readout-time').textContent, document.querySelector('.player-message').textContent]);
          throw new Error(`after ${key} the readout is not ${time}: ${JSON.stringify(state)}`);
        });
      const seen = await onScreen();
      expect(seen.same < 0.5 && seen.other > 0.5, `after ${key} the canvas is not frame ${seen.index} (${time}): ${JSON.stringify(seen)}`);
    };
    await page.locator('.stage').focus();
    await press('End', '5.000');
    await press('Home', '-15.000');
    await press('ArrowRight', '-14.900');
    await press('ArrowRight', '-14.800');
    await press('e', '0.000');
    await press('ArrowLeft', '-0.100');
    expect((await page.locator('.readout-clock').textContent()) === '2026/11/28 14:35:21', 'the time of day at -0.100');
    await press('ArrowRight', '0.000');
    await page.keyboard.press(']');
    equal(await page.locator('.readout-speed').textContent(), '×2', 'the speed after ]');
    await page.keyboard.press('[');
    await page.keyboard.press('[');
    equal(await page.locator('.readout-speed').textContent(), '×1/2', 'the speed after [ [');
    await page.locator('.stage').hover();
    await page.mouse.wheel(0, -400);
    expect(await page.evaluate(() => document.querySelector('canvas.frame').style.transform.includes('scale')), 'zoomed by the wheel');
    await page.keyboard.press('0');
    equal(await page.evaluate(() => document.querySelector('canvas.frame').style.transform), '', 'fitted by 0');
    mkdirSync(shots, { recursive: true });
    await shot(page, 'player-event.png');
    // Play at the last frame starts again from the first.
    await press('End', '5.000');
    await page.keyboard.press('Space');
    await page.waitForFunction(() => Number(document.querySelector('.readout-time').textContent) < -14);
    await page.keyboard.press('Space');
    await page.context().close();
  });

  await check('a status, a tag and a comment go into 処理の記録, and come back as text', async () => {
    const page = await signedIn('mara');
    await page.goto(`${base}/recordings/${sampleSha}`);
    await page.waitForSelector('table.custody');
    const custodyRows = () => page.locator('table.custody tbody tr').count();
    const before = await custodyRows();
    await page.getByRole('button', { name: '状態を「対象外」にする' }).click();
    await page.waitForSelector('text=対象外にするには理由を入力してください。');
    await page.getByRole('button', { name: '状態を「指導が必要」にする' }).click();
    await page.waitForSelector('.status-now .status-needs_coaching');
    await page.getByLabel('新しいタグ').fill('急ブレーキ');
    await page.getByRole('button', { name: 'タグを追加' }).click();
    await page.waitForSelector('ul.tags li:has-text("急ブレーキ")');
    await page.getByRole('textbox', { name: '運転者' }).fill('佐藤');
    await page.getByRole('button', { name: '保存' }).click();
    const comment = '<img src=x onerror=alert(1)> 運転者と確認しました';
    await page.getByRole('textbox', { name: 'コメント' }).fill(comment);
    await page.getByRole('button', { name: 'コメントを追加' }).click();
    await page.waitForFunction((n) => document.querySelectorAll('table.custody tbody tr').length >= n + 4, before);
    const custody = await page.locator('table.custody').textContent();
    for (const word of ['needs_coaching', '急ブレーキ', '佐藤', 'コメント']) expect(custody.includes(word), `処理の記録 lacks ${word}`);
    equal(await page.locator('.comments .text').last().textContent(), comment, 'the comment as written');
    equal(await page.locator('.comments img').count(), 0, 'elements made from a comment');
    await page.locator('.stage').focus();
    await page.keyboard.press('e');
    await page.waitForFunction(() => document.querySelector('.readout-time').textContent === '0.000');
    // The recorder's clock corrected by +65.5 s: the time of day follows, marked 補正, and
    // the correction is in 処理の記録; back to none, the mark goes.
    const clockText = () => page.locator('.readout-clock').textContent();
    const recorded = await clockText();
    const offset = page.getByRole('textbox', { name: '時計の補正（秒）' });
    await offset.fill('65.5');
    await page.getByRole('button', { name: '保存' }).click();
    await page.waitForFunction(() => document.querySelector('.readout-clock').textContent.endsWith(' 補正'));
    const corrected = new Date(`${(await clockText()).slice(0, 19).replace(/\//g, '-').replace(' ', 'T')}Z`);
    const plain = new Date(`${recorded.replace(/\//g, '-').replace(' ', 'T')}Z`);
    const late = (corrected - plain) / 1000;
    expect(late === 65 || late === 66, `the corrected time is ${late} s after the recorded one`);
    await page.waitForFunction(() => document.querySelector('table.custody').textContent.includes('65.5'));
    await shot(page, 'player-event-manager.png');
    await offset.fill('0');
    await page.getByRole('button', { name: '保存' }).click();
    await page.waitForFunction((t) => document.querySelector('.readout-clock').textContent === t, recorded);

    await page.goto(`${base}/?tag=${encodeURIComponent('急ブレーキ')}`);
    await page.waitForFunction(() => document.querySelectorAll('table.events tbody tr').length === 1);
    const row = await page.locator('table.events tbody tr').textContent();
    expect(row.includes('指導が必要') && row.includes('佐藤'), `the list row: ${row}`);
    await shot(page, 'list-filtered.png');
    await page.goto(`${base}/stats?by=driver`);
    await page.waitForSelector('.chart svg rect');
    expect((await page.locator('main table').textContent()).includes('佐藤'), 'the driver in the statistics');
    await shot(page, 'stats.png');
    await page.context().close();
  });

  await check('uploads from the page are imported, found present, or refused', async () => {
    const page = await signedIn('mara');
    await page.goto(`${base}/upload`);
    const fresh = Buffer.concat(sampleRecords.slice(0, 70));
    let sent = 0;
    const send = async (name, buffer, wanted) => {
      await page.locator('#upload-files').setInputFiles({ name, mimeType: 'application/octet-stream', buffer });
      sent++;
      await page.waitForFunction((n) => document.querySelectorAll('td[data-status]').length === n, sent);
      equal(await page.locator('td[data-status] strong').last().textContent(), wanted, `the result of ${name}`);
    };
    await send('halcjpeg.dat', fresh, '取り込み済み');
    await send('halcjpeg.dat', fresh, '登録済み');
    await send('notes.txt', Buffer.from('not a recording\n'), '対象外');
    // A card's folder: the recording is found by its content among the other files.
    const card = join(work, 'card');
    mkdirSync(join(card, 'DCIM', 'EVENT'), { recursive: true });
    writeFileSync(join(card, 'DCIM', 'EVENT', 'halcjpeg.dat'), Buffer.concat(sampleRecords.slice(0, 80)));
    writeFileSync(join(card, 'DCIM', 'halcjpeg.dat.txt'), 'a note beside it\n');
    writeFileSync(join(card, 'SETTING.BIN'), Buffer.alloc(64, 7));
    if (!inChromium) {
      // Playwright cannot hand Firefox a folder over WebDriver BiDi.
      console.log('     a card folder: not sent in this browser');
      await page.context().close();
      return;
    }
    await page.locator('#upload-folder').setInputFiles(card);
    sent++;
    await page.waitForFunction((n) => document.querySelectorAll('td[data-status]').length === n, sent);
    equal(await page.locator('.dropzone [role=status]').textContent(), 'フォルダーの 3 個のファイルから記録を 1 個見つけました。', 'what the folder held');
    equal(await page.locator('td[data-status] strong').last().textContent(), '取り込み済み', 'the recording of the folder');
    await page.context().close();
  });

  await check('every control of every page has a name, its text AA contrast, and an admin adds a user', async () => {
    const page = await signedIn('root');
    await shot(page, 'list.png', false);
    const unnamed = {};
    for (const path of ['/', `/recordings/${sampleSha}`, '/stats?by=depot', '/upload', '/admin']) {
      await page.goto(`${base}${path}`);
      await page.waitForLoadState('networkidle');
      const found = [...await unnamedControls(page), ...await lowContrast(page), ...await axeFindings(page)];
      if (found.length) unnamed[path] = found;
    }
    const signedOut = await signedIn(null);
    await signedOut.goto(`${base}/login`);
    await signedOut.waitForSelector('form');
    const atLogin = await axeFindings(signedOut);
    if (atLogin.length) unnamed['/login'] = atLogin;
    await signedOut.context().close();
    equal(unnamed, {}, 'controls without a name, text under AA contrast, serious findings of axe');
    await page.goto(`${base}/admin`);
    await page.getByRole('textbox', { name: 'ユーザー名' }).fill('nina');
    await page.getByLabel('パスワード', { exact: true }).fill('nina-password');
    await page.getByLabel('営業所（空白区切り、空欄ですべて）').fill('south');
    await page.getByRole('button', { name: '追加' }).first().click();
    await page.waitForSelector('td:text-is("nina")');
    await page.context().close();
    const nina = await signedIn('nina');
    equal(await rowCount(nina), 1, 'rows the new viewer of south sees');
    await nina.context().close();
  });

  await check('a share link opens that one recording only, asks its password, says when it is gone', async () => {
    // Links made by a manager through the API, opened in a browser that has no session.
    const signIn = await fetch(`${base}/api/v1/session`, { method: 'POST', body: JSON.stringify({ user: 'mara', password: 'mara-password' }) });
    const cookie = signIn.headers.get('set-cookie').split(';')[0];
    const { csrf } = await signIn.json();
    const makeLink = async (body) => {
      const res = await fetch(`${base}/api/v1/recordings/${sampleSha}/shares`, {
        method: 'POST', headers: { cookie, 'x-csrf-token': csrf, 'content-type': 'application/json' }, body: JSON.stringify(body) });
      equal(res.status, 201, 'a share link made');
      const made = await res.json();
      return { id: made.id, path: `/s/${made.url.split('/s/')[1]}` };
    };
    const open = await makeLink({ expires: 7, download: true });
    const view = await makeLink({ expires: 7, download: false });
    const locked = await makeLink({ expires: 7, password: 'pw', download: false });

    const context = await browser.newContext({ viewport: { width: 1400, height: 1000 } });
    const asked = [];
    context.on('request', (req) => asked.push(new URL(req.url()).pathname));
    const page = await context.newPage();
    page.on('pageerror', (e) => pageFault('share', e.message));
    await page.goto(`${base}${open.path}`);
    await page.waitForSelector('canvas.frame[data-index="0"]');
    const links = await page.locator('a[href]').evaluateAll((as) => as.map((a) => a.getAttribute('href')));
    equal(links.filter((href) => !href.startsWith(`${open.path}/`) && href !== '#main'), [], 'links leading out of the share');
    equal(await page.locator('.downloads a').allTextContents(), ['共有用 MP4', '証拠一式 ZIP'], 'downloads of a share that allows them');
    equal(await page.locator('#top').textContent(), '', 'the header of a share page');
    await page.keyboard.press('e');
    await page.waitForFunction(() => document.querySelector('.readout-time').textContent === '0.000');
    await shot(page, 'share.png');
    // The link reaches its recording's frames and nothing of the fleet's.
    const viaLink = await page.evaluate(async (path) => (await fetch(`${path}/frames/0`)).status, open.path);
    equal(viaLink, 200, 'a frame through the link');
    const fleet = await page.evaluate(async (sha) => (await fetch(`/api/v1/recordings/${sha}`)).status, sampleSha);
    equal(fleet, 401, 'the recording through the API from the share page');

    await page.goto(`${base}${view.path}`);
    await page.waitForSelector('canvas.frame[data-index="0"]');
    equal(await page.locator('.downloads a').allTextContents(), ['共有用 MP4'], 'downloads of a share that does not allow the package');

    await page.goto(`${base}${locked.path}`);
    await page.getByLabel('パスワード').fill('nope');
    await page.getByRole('button', { name: '表示する' }).click();
    await page.waitForSelector('text=パスワードが違います。');
    await page.getByLabel('パスワード').fill('pw');
    await page.getByRole('button', { name: '表示する' }).click();
    await page.waitForSelector('canvas.frame[data-index="0"]');

    // Revoked by the manager: the page that was open says so when opened again.
    const revoked = await fetch(`${base}/api/v1/shares/${open.id}`, { method: 'DELETE', headers: { cookie, 'x-csrf-token': csrf } });
    equal(revoked.status, 200, 'the link revoked');
    await page.goto(`${base}${open.path}`);
    await page.waitForSelector('text=このリンクは有効期限が切れているか、取り消されています。');
    equal(asked.filter((path) => path.startsWith('/api/') && !path.startsWith(`/api/v1/recordings/${sampleSha}`)), [],
      'API paths a share page asked for');
    await context.close();
  });

  await check('no page fault and nothing refused by the Content-Security-Policy', async () => {
    equal(pageFaults, [], 'faults');
  });
} finally {
  await browser.close();
  server.kill('SIGTERM');
  rmSync(work, { recursive: true, force: true });
}

console.log(`screenshots in ${shots}`);
closed = true;
console.log(`${passed} passed, ${failed} failed (${browserName})`);
process.exit(failed === 0 ? 0 : 1);
