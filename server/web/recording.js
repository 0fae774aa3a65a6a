// 再生: the player, the facts, and for a manager the review, edits, downloads and custody.
import { T, captureText, instantText } from './texts.js';
import { h, field, clear } from './dom.js';
import { api, ApiError, isManager, recordingPath } from './api.js';
import { createPlayer } from './player.js';
import { listQueryKey } from './list.js';
import { sharesSection } from './shares.js';

export function factsList(r) {
  const rows = [
    [T.recording.captured, captureText(r.captureDate)],
    [T.recording.frames, Array.isArray(r.frames) ? r.frames.length : r.frames],
    [T.recording.firstTime, r.firstTime],
    [T.recording.lastTime, r.lastTime],
    [T.recording.complete, r.complete ? T.recording.completeYes : T.recording.completeNo],
    [T.recording.size, typeof r.size === 'number' ? T.recording.bytes(r.size) : r.size],
    [T.recording.sha256, h('code', { class: 'sha' }, r.sha256)],
    [T.recording.source, r.fileName],
    [T.recording.depot, r.depot || '—'],
    [T.recording.imported, instantText(r.importedAt)],
  ];
  return h('dl', { class: 'facts' }, rows.map(([k, v]) => [h('dt', {}, k), h('dd', {}, v ?? '—')]));
}

export function downloadLinks(items) {
  return h('ul', { class: 'downloads' }, items.map(([href, text]) =>
    h('li', {}, h('a', { href, download: '', class: 'button' }, text))));
}

