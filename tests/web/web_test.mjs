// The web build in Debian's Chromium: the exact-clock mode's frame hashes against the capture tool's,
// real-time stretches with sound, the start and end cards, and the page's failures. With --bench it
// prints the benchmark mode's per-entry means instead; with --watch MS the real-time frame intervals.
// Usage: node web_test.mjs SITE_URL HASH_LIST [--reduced HASH_LIST] [--bench fast|plain] [--watch MS]
//        [--shots DIR]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [base, hashList] = process.argv.slice(2);
const option = (name) => { const i = process.argv.indexOf(name); return i < 0 ? null : process.argv[i + 1] ?? ''; };
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvelle-chromium-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/lib/chromium/chromium', userDataDir: profile, headless: true, protocolTimeout: 0,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-sync',
    '--disable-component-update', '--autoplay-policy=no-user-gesture-required', '--window-size=1100,900'],
});

// A page at `query`, with the files named in `answers` answered so ({ status, body }) and the media
// features `media` emulated; its console errors are collected.
async function open(query, answers = {}, media = []) {
  const page = await browser.newPage();
  await page.emulateMediaFeatures(media);
  page.consoleErrors = [];
  page.on('console', (m) => { if (m.type() === 'error') page.consoleErrors.push(m.text()); });
  page.on('pageerror', (e) => page.consoleErrors.push(String(e)));
  await page.setRequestInterception(true);
  page.on('request', (r) => {
    const file = Object.keys(answers).find((f) => r.url().endsWith(f));
    return file ? r.respond(answers[file]) : r.continue();
  });
  await page.goto(base + query);
  return page;
}
const phase = (page, wanted, timeout) =>
  page.waitForFunction((w) => w.includes(window.quorvelle.phase), { timeout, polling: 200 }, wanted);
const shown = (page, id) => page.$eval(`#${id}`, (e) => !e.hidden && e.getBoundingClientRect().height > 0);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The share of the canvas's shown pixels (a screenshot, decoded by the page) that are not black.
async function litShare(page, file) {
  const png = await (await page.$('#screen')).screenshot({ encoding: 'base64' });
  if (file) fs.writeFileSync(file, Buffer.from(png, 'base64'));
  return page.evaluate(async (b64) => {
    const image = new Image();
    image.src = `data:image/png;base64,${b64}`;
    await image.decode();
    const c = new OffscreenCanvas(image.width, image.height).getContext('2d');
    c.drawImage(image, 0, 0);
    const d = c.getImageData(0, 0, image.width, image.height).data;
    let lit = 0;
    for (let i = 0; i < d.length; i += 4) lit += d[i] + d[i + 1] + d[i + 2] > 24 ? 1 : 0;
    return lit / (d.length / 4);
  }, png);
}

// Plays `seconds` of real time from the page's start and checks the frames it showed.
async function realTime(page, seconds, shot) {
  await page.waitForFunction(() => window.quorvelle.frames.length > 0, { timeout: 20000 });
  await sleep(seconds * 1000);
  const frames = await page.evaluate(() => window.quorvelle.frames);
  const problems = [];
  const clocks = frames.map((f) => f[1]);
  if (frames.length < seconds * 30) problems.push(`only ${frames.length} frames in ${seconds} s`);
  if (clocks.some((t, i) => i > 0 && t < clocks[i - 1])) problems.push('the clock went back');
  if (clocks[clocks.length - 1] - clocks[0] < (seconds - 1) * 1000) problems.push(`the clock moved ${clocks[clocks.length - 1] - clocks[0]} ms`);
  // The clock each pass read against the audio output's position just before the pass (the clock
  // stays at 0 until the music's start reaches the output).
  const strays = frames.map(([, t, , output]) => Math.abs(Math.max(0, output) - t));
  const worst = strays.indexOf(Math.max(...strays));
  if (!(strays[worst] <= 20)) problems.push(`the clock strayed ${strays[worst].toFixed(1)} ms from the audio output at frame ${worst}: ${frames[worst]}, before ${frames[worst - 1]}`);
  const lit = await litShare(page, shot);
  if (lit < 0.001) problems.push(`the canvas is black (${(lit * 100).toFixed(1)}% lit)`);
  if (page.consoleErrors.length) problems.push(`console errors: ${page.consoleErrors.join(' | ')}`);
  return problems;
}

