// The web build in Debian's Chromium (and Firefox ESR): the exact-clock mode's frame hashes against the capture tool's,
// real-time stretches with sound, the start and end cards, and the page's failures. With --bench it
// prints the benchmark mode's per-entry means instead; with --watch MS the real-time frame intervals.
// Usage: node web_test.mjs SITE_URL HASH_LIST [SITE_DIR] [--reduced HASH_LIST] [--bench fast|plain] [--watch MS]
//        [--shots DIR] [--only TEXT]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import puppeteer from 'puppeteer-core';

const [base, hashList, site] = process.argv.slice(2, 5).filter((a) => !a.startsWith('--'));
const option = (name) => { const i = process.argv.indexOf(name); return i < 0 ? null : process.argv[i + 1] ?? ''; };
const shot = (name) => option('--shots') && path.join(option('--shots'), name);
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvelle-chromium-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/lib/chromium/chromium', userDataDir: profile, headless: true, protocolTimeout: 0,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-sync',
    '--disable-component-update', '--autoplay-policy=no-user-gesture-required', '--window-size=1100,900'],
});
const firefox = fs.existsSync('/usr/bin/firefox-esr') && site ? await puppeteer.launch({
  browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true, protocolTimeout: 0,
  extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.autoplay.blocking_policy': 0 },
}) : null;
const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// A page at `query` (on `url`), at `viewport`, with the files named in `answers` answered so
// ({ status, body }, or { delay } ms late) and the media features `media` emulated; its console
// errors are collected.
async function open(query, answers = {}, viewport = null, url = base, from = browser, media = []) {
  const page = await from.newPage();
  if (viewport) await page.setViewport(viewport);
  if (media.length) await page.emulateMediaFeatures(media);
  page.consoleErrors = [];
  page.on('console', (m) => { if (m.type() === 'error') page.consoleErrors.push(m.text()); });
  page.on('pageerror', (e) => page.consoleErrors.push(String(e)));
  if (Object.keys(answers).length) {
    await page.setRequestInterception(true);
    page.on('request', (r) => {
      const a = answers[Object.keys(answers).find((f) => r.url().endsWith(f))];
      return !a ? r.continue() : a.delay ? setTimeout(() => r.continue(), a.delay) : r.respond(a);
    });
  }
  await page.goto(url + query);
  return page;
}
const phase = (page, wanted, timeout) =>
  page.waitForFunction((w) => w.includes(window.quorvelle.phase), { timeout, polling: 200 }, wanted);
