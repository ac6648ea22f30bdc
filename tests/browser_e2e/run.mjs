// The end-to-end tests of the ZRForm extension in Chromium and Firefox ESR:
// first against the fake host or none (the extension's own plumbing), each
// case in a fresh browser; then against the real host and server (ZRFORM_EXE,
// ZRFORM_BROWSER_EXE, ZRDATA_EXE) on this run's private bus, in one browser per
// kind. Exit codes as harness.mjs says.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { InstallFakeHost, TestBrowser } from './browsers.mjs';
import { Answer, Gone, InstallRealHost, Shown, StartEmptyBus } from './desktop.mjs';
import { Check, env, Home, kManager, Main, RealBrowser, SignIn, sites, Until } from './harness.mjs';

const kNotInstalled = 'The ZRForm browser host is not installed. Run: zrform-browser install';
const kNothingMatched = 'Nothing on this page matched.';
const kNoServer = 'The ZRForm server cannot be started: ';
const kFill = { command: 'fill', type: 'home' };

// [name, needs, run], each in a fresh browser: against the fake host
// (needs.fake) or none, or the real host where no server can be started
// (needs.noServer); needs.xpi: Firefox installs the packed add-on (TestBrowser.Launch).
const kPlumbingFlows = [
  ['host missing -> its message, in the answer and on the popup (Chromium)', {}, async ({ browser, site }) => {
    await browser.Open(`${site}/signup`);
    assert.deepEqual(await browser.Command(kFill), { ok: false, error: kNotInstalled });
    assert.deepEqual(await browser.Command({ command: 'status' }), { ok: true, host: false, server: false });
    if (browser.kind !== 'chromium') return;
    assert.deepEqual(await browser.Popup(['fill-home', 'clear-history']), [
      ['This page cannot be filled (a browser page or a PDF).', 'error'], [kNotInstalled, 'error']]);
  }],
  ['fill home (fake host; Firefox from the unsigned .xpi) writes into the page', { fake: true, xpi: true },
    async ({ browser, site }) => {
      await browser.Open(`${site}/signup`);
      assert.deepEqual(await browser.Command(kFill), { ok: true, filled: 5 });
      assert.deepEqual(await browser.Values(), {
        firstname: 'Ann', lastname: 'Lee', email: 'ann@example.com', city: 'Lyon', zip: '69001', colour: '', nickname: '',
      });
      const heard = await browser.page.evaluate(() => [...document.querySelectorAll('input')].map((i) => i.dataset.heard ?? ''));
      assert.deepEqual(heard, ['ic', 'ic', 'ic', 'ic', 'ic', '', ''], 'bubbling input, then change');
    }],
  ['hostile page (fake host): bounded snapshot', { fake: true }, async ({ browser, site, log }) => {
    await browser.Open(`${site}/hostile`);
    assert.deepEqual(await browser.Command(kFill), { ok: false, error: kNothingMatched }, 'the matching input is past the bound');
    const fills = fs.readFileSync(log, 'utf8').trim().split('\n').map((line) => JSON.parse(line)).filter((entry) => entry.op === 'fill');
    assert.equal(fills.length, 2, 'one automatic fill at load (password input), one asked for');
    for (const { page } of fills) assert.deepEqual(page, { elements: 5000, truncated: true, longest: 4096, wellFormed: true });
  }],
  // The failure in words, in the answer and (Chromium) on the popup's result line.
  ['server cannot be started -> its message', { noServer: true }, async ({ browser, site }) => {
    await browser.Open(`${site}/signup`);
    assert.deepEqual(await browser.Command({ command: 'status' }), { ok: true, host: true, server: false });
    const { ok, error } = await browser.Command(kFill);
    assert.equal(ok, false);
    assert.ok(error.startsWith(kNoServer) && error.length > kNoServer.length, error);
    assert.equal(error.indexOf(kNoServer, 1), -1, `said twice: ${error}`);
    if (browser.kind === 'chromium') assert.deepEqual(await browser.Popup(['login-manager']), [[error, 'error']]);
    return error;
  }],
];

// Runs run({browser, site, log}) in a fresh browser of kind, on a site of its
// own: with the fake host (its log) when needs.fake, or with needs.noServer the
// real host on a bus of its own, where no server can be started.
async function InFreshBrowser(kind, needs, run) {
  const home = Home(kind);
  const log = needs.fake ? InstallFakeHost(kind, home) : null;
  if (needs.noServer) InstallRealHost(kind, home, env.host);
  const bus = needs.noServer ? await StartEmptyBus(home) : null;
  const browser = await TestBrowser.Launch(kind, home, bus ? { DBUS_SESSION_BUS_ADDRESS: bus.address } : {}, { xpi: needs.xpi });
  try {
    return await run({ browser, site: await sites.Add('127.0.0.1'), log });
  } finally {
    await browser.Close();
    bus?.stop();
  }
}

