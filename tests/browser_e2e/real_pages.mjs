// The extension on the pages people meet, in Chromium and Firefox ESR, with
// the real host and server on this run's private bus: frames, inputs outside
// forms, inputs nobody can type into, late fields, shadow roots, names taken
// from autocomplete and labels, two-step logins, logins sent by script, and
// React and Vue pages. One table of pages and what each must end with. Exit 0
// passed, 1 failed, 77 skipped (no browser, or no server to run against).
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { promisify } from 'node:util';
import fs from 'node:fs';
import path from 'node:path';
import { kBrowsers, TestBrowser } from './browsers.mjs';
import { Answer, InstallRealHost, PrepareServer, StartDisplay } from './desktop.mjs';
import { Sites } from './real_pages/sites.mjs';

const kSkip = 77;
const kRememberWindow = 'Zorvane Login Manager';
const kNoSecondMs = 4; // seconds a second remember window is waited for
const kNothingSentMs = 9; // seconds past which a cancelled login is surely dropped
const A = 0; // the two sites logins are stored for, first of all
const B = 1;
const kLogin = [
  { username: 'ann-a', password: 'pass-a' },
  { username: 'bob-b', password: 'pass-b' },
];
const kEmpty = { username: '', password: '' };
const kNotTypable = ['offscreen', 'none', 'invisible', 'transparent', 'zero', 'attr', 'disabled', 'readonly', 'search', 'ariahidden'];

// kind: store (type a login, send it, answer Yes), auto (the automatic fill at
// load), command (a fill asked for, after emptying the page), capture (type,
// send, count remember windows; on a site of its own), steps (a two-step
// login captured, then both steps filled), framework (filled, enabled, sent).
// frames: the values each frame ends with, by its ?f= tag ("top": the tab).
const kRows = [
  { name: 'store the login of site A', kind: 'store', site: A, path: '/signin.html' },
  { name: 'store the login of site B', kind: 'store', site: B, path: '/signin.html' },
  {
    name: 'frames: each by its own site, sandboxed left alone, nested',
    kind: 'auto', site: A, path: '/frames.html',
    frames: { same: kLogin[A], cross: kLogin[B], nested: kLogin[B], sandboxed: kEmpty },
  },
  {
    name: 'a login at the top and a frame of the other site',
    kind: 'auto', site: B, path: '/top_and_frame.html', frames: { top: kLogin[B], inner: kLogin[A] },
  },
  {
    name: 'fill command: the top login first, the frame left as it is',
    kind: 'command', type: 'password', site: B, path: '/top_and_frame.html', frames: { top: kLogin[B], inner: kEmpty },
  },
  { name: 'inputs outside any form', kind: 'auto', site: A, path: '/formless.html', frames: { top: kLogin[A] } },
  {
    name: 'hidden, zero-size, disabled, read-only, search and honeypot inputs left empty',
    kind: 'auto', site: A, path: '/hidden.html',
    frames: { top: { ...Object.fromEntries(kNotTypable.map((id) => [id, ''])), decoy: '', ...kLogin[A] } },
  },
  { name: 'login form added after load', kind: 'auto', site: A, path: '/late_added.html', frames: { top: kLogin[A] } },
  { name: 'login form shown after load', kind: 'auto', site: A, path: '/late_shown.html', frames: { top: kLogin[A] } },
  { name: 'open shadow root', kind: 'auto', site: A, path: '/shadow_open.html', frames: { top: kLogin[A] } },
  { name: 'closed shadow root', kind: 'auto', site: A, path: '/shadow_closed.html', frames: { top: kLogin[A] } },
  {
    name: 'names from autocomplete, id, label, placeholder: Fill Home',
    kind: 'command', type: 'home', site: A, path: '/names.html',
    frames: { top: { given: 'Ann', family: 'Lee', email: 'ann@example.com', zip: 'PO1 2AB', x1: '12 Harbour Road', tel: '', org: '', other: '' } },
  },
  {
    name: 'names from autocomplete: Fill Work',
    kind: 'command', type: 'work', site: A, path: '/names.html',
    frames: { top: { email: '', zip: '', tel: '+44 20 7946 0000', org: 'Example Ltd', other: '' } },
  },
  { name: 'submit, 302, 302, 200', kind: 'capture', path: '/signin.html?action=/redirect', captures: 1 },
  { name: 'click on a button with no submit, fetch', kind: 'capture', path: '/script_button.html', captures: 1 },
  { name: 'submit cancelled, fetch', kind: 'capture', path: '/script_submit.html?via=fetch', captures: 1 },
  { name: 'submit cancelled, XMLHttpRequest', kind: 'capture', path: '/script_submit.html?via=xhr', captures: 1 },
  { name: 'inputs outside any form, button, fetch', kind: 'capture', path: '/formless.html', captures: 1 },
  { name: 'submit refused (401)', kind: 'capture', path: '/signin.html?action=/fail', captures: 0 },
  { name: 'fetch refused (401)', kind: 'capture', path: '/script_submit.html?via=fetch&to=/api/fail', captures: 0 },
  { name: 'submit cancelled, nothing sent', kind: 'capture', path: '/script_submit.html?via=none', captures: 0 },
  { name: 'no capture for the three above', kind: 'none' },
  { name: 'two steps: name, then password', kind: 'steps', login: { username: 'carl-c', password: 'pass-c' } },
  { name: 'React production build', kind: 'framework', site: A, path: '/react.html' },
  { name: 'Vue', kind: 'framework', site: A, path: '/vue.html' },
];

