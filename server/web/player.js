// The player: the recording's own JPEG frames drawn on a canvas, each at its recorded time
// (frame number × 1/30 s, gaps kept), as the desktop plays them.
import { T } from './texts.js';
import { h } from './dom.js';

export const eventNumber = 451;
const speeds = [0.25, 0.5, 1, 2, 4];
const speedNames = ['1/4', '1/2', '1', '2', '4'];
const ahead = 40;        // frames fetched ahead of the one on screen
const behind = 10;       // frames kept behind it
const parallel = 6;      // fetches at once
const startBuffer = 8;   // frames ready before the clock starts
// A frame is drawn on the display refresh nearest its due time: up to half a refresh early.
const halfRefresh = 8;

const msOf = (number) => (number * 1000) / 30;

// The paints of every player, for the browser tests: {index, number, at, due, speed}.
window.__halcyraPaints = window.__halcyraPaints ?? [];

// "2026:11:28 14:35:07" + (number - first) / 30 s, plus a clock offset in seconds, in whole
// seconds towards the past, as the desktop shows the time of day: "2026/11/28 14:35:09", and
// "2026/11/28 14:36:14 補正" once corrected.
export function timeOfDay(captureDate, firstNumber, number, offsetSeconds = 0) {
  const m = /^(\d{4}):(\d{2}):(\d{2}) (\d{2}):(\d{2}):(\d{2})$/.exec(captureDate ?? '');
  if (!m) return '';
  const start = Date.UTC(+m[1], +m[2] - 1, +m[3], +m[4], +m[5], +m[6]);
  const instant = start + Math.floor(((number - firstNumber) * 1000) / 30) + Math.round(offsetSeconds * 1000);
  const at = new Date(Math.floor(instant / 1000) * 1000);
  const two = (n) => String(n).padStart(2, '0');
  const text = `${at.getUTCFullYear()}/${two(at.getUTCMonth() + 1)}/${two(at.getUTCDate())} ` +
    `${two(at.getUTCHours())}:${two(at.getUTCMinutes())}:${two(at.getUTCSeconds())}`;
  return offsetSeconds ? `${text} ${T.player.corrected}` : text;
}

// The frame shown for the event: the last one at or before 0.000 s, else the first.
export function eventIndex(frames) {
  let found = 0;
  frames.forEach((f, i) => { if (f.number <= eventNumber) found = i; });
  return found;
}

