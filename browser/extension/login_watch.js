// Logins being sent, as the background sees them. A content script reports a
// form with a typed password as the page sends it (a submit, a click on a
// login button, Enter); the login is captured once the first request the tab
// makes from then on (a navigation, or a script's request that carries data)
// has succeeded, and dropped when that request fails (a 4xx or 5xx status, a
// network error) or when none comes within kSendWithinMs (the page cancelled
// it without sending anything). Redirects belong to their request, so a login
// answered by redirects is captured once. The name typed into a name step is
// kept here, in memory only, for kNameStepMs, and goes with the capture of the
// password step on the same site.
export const kSendWithinMs = 6000;
export const kNameStepMs = 5 * 60 * 1000;
const kClockSlackMs = 50; // the page's and the browser's clocks tick apart
const kNameTypes = new Set(['text', 'email', 'tel', '']);
const kNavigations = new Set(['main_frame', 'sub_frame']);
const kReadOnlyMethods = new Set(['GET', 'HEAD', 'OPTIONS']);

// Whether a request (webRequest details) can be a login being sent.
export function MaySend({ type, method }) {
  return kNavigations.has(type) || (type === 'xmlhttprequest' && !kReadOnlyMethods.has(String(method).toUpperCase()));
}

function SiteOf(url) {
  try {
    return new URL(url).host;
  } catch {
    return '';
  }
}

// page with the remembered name put before the form's first password input,
// when the form holds no typed name of its own.
export function WithName(page, form, remembered) {
  const inForm = page.elements.filter((element) => element.form === form && element.kind === 'input');
  if (inForm.some((element) => kNameTypes.has(element.type) && element.value)) return page;
  const at = page.elements.findIndex((element) => element.form === form && element.type === 'password');
  if (at < 0) return page;
  const name = { kind: 'input', form, type: 'text', name: remembered.name, value: remembered.value, maxLength: -1 };
  return { ...page, elements: [...page.elements.slice(0, at), name, ...page.elements.slice(at)] };
}

export class LoginWatch {
  // capture(page, form) records a login; now() gives the time in ms.
  constructor(capture, now = Date.now) {
    this.capture = capture;
    this.now = now;
    this.pending = new Map(); // tab -> {page, form, at, timer}
    this.started = new Map(); // request id -> {tabId, start}
    this.recent = new Map(); // tab -> [{start, ok}]: requests that ended with nothing pending
    this.names = new Map(); // site -> {name, value, at}
  }

  // A login of tab being sent at time at (the page's clock).
  Sent(tabId, page, form, at) {
    this.Drop(tabId);
    const since = at - kClockSlackMs;
    const ended = (this.recent.get(tabId) ?? []).find((request) => request.start >= since);
    this.recent.delete(tabId);
    const pending = { page, form, at: since };
    if (ended) return this.Settle(pending, ended.ok);
    pending.timer = setTimeout(() => this.Drop(tabId), kSendWithinMs);
    this.pending.set(tabId, pending);
    return Promise.resolve(false);
  }

  RequestStarted(details) {
    if (details.tabId >= 0 && MaySend(details))
      this.started.set(details.requestId, { tabId: details.tabId, start: details.timeStamp });
  }

  // A request ended; ok when it succeeded.
  RequestEnded(details, ok) {
    const request = this.started.get(details.requestId);
    if (!request) return Promise.resolve(false);
    this.started.delete(details.requestId);
    const pending = this.pending.get(request.tabId);
    if (pending && request.start >= pending.at) {
      this.Drop(request.tabId);
      return this.Settle(pending, ok);
    }
    const horizon = this.now() - kSendWithinMs;
    const kept = (this.recent.get(request.tabId) ?? []).filter((entry) => entry.start >= horizon);
    kept.push({ start: request.start, ok });
    this.recent.set(request.tabId, kept);
    return Promise.resolve(false);
  }

  NameStep(url, name, value) {
    this.ForgetOldNames();
    const site = SiteOf(url);
    if (site && value) this.names.set(site, { name: String(name ?? ''), value: String(value), at: this.now() });
  }

  // Typed names leave memory once they are older than kNameStepMs, whether or
  // not a password step of their site came.
  ForgetOldNames() {
    const oldest = this.now() - kNameStepMs;
    for (const [site, { at }] of this.names) if (at < oldest) this.names.delete(site);
  }

  Drop(tabId) {
    const pending = this.pending.get(tabId);
    if (pending) clearTimeout(pending.timer);
    this.pending.delete(tabId);
  }

  TabGone(tabId) {
    this.Drop(tabId);
    this.recent.delete(tabId);
  }

  // Captures a pending login whose request succeeded; true when captured.
  async Settle({ page, form }, ok) {
    if (!ok) return false;
    this.ForgetOldNames();
    const name = this.names.get(SiteOf(page.url));
    await this.capture(name ? WithName(page, form, name) : page, form);
    return true;
  }
}