const Pause = (ms) => new Promise((done) => setTimeout(done, ms));

// Waits until check() gives true, at most ms; else fails with what it gave last.
async function Until(check, what, ms = 30000) {
  const end = Date.now() + ms;
  for (let last; ; await Pause(250)) {
    last = await check().catch((error) => String(error));
    if (last === true) return;
    if (Date.now() > end) throw new Error(`${what}: ${JSON.stringify(last)}`);
  }
}

// The values of each tagged frame's inputs (and of a shadow root the page shows the test).
async function FrameValues(page) {
  const values = {};
  for (const frame of page.frames()) {
    const tag = frame === page.mainFrame() ? 'top' : new URL(frame.url()).searchParams.get('f');
    if (!tag) continue;
    values[tag] = await frame.evaluate(() =>
      Object.fromEntries([...(window.testRoot ?? document).querySelectorAll('input[id]')].map((i) => [i.id, i.value])),
    );
  }
  return values;
}

async function FramesAre(page, expected) {
  const values = await FrameValues(page);
  const seen = Object.fromEntries(
    Object.entries(expected).map(([tag, want]) => [tag, Object.fromEntries(Object.keys(want).map((id) => [id, values[tag]?.[id]]))]),
  );
  try {
    assert.deepEqual(seen, expected);
    return true;
  } catch {
    return seen;
  }
}

async function TypeLogin(page, login) {
  if (login.username !== undefined) await page.type('#username', login.username);
  if (login.password !== undefined) await page.type('#password', login.password);
}

// Waits until no window titled title is shown, at most 10 s.
const Gone = (title) =>
  promisify(execFile)('sh', ['-c', `for i in $(seq 40); do xdotool search --onlyvisible --name '^${title}$' >/dev/null || exit 0; sleep 0.25; done`]);

// Sends the login on the page: a click on #go, waiting for the navigation it may start.
async function Send(page) {
  const navigated = page.waitForNavigation({ timeout: 3000 }).catch(() => null);
  await page.click('#go');
  await navigated;
}

