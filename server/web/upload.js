// アップロード: each file hashed here (SHA-256), sent, and reported as 取り込み済み / 登録済み / 対象外.
import { T } from './texts.js';
import { h, field, clear } from './dom.js';
import { session } from './api.js';

async function sha256Hex(file) {
  if (!crypto.subtle) return '';  // not a secure context: the server hashes alone
  const digest = await crypto.subtle.digest('SHA-256', await file.arrayBuffer());
  return [...new Uint8Array(digest)].map((b) => b.toString(16).padStart(2, '0')).join('');
}

function send(file, sha, depot, progress) {
  return new Promise((resolve) => {
    const xhr = new XMLHttpRequest();
    xhr.open('POST', '/api/v1/recordings');
    xhr.setRequestHeader('X-Filename', file.name);
    if (sha) xhr.setRequestHeader('X-Sha256', sha);
    if (depot) xhr.setRequestHeader('X-Depot', depot);
    xhr.setRequestHeader('X-CSRF-Token', session()?.csrf ?? '');
    xhr.upload.onprogress = (e) => { if (e.lengthComputable) progress.value = e.loaded / e.total; };
    xhr.onload = () => {
      let body = null;
      try { body = JSON.parse(xhr.responseText); } catch { /* not JSON */ }
      resolve({ status: xhr.status, body });
    };
    xhr.onerror = () => resolve({ status: 0, body: null });
    xhr.send(file);
  });
}

export function render(main) {
  document.title = `${T.upload.title} - ${T.appName}`;
  const me = session();
  const depots = me?.depots ?? [];
  const depot = depots.length > 1
    ? h('select', { name: 'depot' }, depots.map((d) => h('option', { value: d }, d)))
    : null;
  const input = h('input', { type: 'file', multiple: true, class: 'visually-hidden', id: 'upload-files' });
  const rows = h('tbody');
  const zone = h('div', { class: 'dropzone', role: 'region', 'aria-label': T.upload.drop },
    h('p', {}, T.upload.hint),
    input, h('label', { for: 'upload-files', class: 'button', tabindex: '0',
      onkeydown: (e) => { if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); input.click(); } } }, T.upload.choose));
  const table = h('table', { hidden: true },
    h('thead', {}, h('tr', {}, [T.upload.file, T.upload.progress, T.upload.result].map((t) => h('th', { scope: 'col' }, t)))), rows);
  main.append(h('h1', {}, T.upload.title), depot ? field(T.upload.depot, depot) : null, zone, table);

  async function upload(files) {
    table.hidden = false;
    for (const file of files) {
      const progress = h('progress', { max: 1, value: 0 });
      const result = h('td', { 'aria-live': 'polite' }, T.upload.hashing);
      rows.append(h('tr', {}, h('td', {}, file.name), h('td', {}, progress), result));
      const sha = await sha256Hex(file);
      result.textContent = T.upload.sending;
      const { status, body } = await send(file, sha, depot?.value ?? '', progress);
      progress.value = 1;
      const word = status === 201 ? T.upload.imported : status === 200 ? T.upload.present
        : status === 422 ? T.upload.skipped : T.upload.failed;
      clear(result).append(h('strong', {}, word), body?.reason || body?.error ? `: ${body.reason ?? body.error}` : '');
      result.dataset.status = String(status);
    }
  }
  input.addEventListener('change', () => upload([...input.files]));
  zone.addEventListener('dragover', (e) => { e.preventDefault(); zone.classList.add('over'); });
  zone.addEventListener('dragleave', () => zone.classList.remove('over'));
  zone.addEventListener('drop', (e) => {
    e.preventDefault();
    zone.classList.remove('over');
    upload([...e.dataTransfer.files]);
  });
}
