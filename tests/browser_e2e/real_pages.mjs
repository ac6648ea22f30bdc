// The extension on the pages people meet, in Chromium and Firefox ESR, with
// the real host and server on this run's private bus: frames, inputs outside
// forms, inputs nobody can type into, late fields, shadow roots, names taken
// from autocomplete and labels, two-step logins, logins sent by script, and
// React and Vue pages. One table of pages and what each must end with. Exit 0
// passed, 1 failed, 77 skipped (no browser, or no server to run against).
import assert from 'node:assert/strict';
import { isDeepStrictEqual } from 'node:util';
import { Answer, Gone } from './desktop.mjs';
import { Check, kManager, Main, RealBrowser, Send, sites, Until } from './harness.mjs';

const kNoSecondMs = 4; // seconds a second remember window is waited for
const kNothingSentMs = 9; // seconds past which a cancelled login is surely dropped
const [A, B] = [0, 1]; // the two sites logins are stored for, first of all
const kLogin = [{ username: 'ann-a', password: 'pass-a' }, { username: 'bob-b', password: 'pass-b' }];
const kEmpty = { username: '', password: '' };
const kNotTypable = ['offscreen', 'none', 'invisible', 'transparent', 'zero', 'attr', 'disabled', 'readonly', 'search',
  'ariahidden', 'decoy'];
const kHome = { given: 'Ann', family: 'Lee', email: 'ann@example.com', zip: 'PO1 2AB', x1: '12 Harbour Road', tel: '' };
const kWork = { email: '', zip: '', tel: '+44 20 7946 0000', org: 'Example Ltd', other: '' };

// [name, kind, site, path, more]. kind: store (type a login, send it, answer
// Yes), auto (the automatic fill at load), command (a fill of more.type asked
// for, after emptying the page), capture (type, send, count remember windows
// (more.captures); on a site of its own), none (no window comes), steps (a
// two-step login captured, then both steps filled), framework (filled,
// enabled, sent). more.frames: the values each frame ends with, by its ?f= tag ("top": the tab).
const kRows = [
  ['store the login of site A', 'store', A, '/signin.html'],
  ['store the login of site B', 'store', B, '/signin.html'],
  ['frames: each by its own site, sandboxed left alone, nested', 'auto', A, '/frames.html',
    { frames: { same: kLogin[A], cross: kLogin[B], nested: kLogin[B], sandboxed: kEmpty } }],
  ['a login at the top and a frame of the other site', 'auto', B, '/top_and_frame.html',
    { frames: { top: kLogin[B], inner: kLogin[A] } }],
  ['fill command: the top login first, the frame left as it is', 'command', B, '/top_and_frame.html',
    { type: 'password', frames: { top: kLogin[B], inner: kEmpty } }],
  ['inputs outside any form', 'auto', A, '/formless.html', { frames: { top: kLogin[A] } }],
  ['hidden, zero-size, disabled, read-only, search and honeypot inputs left empty', 'auto', A, '/hidden.html',
    { frames: { top: { ...Object.fromEntries(kNotTypable.map((id) => [id, ''])), ...kLogin[A] } } }],
  ...[['login form added after load', 'late_added'], ['login form shown after load', 'late_shown'],
    ['open shadow root', 'shadow_open'], ['closed shadow root', 'shadow_closed']]
    .map(([name, page]) => [name, 'auto', A, `/${page}.html`, { frames: { top: kLogin[A] } }]),
  ['names from autocomplete, id, label, placeholder: Fill Home', 'command', A, '/names.html',
    { type: 'home', frames: { top: { ...kHome, org: '', other: '' } } }],
  ['names from autocomplete: Fill Work', 'command', A, '/names.html', { type: 'work', frames: { top: kWork } }],
  ...[
    ['submit, 302, 302, 200', '/signin.html?action=/redirect', 1],
    ['click on a button with no submit, fetch', '/script_button.html', 1],
    ['submit cancelled, fetch', '/script_submit.html?via=fetch', 1],
    ['submit cancelled, XMLHttpRequest', '/script_submit.html?via=xhr', 1],
    ['inputs outside any form, button, fetch', '/formless.html', 1],
    ['submit refused (401)', '/signin.html?action=/fail', 0],
    ['fetch refused (401)', '/script_submit.html?via=fetch&to=/api/fail', 0],
    ['submit cancelled, nothing sent', '/script_submit.html?via=none', 0],
  ].map(([name, path, captures]) => [name, 'capture', undefined, path, { captures }]),
  ['no capture for the three above', 'none'],
  ['two steps: name, then password', 'steps', undefined, undefined, { login: { username: 'carl-c', password: 'pass-c' } }],
  ['React production build', 'framework', A, '/react.html'],
  ['Vue', 'framework', A, '/vue.html'],
];

