// アップロード: each file hashed here (SHA-256), sent, and reported as 取り込み済み / 登録済み / 対象外.
import { T } from './texts.js';
import { h, field, clear } from './dom.js';
import { session } from './api.js';

async function sha256Hex(file) {
  if (!crypto.subtle) return '';  // not a secure context: the server hashes alone
  const digest = await crypto.subtle.digest('SHA-256', await file.arrayBuffer());
  return [...new Uint8Array(digest)].map((b) => b.toString(16).padStart(2, '0')).join('');
}

// Whether a file of a card's folder is a recording, by its first bytes: a frame record's name
// ("001.jpg" and zeros), its size, then a JPEG's start.
async function looksLikeRecording(file) {
  const head = new Uint8Array(await file.slice(0, 14).arrayBuffer());
  if (head.length < 14) return false;
  const name = String.fromCharCode(...head.subarray(0, 8));
  return /^\d+\.jpg\0+$/.test(name) && head[12] === 0xff && head[13] === 0xd8;
}

// The files under a dropped folder (or the file itself).
async function filesOf(entry) {
  if (entry.isFile) return [await new Promise((resolve, reject) => entry.file(resolve, reject))];
  const reader = entry.createReader();
  const entries = [];
  for (;;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (!batch.length) break;
    entries.push(...batch);
  }
  return (await Promise.all(entries.map(filesOf))).flat();
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
  const folder = h('input', { type: 'file', webkitdirectory: true, class: 'visually-hidden', id: 'upload-folder' });
  const folderNote = h('p', { role: 'status' });
  const chooser = (control, text) => h('label', { for: control.id, class: 'button', tabindex: '0',
    onkeydown: (e) => { if (e.key === 'Enter' || e.key === ' ') { e.preventDefault(); control.click(); } } }, text);
  const rows = h('tbody');
  const zone = h('div', { class: 'dropzone', role: 'region', 'aria-label': T.upload.drop },
    h('p', {}, T.upload.hint),
    input, folder, chooser(input, T.upload.choose), ' ', chooser(folder, T.upload.chooseFolder), folderNote);
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
  // A card's folder: only its recordings are sent, found by their content.
  const fromFolder = async (files) => {
    const found = [];
    for (const file of files) if (await looksLikeRecording(file)) found.push(file);
    folderNote.textContent = T.upload.found(files.length, found.length);
    upload(found);
  };
  input.addEventListener('change', () => upload([...input.files]));
  folder.addEventListener('change', () => fromFolder([...folder.files]));
  zone.addEventListener('dragover', (e) => { e.preventDefault(); zone.classList.add('over'); });
  zone.addEventListener('dragleave', () => zone.classList.remove('over'));
  zone.addEventListener('drop', (e) => {
    e.preventDefault();
    zone.classList.remove('over');
    const entries = [...e.dataTransfer.items].map((item) => item.webkitGetAsEntry?.()).filter(Boolean);
    if (entries.some((entry) => entry.isDirectory)) {
      Promise.all(entries.map(filesOf)).then((lists) => fromFolder(lists.flat()));
    } else {
      upload([...e.dataTransfer.files]);
    }
  });
}
