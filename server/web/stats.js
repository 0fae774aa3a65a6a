// 統計: events per driver, vehicle or depot by status, as a table and a bar chart drawn here.
import { T } from './texts.js';
import { h, svg, field, clear } from './dom.js';
import { api } from './api.js';

const statuses = Object.keys(T.status);
const colours = { new: '#d1453b', reviewed: '#3c8d4f', needs_coaching: '#d98a00', coached: '#2f6fb5', dismissed: '#8a939e' };

function chart(groups, byText) {
  const rowHeight = 26;
  const labelWidth = 160;
  const width = 760;
  const max = Math.max(1, ...groups.map((g) => g.total));
  const scale = (width - labelWidth - 50) / max;
  const body = svg('svg', { viewBox: `0 0 ${width} ${groups.length * rowHeight + 10}`, role: 'img', 'aria-label': T.stats.chart(byText) });
  groups.forEach((g, i) => {
    const y = i * rowHeight + 5;
    body.append(svg('text', { x: labelWidth - 8, y: y + 16, 'text-anchor': 'end' }, g.key || T.stats.unnamed));
    let x = labelWidth;
    for (const s of statuses) {
      const n = g.status?.[s] ?? 0;
      if (!n) continue;
      body.append(svg('rect', { x, y: y + 3, width: n * scale, height: rowHeight - 8, fill: colours[s] },
        svg('title', {}, `${g.key || T.stats.unnamed}: ${T.status[s]} ${n}`)));
      x += n * scale;
    }
    body.append(svg('text', { x: x + 6, y: y + 16 }, String(g.total)));
  });
  return h('figure', { class: 'chart' }, body,
    h('figcaption', {}, h('ul', { class: 'legend' }, statuses.map((s) =>
      h('li', {}, h('span', { class: `swatch swatch-${s}`, 'aria-hidden': 'true' }), T.status[s])))));
}

export function render(main, _params, { navigate }) {
  document.title = `${T.stats.title} - ${T.appName}`;
  const q = new URLSearchParams(location.search);
  const byNames = { driver: T.stats.byDriver, vehicle: T.stats.byVehicle, depot: T.stats.byDepot };
  const by = h('select', { name: 'by' }, Object.entries(byNames).map(([v, t]) => h('option', { value: v, selected: q.get('by') === v }, t)));
  const from = h('input', { type: 'date', name: 'from', value: q.get('from') ?? '' });
  const to = h('input', { type: 'date', name: 'to', value: q.get('to') ?? '' });
  const out = h('div', { 'aria-live': 'polite' });
  main.append(h('h1', {}, T.stats.title),
    h('form', { class: 'filters', onsubmit: (e) => {
      e.preventDefault();
      const next = new URLSearchParams({ by: by.value });
      if (from.value) next.set('from', from.value);
      if (to.value) next.set('to', to.value);
      navigate(`/stats?${next}`);
    } }, field(T.stats.by, by), field(T.stats.from, from), field(T.stats.to, to),
    h('div', { class: 'buttons' }, h('button', { type: 'submit', class: 'primary' }, T.stats.show))),
    out);
  (async () => {
    const query = new URLSearchParams({ by: by.value });
    if (from.value) query.set('from', from.value);
    if (to.value) query.set('to', to.value);
    try {
      const answer = await api('GET', `/api/v1/stats?${query}`);
      const groups = answer.groups ?? [];
      if (!groups.length) {
        clear(out).append(h('p', {}, T.stats.empty));
        return;
      }
      const listLink = (g, status) => {
        const p = new URLSearchParams();
        if (g.key) p.set(by.value, g.key);
        if (from.value) p.set('from', from.value);
        if (to.value) p.set('to', to.value);
        if (status) p.set('status', status);
        return `/?${p}`;
      };
      clear(out).append(chart(groups, byNames[by.value]), h('table', {},
        h('thead', {}, h('tr', {}, h('th', { scope: 'col' }, byNames[by.value]), h('th', { scope: 'col' }, T.stats.total),
          statuses.map((s) => h('th', { scope: 'col' }, T.status[s])), h('th', { scope: 'col' }, T.stats.tags))),
        h('tbody', {}, groups.map((g) => h('tr', {},
          h('th', { scope: 'row' }, h('a', { href: listLink(g), 'data-nav': '' }, g.key || T.stats.unnamed)),
          h('td', {}, g.total),
          statuses.map((s) => h('td', {}, g.status?.[s] ? h('a', { href: listLink(g, s), 'data-nav': '' }, g.status[s]) : '0')),
          h('td', {}, Object.entries(g.tags ?? {}).map(([t, n]) => `${t} ${n}`).join('、')))))));
    } catch (error) {
      clear(out).append(h('p', { class: 'error' }, T.error(error.message)));
    }
  })();
}
