// The interface's entry: the header, the pages by path, and links that stay in the page.
import { T } from './texts.js';
import { h, clear } from './dom.js';
import { api, session, setSession, isManager, isAdmin, whenSignedOut } from './api.js';

const pages = [
  [/^\/$/, () => import('./list.js')],
  [/^\/login$/, () => import('./login.js')],
  [/^\/recordings\/([0-9a-f]{64})$/, () => import('./recording.js')],
  [/^\/stats$/, () => import('./stats.js')],
  [/^\/upload$/, () => import('./upload.js')],
  [/^\/admin$/, () => import('./admin.js')],
];

let leave = null;  // what the page on screen does when another replaces it

export function navigate(url, { replace = false } = {}) {
  if (replace) history.replaceState(null, '', url);
  else history.pushState(null, '', url);
  route();
}

function header() {
  const top = clear(document.getElementById('top'));
  const me = session();
  const nav = h('nav', { 'aria-label': T.nav.label },
    h('a', { href: '/', class: 'brand', 'data-nav': '' }, T.appName));
  if (me) {
    const links = [['/', T.nav.list]];
    if (isManager()) links.push(['/stats', T.nav.stats], ['/upload', T.nav.upload]);
    if (isAdmin()) links.push(['/admin', T.nav.admin]);
    const list = h('ul', {}, links.map(([href, text]) =>
      h('li', {}, h('a', { href, 'data-nav': '', 'aria-current': location.pathname === href ? 'page' : null }, text))));
    nav.append(list,
      h('span', { class: 'me' }, T.nav.signedInAs(me.user, me.role)),
      h('button', { type: 'button', class: 'link', onclick: logout }, T.nav.logout));
  }
  top.append(nav);
}

async function logout() {
  try {
    await api('DELETE', '/api/v1/session');
  } catch {
    // Signed out already.
  }
  setSession(null);
  navigate('/login');
}

let routeCount = 0;  // which route() is the latest: an older one that finishes late is dropped

async function route() {
  const count = ++routeCount;
  if (leave) {
    leave();
    leave = null;
  }
  const path = location.pathname;
  const main = clear(document.getElementById('main'));
  if (!session() && path !== '/login') {
    navigate(`/login?next=${encodeURIComponent(path + location.search)}`, { replace: true });
    return;
  }
  header();
  // Each page draws into a view of its own, so one left behind draws nowhere.
  const view = h('div', { class: 'view' });
  main.append(view);
  for (const [pattern, load] of pages) {
    const match = pattern.exec(path);
    if (match) {
      const page = await load();
      if (count !== routeCount) return;
      const done = (await page.render(view, match.slice(1), { navigate })) ?? null;
      if (count !== routeCount) done?.();
      else leave = done;
      return;
    }
  }
  document.title = `${T.notFound} - ${T.appName}`;
  view.append(h('h1', {}, T.notFound));
}

async function start() {
  if (location.pathname.startsWith('/s/')) {
    // A share link: that one recording and nothing else.
    const share = await import('./share.js');
    share.render(document.getElementById('main'), location.pathname);
    return;
  }
  whenSignedOut(() => navigate(`/login?next=${encodeURIComponent(location.pathname + location.search)}`, { replace: true }));
  document.addEventListener('click', (e) => {
    const link = e.target instanceof Element ? e.target.closest('a[data-nav]') : null;
    if (!link || e.defaultPrevented || e.button !== 0 || e.ctrlKey || e.metaKey || e.shiftKey || e.altKey) return;
    e.preventDefault();
    navigate(link.getAttribute('href'));
  });
  window.addEventListener('popstate', route);
  route();
}

start();
