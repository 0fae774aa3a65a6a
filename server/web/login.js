// ログイン: POST /api/v1/session; the answer's csrf is kept for every change after it.
import { T } from './texts.js';
import { h, field } from './dom.js';
import { api, setSession, ApiError } from './api.js';

export function render(main, _params, { navigate }) {
  document.title = `${T.login.title} - ${T.appName}`;
  const user = h('input', { name: 'user', autocomplete: 'username', required: true });
  const password = h('input', { name: 'password', type: 'password', autocomplete: 'current-password', required: true });
  const message = h('p', { class: 'error', role: 'alert' });
  const submit = h('button', { type: 'submit', class: 'primary' }, T.login.submit);
  const form = h('form', { class: 'login', onsubmit: async (e) => {
    e.preventDefault();
    message.textContent = '';
    submit.disabled = true;
    try {
      const me = await api('POST', '/api/v1/session', { user: user.value, password: password.value });
      setSession(me);
      const next = new URLSearchParams(location.search).get('next');
      navigate(next && next.startsWith('/') && !next.startsWith('//') ? next : '/', { replace: true });
    } catch (error) {
      if (error instanceof ApiError && error.status === 429) {
        message.textContent = T.login.locked(Number(error.headers.get('Retry-After')) || 60);
      } else if (error instanceof ApiError && error.status === 401) {
        message.textContent = T.login.wrong;
      } else {
        message.textContent = T.login.failed;
      }
      password.select();
    } finally {
      submit.disabled = false;
    }
  } },
  h('h1', {}, T.login.title),
  field(T.login.user, user),
  field(T.login.password, password),
  message,
  submit);
  main.append(form);
  user.focus();
}
