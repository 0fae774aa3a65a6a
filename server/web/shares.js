// 共有リンク on a recording's page (manager+): create with an expiry, optional password and
// whether the package may be downloaded; list; revoke.
import { T, instantText } from './texts.js';
import { h, field, clear } from './dom.js';
import { api, ApiError, recordingPath } from './api.js';

const maxDays = 90;

export function sharesSection(sha) {
  const path = `${recordingPath(sha)}/shares`;
  const days = h('input', { type: 'number', name: 'days', min: 1, max: maxDays, value: '7', required: true });
  const password = h('input', { type: 'password', name: 'sharePassword', autocomplete: 'new-password' });
  const download = h('input', { type: 'checkbox', name: 'download', id: 'share-download' });
  const status = h('p', { role: 'status' });
  const list = h('div', { class: 'share-list' });
  const section = h('section', { class: 'panel', 'aria-labelledby': 'shares-h' },
    h('h2', { id: 'shares-h' }, T.shares.title),
    h('form', { class: 'share-form', onsubmit: async (e) => {
      e.preventDefault();
      const n = Math.max(1, Math.min(maxDays, Math.floor(Number(days.value) || 7)));
      const body = { expires: new Date(Date.now() + n * 86400000).toISOString(), download: download.checked };
      if (password.value) body.password = password.value;
      try {
        const made = await api('POST', path, body);
        clear(status).append(T.shares.created, ' ', h('a', { href: made.url }, new URL(made.url, location.origin).href));
        password.value = '';
        load();
      } catch (error) {
        status.textContent = error.status === 404 ? T.shares.unavailable : T.error(error.body?.error ?? error.message);
      }
    } },
    field(T.shares.days, days), field(T.shares.password, password),
    h('div', { class: 'check' }, download, h('label', { for: 'share-download' }, T.shares.download)),
    h('button', { type: 'submit' }, T.shares.create)),
    status, list);

  async function load() {
    try {
      const answer = await api('GET', path);
      const shares = Array.isArray(answer) ? answer : (answer?.shares ?? []);
      if (!shares.length) {
        clear(list).append(h('p', {}, T.shares.none));
        return;
      }
      clear(list).append(h('table', {},
        h('thead', {}, h('tr', {}, [T.shares.url, T.shares.expires, T.shares.allowsDownload, ''].map((t) => h('th', { scope: 'col' }, t)))),
        h('tbody', {}, shares.map((s) => h('tr', {},
          h('td', {}, s.url ? h('a', { href: s.url }, s.url) : s.id),
          h('td', {}, instantText(s.expires)),
          h('td', {}, s.download ? T.shares.yes : T.shares.no),
          h('td', {}, h('button', { type: 'button', 'aria-label': T.shares.revokeNamed(s.id), onclick: async () => {
            try {
              await api('DELETE', `/api/v1/shares/${encodeURIComponent(s.id)}`);
              load();
            } catch (error) {
              status.textContent = T.error(error.body?.error ?? error.message);
            }
          } }, T.shares.revoke)))))));
    } catch (error) {
      clear(list).append(h('p', {}, error instanceof ApiError && error.status === 404 ? T.shares.unavailable : T.error(error.message)));
    }
  }
  load();
  return section;
}
