// The ZRForm content script of one frame: takes snapshots of its own document
// (bounded as browser/protocol.md says; shadow roots included, formless
// inputs as one form of their own, inputs nobody can type into reported as
// "hidden"), writes a fill's values back into that same document only, asks
// for a login fill when a password input (or a login name step) shows up,
// and reports logins being sent, by form, button or Enter. It never listens
// to the page's window messages. Injected twice (a reload, executeScript), it
// keeps the first copy. Sandboxed documents without their own origin are
// left alone.
(() => {
  if (globalThis.zrformContentScript) return;
  globalThis.zrformContentScript = true;
  if (globalThis.origin === 'null') return;

  const api = globalThis.browser ?? globalThis.chrome;
  const kMaxElements = 5000;
  const kMaxOptions = 1000;
  const kMaxText = 4096;
  const kMaxDerivedName = 64;
  const kSameSubmitMs = 1000; // one login sent by Enter, click and submit is one capture
  const kCheckMs = 300; // the page is looked at again at most this often while it changes
  const kFieldTags = new Set(['input', 'textarea', 'select']);
  const kHtml = 'http://www.w3.org/1999/xhtml';
  // Types whose inputs can hold a login name, a password or a profile value.
  const kTextTypes = new Set(['text', 'password', 'email', 'tel', 'url', 'number', 'search', '']);
  const kNameStepTypes = new Set(['text', 'email', 'tel', '']);
  const kButtons = 'button, input[type=submit], input[type=button], input[type=image], [role=button]';
  const kNameStepHint = /user|login|email|mail|account|ident|phone/i;

  let lastElements = []; // the elements of the last snapshot, by index
  let lastLocation = null;
  let lastRightClicked = null;
  let lastCapture = { key: null, at: 0 };
  const handledPasswords = new WeakSet(); // password inputs an automatic fill was asked for
  let nameStepAsked = false;

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

  // The address the frame is filled and captured by: its own; an about:blank
  // or srcdoc frame has its creator's origin and is known by it.
  function FrameAddress() {
    const href = document.location.href;
    if (!/^about:/i.test(href)) return href;
    try {
      return window.parent.location.href;
    } catch {
      return `${globalThis.origin}/`;
    }
  }

  // The shadow root of element, closed ones too where the browser lets an
  // extension reach them (Firefox: a property of the element; Chromium: dom).
  function ShadowOf(element) {
    if (element.shadowRoot) return element.shadowRoot;
    try {
      return element.openOrClosedShadowRoot ?? api.dom?.openOrClosedShadowRoot?.(element) ?? null;
    } catch {
      return null;
    }
  }

  // The form fields under root in document order, a shadow tree's fields
  // right after its host; observe(root) is told of each shadow root met.
  // A field is never a shadow host (no shadow root can be attached to it).
  function* Fields(root, observe) {
    const walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (kFieldTags.has(node.localName) && node.namespaceURI === kHtml) {
        yield node;
        continue;
      }
      const shadow = ShadowOf(node);
      if (shadow) {
        observe?.(shadow);
        yield* Fields(shadow, observe);
      }
    }
  }

  // An input no one can type into: not rendered, zero size, off the page,
  // transparent, hidden from assistive technology, disabled, read-only, or a
  // search field. The server's rules pass over type "hidden"; reporting it so
  // keeps the decision with them.
  function Untypable(input, type) {
    if (type === 'search' || input.disabled || input.readOnly || input.hidden) return true;
    if (input.closest('[aria-hidden="true"]')) return true;
    if (
      typeof input.checkVisibility === 'function' &&
      !input.checkVisibility({ opacityProperty: true, visibilityProperty: true })
    )
      return true;
    const rect = input.getBoundingClientRect();
    if (rect.width < 1 || rect.height < 1) return true;
    return rect.right + window.scrollX <= 0 || rect.bottom + window.scrollY <= 0;
  }

  function ReportedType(input) {
    const type = String(input.type).toLowerCase();
    return kTextTypes.has(type) && Untypable(input, type) ? 'hidden' : type;
  }

  // Autocomplete tokens as the names the default field lists know them by.
  const kTokenNames = {
    'given-name': 'firstname',
    'family-name': 'lastname',
    'additional-name': 'middle',
    'honorific-prefix': 'title',
    'street-address': 'address',
    'address-line1': 'address1',
    'address-line2': 'address2',
    'address-level1': 'state',
    'address-level2': 'city',
    'postal-code': 'zip',
    'country-name': 'country',
    'tel-national': 'tel',
    organization: 'company',
    'organization-title': 'jobtitle',
  };

  // A name that says nothing of the field: empty, no two letters in a row, a
  // generic word with a number, or a generated key.
  function Meaningless(name) {
    return (
      !/[a-z]{2}/i.test(name) ||
      /^(?:input|field|fld|text|txt|ctl|elem|element|item|control)[\W_]*\d+$/i.test(name) ||
      (/\d/.test(name) && /^[\da-f_-]{8,}$/i.test(name))
    );
  }

  function AutocompleteToken(element) {
    const tokens = String(element.getAttribute('autocomplete') ?? '')
      .toLowerCase()
      .split(/\s+/)
      .filter((token) => token && token !== 'webauthn');
    const token = tokens.at(-1);
    if (!token || token === 'on' || token === 'off') return '';
    return kTokenNames[token] ?? token;
  }

  function Words(text) {
    return String(text ?? '')
      .replace(/\s+/g, ' ')
      .replace(/[\s:*]+$/, '')
      .trim()
      .slice(0, kMaxDerivedName);
  }

  // The name the server matches: the element's name, or when that says
  // nothing, the first of its autocomplete token, id, label text (or
  // aria-label) and placeholder that says something.
  function FieldName(element) {
    const name = element.getAttribute('name') ?? '';
    if (!Meaningless(name)) return name;
    const candidates = [
      () => AutocompleteToken(element),
      () => element.id,
      () => Words(element.labels?.[0]?.textContent),
      () => Words(element.getAttribute('aria-label')),
      () => Words(element.getAttribute('placeholder')),
    ];
    for (const candidate of candidates) {
      const derived = candidate();
      if (derived && !Meaningless(derived)) return derived;
    }
    return name;
  }

  let observeRoot = null; // set once the page is observed

  // The frame's document as the server sees it, and where each of its forms
  // is: formIndex (form element -> index) and formless (the index of the one
  // form the inputs outside any form make, or -1).
  function TakeSnapshot() {
    const state = { truncated: false };
    const formIndex = new Map();
    const forms = [];
    const AddForm = (form) => {
      formIndex.set(form, forms.length);
      forms.push({ name: Bounded(form.getAttribute('name') ?? '', state) });
    };
    for (const form of document.forms) {
      if (forms.length >= kMaxElements) {
        state.truncated = true;
        break;
      }
      AddForm(form);
    }
    const elements = [];
    const refs = [];
    const formless = [];
    for (const element of Fields(document, observeRoot)) {
      if (elements.length >= kMaxElements) {
        state.truncated = true;
        break;
      }
      const owner = element.form;
      if (owner && !formIndex.has(owner) && forms.length < kMaxElements) AddForm(owner); // a form in a shadow tree
      const form = owner ? (formIndex.get(owner) ?? -1) : -1;
      const name = Bounded(FieldName(element), state);
      const tag = element.localName;
      let entry;
      if (tag === 'input') {
        entry = {
          kind: 'input',
          form,
          type: ReportedType(element),
          name,
          value: Bounded(element.value, state),
          maxLength: element.maxLength >= 0 ? element.maxLength : -1,
        };
      } else if (tag === 'textarea') {
        entry = { kind: 'textarea', form, name, value: Bounded(element.value, state) };
      } else {
        const options = [];
        for (const option of element.options) {
          if (options.length >= kMaxOptions) {
            state.truncated = true;
            break;
          }
          options.push({ text: Bounded(option.text, state), value: Bounded(option.value, state) });
        }
        entry = { kind: 'select', form, name, options };
      }
      if (!owner) formless.push(entry);
      elements.push(entry);
      refs.push(element);
    }
    let formlessIndex = -1;
    if (formless.length > 0) {
      formlessIndex = forms.length;
      forms.push({ name: '' });
      for (const entry of formless) entry.form = formlessIndex;
    }
    lastElements = refs;
    lastLocation = document.location.href;
    const page = {
      url: Bounded(FrameAddress(), state),
      title: Bounded(document.title, state),
      truncated: state.truncated,
      forms,
      elements,
    };
    return { page, formIndex, formless: formlessIndex };
  }

  function Announce(element) {
    element.dispatchEvent(new Event('input', { bubbles: true }));
    element.dispatchEvent(new Event('change', { bubbles: true }));
  }

  const kOffValues = new Set(['', '0', 'false', 'off', 'no']);

  // Writes into the elements of the last snapshot, while the document still
  // has the snapshot's address; the number of elements written.
  function ApplyWrites(url, writes) {
    if (lastLocation === null || document.location.href !== lastLocation) return 0;
    if (url !== FrameAddress()) return 0;
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

  // What a form of the snapshot holds: a typed password, and the name typed
  // into a name step (the one text input of a page without passwords).
  function FormFacts(page, index) {
    const inForm = page.elements.filter((element) => element.form === index && element.kind === 'input');
    const password = inForm.some((element) => element.type === 'password' && element.value);
    const anyPassword = page.elements.some((element) => element.type === 'password');
    const texts = inForm.filter((element) => kNameStepTypes.has(element.type));
    const nameStep = !anyPassword && texts.length === 1 && texts[0].value ? texts[0] : null;
    return { password, nameStep };
  }

  // A login being sent from form (an element, or null: the inputs outside any
  // form). The background captures it once the request it causes succeeds.
  function Sending(form) {
    if (form && !form.isConnected) return;
    const key = form ?? document;
    const now = Date.now();
    if (lastCapture.key === key && now - lastCapture.at < kSameSubmitMs) return;
    const { page, formIndex, formless } = TakeSnapshot();
    const index = form ? formIndex.get(form) : formless;
    if (index === undefined || index < 0) return;
    const { password, nameStep } = FormFacts(page, index);
    if (password) {
      lastCapture = { key, at: now };
      Send({ event: 'submitted', page, form: index, at: now }).catch?.(() => {});
    } else if (nameStep) {
      lastCapture = { key, at: now };
      Send({ event: 'name-step', url: page.url, name: nameStep.name, value: nameStep.value }).catch?.(() => {});
    }
  }

  // The form an element sends: its form owner, its form ancestor, or none.
  function FormOf(element) {
    return element?.form ?? element?.closest?.('form') ?? null;
  }

  // The values are read as the submit event starts, before the page can clear
  // them; whether anything is sent the background learns from the requests.
  document.addEventListener('submit', (event) => Sending(event.target), true);
  document.addEventListener(
    'keydown',
    (event) => {
      const target = event.composedPath?.()[0] ?? event.target;
      if (event.key === 'Enter' && target?.localName === 'input') Sending(FormOf(target));
    },
    true,
  );
  document.addEventListener(
    'click',
    (event) => {
      const target = event.composedPath?.()[0] ?? event.target;
      const button = target?.closest?.(kButtons);
      if (button && !button.disabled) Sending(FormOf(button));
    },
    true,
  );
  document.addEventListener('contextmenu', (event) => (lastRightClicked = event.composedPath?.()[0] ?? event.target), true);

  api.runtime.onMessage.addListener((request, sender, sendResponse) => {
    switch (request?.zr) {
      case 'snapshot':
        sendResponse({ page: TakeSnapshot().page });
        break;
      case 'apply':
        sendResponse({ written: ApplyWrites(request.url, request.writes) });
        break;
      case 'clicked-name': {
        const element = lastRightClicked?.closest?.('input, textarea, select');
        sendResponse({ name: element ? FieldName(element) || element.id || '' : '' });
        break;
      }
      default:
        return false;
    }
    return false;
  });

  // The automatic login fill, asked for each password input once, as it
  // shows up; and for a login name step once per document.
  async function FillWhenLogin() {
    const fresh = [];
    let nameStep = null;
    let anyPassword = false;
    for (const element of Fields(document, observeRoot)) {
      if (element.localName !== 'input') continue;
      const type = ReportedType(element);
      if (type === 'password') {
        anyPassword = true;
        if (!handledPasswords.has(element)) fresh.push(element);
      } else if (kNameStepTypes.has(type)) {
        const hints = [element.autocomplete, element.name, element.id, element.type].join(' ');
        if (kNameStepHint.test(hints)) nameStep = element;
      }
    }
    const wanted = fresh.length > 0 || (!anyPassword && nameStep && !nameStepAsked);
    if (!wanted) return;
    for (const element of fresh) handledPasswords.add(element);
    if (!anyPassword) nameStepAsked = true;
    const { page } = TakeSnapshot();
    const answer = await Send({ event: 'page-loaded', page });
    if (answer?.ok && answer.writes?.length) ApplyWrites(page.url, answer.writes);
  }

  // Late fields: the page is looked at again when inputs are added or may
  // have turned visible, at most every kCheckMs, so that a busy page costs
  // one cheap look per interval.
  let checkTimer = null;
  function CheckSoon() {
    if (checkTimer !== null) return;
    checkTimer = setTimeout(() => {
      checkTimer = null;
      FillWhenLogin().catch(() => {});
    }, kCheckMs);
  }
  const HoldsInput = (node) =>
    node.nodeType === Node.ELEMENT_NODE &&
    (node.localName === 'input' || node.shadowRoot !== null || node.querySelector('input') !== null);
  const observer = new MutationObserver((records) => {
    if (checkTimer !== null) return;
    for (const record of records) {
      const nodes = record.type === 'childList' ? record.addedNodes : [record.target];
      for (const node of nodes) {
        if (HoldsInput(node)) {
          CheckSoon();
          return;
        }
      }
    }
  });
  const kObserved = { childList: true, subtree: true, attributes: true, attributeFilter: ['style', 'class', 'hidden', 'type', 'disabled'] };
  const observed = new WeakSet();
  observeRoot = (root) => {
    if (observed.has(root)) return;
    observed.add(root);
    observer.observe(root, kObserved);
  };

  function Start() {
    observeRoot(document);
    FillWhenLogin().catch(() => {});
  }
  if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', Start, { once: true });
  } else {
    Start();
  }
})();
