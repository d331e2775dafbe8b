// The page's real-time frame intervals in Debian's Chromium, optionally with the CPU slowed down as
// the page-speed audits' mobile setting does (CPU throttling, 4x there). For each start position it
// plays the page from there and reports, for the frames of the Timeline entry playing there: the
// median interval between frames, the share under 20 ms, the mean drawing time a frame (the frame
// records' own) and the mean of the page's work around it (the animation-frame callback less the
// drawing: turning the pixels into the canvas's order, putting them on the canvas, the records and
// the clock), then the 90th percentile interval; and the median and share under 20 ms of the same
// intervals taken from the animation frames' own times (the time the browser gives the callback,
// on its display's beat) instead of the records' clock reading. Under throttling the callback starts
// late by varying amounts, which moves the clock readings by a few ms either way while the frames
// still come one a display frame; the animation frames' times move only when a frame is missed.
// Then the same from the clock read at the start of each callback, where --floor reads it. With
// --presented, last, the share of display frames that showed a new picture, by the browser's own
// account of each frame (a trace of the stretch).
// --viewport WxH sets the page's size (default
// 800x600, where the picture is enlarged to a size between whole multiples). Serve the site first
// (scripts/serve_web.sh). With --floor it first plays, in the same browser, a page that draws
// nothing and only puts a 512 x 384 image on a canvas every frame and enlarges it as the page does
// at that viewport: what a frame costs there is the browser's own, so its share under 20 ms is the
// most any page that shows a frame every frame can reach on this machine.
// Usage: node tools/web_speed.mjs SITE_URL [--throttle N] [--seconds S] [--viewport WxH] [--floor] [--presented]
//        MS [MS ...]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const args = process.argv.slice(2);
const text = (name, fallback) => {
  const i = args.indexOf(name);
  if (i < 0) return fallback;
  const value = args[i + 1];
  args.splice(i, 2);
  return value;
};
const option = (name, fallback) => Number(text(name, fallback));
const throttle = option('--throttle', 1);
const seconds = option('--seconds', 10);
const [width, height] = text('--viewport', '800x600').split('x').map(Number);
const floorAt = args.indexOf('--floor');
if (floorAt >= 0) args.splice(floorAt, 1);
const presentedAt = args.indexOf('--presented');
if (presentedAt >= 0) args.splice(presentedAt, 1);

// The share of display frames that showed the page's new picture, from Chromium's own frame
// reporters in a trace of the measured stretch (category "benchmark", light enough not to move the
// other figures much): each display frame has one reporter whose final state says whether the main
// thread's update was presented with it (STATE_PRESENTED_ALL) or not (presented without it, or
// dropped); the reporters forked off for the compositor's own part of a frame are left out.
function presentedShare(trace) {
  const events = JSON.parse(Buffer.from(trace).toString('utf8')).traceEvents;
  let all = 0, shown = 0;
  for (const e of events) {
    const r = e.name === 'PipelineReporter' && e.ph === 'b' ? e.args?.frame_reporter : null;
    if (!r || r.frame_type === 'FORKED') continue;
    ++all;
    if (r.state === 'STATE_PRESENTED_ALL') ++shown;
  }
  return all ? (100 * shown / all).toFixed(1) : '-';
}
const [base, ...starts] = args;
if (!base || !starts.length) {
  console.error('usage: node tools/web_speed.mjs SITE_URL [--throttle N] [--seconds S] [--viewport WxH] [--floor] [--presented] MS [MS ...]');
  process.exit(2);
}

const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvelle-speed-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/lib/chromium/chromium', userDataDir: profile, headless: true, protocolTimeout: 0,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-sync',
    '--disable-component-update', '--autoplay-policy=no-user-gesture-required', '--window-size=1100,900'],
});
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (v) => { const s = [...v].sort((a, b) => a - b); return s.length ? s[s.length >> 1] : NaN; };
const mean = (v) => v.reduce((a, b) => a + b, 0) / Math.max(1, v.length);

