// The page: loads the data files and the music (with a loading bar), starts the demo on the start
// card's button (browsers play sound only after a gesture), runs one pass of the frame loop per
// animation frame, and shows the end card when the script is over. It scales the picture and runs
// the sound and full-screen controls.
//
// Query options, for the tests and the benchmark: mode=exact (the capture tool's virtual clock at
// fps frames a second, default 10, every frame's hash listed, no sound), mode=bench (the virtual clock
// at 60 fps, every frame's drawing time listed), plain=1 (the plain drawing paths), at=MS (play from
// MS ms into the music), autostart=1 (start as soon as loaded). window.quorvelle reports the state.
// The start card's "Reduce flashing" switch is on at first when the browser asks for reduced motion,
// and remembered for the next visit once changed; the module filters the frames when it is on.
'use strict';

const params = new URLSearchParams(location.search);
const mode = ['exact', 'bench'].includes(params.get('mode')) ? params.get('mode') : 'play';
const virtualFps = mode === 'exact' ? Math.max(1, Number(params.get('fps')) || 10) : mode === 'bench' ? 60 : 0;
const $ = (id) => document.getElementById(id);
const canvas = $('screen');

// What the module's web backend reads (Module.page) and what the tests read.
const page = { context: canvas.getContext('2d', { alpha: false }), audio: null, gain: null, music: null, seek: 0 };
const state = { phase: 'loading', hashes: [], frames: [], notices: [], errors: [], soundStarted: false, failure: '' };
window.quorvelle = state;
let files = [];           // [{ name, bytes }]
let loaded = null;        // resolves once everything has arrived
let wantStart = false;
let module = null;

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
}

function fail(text) {
  state.phase = 'failed';
  state.failure = text;
  $('failure-text').textContent = text;
  $('start-card').hidden = true;
  $('end-card').hidden = true;
  $('failure-card').hidden = false;
}

// The picture: a whole number of times 512 x 384 that fits the stage (smaller only when even once
// does not fit), centred on black.
function layout() {
  const stage = $('stage').getBoundingClientRect();
  const fit = Math.min(stage.width / 512, stage.height / 384);
  const scale = fit >= 1 ? Math.floor(fit) : Math.max(fit, 0.1);
  canvas.style.width = `${512 * scale}px`;
  canvas.style.height = `${384 * scale}px`;
}

async function fetchBytes(name, progress) {
  const response = await fetch(name);
  if (!response.ok) throw new Error(`${response.status} ${response.statusText}`.trim());
  const parts = [];
  let length = 0;
  const reader = response.body.getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    parts.push(value);
    length += value.length;
    progress(value.length);
  }
  const bytes = new Uint8Array(length);
  let at = 0;
  for (const part of parts) { bytes.set(part, at); at += part.length; }
  return bytes;
}

async function load() {
  let list;
  try {
    list = await (await fetch('files.json')).json();
  } catch (e) {
    throw new Error(`cannot load files.json (${e.message})`);
  }
  const music = mode === 'play' ? list.find((f) => f.name === 'music.mp3') : null;
  if (mode === 'play' && !page.audio) notice('This browser has no Web Audio: the demo plays silently.');
  const data = list.filter((f) => f.name !== 'music.mp3');
  const fetched = music && page.audio ? [...data, music] : data;
  const total = fetched.reduce((n, f) => n + f.size, 0) || 1;
  let arrived = 0;
  const progress = (n) => {
    arrived += n;
    const percent = Math.min(100, Math.round((arrived * 100) / total));
    $('loading-bar').style.width = `${percent}%`;
    $('loading').setAttribute('aria-valuenow', percent);
  };
  const musicLoad = music && page.audio ? fetchBytes(music.name, progress).then(
    (bytes) => page.audio.decodeAudioData(bytes.buffer).then(
      (buffer) => { page.music = buffer; },
      () => notice('The music could not be decoded: the demo plays silently.')),
    (e) => notice(`The music could not be loaded (music.mp3: ${e.message}): the demo plays silently.`)) : null;
  files = await Promise.all(data.map((f) => fetchBytes(f.name, progress).then(
    (bytes) => ({ name: f.name, bytes }),
    (e) => { throw new Error(`cannot load ${f.name} (${e.message}): the demo cannot start`); })));
  await musicLoad;
  $('loading-text').textContent = mode === 'play' ? 'Ready.' : 'Running…';
}

