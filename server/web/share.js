// The page of a share link, /s/{token}: that one recording, read-only, and its package when
// the link allows it. Nothing else of the interface is loaded.
import { T, instantText } from './texts.js';
import { h, field, clear } from './dom.js';
import { api, ApiError } from './api.js';
import { createPlayer } from './player.js';
import { factsList, downloadLinks } from './recording.js';

export async function render(main, pathname) {
  const base = pathname.replace(/\/+$/, '').split('/').slice(0, 3).join('/');  // /s/{token}
  document.title = `${T.sharePage.title} - ${T.appName}`;
  clear(main);
  let answer;
  try {
    answer = await api('GET', `${base}/api`);
  } catch (error) {
    if (error instanceof ApiError && error.status === 401 && error.body?.needsPassword) {
      askPassword(main, base);
    } else if (error instanceof ApiError && error.status === 410) {
      main.append(h('h1', {}, T.sharePage.expired));
    } else {
      main.append(h('h1', {}, error.status === 404 ? T.sharePage.missing : T.error(error.message)));
    }
    return;
  }
  const r = answer.recording;
  const player = createPlayer({ frames: r.frames ?? [], captureDate: r.captureDate, clockOffset: r.clockOffset ?? 0, frameUrl: (i) => `${base}/frames/${i}` });
  const links = [[`${base}/share.mp4`, T.recording.share]];
  if (answer.download) links.push([`${base}/package.zip`, T.recording.package]);
  main.append(
    h('h1', {}, T.sharePage.title),
    answer.expires ? h('p', {}, T.sharePage.until(instantText(answer.expires))) : null,
    h('div', { class: 'recording' },
      h('div', { class: 'left' }, player.element),
      h('div', { class: 'right' },
        h('section', { class: 'panel' }, h('h2', {}, T.recording.facts), factsList(r)),
        h('section', { class: 'panel' }, h('h2', {}, T.recording.downloads), downloadLinks(links)))));
}

function askPassword(main, base) {
  const password = h('input', { type: 'password', name: 'password', autocomplete: 'off', required: true });
  const message = h('p', { class: 'error', role: 'alert' });
  main.append(h('form', { class: 'login', onsubmit: async (e) => {
    e.preventDefault();
    try {
      await api('POST', `${base}/unlock`, { password: password.value });
      render(main, base);
    } catch {
      message.textContent = T.sharePage.wrongPassword;
    }
  } }, h('h1', {}, T.sharePage.title), h('p', {}, T.sharePage.needsPassword),
  field(T.sharePage.password, password), message, h('button', { type: 'submit', class: 'primary' }, T.sharePage.unlock)));
  password.focus();
}
