// The server's JSON API: the session (with its CSRF token, sent on every change) and the calls.

const sessionKey = 'halcyra.session';

export function session() {
  try {
    return JSON.parse(localStorage.getItem(sessionKey) ?? 'null');
  } catch {
    return null;
  }
}

export function setSession(value) {
  if (value) localStorage.setItem(sessionKey, JSON.stringify(value));
  else localStorage.removeItem(sessionKey);
}

export const role = () => session()?.role ?? '';
export const isManager = () => role() === 'manager' || role() === 'admin';
export const isAdmin = () => role() === 'admin';

export class ApiError extends Error {
  constructor(status, body, headers) {
    super(body?.error ?? `HTTP ${status}`);
    this.status = status;
    this.body = body;
    this.headers = headers;
  }
}

let onSignedOut = () => {};
export function whenSignedOut(handler) {
  onSignedOut = handler;
}

// Calls the API; the parsed JSON answer, or throws ApiError. A 401 ends the session.
export async function api(method, path, body, extraHeaders = {}) {
  const headers = { ...extraHeaders };
  // Ahead of the pictures a page is loading: a list's next page waits for no thumbnail.
  const init = { method, headers, credentials: 'same-origin', cache: 'no-store', priority: 'high' };
  if (method !== 'GET') {
    const csrf = session()?.csrf;
    if (csrf) headers['X-CSRF-Token'] = csrf;
  }
  if (body !== undefined) {
    headers['Content-Type'] = 'application/json';
    init.body = JSON.stringify(body);
  }
  const res = await fetch(path, init);
  const type = res.headers.get('Content-Type') ?? '';
  const data = type.includes('json') ? await res.json().catch(() => null) : null;
  if (!res.ok) {
    if (res.status === 401 && path !== '/api/v1/session' && !path.startsWith('/s/')) {
      setSession(null);
      onSignedOut();
    }
    throw new ApiError(res.status, data, res.headers);
  }
  return data;
}

export const recordingPath = (sha) => `/api/v1/recordings/${encodeURIComponent(sha)}`;