// A fresh module for every run: the scenes keep their state for the whole run, so a replay starts
// from a new instance, with the files and the decoded music kept from the first load.
async function run() {
  $('start-card').hidden = true;
  $('end-card').hidden = true;
  state.phase = 'starting';
  // The audio context starts running once the gesture's resume is through (at most a moment).
  if (page.audio) await Promise.race([page.audio.resume(), new Promise((r) => setTimeout(r, 1000))]);
  const errorLines = [];
  module = await quorvelle_module({
    page,
    print: (line) => console.log(line),
    printErr: (line) => { errorLines.push(line); console.error(line); },
  });
  module.FS.mkdir('/data');
  for (const f of files) module.FS.writeFile(`/${f.name}`, f.bytes);
  module.FS.chdir('/');
  state.hashes = [];
  state.frames = [];
  state.reduceFlashing = reduceSwitch.checked;
  if (module._web_start(virtualFps, mode === 'exact' ? 1 : 0, params.get('plain') === '1' ? 1 : 0,
    reduceSwitch.checked ? 1 : 0) !== 0) {
    fail(`The demo could not start: ${errorLines.join(' ') || 'unknown reason'}`);
    return;
  }
  state.soundStarted = !!page.source;
  if (page.music && !page.source) notice('The browser did not let the sound start: the demo plays silently.');
  state.phase = 'running';
  requestAnimationFrame(tick);
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
  requestAnimationFrame(tick);
}

function end() {
  module._web_finish();
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
  if (state.phase === 'ready') run().catch((e) => fail(`The demo could not start: ${e.message}`));
  else { wantStart = true; $('start-button').disabled = true; }
}

function replay() {
  if (state.phase !== 'ended') return;
  if (page.audio) page.audio.resume();
  run().catch((e) => fail(`The demo could not start: ${e.message}`));
}

function soundToggle() {
  if (!page.gain) return;
  const off = page.gain.gain.value > 0;
  page.gain.gain.value = off ? 0 : 1;
  $('mute-button').textContent = off ? 'Sound on' : 'Sound off';
  $('mute-button').setAttribute('aria-pressed', String(off));
}

function fullscreenToggle() {
  if (document.fullscreenElement) document.exitFullscreen();
  else if ($('player').requestFullscreen) $('player').requestFullscreen().catch(() => {});
}

window.addEventListener('error', (e) => state.errors.push(String(e.message)));
window.addEventListener('resize', layout);
document.addEventListener('fullscreenchange', () => {
  $('fullscreen-button').textContent = document.fullscreenElement ? 'Leave full screen' : 'Full screen';
  layout();
});
document.addEventListener('keydown', (e) => {
  if (e.ctrlKey || e.altKey || e.metaKey) return;
  if ((e.key === 'Enter' || e.key === ' ') && e.target.tagName !== 'BUTTON' && e.target.tagName !== 'INPUT') {
    e.preventDefault();
    if (state.phase === 'ended') replay(); else start();
  } else if (e.key === 'f' || e.key === 'F') {
    fullscreenToggle();
  } else if (e.key === 'm' || e.key === 'M') {
    soundToggle();
  }
});
$('start-button').addEventListener('click', start);
$('replay-button').addEventListener('click', replay);
$('mute-button').addEventListener('click', soundToggle);
$('fullscreen-button').addEventListener('click', fullscreenToggle);
layout();

if (mode === 'play') {
  try {
    page.audio = new AudioContext();
    page.gain = page.audio.createGain();
    page.gain.connect(page.audio.destination);
  } catch (e) {
    page.audio = null;
  }
  page.seek = Math.max(0, Number(params.get('at')) || 0);
} else {
  $('mute-button').hidden = true;
}
loaded = load();
loaded.then(() => {
  state.phase = 'ready';
  if (wantStart || mode !== 'play' || params.get('autostart') === '1') {
    if (page.audio) page.audio.resume();
    run().catch((e) => fail(`The demo could not start: ${e.message}`));
  } else {
    $('start-button').focus();
  }
}, (e) => fail(`The page ${e.message}.`));