// frames: [{index, number, time, size}]; frameUrl(index) → the frame's JPEG.
export function createPlayer({ frames, frameUrl, captureDate, clockOffset = 0 }) {
  const canvas = h('canvas', { width: 640, height: 480, class: 'frame', 'aria-hidden': 'true' });
  const context = canvas.getContext('2d');
  const zoomBox = h('div', { class: 'zoom' }, canvas);
  const stage = h('div', { class: 'stage', tabindex: '0', role: 'img', 'aria-label': T.player.stage }, zoomBox);
  const readout = h('output', { class: 'readout-time', 'aria-label': T.player.time }, '');
  const clock = h('span', { class: 'readout-clock', 'aria-label': T.player.timeOfDay }, '');
  const speedOut = h('output', { class: 'readout-speed', 'aria-label': T.player.speed }, '×1');
  const message = h('p', { class: 'player-message', role: 'status' });
  const first = frames[0]?.number ?? 0;
  const last = frames[frames.length - 1]?.number ?? 0;
  const slider = h('input', {
    type: 'range', min: first, max: last, step: 1, value: first, class: 'slider',
    'aria-label': T.player.position, disabled: frames.length === 0,
  });
  const eventMark = h('div', { class: 'event-mark', title: T.player.event, 'aria-hidden': 'true' });
  if (last > first && eventNumber >= first && eventNumber <= last) {
    eventMark.style.left = `${((eventNumber - first) / (last - first)) * 100}%`;
  } else {
    eventMark.hidden = true;
  }
  const button = (label, key, action, extra = {}) =>
    h('button', { type: 'button', 'aria-label': `${label}（${key}）`, title: `${label}（${key}）`, onclick: action, ...extra }, label);
  const playButton = button(T.player.play, 'Space', () => play());
  const stopButton = button(T.player.stop, 'Space', () => stop());
  const controls = h('div', { class: 'transport', role: 'toolbar', 'aria-label': T.player.label },
    button(T.player.first, 'Home', () => go(0)),
    button(T.player.prev, '←', () => go(current - 1)),
    playButton, stopButton,
    button(T.player.next, '→', () => go(current + 1)),
    button(T.player.last, 'End', () => go(frames.length - 1)),
    button(T.player.event, 'E', () => go(eventIndex(frames))),
    h('span', { class: 'speed' },
      button('−', '[', () => changeSpeed(-1), { 'aria-label': `${T.player.slower}（[）` }),
      speedOut,
      button('+', ']', () => changeSpeed(1), { 'aria-label': `${T.player.faster}（]）` })),
    button(T.player.fit, '0', () => setZoom(1)),
    button(T.player.fullscreen, 'F', () => fullscreen()));
  const root = h('section', { class: 'player', 'aria-label': T.player.label },
    stage,
    h('div', { class: 'readout' }, readout, clock, message),
    h('div', { class: 'scrub' }, slider, eventMark),
    controls);

  // Decoded frames by index: {promise, bitmap}.
  const cache = new Map();
  const created = performance.now();
  let inFlight = 0;
  let current = -1;     // the frame on screen, which the readout names
  let wanted = -1;      // the frame asked for while it loads
  let playing = false;
  let speed = 2;
  let zoom = 1;
  let origin = [50, 50];
  let raf = 0;
  let startWall = 0;    // performance.now() when frame `anchor` was due
  let anchor = 0;
  let destroyed = false;
  let lastTick = 0;     // performance.now() of the previous display refresh while playing

  function load(i) {
    if (i < 0 || i >= frames.length) return null;
    let entry = cache.get(i);
    if (!entry) {
      entry = { bitmap: null, failed: false, promise: null, started: false };
      cache.set(i, entry);
    }
    if (!entry.started && inFlight < parallel) {
      entry.started = true;
      inFlight++;
      entry.promise = fetch(frameUrl(frames[i].index), { credentials: 'same-origin' })
        .then((res) => (res.ok ? res.blob() : Promise.reject(new Error(String(res.status)))))
        .then((blob) => createImageBitmap(blob))
        .then((bitmap) => {
          if (destroyed || cache.get(i) !== entry) bitmap.close();
          else {
            entry.bitmap = bitmap;
            entry.readyAt = performance.now();
          }
        })
        .catch(() => { entry.failed = true; })
        .finally(() => {
          inFlight--;
          prefetch();
          if (!destroyed && wanted === i && !playing) show(i);
        });
    }
    return entry;
  }

  // Fetches the frames after the one wanted (else the one on screen); lets go of far ones.
  function prefetch() {
    if (destroyed) return;
    const from = Math.max(wanted >= 0 ? wanted : current, 0);
    if (wanted >= 0) load(wanted);
    for (let i = from; i < Math.min(frames.length, from + ahead) && inFlight < parallel; i++) load(i);
    for (const [i, entry] of cache) {
      const far = i < from - behind || i > from + ahead + behind;
      if (!far || i === current || i === wanted) continue;
      if (entry.bitmap) {
        entry.bitmap.close();
        cache.delete(i);
      } else if (!entry.started) {
        cache.delete(i);
      }
    }
  }

  // Draws frame i with its readout; false when its bitmap is not there yet.
  function draw(i, due) {
    const entry = cache.get(i);
    if (!entry?.bitmap) return false;
    const bitmap = entry.bitmap;
    if (canvas.width !== bitmap.width || canvas.height !== bitmap.height) {
      canvas.width = bitmap.width;
      canvas.height = bitmap.height;
    }
    context.drawImage(bitmap, 0, 0);
    current = i;
    const f = frames[i];
    canvas.dataset.index = String(f.index);
    readout.textContent = f.time;
    clock.textContent = timeOfDay(captureDate, first, f.number, clockOffset);
    slider.value = String(f.number);
    slider.setAttribute('aria-valuetext', `${f.time} 秒`);
    message.textContent = '';
    // For the tests: how long the first frame took to be on screen once the page had its data.
    window.__halcyraFirstFrameMs ??= performance.now() - created;
    if (due !== undefined) {
      // ready: when its bytes were decoded; tick: the display refresh before this one.
      window.__halcyraPaints.push({
        index: i, number: f.number, at: performance.now(), due, speed: speeds[speed], ready: entry.readyAt, tick: lastTick,
      });
    }
    return true;
  }

  // Puts frame i on screen as soon as it is decoded; until then the old frame and its readout stay.
  function show(i) {
    if (frames.length === 0) return;
    i = Math.max(0, Math.min(frames.length - 1, i));
    wanted = i;
    const entry = load(i);
    prefetch();
    if (draw(i)) {
      wanted = -1;
    } else if (entry.failed) {
      message.textContent = T.player.frameFailed(frames[i].number);
      wanted = -1;
    } else {
      message.textContent = T.player.loading;
    }
  }

  function go(i) {
    stop();
    show(i);
  }

  const dueOf = (i) => startWall + (msOf(frames[i].number) - msOf(frames[anchor].number)) / speeds[speed];

  async function play() {
    if (playing || frames.length === 0 || current < 0) return;
    playing = true;
    playButton.setAttribute('aria-pressed', 'true');
    // From the start again when at the end.
    const from = current >= frames.length - 1 ? 0 : current;
    wanted = from;
    // A few frames ready first, so the clock never runs ahead of the fetches.
    const needed = [];
    for (let i = from; i < Math.min(frames.length, from + startBuffer); i++) needed.push(load(i));
    prefetch();
    for (let tries = 0; playing && tries < 300; tries++) {
      if (needed.every((e) => e.bitmap || e.failed)) break;
      await new Promise((resolve) => setTimeout(resolve, 10));
      needed.forEach((e, k) => { if (!e.started) load(from + k); });
    }
    if (!playing || destroyed) return;
    if (from !== current && !draw(from)) {
      stop();
      return;
    }
    wanted = -1;
    anchor = current;
    startWall = performance.now();
    lastTick = startWall;
    raf = requestAnimationFrame(tick);
  }

  function tick() {
    if (!playing || destroyed) return;
    const now = performance.now();
    // The next frame, on the display refresh nearest its due time. Every frame is shown at 1×
    // and slower; faster, the latest decoded frame due is shown and those before it passed over.
    if (current + 1 < frames.length && dueOf(current + 1) <= now + halfRefresh) {
      let next = current + 1;
      if (speeds[speed] > 1) {
        while (next + 1 < frames.length && dueOf(next + 1) <= now + halfRefresh && cache.get(next + 1)?.bitmap) next++;
      }
      const due = dueOf(next);
      if (draw(next, due)) {
        // Late (its bytes came late, or the page was held up): the frames after it keep their
        // recorded spacing from now on.
        if (now > due + 2 * halfRefresh) startWall += now - due;
      } else {
        load(next);
      }
      prefetch();
    }
    lastTick = now;
    if (current >= frames.length - 1) {
      stop();
      return;
    }
    raf = requestAnimationFrame(tick);
  }

  function stop() {
    playing = false;
    playButton.setAttribute('aria-pressed', 'false');
    cancelAnimationFrame(raf);
  }

  function changeSpeed(step) {
    const now = performance.now();
    const wasPlaying = playing;
    speed = Math.max(0, Math.min(speeds.length - 1, speed + step));
    speedOut.textContent = `×${speedNames[speed]}`;
    if (wasPlaying) {
      anchor = current;
      startWall = now;
    }
  }

  function setZoom(value, originX = 50, originY = 50) {
    zoom = Math.max(1, Math.min(8, value));
    canvas.style.transformOrigin = `${originX}% ${originY}%`;
    canvas.style.transform = zoom === 1 ? '' : `scale(${zoom})`;
  }

  function fullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else root.requestFullscreen?.().catch(() => {});
  }

  stage.addEventListener('wheel', (e) => {
    e.preventDefault();
    const box = canvas.getBoundingClientRect();
    const x = ((e.clientX - box.left) / box.width) * 100;
    const y = ((e.clientY - box.top) / box.height) * 100;
    // The point under the pointer stays where it is while zooming from the fitted picture.
    if (zoom === 1) origin = [x, y];
    setZoom(zoom * Math.exp(-e.deltaY * 0.002), ...origin);
  }, { passive: false });
  stage.addEventListener('dblclick', fullscreen);

  slider.addEventListener('input', () => {
    stop();
    const value = Number(slider.value);
    let i = 0;
    frames.forEach((f, k) => { if (f.number <= value) i = k; });
    show(i);
  });

  // The desktop's keys: one table binds them and lists them in the overview under the player.
  const bindings = [
    { keys: [' '], shown: 'Space', text: T.player.playStop, run: () => (playing ? stop() : play()) },
    { keys: ['ArrowLeft'], shown: '←', text: T.player.prev, run: () => go(current - 1) },
    { keys: ['ArrowRight'], shown: '→', text: T.player.next, run: () => go(current + 1) },
    { keys: ['Home'], shown: 'Home', text: T.player.first, run: () => go(0) },
    { keys: ['End'], shown: 'End', text: T.player.last, run: () => go(frames.length - 1) },
    { keys: ['e', 'E'], shown: 'E', text: T.player.event, run: () => go(eventIndex(frames)) },
    { keys: ['['], shown: '[', text: T.player.slower, run: () => changeSpeed(-1) },
    { keys: [']'], shown: ']', text: T.player.faster, run: () => changeSpeed(1) },
    { keys: [], shown: T.player.wheel, text: T.player.zoom, run: null },
    { keys: ['0'], shown: '0', text: T.player.fit, run: () => setZoom(1) },
    { keys: ['f', 'F'], shown: 'F', text: T.player.fullscreen, run: () => fullscreen() },
  ];
  root.append(h('details', { class: 'keys' }, h('summary', {}, T.player.keys),
    h('dl', {}, bindings.map((b) => [h('dt', {}, h('kbd', {}, b.shown)), h('dd', {}, b.text)]))));

  // Taken whenever the focus is not in a text field.
  function onKey(e) {
    if (e.ctrlKey || e.altKey || e.metaKey) return;
    const target = e.target;
    const typing = target instanceof HTMLElement &&
      (target.isContentEditable || target.matches('textarea, select, input:not([type=range]):not([type=checkbox]):not([type=radio])'));
    if (typing) return;
    if (target instanceof HTMLButtonElement && (e.key === ' ' || e.key === 'Enter')) return;
    const binding = bindings.find((b) => b.keys.includes(e.key));
    if (!binding) return;
    e.preventDefault();
    binding.run();
  }
  document.addEventListener('keydown', onKey);

  if (frames.length === 0) message.textContent = T.player.noFrames;
  else show(0);

  return {
    element: root,
    go,
    play,
    stop,
    get current() { return current; },
    // A new correction of the recorder's clock, in seconds: the time of day shown follows.
    setClockOffset(seconds) {
      clockOffset = seconds;
      if (current >= 0) clock.textContent = timeOfDay(captureDate, first, frames[current].number, clockOffset);
    },
    destroy() {
      destroyed = true;
      stop();
      document.removeEventListener('keydown', onKey);
      for (const entry of cache.values()) entry.bitmap?.close();
      cache.clear();
    },
  };
}
