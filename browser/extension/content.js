// The ZRForm content script of one frame: takes snapshots of its own document
// (bounded as browser/protocol.md says), writes a fill's values back into
// that same document only, asks for a login fill once when the page has a
// password input, and reports forms being sent. It never listens to the
// page's window messages. Injected twice (a reload, executeScript), it keeps
// the first copy.
(() => {
  if (globalThis.zrformContentScript) return;
  globalThis.zrformContentScript = true;

  const api = globalThis.browser ?? globalThis.chrome;
  const kMaxElements = 5000;
  const kMaxOptions = 1000;
  const kMaxText = 4096;
  const kSameSubmitMs = 1000; // one form sent by Enter, click and submit is one capture
  const kFieldSelector = 'input, textarea, select';

  let lastElements = []; // the elements of the last snapshot, by index
  let lastUrl = null;
  let lastRightClicked = null;
  let lastCapture = { form: null, at: 0 };

  // A text cut to the bound, lone surrogates made U+FFFD so that it is valid UTF-8.
  function Bounded(text, state) {
    let value = String(text ?? '');
    if (value.length > kMaxText) {
      value = value.slice(0, kMaxText);
      state.truncated = true;
    }
    return value.replace(
      /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/g,
      '\uFFFD',
    );
  }

  function TakeSnapshot() {
    const state = { truncated: false };
    const formIndex = new Map();
    const forms = [];
    for (const form of document.forms) {
      if (forms.length >= kMaxElements) {
        state.truncated = true;
        break;
      }
      formIndex.set(form, forms.length);
      forms.push({ name: Bounded(form.getAttribute('name') ?? '', state) });
    }
    const elements = [];
    const refs = [];
    for (const element of document.querySelectorAll(kFieldSelector)) {
      if (elements.length >= kMaxElements) {
        state.truncated = true;
        break;
      }
      const form = element.form ? (formIndex.get(element.form) ?? -1) : -1;
      const name = Bounded(element.getAttribute('name') ?? '', state);
      const tag = element.localName;
      let entry;
      if (tag === 'input') {
        entry = {
          kind: 'input',
          form,
          type: String(element.type).toLowerCase(),
          name,
          value: Bounded(element.value, state),
          maxLength: element.maxLength >= 0 ? element.maxLength : -1,
        };
      } else if (tag === 'textarea') {
        entry = { kind: 'textarea', form, name, value: Bounded(element.value, state) };
      } else if (tag === 'select') {
        const options = [];
        for (const option of element.options) {
          if (options.length >= kMaxOptions) {
            state.truncated = true;
            break;
          }
          options.push({ text: Bounded(option.text, state), value: Bounded(option.value, state) });
        }
        entry = { kind: 'select', form, name, options };
      } else {
        continue; // an element of another namespace with the same local name
      }
      elements.push(entry);
      refs.push(element);
    }
    lastElements = refs;
    lastUrl = document.location.href;
    return {
      url: Bounded(lastUrl, state),
      title: Bounded(document.title, state),
      truncated: state.truncated,
      forms,
      elements,
    };
  }

  function Announce(element) {
    element.dispatchEvent(new Event('input', { bubbles: true }));
    element.dispatchEvent(new Event('change', { bubbles: true }));
  }

  const kOffValues = new Set(['', '0', 'false', 'off', 'no']);

  // Writes into the elements of the last snapshot, while the document still
  // has the snapshot's address; the number of elements written.
  function ApplyWrites(url, writes) {
    if (lastUrl === null || document.location.href !== lastUrl || url !== lastUrl) return 0;
    let written = 0;
    for (const write of Array.isArray(writes) ? writes : []) {
      const element = lastElements[write?.element];
      if (!element || !element.isConnected) continue;
      if (element.localName === 'select') {
        const option = element.options[write.option];
        if (!option) continue;
        option.selected = true;
      } else if (typeof write.value === 'string') {
        const type = element.localName === 'input' ? String(element.type).toLowerCase() : '';
        if (type === 'checkbox' || type === 'radio') {
          element.checked = !kOffValues.has(write.value.toLowerCase());
        } else {
          element.value = write.value; // the element's own setter, not the page's
        }
      } else {
        continue;
      }
      Announce(element);
      ++written;
    }
    return written;
  }

  function Send(message) {
    try {
      return api.runtime.sendMessage(message);
    } catch {
      return Promise.resolve(null); // the extension was reloaded or removed: this copy is orphaned
    }
  }

  // A form being sent: its snapshot goes to the background, which records it
  // when auto-record is on. Nothing waits for the answer.
  function Captured(form) {
    if (!form || !form.isConnected) return;
    const now = Date.now();
    if (lastCapture.form === form && now - lastCapture.at < kSameSubmitMs) return;
    lastCapture = { form, at: now };
    const page = TakeSnapshot();
    const index = [...document.forms].indexOf(form);
    if (index < 0 || index >= page.forms.length) return;
    Send({ event: 'submitted', page, form: index }).catch?.(() => {});
  }

  function IsSubmitButton(target) {
    const button = target?.closest?.('button, input[type=submit], input[type=image]');
    if (!button || !button.form) return null;
    return button.type === 'submit' || button.type === 'image' ? button : null;
  }

  document.addEventListener('submit', (event) => Captured(event.target), true);
  document.addEventListener(
    'keydown',
    (event) => {
      const target = event.target;
      if (event.key === 'Enter' && target?.localName === 'input' && target.type === 'password')
        Captured(target.form);
    },
    true,
  );
  document.addEventListener('click', (event) => Captured(IsSubmitButton(event.target)?.form), true);
  document.addEventListener('contextmenu', (event) => (lastRightClicked = event.target), true);

  api.runtime.onMessage.addListener((request, sender, sendResponse) => {
    switch (request?.zr) {
      case 'snapshot':
        sendResponse({ page: TakeSnapshot() });
        break;
      case 'apply':
        sendResponse({ written: ApplyWrites(request.url, request.writes) });
        break;
      case 'clicked-name': {
        const element = lastRightClicked?.closest?.(kFieldSelector);
        sendResponse({ name: element ? (element.getAttribute('name') ?? element.id ?? '') : '' });
        break;
      }
      default:
        return false;
    }
    return false;
  });

  // The login fill as the page comes up, once, when it has a password input.
  async function FillOnLoad() {
    if (!document.querySelector('input[type=password]')) return;
    const page = TakeSnapshot();
    const answer = await Send({ event: 'page-loaded', page });
    if (answer?.ok && answer.writes?.length) ApplyWrites(page.url, answer.writes);
  }
  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', () => FillOnLoad().catch(() => {}), { once: true });
  } else {
    FillOnLoad().catch(() => {});
  }
})();