// Whether the values of each tagged frame's inputs (or of a shadow root the
// page shows the test) are as expected, by tag and id; else what they are.
async function FramesAre(page, expected) {
  const values = {};
  for (const frame of page.frames()) {
    const tag = frame === page.mainFrame() ? 'top' : new URL(frame.url()).searchParams.get('f');
    const Inputs = () => [...(window.testRoot ?? document).querySelectorAll('input[id]')].map((i) => [i.id, i.value]);
    if (tag) values[tag] = Object.fromEntries(await frame.evaluate(Inputs));
  }
  const seen = Object.fromEntries(Object.entries(expected).map(([tag, want]) =>
    [tag, values[tag] && Object.fromEntries(Object.keys(want).map((id) => [id, values[tag][id]]))]));
  return isDeepStrictEqual(seen, expected) || seen;
}

const kKinds = {
  async store({ browser, url, row }) {
    const page = await browser.Open(url);
    assert.ok(await Send(page, kLogin[row.site], ['alt+f', 'alt+y']), 'no remember window');
  },
  async auto({ browser, url, row }) {
    const page = await browser.Open(url);
    await Until(() => FramesAre(page, row.frames), 'frames');
  },
  async command({ browser, url, row }) {
    const page = await browser.Open(url);
    await Until(() => FramesAre(page, Object.fromEntries(Object.keys(row.frames).map((tag) => [tag, {}]))), 'frames');
    const Empty = () => document.querySelectorAll('input').forEach((input) => (input.value = ''));
    for (const frame of page.frames()) await frame.evaluate(Empty);
    const chosen = row.type === 'password' ? Answer(kManager, ['Return']) : null; // the select-login window
    const answer = await browser.Command({ command: 'fill', type: row.type });
    assert.equal(answer.ok, true, answer.error);
    if (chosen) assert.ok(await chosen, 'no select-login window');
    const seen = await FramesAre(page, row.frames);
    assert.equal(seen, true, JSON.stringify(seen));
  },
  async capture({ browser, row }) {
    const page = await browser.Open(`${await sites.Add()}${row.path}`);
    const login = { username: 'dee', password: 'pass-d' };
    if (row.captures === 0) return Send(page, login); // no window is waited for once, after the last of these
    assert.ok(await Send(page, login, ['Escape']), 'no remember window');
    await Gone(kManager, 10);
    assert.equal(await Answer(kManager, ['alt+n'], kNoSecondMs), false, 'a second capture');
  },
  async none() {
    assert.equal(await Answer(kManager, ['alt+n'], kNothingSentMs), false, 'a remember window came');
  },
  async steps({ browser, row: { login } }) {
    const base = await sites.Add();
    let page = await browser.Open(`${base}/step1.html`);
    await Send(page, { username: login.username });
    await page.waitForSelector('#password');
    assert.ok(await Send(page, { password: login.password }, ['alt+f', 'alt+y']), 'no remember window');
    page = await browser.Open(`${base}/step1.html`);
    await Until(() => FramesAre(page, { top: { username: login.username } }), 'name step');
    page = await browser.Open(`${base}/step2.html`);
    await Until(() => FramesAre(page, { top: { password: login.password } }), 'password step');
  },
  async framework({ browser, url }) {
    const page = await browser.Open(url);
    await Until(() => FramesAre(page, { top: kLogin[A] }), 'filled');
    await page.waitForSelector('#go:not([disabled])', { timeout: 10000 });
    const before = sites.received.length;
    await Send(page, {}, ['Escape'], kNoSecondMs); // the login sent may be offered
    const sent = JSON.stringify({ user: kLogin[A].username, pass: kLogin[A].password });
    await Until(async () => sites.received.slice(before).includes(sent) || sites.received.slice(before), 'sent');
  },
};

// The sites stay open to the end: a port used again would bring its logins.
await Main(async (kinds) => {
  for (const kind of kinds) {
    const browser = await RealBrowser(kind, 'pages');
    const context = { browser, bases: [await sites.Add(), await sites.Add()] };
    for (const [name, how, site, path, more] of kRows) {
      const url = site === undefined ? null : `${context.bases[site]}${path}`;
      await Check(kind, name, () => kKinds[how]({ ...context, row: { site, path, ...more }, url }));
    }
    await browser.Close();
  }
});
