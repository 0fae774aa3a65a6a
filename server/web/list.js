// イベント一覧: newest first, filtered by the URL's query, pages loaded as one scrolls.
import { T, captureText } from './texts.js';
import { h, field } from './dom.js';
import { api, ApiError } from './api.js';

const filterNames = ['q', 'from', 'to', 'depot', 'vehicle', 'driver', 'status', 'tag'];
const pageSize = 50;
export const listQueryKey = 'halcyra.listQuery';

function filterForm(current, onApply) {
  const inputs = {
    q: h('input', { type: 'search', name: 'q', value: current.get('q') ?? '' }),
    from: h('input', { type: 'date', name: 'from', value: current.get('from') ?? '' }),
    to: h('input', { type: 'date', name: 'to', value: current.get('to') ?? '' }),
    depot: h('input', { name: 'depot', value: current.get('depot') ?? '' }),
    vehicle: h('input', { name: 'vehicle', value: current.get('vehicle') ?? '' }),
    driver: h('input', { name: 'driver', value: current.get('driver') ?? '' }),
    status: h('select', { name: 'status' },
      h('option', { value: '' }, T.list.anyStatus),
      Object.entries(T.status).map(([value, text]) =>
        h('option', { value, selected: current.get('status') === value }, text))),
    tag: h('input', { name: 'tag', value: current.get('tag') ?? '' }),
  };
  const query = () => {
    const q = new URLSearchParams();
    for (const name of filterNames) {
      const value = inputs[name].value.trim();
      if (value) q.set(name, value);
    }
    return q;
  };
  return h('form', { class: 'filters', role: 'search', 'aria-label': T.list.filters,
    onsubmit: (e) => { e.preventDefault(); onApply(query()); } },
  field(T.list.q, inputs.q), field(T.list.from, inputs.from), field(T.list.to, inputs.to),
  field(T.list.depot, inputs.depot), field(T.list.vehicle, inputs.vehicle),
  field(T.list.driver, inputs.driver), field(T.list.status, inputs.status), field(T.list.tag, inputs.tag),
  h('div', { class: 'buttons' },
    h('button', { type: 'submit', class: 'primary' }, T.list.apply),
    h('button', { type: 'button', onclick: () => onApply(new URLSearchParams()) }, T.list.clear)));
}

function row(r) {
  const href = `/recordings/${r.sha256}`;
  const date = captureText(r.captureDate);
  return h('tr', { dataset: { sha: r.sha256 } },
    h('td', { class: 'thumb' }, h('img', {
      src: `/api/v1/recordings/${r.sha256}/thumbnail`, alt: T.list.thumbnail, loading: 'lazy',
      width: 160, height: 120, decoding: 'async', fetchpriority: 'low',
    })),
    h('td', {},
      h('a', { href, 'data-nav': '', 'aria-label': T.list.open(date) }, date),
      r.complete ? null : h('span', { class: 'badge warn', title: T.list.incompleteTitle }, T.list.incomplete)),
    h('td', {}, r.depot || '—'),
    h('td', {}, r.vehicle || '—'),
    h('td', {}, r.driver || '—'),
    h('td', {}, h('span', { class: `status status-${r.status}` }, T.status[r.status] ?? r.status)),
    h('td', {}, r.tags?.length ? h('ul', { class: 'tags' }, r.tags.map((t) => h('li', {}, t))) : '—'),
    h('td', { class: 'note' }, r.note || ''));
}

export function render(main, _params, { navigate }) {
  document.title = `${T.list.title} - ${T.appName}`;
  const params = new URLSearchParams(location.search);
  sessionStorage.setItem(listQueryKey, location.search);
  const count = h('p', { class: 'count', 'aria-live': 'polite' }, T.list.loading);
  const body = h('tbody');
  const table = h('table', { class: 'events' },
    h('caption', { class: 'visually-hidden' }, T.list.title),
    h('thead', {}, h('tr', {},
      [T.list.thumbnail, T.list.captured, T.list.depot, T.list.vehicle, T.list.driver, T.list.status, T.list.tag, T.list.note]
        .map((text) => h('th', { scope: 'col' }, text)))),
    body);
  const more = h('button', { type: 'button', class: 'more', hidden: true, onclick: () => loadMore() }, T.list.more);
  const sentinel = h('div', { class: 'sentinel', 'aria-hidden': 'true' });
  const message = h('p', { class: 'error', role: 'alert' });
  main.append(
    h('h1', {}, T.list.title),
    filterForm(params, (q) => navigate(q.toString() ? `/?${q}` : '/')),
    count, message, table, more, sentinel);

  let next = null;
  let loading = false;
  let shown = 0;
  let total = 0;
  let gone = false;

  async function loadMore(first = false) {
    if (loading || gone || (!first && !next)) return;
    loading = true;
    const q = new URLSearchParams();
    for (const name of filterNames) if (params.get(name)) q.set(name, params.get(name));
    q.set('limit', String(pageSize));
    if (!first) q.set('after', next);
    try {
      const page = await api('GET', `/api/v1/recordings?${q}`);
      if (gone) return;
      page.recordings.forEach((r) => body.append(row(r)));
      shown += page.recordings.length;
      total = page.total;
      next = page.next;
      count.textContent = shown === 0 ? T.list.empty : `${T.list.total(total)}（${T.list.shown(shown)}）`;
      more.hidden = !next;
    } catch (error) {
      if (error instanceof ApiError && error.status === 401) return;
      message.textContent = T.error(error.message);
    } finally {
      loading = false;
    }
    // Still room below on a tall screen: the next page comes at once.
    nearEnd();
  }

  // The next page comes as the end of the list nears: the observer sees it come into view, and
  // a scroll that jumps to the end while a page is loading (End, a drag of the bar), which the
  // observer may not see change, is caught on the way.
  function nearEnd() {
    if (next && !loading && sentinel.getBoundingClientRect().top < window.innerHeight + 400) loadMore();
  }
  const observer = new IntersectionObserver((entries) => {
    if (entries.some((e) => e.isIntersecting)) loadMore();
  }, { rootMargin: '400px' });
  observer.observe(sentinel);
  window.addEventListener('scroll', nearEnd, { passive: true });
  loadMore(true);
  return () => { gone = true; observer.disconnect(); window.removeEventListener('scroll', nearEnd); };
}