export async function render(main, [sha]) {
  const path = recordingPath(sha);
  let r;
  try {
    r = await api('GET', path);
  } catch (error) {
    if (error instanceof ApiError && error.status === 401) return null;
    main.append(h('h1', {}, error.status === 404 ? T.recording.notFound : T.error(error.message)));
    return null;
  }
  const manager = isManager();
  const title = captureText(r.captureDate);
  document.title = `${title} - ${T.appName}`;
  const player = createPlayer({
    frames: r.frames, captureDate: r.captureDate, clockOffset: r.clockOffset ?? 0,
    frameUrl: (index) => `${path}/frames/${index}`,
  });
  const notice = h('p', { class: 'notice', role: 'status' });
  const custodyBox = h('div', { class: 'custody-body' });
  const done = (text) => { notice.textContent = text; if (manager) loadCustody(); };
  const failed = (error) => { notice.textContent = T.recording.failed(error.body?.error ?? error.message); };

  async function patch(change) {
    try {
      const updated = await api('PATCH', path, change);
      for (const key of ['vehicle', 'driver', 'note', 'clockOffset', 'status', 'statusReason', 'tags']) r[key] = updated[key];
      player.setClockOffset(r.clockOffset ?? 0);
      done(T.recording.saved);
      return true;
    } catch (error) {
      failed(error);
      return false;
    }
  }

  // Vehicle, driver, note, and the correction of the recorder's clock.
  const offsetText = (seconds) => `${seconds > 0 ? '+' : ''}${seconds} 秒`;
  const details = h('section', { class: 'panel', 'aria-labelledby': 'details-h' }, h('h2', { id: 'details-h' }, T.recording.details));
  if (manager) {
    const vehicle = h('input', { name: 'vehicle', value: r.vehicle ?? '' });
    const driver = h('input', { name: 'driver', value: r.driver ?? '' });
    const note = h('textarea', { name: 'note', rows: 3, value: r.note ?? '' });
    const offset = h('input', {
      name: 'clockOffset', type: 'text', inputmode: 'decimal', value: String(r.clockOffset ?? 0),
      'aria-describedby': 'clock-offset-hint',
    });
    details.append(h('form', { class: 'edit', onsubmit: (e) => {
      e.preventDefault();
      const seconds = Number(offset.value.trim() || '0');
      if (!Number.isFinite(seconds)) {
        notice.textContent = T.recording.clockOffsetBad;
        offset.focus();
        return;
      }
      patch({ vehicle: vehicle.value.trim(), driver: driver.value.trim(), note: note.value, clockOffset: seconds });
    } }, field(T.recording.vehicle, vehicle), field(T.recording.driver, driver), field(T.recording.note, note),
    field(T.recording.clockOffset, offset), h('p', { id: 'clock-offset-hint', class: 'hint' }, T.recording.clockOffsetHint),
    h('button', { type: 'submit', class: 'primary' }, T.recording.save)));
  } else {
    details.append(h('dl', { class: 'facts' },
      h('dt', {}, T.recording.vehicle), h('dd', {}, r.vehicle || '—'),
      h('dt', {}, T.recording.driver), h('dd', {}, r.driver || '—'),
      h('dt', {}, T.recording.note), h('dd', {}, r.note || '—'),
      h('dt', {}, T.recording.clockOffset), h('dd', {}, r.clockOffset ? offsetText(r.clockOffset) : '—')));
  }

  // The status and its buttons.
  const statusNow = h('p', { class: 'status-now' });
  const showStatus = () => {
    for (const b of review.querySelectorAll('[data-status]')) b.setAttribute('aria-pressed', String(b.dataset.status === r.status));
    clear(statusNow).append(T.recording.statusNow(''),
      h('span', { class: `status status-${r.status}` }, T.status[r.status] ?? r.status),
      r.status === 'dismissed' && r.statusReason ? `（${r.statusReason}）` : '');
  };
  const review = h('section', { class: 'panel', 'aria-labelledby': 'review-h' }, h('h2', { id: 'review-h' }, T.recording.review), statusNow);
  if (manager) {
    const reason = h('input', { name: 'statusReason', value: r.statusReason ?? '' });
    review.append(h('div', { class: 'status-buttons', role: 'group', 'aria-label': T.recording.review },
      Object.entries(T.status).map(([value, text]) => h('button', {
        type: 'button', 'aria-label': T.recording.setStatus(text), dataset: { status: value },
        onclick: async () => {
          if (value === 'dismissed' && !reason.value.trim()) {
            notice.textContent = T.recording.reasonNeeded;
            reason.focus();
            return;
          }
          const change = { status: value };
          if (value === 'dismissed') change.statusReason = reason.value.trim();
          if (await patch(change)) showStatus();
        },
      }, text))),
    field(T.recording.reason, reason));
  }
  showStatus();

  // Tags.
  const tagList = h('ul', { class: 'tags' });
  const showTags = () => {
    clear(tagList);
    if (!r.tags?.length) tagList.append(h('li', { class: 'none' }, T.recording.noTags));
    for (const tag of r.tags ?? []) {
      tagList.append(h('li', {}, tag, manager ? h('button', {
        type: 'button', class: 'remove', 'aria-label': T.recording.removeTag(tag),
        onclick: async () => { if (await patch({ tags: r.tags.filter((t) => t !== tag) })) showTags(); },
      }, '×') : null));
    }
  };
  showTags();
  const tags = h('section', { class: 'panel', 'aria-labelledby': 'tags-h' }, h('h2', { id: 'tags-h' }, T.recording.tags), tagList);
  if (manager) {
    const newTag = h('input', { name: 'tag', maxlength: 32 });
    tags.append(h('form', { class: 'inline', onsubmit: async (e) => {
      e.preventDefault();
      const tag = newTag.value.trim();
      if (!tag || r.tags?.includes(tag)) return;
      if (await patch({ tags: [...(r.tags ?? []), tag] })) {
        newTag.value = '';
        showTags();
      }
    } }, field(T.recording.newTag, newTag), h('button', { type: 'submit' }, T.recording.addTag)));
  }

  // Comments.
  const commentList = h('ol', { class: 'comments' });
  const addCommentItem = (c) => commentList.append(h('li', {},
    h('p', { class: 'meta' }, c.author, ' ・ ', instantText(c.timeMs)), h('p', { class: 'text' }, c.text)));
  const showComments = () => {
    clear(commentList);
    if (!r.comments?.length) commentList.append(h('li', { class: 'none' }, T.recording.noComments));
    (r.comments ?? []).forEach(addCommentItem);
  };
  showComments();
  const comments = h('section', { class: 'panel', 'aria-labelledby': 'comments-h' }, h('h2', { id: 'comments-h' }, T.recording.comments), commentList);
  if (manager) {
    const text = h('textarea', { name: 'comment', rows: 3, maxlength: 4000 });
    comments.append(h('form', { class: 'comment-form', onsubmit: async (e) => {
      e.preventDefault();
      if (!text.value.trim()) return;
      try {
        const added = await api('POST', `${path}/comments`, { text: text.value });
        r.comments = [...(r.comments ?? []), added];
        showComments();
        text.value = '';
        done(T.recording.saved);
      } catch (error) {
        failed(error);
      }
    } }, field(T.recording.comment, text), h('button', { type: 'submit' }, T.recording.addComment)));
  }

  // Downloads by role.
  const links = [[`${path}/share.mp4`, T.recording.share]];
  if (manager) links.unshift([`${path}/file`, T.recording.original]);
  if (manager) links.push([`${path}/package.zip`, T.recording.package]);
  const downloads = h('section', { class: 'panel', 'aria-labelledby': 'downloads-h' },
    h('h2', { id: 'downloads-h' }, T.recording.downloads), downloadLinks(links));

  async function loadCustody() {
    try {
      const answer = await api('GET', `${path}/custody`);
      const rows = answer.entries.map((e) => h('tr', {},
        h('td', {}, instantText(e.timeMs)), h('td', {}, e.actor), h('td', {}, T.recording.actions[e.action] ?? e.action),
        h('td', { class: 'details' }, e.details && typeof e.details === 'object' && Object.keys(e.details).length ? JSON.stringify(e.details) : '')));
      clear(custodyBox).append(rows.length ? h('table', { class: 'custody' },
        h('thead', {}, h('tr', {}, [T.recording.custodyTime, T.recording.custodyActor, T.recording.custodyAction, T.recording.custodyDetails]
          .map((t) => h('th', { scope: 'col' }, t)))),
        h('tbody', {}, rows)) : h('p', {}, T.recording.custodyEmpty));
    } catch (error) {
      clear(custodyBox).append(h('p', { class: 'error' }, T.error(error.message)));
    }
  }

  const back = `/${sessionStorage.getItem(listQueryKey) ?? ''}`;
  main.append(
    h('p', { class: 'back' }, h('a', { href: back, 'data-nav': '' }, `← ${T.recording.back}`)),
    h('h1', {}, title),
    notice,
    h('div', { class: 'recording' },
      h('div', { class: 'left' }, player.element,
        h('section', { class: 'panel', 'aria-labelledby': 'facts-h' }, h('h2', { id: 'facts-h' }, T.recording.facts), factsList(r))),
      h('div', { class: 'right' }, review, tags, details, comments, downloads,
        manager ? sharesSection(sha) : null,
        manager ? h('section', { class: 'panel', 'aria-labelledby': 'custody-h' }, h('h2', { id: 'custody-h' }, T.recording.custody), custodyBox) : null)));
  if (manager) loadCustody();
  return () => player.destroy();
}