console.log(`throttle ${throttle}x, ${seconds} s from each start, viewport ${width}x${height}`);
const intervalsReport = (intervals) => {
  const under = intervals.filter((v) => v < 20).length / Math.max(1, intervals.length);
  return `${median(intervals).toFixed(1)} ${(under * 100).toFixed(1)}`;
};
if (floorAt >= 0) {
  // The page's own picture size: the largest whole multiple, or the next one up, reduced by the browser.
  const fit = Math.min(width / 512, height / 384);
  const whole = Math.floor(fit) >= 1 && Math.floor(fit) >= fit * 0.95;
  const scale = whole ? Math.floor(fit) : Math.ceil(fit);
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: throttle });
  await page.setContent(`<body style="margin:0;background:#000"><canvas id="c" width="512" height="384"
    style="width:${whole ? 512 * scale : Math.floor(512 * fit)}px"></canvas><canvas id="v"
    width="${512 * scale}" height="${384 * scale}" style="width:${Math.floor(512 * fit)}px"></canvas></body>`);
  await page.evaluate((sharp) => {
    const c = document.getElementById('c'), v = document.getElementById('v');
    (sharp ? c : v).hidden = true;
    const context = c.getContext('2d', { alpha: false }), view = v.getContext('2d', { alpha: false });
    view.imageSmoothingEnabled = false;
    const image = context.createImageData(512, 384);
    window.floorTimes = [];
    const tick = (t) => {
      const start = performance.now();
      image.data[window.floorTimes.length % image.data.length] ^= 255;
      context.putImageData(image, 0, 0);
      if (sharp) view.drawImage(c, 0, 0, v.width, v.height);
      window.floorTimes.push([start, t]);
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  }, !whole);
  await sleep(1000);
  await page.evaluate(() => { window.floorTimes = []; });
  await sleep(seconds * 1000);
  const times = await page.evaluate(() => window.floorTimes);
  await page.close();
  const gaps = (k) => times.slice(1).map((t, i) => t[k] - times[i][k]);
  console.log(`floor (a frame put, nothing drawn): median_interval_ms under_20ms_pct ${intervalsReport(gaps(0))}` +
    `, by the frames' own times ${intervalsReport(gaps(1))}`);
}
console.log('start_ms entry frames median_interval_ms under_20ms_pct draw_ms page_ms p90_interval_ms ' +
  'frame_time_median_ms frame_time_under_20ms_pct callback_start_median_ms callback_start_under_20ms_pct ' +
  'presented_pct');
for (const at of starts.map(Number)) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  // Every animation-frame callback's start and length.
  await page.evaluateOnNewDocument(() => {
    const raf = window.requestAnimationFrame.bind(window);
    window.speedPasses = [];
    window.requestAnimationFrame = (cb) => raf((t) => {
      const t0 = performance.now();
      cb(t);
      window.speedPasses.push([t0, performance.now() - t0, t]);
    });
  });
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setCPUThrottlingRate', { rate: throttle });
  await page.goto(`${base}?autostart=1&at=${at}`);
  await page.waitForFunction(() => window.quorvelle.phase === 'running', { timeout: 120000, polling: 200 });
  // A second to settle, then the stretch measured.
  await page.waitForFunction((ms) => window.quorvelle.frames.at(-1)?.[1] > ms, { timeout: 120000, polling: 200 }, at + 1000);
  if (presentedAt >= 0) await page.tracing.start({ categories: ['benchmark'] });
  await sleep(seconds * 1000);
  const presented = presentedAt >= 0 ? presentedShare(await page.tracing.stop()) : '-';
  const { frames, passes } = await page.evaluate(() => ({ frames: window.quorvelle.frames, passes: window.speedPasses }));
  await page.close();
  // Entries are counted from the one at the start position, which the script reaches one entry a
  // frame: the entry measured is the one with the most frames after the first second.
  const counts = new Map();
  for (const f of frames) if (f[1] >= at + 1000) counts.set(f[0], (counts.get(f[0]) ?? 0) + 1);
  const entry = [...counts].sort((a, b) => b[1] - a[1])[0]?.[0];
  const kept = frames.filter((f, i) => i > 0 && f[0] === entry && f[1] >= at + 1000 && frames[i - 1][0] === entry);
  const intervals = kept.map((f) => f[2] - frames[frames.indexOf(f) - 1][2]);
  // The callback that holds each frame's record.
  let p = 0;
  const around = [];
  const beats = [];   // the animation frame's time of each kept frame, or null
  const starts = [];  // the clock at the start of the callback that drew it, or null
  for (const f of kept) {
    while (p < passes.length && passes[p][0] + passes[p][1] < f[2]) ++p;
    const held = p < passes.length && passes[p][0] <= f[2];
    if (held) around.push(passes[p][1] - f[4]);
    beats.push(held ? passes[p][2] : null);
    starts.push(held ? passes[p][0] : null);
  }
  const beatIntervals = [], startIntervals = [];
  for (let i = 1; i < kept.length; ++i)
    if (beats[i] !== null && beats[i - 1] !== null && frames.indexOf(kept[i]) === frames.indexOf(kept[i - 1]) + 1) {
      beatIntervals.push(beats[i] - beats[i - 1]);
      startIntervals.push(starts[i] - starts[i - 1]);
    }
  console.log(`${at} ${entry} ${kept.length} ${intervalsReport(intervals)} ` +
    `${mean(kept.map((f) => f[4])).toFixed(2)} ${mean(around).toFixed(2)} ` +
    `${[...intervals].sort((a, b) => a - b)[Math.floor(intervals.length * 0.9)]?.toFixed(1)} ${intervalsReport(beatIntervals)} ` +
    `${intervalsReport(startIntervals)} ${presented}`);
}
await browser.close();
fs.rmSync(profile, { recursive: true, force: true });
