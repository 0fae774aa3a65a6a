// 管理 (admin): users (role, depots, password, removal) and device tokens.
import { T, instantText } from './texts.js';
import { h, field, clear } from './dom.js';
import { api } from './api.js';

const depotsOf = (text) => text.split(/[\s,、]+/).filter(Boolean);

export function render(main) {
  document.title = `${T.admin.title} - ${T.appName}`;
  const notice = h('p', { class: 'notice', role: 'status' });
  const users = h('div');
  const tokens = h('div');
  const act = async (call, after) => {
    try {
      const answer = await call();
      notice.textContent = '';
      after?.(answer);
    } catch (error) {
      notice.textContent = T.error(error.body?.error ?? error.message);
    }
  };
  const roleSelect = (value) => h('select', { name: 'role' },
    Object.entries(T.roles).map(([v, t]) => h('option', { value: v, selected: v === value }, t)));

  async function loadUsers() {
    const answer = await api('GET', '/api/v1/users');
    clear(users).append(h('table', {},
      h('thead', {}, h('tr', {}, [T.admin.user, T.admin.role, T.admin.depots].map((t) => h('th', { scope: 'col' }, t)),
        h('th', { scope: 'colgroup', colspan: 2 }, T.admin.actions))),
      h('tbody', {}, answer.users.map((u) => {
        const role = roleSelect(u.role);
        role.setAttribute('aria-label', `${u.user} ${T.admin.role}`);
        role.addEventListener('change', () => act(() => api('PATCH', `/api/v1/users/${encodeURIComponent(u.user)}`, { role: role.value }), loadUsers));
        return h('tr', {}, h('td', {}, u.user), h('td', {}, role), h('td', {}, u.depots.length ? u.depots.join(' ') : T.admin.allDepots),
          h('td', {}, h('button', { type: 'button', 'aria-label': T.admin.resetNamed(u.user), onclick: () => {
            const password = prompt(T.admin.newPassword(u.user));
            if (password) act(() => api('PATCH', `/api/v1/users/${encodeURIComponent(u.user)}`, { password }));
          } }, T.admin.resetPassword)),
          h('td', {}, h('button', { type: 'button', 'aria-label': T.admin.removeNamed(u.user),
            onclick: () => act(() => api('DELETE', `/api/v1/users/${encodeURIComponent(u.user)}`), loadUsers) }, T.admin.remove)));
      }))));
  }
  async function loadTokens() {
    const answer = await api('GET', '/api/v1/tokens');
    clear(tokens).append(h('table', {},
      h('thead', {}, h('tr', {}, [T.admin.tokenName, T.admin.depot, T.admin.created, T.admin.actions].map((t) => h('th', { scope: 'col' }, t)))),
      h('tbody', {}, answer.tokens.map((t) => h('tr', {}, h('td', {}, t.name), h('td', {}, t.depot), h('td', {}, instantText(t.createdMs)),
        h('td', {}, h('button', { type: 'button', 'aria-label': T.admin.removeNamed(t.name),
          onclick: () => act(() => api('DELETE', `/api/v1/tokens/${encodeURIComponent(t.name)}`), loadTokens) }, T.admin.remove)))))));
  }

  const user = h('input', { name: 'user', required: true });
  const password = h('input', { type: 'password', name: 'password', autocomplete: 'new-password', required: true });
  const role = roleSelect('viewer');
  const depots = h('input', { name: 'depots' });
  const tokenName = h('input', { name: 'tokenName', required: true });
  const tokenDepot = h('input', { name: 'tokenDepot', required: true });
  main.append(h('h1', {}, T.admin.title), notice,
    h('section', { class: 'panel' }, h('h2', {}, T.admin.users), users,
      h('form', { class: 'inline', onsubmit: (e) => {
        e.preventDefault();
        act(() => api('POST', '/api/v1/users', { user: user.value.trim(), password: password.value, role: role.value, depots: depotsOf(depots.value) }),
          () => { user.value = ''; password.value = ''; depots.value = ''; loadUsers(); });
      } }, field(T.admin.user, user), field(T.admin.password, password), field(T.admin.role, role), field(T.admin.depots, depots),
      h('button', { type: 'submit' }, T.admin.add))),
    h('section', { class: 'panel' }, h('h2', {}, T.admin.tokens), tokens,
      h('form', { class: 'inline', onsubmit: (e) => {
        e.preventDefault();
        act(() => api('POST', '/api/v1/tokens', { name: tokenName.value.trim(), depot: tokenDepot.value.trim() }),
          (made) => { notice.textContent = T.admin.tokenShown(made.token); tokenName.value = ''; loadTokens(); });
      } }, field(T.admin.tokenName, tokenName), field(T.admin.depot, tokenDepot), h('button', { type: 'submit' }, T.admin.add))));
  act(loadUsers);
  act(loadTokens);
}
