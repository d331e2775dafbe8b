// The page: loads the module (its .js and .wasm, compiled), the data files and the music with one
// loading bar, starts the demo on the start card's button (browsers play sound only after a gesture),
// runs one pass of the frame loop per animation frame, and shows the end card when the script is
// over. It sizes the picture in device pixels and runs the sound and full-screen controls. In the
// self-contained page (quorvelle.html) every file is already inside the page and nothing is fetched.
//
// Query options, for the tests and the benchmark: mode=exact (the capture tool's virtual clock at
// fps frames a second, 1 to 1000, default 10, every frame's hash listed, no sound), mode=bench (the
// virtual clock at 60 fps, every frame's drawing time listed), plain=1 (the plain drawing paths),
// at=MS (play from MS ms into the music), autostart=1 (start as soon as loaded). A mistaken option
// gives a notice. window.quorvelle reports the state.
// The start card's "Reduce flashing" switch is on at first when the browser asks for reduced motion,
// and remembered for the next visit once changed; the module filters the frames when it is on.
'use strict';

const $ = (id) => document.getElementById(id);
const canvas = $('screen');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const state = { phase: 'loading', hashes: [], frames: [], notices: [], errors: [], soundStarted: false, failure: '', picture: null };
window.quorvelle = state;

const reduceSwitch = $('reduce-flashing');
try {
  const kept = localStorage.getItem('quorvelle.reduceFlashing');
  reduceSwitch.checked = kept !== null ? kept === '1' : matchMedia('(prefers-reduced-motion: reduce)').matches;
} catch (e) {
  reduceSwitch.checked = matchMedia('(prefers-reduced-motion: reduce)').matches;
}
reduceSwitch.addEventListener('change', () => {
  try { localStorage.setItem('quorvelle.reduceFlashing', reduceSwitch.checked ? '1' : '0'); } catch (e) { /* not kept */ }
});

function notice(text) {
  state.notices.push(text);
  $('notice').textContent = text;
  controlsWake();
}

// The query options; each mistake is named in one notice, with what is done instead.
const params = new URLSearchParams(location.search);
const mistakes = [];
function option(name, min, max, fallback) {
  const text = params.get(name);
  if (text === null) return fallback;
  const value = Number(text);
  if (text.trim() === '' || !Number.isInteger(value)) {
    mistakes.push(`${name}=${text} is not a whole number, so ${fallback} is used`);
    return fallback;
  }
  if (value >= min && value <= max) return value;
  const held = Math.min(max, Math.max(min, value));
  mistakes.push(`${name}=${text} is outside ${min} to ${max}, so ${held} is used`);
  return held;
}
let mode = params.get('mode') ?? 'play';
if (!['play', 'exact', 'bench'].includes(mode)) {
  mistakes.push(`mode=${mode} is not a mode (play, exact or bench), so the demo plays`);
  mode = 'play';
}
const virtualFps = mode === 'exact' ? option('fps', 1, 1000, 10) : mode === 'bench' ? 60 : 0;
const seek = mode === 'play' ? option('at', 0, 3600000, 0) : 0;

// What the module's web backend reads (Module.page) and what the tests read.
const page = { context: canvas.getContext('2d', { alpha: false }), audio: null, gain: null, music: null, seek };
let files = [];           // the data files: [{ name, bytes }]
let code = null;          // the compiled WebAssembly module
let wantStart = false;
let module = null;
let musicTrouble = '';    // why there is no music to play, if there is none

function fail(text) {
  state.phase = 'failed';
  state.failure = text;
  $('failure-text').textContent = text;
  $('start-card').hidden = true;
  $('end-card').hidden = true;
  $('failure-card').hidden = false;
  soundButton();
}

// The picture, in device pixels: the largest whole multiple of 512 x 384 that fits the stage where
// it covers at least 95% of what fits; otherwise the fitting size, made without blur or uneven pixels
// by enlarging to the next whole multiple with nearest-neighbour (the view canvas, one copy a frame)
// and letting the browser reduce that smoothly ("sharp bilinear"). Below 1x it is reduced smoothly.
const view = $('view');
const viewContext = view.getContext('2d', { alpha: false });
let sharp = false;