// [name, run] against the real host and server, in order, in one browser.
const kRealFlows = [
  ['search an address, history by prefix, clear history', async ({ browser, site }) => {
    await browser.Open(`${site}/signup`);
    const address = `${new URL(site).host}/signed-in`;
    assert.deepEqual(await browser.Command({ command: 'search', text: address }), { ok: true });
    const opened = await browser.browser.waitForTarget((t) => t.url() === `http://${address}`, { timeout: 20000 });
    await (await opened.page())?.close();
    const { items } = await browser.Command({ command: 'history', prefix: 'LOCALHOST' });
    assert.ok(items.includes(address), JSON.stringify(items));
    assert.deepEqual(await browser.Command({ command: 'clear-history' }), { ok: true });
    assert.deepEqual(await browser.Command({ command: 'history' }), { ok: true, items: [] });
  }],
  ['two logins fit: badge "2", fill asks which; the badge follows navigation', async ({ browser, site, twoSite }) => {
    const url = `${twoSite}/two-logins/signin`;
    const logins = [[url, 'ann-two'], [url, 'bob-two'], [`${site}/signin`, 'one-user']];
    for (const [at, user] of logins) assert.ok(await SignIn(browser, at, user, ['alt+y']), 'no remember window');
    await browser.Open(url);
    assert.deepEqual(await browser.Command({ command: 'badge' }), { ok: true, count: 2, text: '2' });
    assert.deepEqual(await browser.Values(), { username: '', password: '' }, 'no automatic choice');
    const fill = browser.Command({ command: 'fill', type: 'password' });
    assert.ok(await Answer(kManager, ['Return']), 'the select-login window did not appear');
    assert.deepEqual(await fill, { ok: true, filled: 2 });
    const { username, password } = await browser.Values();
    assert.ok(['ann-two', 'bob-two'].includes(username) && password === `${username}-pass`);
    const other = `http://127.0.0.1:${new URL(site).port}`; // no login is keyed to it
    const visits = [[url, '2'], [`${site}/signup`, '1'], [`${other}/signup`, ''], [`${twoSite}/signed-in`, '2']];
    for (const [at, text] of visits) {
      await browser.Open(at);
      await Until(async () => (await browser.Command({ zrTest: 'badge-text' })).text === text, `"${text}" on ${at}`);
    }
  }],
  ...[
    ['to another document', (page) => page.goto(`${page.url()}?n=moved`, { waitUntil: 'load' })],
    ['by the page\'s own history', (page) => page.evaluate(() => history.pushState(null, '', '?n=pushed'))],
  ].map(([how, navigate]) => [`a fill's writes after the page navigated ${how} are dropped`, async ({ browser, twoSite }) => {
    // The fill is asked for from another tab and answered once the page moved on.
    const target = await browser.Open(`${twoSite}/two-logins/signin`);
    const { tabId } = await browser.Command({ zrTest: 'tab' });
    const sender = await browser.Open(`${twoSite}/signed-in`, await browser.browser.newPage());
    try {
      await target.bringToFront();
      const fill = browser.Command({ command: 'fill', type: 'password', tabId }, sender);
      assert.ok(await Answer(kManager, []), 'the select-login window did not appear');
      await navigate(target);
      assert.ok(await Answer(kManager, ['Return']), 'the select-login window went away');
      assert.deepEqual(await fill, { ok: false, error: kNothingMatched });
      assert.deepEqual(await browser.Values(), { username: '', password: '' });
    } finally {
      await sender.close();
    }
  }]),
  ...[
    // The first Login Manager sets up the master password, then shows the logins.
    ['login-manager', [['Master Password', ['=Secret-1', 'Tab', '=Secret-1', 'Return']], [kManager, ['Escape']]]],
    ['form-manager', [['Form Manager', ['Escape']]]],
  ].map(([command, windows]) => [`${command} opens its window`, async ({ browser, site }) => {
    await browser.Open(`${site}/signed-in`);
    const opened = browser.Command({ command }).catch((error) => ({ error: String(error) }));
    for (const [title, keys] of windows) {
      assert.ok(await Answer(title, keys), `no window "${title}"`);
      assert.ok(await Gone(title), `"${title}" did not close`);
    }
    assert.deepEqual(await opened, { ok: true });
  }]),
  ['"never for this site": no prompt on the next submit there, still one elsewhere', async ({ browser, site, neverSite }) => {
    const url = `${neverSite}/signin`;
    // Tick "Don't ask me again ... on this site" (the first alt+d), then No.
    assert.ok(await SignIn(browser, url, 'never-one', ['alt+d', 'space', 'alt+n']), 'no remember window');
    assert.ok(await Gone(kManager), 'the remember window stayed');
    await SignIn(browser, url, 'never-two');
    // The host answers in order: once status is answered the capture was handled.
    const status = await browser.Command({ command: 'status' }, browser.page, 20000).catch(() => null);
    if (!status || (await Shown(kManager))) {
      await Answer(kManager, ['alt+n'], 5);
      assert.fail('asked again on that site');
    }
    assert.deepEqual(await browser.Command({ command: 'badge' }), { ok: true, count: 0, text: '' }, 'nothing stored');
    assert.ok(await SignIn(browser, `${site}/signin`, 'other-user', ['alt+n']), 'no prompt on another site');
  }],
  ['hostile page (real host): answered, and the host lives on', async ({ browser, site }) => {
    await browser.Open(`${site}/hostile`);
    const fill = await browser.Command(kFill);
    if (fill.ok !== true) assert.deepEqual(fill, { ok: false, error: kNothingMatched });
    assert.equal((await browser.Command({ command: 'status' })).host, true, 'the host survived');
  }],
];

await Main(async (kinds) => {
  for (const kind of kinds)
    for (const [name, needs, run] of kPlumbingFlows) await Check(kind, name, () => InFreshBrowser(kind, needs, run));
  for (const kind of kinds) {
    // Sites of their own, so the logins one browser stores are its own; named
    // localhost: the server keys a login on 127.0.0.1:PORT by a site that
    // never matches that address again (the port's colon counts as a name).
    const [site, twoSite, neverSite] = [await sites.Add(), await sites.Add(), await sites.Add()];
    const browser = await RealBrowser(kind, 'real', { testBackground: true });
    for (const [name, run] of kRealFlows) await Check(kind, name, () => run({ browser, site, twoSite, neverSite }));
    await browser.Close();
  }
});