const kKinds = {
  async store({ browser, url, row }) {
    const page = await browser.Open(url);
    await TypeLogin(page, kLogin[row.site]);
    const answered = Answer(kRememberWindow, ['alt+f', 'alt+y']);
    await Send(page);
    assert.ok(await answered, 'no remember window');
  },
  async auto({ browser, url, row }) {
    const page = await browser.Open(url);
    await Until(() => FramesAre(page, row.frames), 'frames');
  },
  async command({ browser, url, row }) {
    const page = await browser.Open(url);
    await Until(() => FramesAre(page, Object.fromEntries(Object.keys(row.frames).map((tag) => [tag, {}]))), 'frames');
    for (const frame of page.frames()) await frame.evaluate(() => document.querySelectorAll('input').forEach((i) => (i.value = '')));
    const chosen = row.type === 'password' ? Answer(kRememberWindow, ['Return']) : null; // the select-login window
    const answer = await browser.Command({ command: 'fill', type: row.type });
    assert.equal(answer.ok, true, answer.error);
    if (chosen) assert.ok(await chosen, 'no select-login window');
    const seen = await FramesAre(page, row.frames);
    assert.equal(seen, true, JSON.stringify(seen));
  },
  async capture({ browser, row, sites }) {
    const page = await browser.Open(`${await sites.Add()}${row.path}`);
    await TypeLogin(page, { username: 'dee', password: 'pass-d' });
    if (row.captures === 0) {
      await Send(page);
      // no window is waited for once, after the last of these
      return;
    }
    const answered = Answer(kRememberWindow, ['Escape']);
    await Send(page);
    assert.ok(await answered, 'no remember window');
    await Gone(kRememberWindow);
    assert.equal(await Answer(kRememberWindow, ['alt+n'], kNoSecondMs), false, 'a second capture');
  },
  async steps({ browser, row, sites }) {
    const base = await sites.Add();
    let page = await browser.Open(`${base}/step1.html`);
    await TypeLogin(page, { username: row.login.username });
    await Send(page);
    await page.waitForSelector('#password');
    await TypeLogin(page, { password: row.login.password });
    const answered = Answer(kRememberWindow, ['alt+f', 'alt+y']);
    await Send(page);
    assert.ok(await answered, 'no remember window');
    page = await browser.Open(`${base}/step1.html`);
    await Until(() => FramesAre(page, { top: { username: row.login.username } }), 'name step');
    page = await browser.Open(`${base}/step2.html`);
    await Until(() => FramesAre(page, { top: { password: row.login.password } }), 'password step');
  },
  async framework({ browser, url, sites }) {
    const page = await browser.Open(url);
    await Until(() => FramesAre(page, { top: kLogin[A] }), 'filled');
    await page.waitForSelector('#go:not([disabled])', { timeout: 10000 });
    const before = sites.received.length;
    const remember = Answer(kRememberWindow, ['Escape'], kNoSecondMs); // the login sent may be offered
    await page.click('#go');
    await remember;
    const sent = JSON.stringify({ user: kLogin[A].username, pass: kLogin[A].password });
    await Until(async () => sites.received.slice(before).includes(sent) || sites.received.slice(before), 'sent');
  },
};

// The capture rows that expect none, checked at once: no window comes.
kKinds.none = async () =>
  assert.equal(await Answer(kRememberWindow, ['alt+n'], kNothingSentMs), false, 'a remember window came');

async function RunRow(results, kind, row, context) {
  const start = performance.now();
  let note = '';
  try {
    const url = row.site === undefined ? null : `${context.bases[row.site]}${row.path}`;
    await kKinds[row.kind]({ ...context, row, url });
  } catch (error) {
    note = String(error?.message ?? error).split('\n').slice(0, 3).join(' ');
  }
  const ms = Math.round(performance.now() - start);
  results.push({ kind, name: row.name, passed: !note });
  console.log(`${note ? 'FAIL' : 'PASS'} [${kind}] ${row.name} (${ms} ms) ${note}`);
}

async function Main() {
  const only = process.env.ZR_E2E_BROWSERS?.split(',');
  const kinds = Object.keys(kBrowsers).filter(
    (kind) => fs.existsSync(kBrowsers[kind].binary) && (!only || only.includes(kind)),
  );
  const { ZRFORM_EXE: server, ZRFORM_BROWSER_EXE: host, ZRDATA_EXE: zrdata, ZR_TEST_SCRATCH: scratch } = process.env;
  if (kinds.length === 0 || !server || !host || !zrdata || !scratch) {
    console.log('SKIP: a browser, ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE and a run_on_bus.sh bus are needed');
    return kSkip;
  }
  const display = await StartDisplay();
  PrepareServer(server, zrdata);
  const sites = new Sites(); // kept open to the end: a port used again would bring its logins
  const results = [];
  for (const kind of kinds) {
    const home = fs.mkdtempSync(path.join(scratch, `${kind}-pages.`));
    InstallRealHost(kind, home, host);
    const bases = [await sites.Add(), await sites.Add()];
    const browser = await TestBrowser.Launch(kind, home);
    const context = { browser, bases, sites };
    const wanted = process.env.ZR_PAGES_ROWS; // a part of the names of the rows to run, while working on them
    for (const row of kRows.filter((r) => !wanted || r.kind === 'store' || r.name.includes(wanted)))
      await RunRow(results, kind, row, context);
    await browser.Close();
  }
  sites.Close();
  display.stop();
  const failed = results.filter((result) => !result.passed);
  console.log(`${results.length - failed.length} of ${results.length} cases passed`);
  return failed.length ? 1 : 0;
}

process.exitCode = await Main();