function showSharp() {
  viewContext.drawImage(canvas, 0, 0, view.width, view.height);
}

function layout() {
  const dpr = window.devicePixelRatio || 1;
  const box = $('stage').getBoundingClientRect();
  const room = [Math.floor(box.width * dpr), Math.floor(box.height * dpr)];
  const fit = Math.min(room[0] / 512, room[1] / 384);
  const whole = Math.floor(fit);
  const kind = whole >= 1 && whole >= fit * 0.95 ? 'whole' : fit < 1 ? 'smooth' : 'sharp';
  const scale = kind === 'whole' ? whole : fit;
  const size = [Math.round(512 * scale), Math.round(384 * scale)];
  sharp = kind === 'sharp';
  const shown = sharp ? view : canvas;
  canvas.hidden = sharp;
  view.hidden = !sharp;
  canvas.classList.toggle('smooth', kind === 'smooth');
  if (sharp && view.width !== 512 * Math.ceil(fit)) {
    view.width = 512 * Math.ceil(fit);
    view.height = 384 * Math.ceil(fit);
    viewContext.imageSmoothingEnabled = false;
  }
  if (sharp) showSharp();
  // Placed on whole device pixels, so that each source pixel covers the same number of them.
  shown.style.left = `${Math.floor((room[0] - size[0]) / 2) / dpr}px`;
  shown.style.top = `${Math.floor((room[1] - size[1]) / 2) / dpr}px`;
  shown.style.width = `${size[0] / dpr}px`;
  shown.style.height = `${size[1] / dpr}px`;
  state.picture = { kind, scale, width: size[0], height: size[1], room, dpr };
}

// In full screen (where the browser has it) and where the height is short (a landscape phone), the
// controls lie over the picture, shown by the pointer, a touch or a key, and gone after two seconds
// of rest unless the pointer or the keyboard is on them.
const player = $('player');
const shortView = matchMedia('(max-height: 480px)');
const fullscreenElement = () => document.fullscreenElement || document.webkitFullscreenElement || null;
const fullscreenAvailable = !!(document.fullscreenEnabled || document.webkitFullscreenEnabled);
let restTimer = 0;

function fullscreenToggle() {
  if (!fullscreenAvailable) return;
  const done = fullscreenElement()
    ? (document.exitFullscreen || document.webkitExitFullscreen).call(document)
    : (player.requestFullscreen || player.webkitRequestFullscreen).call(player);
  if (done && done.catch) done.catch(() => {});
}

function controlsRest() {
  if ($('controls').matches(':hover') || $('controls').querySelector(':focus-visible')) restTimer = setTimeout(controlsRest, 2000);
  else player.classList.add('idle');
}

function controlsWake() {
  player.classList.remove('idle');
  clearTimeout(restTimer);
  if (player.classList.contains('overlay')) restTimer = setTimeout(controlsRest, 2000);
}

function fullscreenChanged() {
  const full = !!fullscreenElement();
  player.classList.toggle('overlay', full || shortView.matches);
  $('fullscreen-button').textContent = full ? 'Leave full screen' : 'Full screen';
  controlsWake();
  layout();
}

// The file names in viewers' sentences: what went wrong and what to do.
const fromFile = location.protocol === 'file:';
const serveHint = 'Opened as a file, this page cannot load its files: serve its folder (scripts/serve_web.sh, or ' +
  'python3 -m http.server in the folder, then open http://localhost:8000/), or open the release\'s ' +
  'self-contained page, quorvelle-<version>.html, which plays without a server.';
const checkServer = 'check that the server has every file of the site, then reload the page';