const checks = {
  async 'exact clock: every frame at 10 fps equals the capture tool\'s, then the end card'() {
    const page = await open('?mode=exact&fps=10');
    await phase(page, ['ended', 'failed'], 15 * 60 * 1000);
    const got = await page.evaluate(() => window.quorvelle.hashes);
    const want = fs.readFileSync(hashList, 'utf8').trim().split('\n');
    const bad = want.findIndex((line, i) => got[i] !== line);
    const problems = [];
    if (got.length !== want.length || bad >= 0)
      problems.push(`${got.length} frames for ${want.length}; first difference at frame ${bad}: ${got[bad]} for ${want[bad]}`);
    if (!(await shown(page, 'end-card'))) problems.push('no end card');
    // A replay is a fresh run: its frames are the first run's again.
    await page.click('#replay-button');
    await page.waitForFunction(() => window.quorvelle.hashes.length >= 50, { timeout: 60000 });
    const again = await page.evaluate(() => window.quorvelle.hashes.slice(0, 50));
    if (again.some((line, i) => line !== want[i])) problems.push('the replay draws other frames');
    return problems;
  },
  async 'real time from the start: the start card first, no sound before the gesture, then the music\'s clock'() {
    const page = await open('');
    await phase(page, ['ready'], 60000);
    const problems = [];
    await sleep(500);
    if (!(await shown(page, 'start-card'))) problems.push('no start card');
    if (await page.evaluate(() => window.quorvelle.soundStarted || window.quorvelle.frames.length > 0)) problems.push('started before the gesture');
    await page.keyboard.press('Enter');
    await phase(page, ['running'], 30000);
    if (!(await page.evaluate(() => window.quorvelle.soundStarted))) problems.push('no sound after the gesture');
    return problems.concat(await realTime(page, 8, option('--shots') && path.join(option('--shots'), 'start.png')));
  },
  async 'real time in the mesh scene'() {
    const page = await open('?autostart=1&at=150000');
    await phase(page, ['running'], 60000);
    return realTime(page, 6, option('--shots') && path.join(option('--shots'), 'mesh.png'));
  },
  async 'music that cannot be loaded or decoded: silent on the page clock, one notice'() {
    const problems = [];
    for (const answer of [{ status: 404, body: '' }, { status: 200, body: 'not a sound file'.repeat(100) }]) {
      const page = await open('?autostart=1', { 'music.mp3': answer });
      await phase(page, ['running'], 60000);
      await sleep(6000);
      const s = await page.evaluate(() => ({ ...window.quorvelle, frames: window.quorvelle.frames.slice(-1) }));
      if (s.soundStarted || s.notices.length !== 1 || !/music/.test(s.notices[0])) problems.push(`notices: ${s.notices}`);
      if (!(s.frames[0]?.[1] > 1000)) problems.push(`the clock stands at ${s.frames[0]?.[1]}`);
      if (!(await shown(page, 'notice'))) problems.push('the notice is not shown');
    }
    return problems;
  },
  async 'a data file that cannot be loaded: the page names it and does not start'() {
    const page = await open('?autostart=1', { 'data/octopus.ase': { status: 404, body: '' } });
    await phase(page, ['failed'], 60000);
    const text = await page.$eval('#failure-text', (e) => e.textContent);
    await sleep(1000);
    const frames = await page.evaluate(() => window.quorvelle.frames.length);
    return /data\/octopus\.ase/.test(text) && frames === 0 ? [] : [`failure text "${text}", ${frames} frames`];
  },
  async 'reduce flashing: on under reduced motion, remembered, its exact frames the capture tool\'s'() {
    const problems = [];
    const reduced = [{ name: 'prefers-reduced-motion', value: 'reduce' }];
    const checked = async (media) => {
      const page = await open('', {}, media);
      await phase(page, ['ready'], 60000);
      return [page, await page.$eval('#reduce-flashing', (e) => e.checked)];
    };
    let [page, on] = await checked(reduced);
    if (!on) problems.push('off under prefers-reduced-motion');
    [page, on] = await checked([]);
    if (on) problems.push('on without reduced motion');
    await page.click('#reduce-flashing');
    [page, on] = await checked([]);
    if (!on) problems.push('not remembered');
    if (option('--reduced')) {
      const exact = await open('?mode=exact&fps=10');
      const want = fs.readFileSync(option('--reduced'), 'utf8').trim().split('\n');
      await exact.waitForFunction((n) => window.quorvelle.hashes.length >= n, { timeout: 5 * 60 * 1000 }, want.length);
      const got = await exact.evaluate((n) => window.quorvelle.hashes.slice(0, n), want.length);
      const bad = want.findIndex((line, i) => got[i] !== line);
      if (bad >= 0) problems.push(`reduced frame ${bad}: ${got[bad]} for ${want[bad]}`);
      await exact.close();
    }
    await page.click('#reduce-flashing');   // off again, for the next run
    return problems;
  },
};

let passed = 0;
let failed = 0;
if (option('--bench') !== null) {
  // Mean ms per frame of each Timeline entry, one line per entry: "E FRAMES MEAN".
  const page = await open(`?mode=bench${option('--bench') === 'plain' ? '&plain=1' : ''}`);
  await phase(page, ['ended', 'failed'], 30 * 60 * 1000);
  const frames = await page.evaluate(() => window.quorvelle.frames);
  const sums = new Map();
  for (const [e, ms] of frames) sums.set(e, [(sums.get(e)?.[0] ?? 0) + 1, (sums.get(e)?.[1] ?? 0) + ms]);
  for (const [e, [n, ms]] of sums) console.log(`${e} ${n} ${(ms / n).toFixed(3)}`);
} else if (option('--watch') !== null) {
  // The whole script (or MS ms of it) in real time: "ENTRY CLOCK_MS INTERVAL_MS" per frame.
  const page = await open('?autostart=1');
  await phase(page, ['running'], 60000);
  await page.waitForFunction((ms) => window.quorvelle.phase === 'ended' || window.quorvelle.frames.at(-1)?.[1] > ms,
    { timeout: 0, polling: 1000 }, Number(option('--watch')) || 1e9);
  const frames = await page.evaluate(() => window.quorvelle.frames);
  frames.forEach((f, i) => i > 0 && console.log(`${f[0]} ${f[1]} ${(f[2] - frames[i - 1][2]).toFixed(2)}`));
} else {
  for (const [name, check] of Object.entries(checks)) {
    let problems;
    try { problems = await check(); } catch (e) { problems = [String(e)]; }
    console.log(`${problems.length ? 'FAIL' : 'ok  '} ${name}${problems.length ? `: ${problems.join('; ')}` : ''}`);
    problems.length ? ++failed : ++passed;
  }
  console.log(`web: ${passed} passed, ${failed} failed`);
}
await browser.close();
fs.rmSync(profile, { recursive: true, force: true });
process.exit(failed ? 1 : 0);