const shown = (page, id) => page.$eval(`#${id}`, (e) => !e.hidden && e.getBoundingClientRect().height > 0);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The share of the canvas's shown pixels (a screenshot, decoded by the page) that are not black.
async function litShare(page, file) {
  const png = await (await page.$('#stage canvas:not([hidden])')).screenshot({ encoding: 'base64' });
  if (file) fs.writeFileSync(file, Buffer.from(png, 'base64'));
  page.lastShot = png;
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

// axe-core's violations of WCAG 2.x levels A and AA (the page's own `module` hidden from it).
const axe = async (page, where) => (await page.evaluate(`(function (module) {${axeSource}\n})();
  axe.run(document, { runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'] })`)).violations
  .map((v) => `accessibility, ${where}: ${v.id} (${v.nodes.map((n) => n.target).join(', ')})`);

// The picture's limiting side against the viewport's, and what of each card lies outside the
// viewport, needs scrolling or covers its button.
const measure = (page) => page.evaluate(() => {
  const { width, height, kind } = window.quorvelle.picture;
  const cards = [...document.querySelectorAll('.card')];
  const was = cards.map((c) => c.hidden);
  const outside = cards.flatMap((card) => {
    cards.forEach((c) => { c.hidden = c !== card; });
    const out = [...card.querySelectorAll('h1, p, button, .loading-row')].map((e) => [e, e.getBoundingClientRect()])
      .filter(([, r]) => r.height > 0 && (r.top < 0 || r.left < 0 || r.bottom > innerHeight || r.right > innerWidth))
      .map(([e]) => `${card.id} ${e.tagName}.${e.className}`);
    const r = card.querySelector('button')?.getBoundingClientRect();
    if (r && document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) !== card.querySelector('button')) out.push(`${card.id} button covered`);
    return card.scrollHeight > card.clientHeight + 1 ? [...out, `${card.id} scrolls`] : out;
  });
  cards.forEach((c, i) => { c.hidden = was[i]; });
  const cover = Math.max(width / (innerWidth * devicePixelRatio), height / (innerHeight * devicePixelRatio));
  return { kind, width, height, cover, outside, touchHint: getComputedStyle(document.querySelector('.hint-touch')).display !== 'none' };
});

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
    problems.push(...await axe(page, 'the end card'));
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
    problems.push(...await axe(page, 'the start card'));
    if (await page.evaluate(() => window.quorvelle.soundStarted || window.quorvelle.frames.length > 0)) problems.push('started before the gesture');
    await page.keyboard.press('Enter');
    await phase(page, ['running'], 30000);
    if (!(await page.evaluate(() => window.quorvelle.soundStarted))) problems.push('no sound after the gesture');
    return problems.concat(await realTime(page, 8, shot('start.png')));
  },
  async 'real time in the mesh scene'() {
    const page = await open('?autostart=1&at=150000');
    await phase(page, ['running'], 60000);
    return realTime(page, 6, shot('mesh.png'));
  },
  async 'music that cannot be loaded or decoded: silent on the page clock, one notice'() {
    const problems = [];
    for (const body of ['', 'not a sound file'.repeat(100), fs.readFileSync(`${site}/music.mp3`).subarray(0, 100000)]) {
      const page = await open('?autostart=1', { 'music.mp3': { status: body ? 200 : 404, body } });
      await phase(page, ['running'], 60000);
      await sleep(6000);
      const s = await page.evaluate(() => ({ ...window.quorvelle, frames: window.quorvelle.frames.slice(-1) }));
      if (s.soundStarted || s.notices.length !== 1 || !/music/.test(s.notices[0])) problems.push(`notices: ${s.notices}`);
      if (!(s.frames[0]?.[1] > 1000)) problems.push(`the clock stands at ${s.frames[0]?.[1]}`);
      if (!(await shown(page, 'notice'))) problems.push('the notice is not shown');
    }
    return problems;
  },
  async 'files missing, damaged, short or slow: one sentence naming the file and what to do, no start'() {
    const problems = [];
    const bytes = (name, n, fill) => ({ status: 200, body: fill ? Buffer.alloc(fs.statSync(`${site}/${name}`).size, 33) : fs.readFileSync(`${site}/${name}`).subarray(0, n) });
    for (const [name, answer] of [['data/octopus.ase', { status: 404 }], ['data/octopus.ase', bytes('data/octopus.ase', 5000)], ['data/octopus.ase', bytes('data/octopus.ase', 0, 1)],
      ['quorvelle-web.wasm', { status: 404 }], ['quorvelle-web.wasm', bytes('quorvelle-web.wasm', 0, 1)], ['quorvelle-web.wasm', bytes('quorvelle-web.wasm', 5000)],
      ['quorvelle-web.js', { status: 404 }], ['quorvelle-web.js', bytes('quorvelle-web.js', 0, 1)], ['files.json', { status: 404 }],
      ['files.json', { status: 200, body: '{}' }], ['files.json', { status: 200, body: '[{"name"' }]]) {
      const page = await open('?autostart=1', { [name]: { body: '', ...answer } });
      await phase(page, ['failed', 'running'], 60000);
      const text = await page.$eval('#failure-text', (e) => e.textContent);
      if (!text.includes(name) || !/reload/.test(text) || /Aborted|Error|ASSERTIONS|function|undefined/.test(text)) problems.push(`${name} ${answer.status}: "${text}"`);
      if (answer.status === 404 && name === 'files.json') problems.push(...await axe(page, 'the failure card'));
      await page.close();
    }
    const page = await open('', { 'quorvelle-web.wasm': { delay: 8000 } });   // slow code: not ready before it is in
    await sleep(6000);
    const early = await page.evaluate(() => [window.quorvelle.phase, document.getElementById('loading-text').textContent]);
    if (early[0] !== 'loading' || !/waiting for quorvelle-web.wasm/.test(early[1])) problems.push(`a slow module: ${early}`);
    return problems;
  },
  async 'bad query strings: fps held to 1 to 1000, a notice for each mistake'() {
    const problems = [];
    for (const [query, notice, ms] of [['?mode=exact&fps=100000', /fps=100000 is outside 1 to 1000/, '1'],
      ['?mode=exact&fps=abc', /fps=abc is not a whole number/, '100'], ['?mode=nonsense', /mode=nonsense is not a mode/]]) {
      const page = await open(query);
      await page.waitForFunction((ms) => ms ? window.quorvelle.hashes.length > 1 : window.quorvelle.phase === 'ready', {}, ms);
      const s = await page.evaluate(() => window.quorvelle);
      if (!notice.test(s.notices) || (ms && s.hashes[1].split(' ')[3] !== ms)) problems.push(`${query}: ${s.notices}, ${s.hashes[1]}`);
      await page.close();
    }
    return problems;
  },
  async 'sound the browser held back: the button says so, and a press starts it in step'() {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(() => { window.AudioContext = class extends AudioContext {
      constructor() { super(); this.suspend(); } resume() { return window.letSound ? super.resume() : this.suspend(); } }; });
    await page.goto(`${base}?autostart=1`);
    await phase(page, ['running'], 60000);
    const button = () => page.$eval('#mute-button', (e) => `${e.textContent},${e.getAttribute('aria-pressed')}`);
    const seen = [await button()];
    await page.evaluate(() => { window.letSound = true; });
    await page.click('#mute-button');
    await page.waitForFunction(() => window.quorvelle.soundStarted, { timeout: 5000 }).catch(() => {});
    seen.push(await button());
    await page.keyboard.press('m');
    seen.push(await button());
    await page.waitForFunction(() => window.quorvelle.frames.at(-1)?.[1] > 6000, { timeout: 20000 });
    const last = await page.evaluate(() => window.quorvelle.frames.at(-1));
    return seen.join() === 'Start sound,null,Mute,false,Mute,true' && Math.abs(Math.max(0, last[3]) - last[1]) <= 40 ? [] : [`${seen}; ${last}`];
  },
  async 'layout: the picture covers the viewport (in full screen too), the cards fit, touch hints; preview tags'() {
    const problems = [];
    for (const [width, height, deviceScaleFactor, least, full, from] of [[1366, 657, 1, 0.85], [1280, 689, 1, 0.85], [1920, 969, 1, 0.85],
      [390, 844, 3, 0.85], [844, 390, 3, 0.85], [360, 640, 2, 0.85], [844, 300, 3, 0.7], [1366, 768, 1, 0.95, true]]
      .flatMap(([w, h, r, least, full = false]) => [browser, ...(firefox && !full ? [firefox] : [])].map((from) => [w, h, r, least, full, from]))) {   // Firefox: no touch, no full screen
      const [touch, who] = [deviceScaleFactor > 1 && from === browser, from === browser ? 'chromium' : 'firefox'];
      const page = await open(full ? '?autostart=1&at=94000' : '', {}, { width, height, deviceScaleFactor, hasTouch: touch, isMobile: touch }, base, from);
      await phase(page, [full ? 'running' : 'ready'], 60000);
      // Full screen by the F key: the controls lie over the picture, go at rest and come back with the pointer.
      const controls = () => page.$eval('#controls', (e) => `${!!document.fullscreenElement}${getComputedStyle(e).opacity}`);
      const rest = full ? [await page.keyboard.press('f'), await sleep(1000), await controls(), await sleep(2500), await controls(),
        await page.mouse.move(300, 300), await sleep(500), await controls()].filter(Boolean).join() : 'true1,true0,true1';
      const m = await measure(page);
      console.log(`     ${who} ${width}x${height} at ${deviceScaleFactor}${full ? ', full screen' : ''}: ${m.kind} ${m.width}x${m.height}, ${(m.cover * 100).toFixed(1)}%`);
      if (m.cover < least || m.outside.length || m.touchHint !== touch || rest !== 'true1,true0,true1') problems.push(`${who} ${width}x${height}: ${JSON.stringify(m)} ${rest}`);
      if (option('--shots')) await page.screenshot({ path: shot(`${full ? 'fullscreen' : 'start'}-${width}x${height}-${who}.png`) });
      await page.close();
    }
    // The preview tags and their picture, also the start card's backdrop.
    const page = await open('');
    const tags = await page.evaluate(() => Object.fromEntries([...document.querySelectorAll('meta')].map((m) => [m.getAttribute('property') || m.name, m.content])));
    const png = fs.readFileSync(`${site}/${tags['og:image']}`);
    const backdrop = await page.$eval('#start-card', (e) => getComputedStyle(e).backgroundImage);
    if (!tags['og:title'] || !tags['og:description'] || png.readUInt32BE(16) !== 1200 || png.readUInt32BE(20) !== 630
      || tags['twitter:card'] !== 'summary_large_image' || !backdrop.includes(tags['og:image'])) problems.push(`tags ${JSON.stringify(tags)}, ${backdrop}`);
    return problems;
  },
  async 'from file://: the site says how to serve it; the self-contained page plays, hash for hash'() {
    const page = await open('', {}, null, `file://${site}/index.html`);
    await phase(page, ['failed'], 30000);
    const problems = /serve_web\.sh.*http\.server.*self-contained/.test(await page.$eval('#failure-text', (e) => e.textContent)) ? [] : ['no hint to serve'];
    const want = fs.readFileSync(hashList, 'utf8').split('\n').slice(0, 200);
    for (const [name, from] of [['chromium', browser], ['firefox', firefox]].filter(([, from]) => from)) {
      const single = `file://${site}/../quorvelle.html`;
      const exact = await open('?mode=exact&fps=10', {}, null, single, from);
      await exact.waitForFunction(() => window.quorvelle.hashes.length >= 200, { timeout: 300000, polling: 500 });
      if ((await exact.evaluate(() => window.quorvelle.hashes.slice(0, 200))).some((line, i) => line !== want[i])) problems.push(`${name}: other frames`);
      const live = await open('?autostart=1&at=42000', {}, null, single, from);
      await live.waitForFunction(() => window.quorvelle.frames.at(-1)?.[1] > 43000, { timeout: 60000 });
      const lit = [await litShare(live, shot(`single-${name}.png`)), live.lastShot, await sleep(500), await litShare(live), live.lastShot];
      if (lit[0] < 0.01 || lit[1] === lit[4]) problems.push(`${name}: the picture is ${(lit[0] * 100).toFixed(1)}% lit, ${lit[1] === lit[4] ? 'still' : 'moving'}`);
      await Promise.all([exact.close(), live.close()]);
    }
    return problems;
  },
  async 'reduce flashing: on under reduced motion, remembered, its exact frames the capture tool\'s'() {
    const problems = [];
    const reduced = [{ name: 'prefers-reduced-motion', value: 'reduce' }];
    const checked = async (media) => {
      const page = await open('', {}, null, base, browser, media);
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
  for (const [name, check] of Object.entries(checks).filter(([n]) => n.includes(option('--only') ?? ''))) {
    let problems;
    try { problems = await check(); } catch (e) { problems = [String(e)]; }
    console.log(`${problems.length ? 'FAIL' : 'ok  '} ${name}${problems.length ? `: ${problems.join('; ')}` : ''}`);
    problems.length ? ++failed : ++passed;
  }
  console.log(`web: ${passed} passed, ${failed} failed`);
}
await browser.close();
if (firefox) await firefox.close();
fs.rmSync(profile, { recursive: true, force: true });
process.exit(failed ? 1 : 0);