function base64Bytes(text) {
  if (Uint8Array.fromBase64) return Uint8Array.fromBase64(text);
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// A file's bytes, from the page itself or the server, counted by `progress`, checked against the
// size the file list gives (if any).
async function fetchBytes(name, size, progress) {
  let bytes;
  if (window.quorvelleEmbedded) {
    if (!(name in window.quorvelleEmbedded)) throw new Error(`${name} is missing from this page: download it again.`);
    bytes = base64Bytes(window.quorvelleEmbedded[name]);
    progress(bytes.length);
  } else {
    let response;
    try {
      response = await fetch(name);
    } catch (e) {
      throw new Error(fromFile ? serveHint : `${name} could not be loaded (${e.message}): check the connection, then reload the page.`);
    }
    if (!response.ok) throw new Error(`${name} could not be loaded (the server answered ${response.status}): ${checkServer}.`);
    const parts = [];
    let length = 0;
    const reader = response.body.getReader();
    for (;;) {
      let chunk;
      try {
        chunk = await reader.read();
      } catch (e) {
        throw new Error(`${name} stopped arriving (${e.message}): check the connection, then reload the page.`);
      }
      if (chunk.done) break;
      parts.push(chunk.value);
      length += chunk.value.length;
      progress(chunk.value.length);
    }
    bytes = new Uint8Array(length);
    let at = 0;
    for (const part of parts) { bytes.set(part, at); at += part.length; }
  }
  if (size !== undefined && bytes.length < size) {
    throw new Error(`${name} arrived incomplete (${bytes.length} of ${size} bytes): reload the page; if it happens again, check that the server has the whole file.`);
  }
  if (size !== undefined && bytes.length !== size) {
    throw new Error(`${name} has ${bytes.length} bytes where ${size} were expected: the site's files do not belong together; ${checkServer}.`);
  }
  return bytes;
}

// The list of files with their sizes: [{ name, size }], the module's two files among them.
async function fileList() {
  const bytes = await fetchBytes('files.json', undefined, () => {});
  let list = null;
  try { list = JSON.parse(new TextDecoder().decode(bytes)); } catch (e) { list = null; }
  const good = Array.isArray(list) && list.every((f) => f && typeof f.name === 'string' && Number.isInteger(f.size))
    && ['quorvelle-web.js', 'quorvelle-web.wasm'].every((n) => list.some((f) => f.name === n));
  if (!good) throw new Error(`files.json is damaged (not the list of the site's files): ${checkServer}.`);
  return list;
}

// The module's script, run as it arrives; it defines quorvelle_module.
function moduleScript(bytes) {
  const script = document.createElement('script');
  script.textContent = new TextDecoder().decode(bytes);
  document.head.appendChild(script);
  if (typeof quorvelle_module !== 'function') throw new Error(`quorvelle-web.js is damaged (it does not define the demo): ${checkServer}.`);
}

async function load() {
  const list = await fileList();
  if (mode === 'play' && !page.audio) musicTrouble = 'This browser has no Web Audio: the demo plays silently.';
  const music = mode === 'play' && page.audio ? list.find((f) => f.name === 'music.mp3') : null;
  const wanted = list.filter((f) => f.name !== 'music.mp3' && !(f.name === 'quorvelle-web.js' && typeof quorvelle_module === 'function'));
  const fetched = music ? [...wanted, music] : wanted;
  const pending = new Set(fetched.map((f) => f.name));
  const total = fetched.reduce((n, f) => n + f.size, 0) || 1;
  let arrived = 0;
  let lastArrival = performance.now();
  const progress = (n) => {
    arrived += n;
    lastArrival = performance.now();
    const percent = Math.min(100, Math.floor((arrived * 100) / total));
    $('loading-bar').style.width = `${percent}%`;
    $('loading').setAttribute('aria-valuenow', percent);
  };
  // After a few seconds without a byte, the card says what it waits for.
  const watch = setInterval(() => {
    if (performance.now() - lastArrival > 2000 && pending.size) $('loading-text').textContent = `Loading… waiting for ${[...pending].join(', ')}`;
  }, 1000);
  const one = (f) => fetchBytes(f.name, f.size, progress).then((bytes) => { pending.delete(f.name); return bytes; });
  const musicLoad = music ? one(music).then(
    (bytes) => page.audio.decodeAudioData(bytes.buffer).then(
      (buffer) => { page.music = buffer; },
      () => { musicTrouble = 'The music (music.mp3) could not be decoded: the demo plays silently.'; }),
    (e) => { musicTrouble = `${e.message} Until then, the demo plays silently.`; }) : null;
  try {
    const arrivals = await Promise.all(wanted.map((f) => one(f).then((bytes) => ({ name: f.name, bytes }))));
    for (const f of arrivals) {
      if (f.name === 'quorvelle-web.js') moduleScript(f.bytes);
      else if (f.name === 'quorvelle-web.wasm') {
        code = await WebAssembly.compile(f.bytes).catch(() => {
          throw new Error(`quorvelle-web.wasm is damaged (this browser cannot compile it): ${checkServer}.`);
        });
      }
    }
    files = arrivals.filter((f) => f.name.startsWith('data/'));
    await musicLoad;
  } finally {
    clearInterval(watch);
  }
  if (musicTrouble) notice(musicTrouble);
  soundButton();
  $('loading-text').textContent = mode === 'play' ? 'Ready.' : 'Running…';
}

// A fresh module for every run: the scenes keep their state for the whole run, so a replay starts
// from a new instance, with the files, the compiled code and the decoded music kept from the load.
async function run() {
  $('start-card').hidden = true;
  $('end-card').hidden = true;
  state.phase = 'starting';
  // The audio context starts running once the gesture's resume is through (at most a moment).
  if (page.audio) await Promise.race([page.audio.resume(), sleep(1000)]);
  const errorLines = [];
  module = await quorvelle_module({
    page,
    print: (line) => console.log(line),
    printErr: (line) => { errorLines.push(line); console.error(line); },
    instantiateWasm: (imports, done) => {
      WebAssembly.instantiate(code, imports).then((instance) => done(instance, code), runFailed);
      return {};
    },
  });
  module.FS.mkdir('/data');
  for (const f of files) module.FS.writeFile(`/${f.name}`, f.bytes);
  module.FS.chdir('/');
  state.hashes = [];
  state.frames = [];
  state.reduceFlashing = reduceSwitch.checked;
  if (module._web_start(virtualFps, mode === 'exact' ? 1 : 0, params.get('plain') === '1' ? 1 : 0,
    reduceSwitch.checked ? 1 : 0) !== 0) {
    fail(`The demo could not start (${errorLines.join(' ') || 'no reason given'}): ${checkServer}.`);
    return;
  }
  state.soundStarted = !!page.source;
  if (page.music && !page.source) notice('The browser did not let the sound start: press Start sound (or M) to try again.');
  state.phase = 'running';
  soundButton();
  requestAnimationFrame(tick);
}

// A start that went wrong inside the module: the details go to the console, the viewer gets a sentence.
function runFailed(e) {
  console.error(e);
  fail('The demo stopped before it could start (an error inside its code): reload the page; if it happens again, try another browser.');
}

// Where the audio output is in the music now (ms), as the tests check the clock against it.
function outputPosition() {
  if (!page.source) return null;
  const stamp = page.audio.getOutputTimestamp();
  return (stamp.contextTime - page.musicStart) * 1000 + (performance.now() - stamp.performanceTime);
}

function tick() {
  // On the music's clock one pass per animation frame; on a virtual clock as many as fit in 40 ms.
  const until = virtualFps ? performance.now() + 40 : 0;
  page.outputAtPass = outputPosition();
  do {
    if (!module._web_frame()) { end(); return; }
  } while (performance.now() < until);
  if (sharp) showSharp();
  requestAnimationFrame(tick);
}

function end() {
  if (sharp) showSharp();
  module._web_finish();
  if (page.source) { try { page.source.stop(); } catch (e) { /* already stopped */ } }
  page.source = null;
  state.phase = 'ended';
  $('end-card').hidden = false;
  $('replay-button').focus();
}

// Called by the module after every frame it shows.
page.frame = (entry, ms, drawMs, hashHigh, hashLow) => {
  if (mode === 'exact') {
    const hash = hashHigh.toString(16).padStart(8, '0') + hashLow.toString(16).padStart(8, '0');
    state.hashes.push(`${String(state.hashes.length).padStart(6, '0')} ${hash} ${entry} ${ms}`);
  } else if (mode === 'bench') {
    state.frames.push([entry, drawMs]);
  } else {
    state.frames.push([entry, ms, performance.now(), page.outputAtPass, drawMs]);
  }
};

function start() {
  if (state.phase !== 'loading' && state.phase !== 'ready') return;
  if (page.audio) page.audio.resume();   // inside the gesture
  if (state.phase === 'ready') run().catch(runFailed);
  else { wantStart = true; $('start-button').disabled = true; }
}

function replay() {
  if (state.phase !== 'ended') return;
  if (page.audio) page.audio.resume();
  run().catch(runFailed);
}

// The sound button tells how the sound stands: "Mute" (pressed while muted) when music plays or is
// about to, "Start sound" when the browser has not let it start (a press tries again), "No sound"
// when there is no music to play.
function soundButton() {
  const button = $('mute-button');
  const blocked = page.music && state.phase === 'running' && (!page.source || page.audio.state !== 'running');
  const none = !page.gain || (!page.music && state.phase !== 'loading');
  button.textContent = none ? 'No sound' : blocked ? 'Start sound' : 'Mute';
  button.title = none ? musicTrouble : blocked ? 'The browser has not let the sound start: press to try again.' : '';
  if (none || blocked) button.removeAttribute('aria-pressed');
  else button.setAttribute('aria-pressed', String(page.gain.gain.value === 0));
  if (none) button.setAttribute('aria-disabled', 'true'); else button.removeAttribute('aria-disabled');
}

// Music that did not start with the demo joins it where the silent clock has got to.
function musicCatchUp() {
  if (!page.music || page.source || state.phase !== 'running' || page.audio.state !== 'running') return;
  const at = (performance.now() - page.clockStart) / 1000;
  if (at >= page.music.duration) return;
  const source = page.audio.createBufferSource();
  source.buffer = page.music;
  source.connect(page.gain);
  const when = page.audio.currentTime + Math.max(0, -at);
  source.start(when, Math.max(0, at));
  page.musicStart = when - Math.max(0, at);
  page.source = source;
  state.soundStarted = true;
  notice('The sound is on.');
}

function soundPress() {
  if (!page.music) return;
  if (state.phase === 'running' && (!page.source || page.audio.state !== 'running')) {
    page.audio.resume().then(() => { musicCatchUp(); soundButton(); }, () => {});
    return;
  }
  page.gain.gain.value = page.gain.gain.value > 0 ? 0 : 1;
  soundButton();
}

window.addEventListener('error', (e) => state.errors.push(String(e.message)));
// The stage changes size with the window, full screen and the control bar's height (a long notice).
new ResizeObserver(() => layout()).observe($('stage'));
document.addEventListener('fullscreenchange', fullscreenChanged);
document.addEventListener('webkitfullscreenchange', fullscreenChanged);
shortView.addEventListener('change', fullscreenChanged);
for (const type of ['pointermove', 'pointerdown', 'keydown']) document.addEventListener(type, controlsWake, { passive: true });
document.addEventListener('keydown', (e) => {
  if (e.ctrlKey || e.altKey || e.metaKey) return;
  if ((e.key === 'Enter' || e.key === ' ') && e.target.tagName !== 'BUTTON' && e.target.tagName !== 'INPUT') {
    e.preventDefault();
    if (state.phase === 'ended') replay(); else start();
  } else if (e.key === 'f' || e.key === 'F') {
    fullscreenToggle();
  } else if (e.key === 'm' || e.key === 'M') {
    soundPress();
  }
});
$('start-button').addEventListener('click', start);
$('replay-button').addEventListener('click', replay);
$('mute-button').addEventListener('click', soundPress);
$('fullscreen-button').addEventListener('click', fullscreenToggle);
$('fullscreen-button').hidden = !fullscreenAvailable;
for (const e of document.querySelectorAll('.fullscreen-only')) e.hidden = !fullscreenAvailable;
fullscreenChanged();   // the controls laid out for the viewport, and the picture sized
if (mistakes.length) notice(`The address's options: ${mistakes.join('; ')}.`);

if (mode === 'play') {
  try {
    page.audio = new AudioContext();
    page.gain = page.audio.createGain();
    page.gain.connect(page.audio.destination);
    page.audio.addEventListener('statechange', soundButton);
  } catch (e) {
    page.audio = null;
  }
} else {
  $('mute-button').hidden = true;
}
soundButton();
load().then(() => {
  state.phase = 'ready';
  soundButton();
  if (wantStart || mode !== 'play' || params.get('autostart') === '1') {
    if (page.audio) page.audio.resume();
    run().catch(runFailed);
  }
}, (e) => fail(e.message));
