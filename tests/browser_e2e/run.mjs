// The end-to-end tests of the ZRForm extension in Chromium and Firefox ESR:
// first against the fake host (the extension's own plumbing), then, when the
// real host and server are given (ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE),
// against them on this run's private bus. Exit 0 passed, 1 failed, 77 skipped
// (no browser binary at all).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { ExtensionWithBridge, InstallFakeHost, kBrowsers, kChromiumId, TestBrowser } from './browsers.mjs';
import { Answer, Gone, InstallRealHost, PrepareServer, Run, Shown, StartDisplay, StartEmptyBus } from './desktop.mjs';
import { StartPages } from './pages.mjs';

const kSkip = 77;
const kNotInstalled = 'The ZRForm browser host is not installed. Run: zrform-browser install';
const kNothingMatched = 'Nothing on this page matched.';
const kHostileLimitMs = 20000; // a page of 12,000 inputs answers within this
const kRememberWindow = 'Zorvane Login Manager';
const kNoServer = 'The ZRForm server cannot be started: ';
// In the remember prompt: tick "Don't ask me again ... on this site", then No.
const kNeverThisSiteKeys = ['alt+d', 'space', 'alt+n']; // the first alt+d is this site's box

const scratchRoot = process.env.ZR_TEST_SCRATCH ?? os.tmpdir();
function Home(name) {
  return fs.mkdtempSync(path.join(scratchRoot, `${name}.`));
}

async function Timed(work) {
  const start = performance.now();
  const result = await work();
  return [result, Math.round(performance.now() - start)];
}

// Resolves once check() holds, polled (a badge has no event a test can wait on).
async function WaitFor(check, ms, what) {
  for (const deadline = Date.now() + ms; !(await check()); ) {
    if (Date.now() > deadline) throw new Error(`timed out: ${what}`);
    await new Promise((done) => setTimeout(done, 100));
  }
}

// Signs in as user on the page at url; with keys, whether the remember prompt came and was answered.
async function SignIn(browser, url, user, keys) {
  const page = await browser.Open(url);
  await page.type('#username', user);
  await page.type('#password', `${user}-pass`);
  const answered = keys ? Answer(kRememberWindow, keys) : null;
  await Promise.all([page.waitForNavigation(), page.click('#go')]);
  return answered;
}

// Flows against the fake host or none: each gets a fresh browser.
const kPlumbingFlows = [
  {
    name: 'host missing -> its message',
    async run({ browser, pages }) {
      await browser.Open(`${pages.base}/signup`);
      const fill = await browser.Command({ command: 'fill', type: 'home' });
      assert.deepEqual(fill, { ok: false, error: kNotInstalled });
      assert.deepEqual(await browser.Command({ command: 'status' }), { ok: true, host: false, server: false });
    },
  },
  {
    name: 'fill home (fake host) writes into the page',
    fake: true,
    async run({ browser, pages }) {
      await browser.Open(`${pages.base}/signup`);
      const [fill, ms] = await Timed(() => browser.Command({ command: 'fill', type: 'home' }));
      assert.deepEqual(fill, { ok: true, filled: 5 });
      assert.deepEqual(await browser.Values(), {
        firstname: 'Ann', lastname: 'Lee', email: 'ann@example.com', city: 'Lyon', zip: '69001', colour: '', nickname: '',
      });
      const heard = await browser.page.evaluate(() => [...document.querySelectorAll('input')].map((i) => i.dataset.heard ?? ''));
      assert.deepEqual(heard, ['ic', 'ic', 'ic', 'ic', 'ic', '', ''], 'bubbling input, then change, on each filled input');
      return `fill ${ms} ms`;
    },
  },
  {
    name: 'hostile page (fake host): bounded snapshot, no stall',
    fake: true,
    async run({ browser, pages, log }) {
      const [, openMs] = await Timed(() => browser.Open(`${pages.base}/hostile`));
      const [fill, ms] = await Timed(() => browser.Command({ command: 'fill', type: 'home' }));
      assert.deepEqual(fill, { ok: false, error: kNothingMatched }, 'the matching input is past the bound');
      assert.ok(ms < kHostileLimitMs, `fill took ${ms} ms`);
      const fills = fs.readFileSync(log, 'utf8').trim().split('\n').map((line) => JSON.parse(line))
        .filter((entry) => entry.op === 'fill');
      assert.equal(fills.length, 2, 'one automatic fill at load (password input), one asked for');
      for (const { page } of fills)
        assert.deepEqual(page, { elements: 5000, truncated: true, longest: 4096, wellFormed: true });
      return `open ${openMs} ms, fill ${ms} ms`;
    },
  },
];

// Firefox only: the .xpi that scripts/build_xpi.sh packs (of the extension
// with the test bridge) installed as a permanent unsigned add-on.
const kXpiFlow = {
  name: 'the packed .xpi installs unsigned and fills (fake host)',
  fake: true,
  options(home) {
    const xpi = path.join(home, 'zrform.xpi');
    Run(path.join(import.meta.dirname, '../../scripts/build_xpi.sh'), [xpi, ExtensionWithBridge(home)]);
    return { xpi };
  },
  async run({ browser, pages }) {
    await browser.Open(`${pages.base}/signup`);
    assert.deepEqual(await browser.Command({ command: 'fill', type: 'home' }), { ok: true, filled: 5 });
    assert.equal((await browser.Values()).firstname, 'Ann');
  },
};

// The popup's result line after clicking the button with id.
async function PopupSays(popup, id) {
  await popup.click(`#${id}`);
  await popup.waitForFunction(
    () => !['', 'Working...'].includes(document.getElementById('result').textContent),
    { timeout: 20000 },
  );
  return popup.$eval('#result', (line) => [line.textContent, line.className]);
}

// Chromium only: Firefox's remote protocol cannot open extension pages.
const kPopupFlow = {
  name: 'popup: buttons and their result line (no host)',
  async run({ browser }) {
    const popup = await browser.browser.newPage();
    await popup.goto(`chrome-extension://${kChromiumId}/popup.html`);
    await popup.bringToFront(); // the popup's own tab is the active one: not a page to fill
    assert.deepEqual(await PopupSays(popup, 'fill-home'), [
      'This page cannot be filled (a browser page or a PDF).', 'error']);
    assert.deepEqual(await PopupSays(popup, 'clear-history'), [kNotInstalled, 'error']);
    await popup.close();
  },
};

// Flows against the real host and server, in order, in one browser.
const kRealFlows = [
  {
    name: 'fill home on a sign-up page (real host)',
    async run({ browser, pages }) {
      await browser.Open(`${pages.base}/signup`);
      assert.deepEqual(await browser.Command({ command: 'status' }), { ok: true, host: true, server: true });
      const [fill, ms] = await Timed(() => browser.Command({ command: 'fill', type: 'home' }));
      assert.equal(fill.ok, true, fill.error);
      const values = await browser.Values();
      assert.deepEqual(
        // (colour is left out: the teach flow of the browser before taught it)
        [values.firstname, values.lastname, values.email, values.city, values.zip, values.nickname],
        ['Ann', 'Lee', 'ann@example.com', 'Portsmouth', 'PO1 2AB', ''],
      );
      return `fill ${ms} ms, ${fill.filled} values`;
    },
  },
  {
    name: 'capture on submit + Yes -> stored, next visit filled automatically',
    async run({ browser, pages }) {
      const answered = SignIn(browser, `${pages.base}/signin`, 'e2e-user', ['alt+f', 'alt+y']);
      assert.ok(await answered, 'the remember window did not appear');
      const [, ms] = await Timed(async () => {
        const page = await browser.Open(`${pages.base}/signin`);
        await page.waitForFunction(
          () => document.getElementById('username').value === 'e2e-user' &&
            document.getElementById('password').value === 'e2e-user-pass',
          { timeout: 30000 },
        );
      });
      return `next visit filled ${ms} ms after opening`;
    },
  },
  {
    name: 'teach a field, then Fill Home fills it',
    async run({ browser, pages }) {
      await browser.Open(`${pages.base}/signup`);
      const teach = { command: 'teach', profile: 'home', field: 'Title', name: 'favourite_colour' };
      assert.deepEqual(await browser.Command(teach), { ok: true });
      assert.equal((await browser.Command({ command: 'fill', type: 'home' })).ok, true);
      assert.equal((await browser.Values()).colour, 'Dr');
      const refused = await browser.Command({ ...teach, name: 'a;b' });
      assert.equal(refused.ok, false, 'a name a pattern cannot hold');
    },
  },
  {
    name: 'search an address, history by prefix, clear history',
    async run({ browser, pages }) {
      await browser.Open(`${pages.base}/signup`);
      const address = `${new URL(pages.base).host}/signed-in`;
      assert.deepEqual(await browser.Command({ command: 'search', text: address }), { ok: true });
      const opened = await browser.browser.waitForTarget((target) => target.url() === `http://${address}`, {
        timeout: 20000,
      });
      await (await opened.page())?.close();
      const items = (await browser.Command({ command: 'history', prefix: 'LOCALHOST' })).items;
      assert.ok(items.includes(address), JSON.stringify(items));
      assert.deepEqual(await browser.Command({ command: 'clear-history' }), { ok: true });
      assert.deepEqual(await browser.Command({ command: 'history' }), { ok: true, items: [] });
    },
  },
  {
    name: 'two logins fit: badge "2", fill asks which',
    async run({ browser, twoSite }) {
      const url = `${twoSite.base}/two-logins/signin`;
      for (const user of ['ann-two', 'bob-two'])
        assert.ok(await SignIn(browser, url, user, ['alt+y']), 'the remember window did not appear');
      await browser.Open(url);
      assert.deepEqual(await browser.Command({ command: 'badge' }), { ok: true, count: 2, text: '2' });
      assert.deepEqual(await browser.Values(), { username: '', password: '' }, 'no automatic choice');
      const fill = browser.Command({ command: 'fill', type: 'password' });
      assert.ok(await Answer(kRememberWindow, ['Return']), 'the select-login window did not appear');
      assert.deepEqual(await fill, { ok: true, filled: 2 });
      const { username, password } = await browser.Values();
      assert.ok(['ann-two', 'bob-two'].includes(username) && password === `${username}-pass`);
    },
  },
  {
    name: 'the badge follows navigation from site to site',
    async run({ browser, pages, twoSite }) {
      const other = `http://127.0.0.1:${new URL(pages.base).port}`; // no login is keyed to it
      const visits = [
        [`${twoSite.base}/two-logins/signin`, '2'],
        [`${pages.base}/signup`, '1'],
        [`${other}/signup`, ''],
        [`${twoSite.base}/signed-in`, '2'],
      ];
      for (const [url, text] of visits) {
        await browser.Open(url);
        const shown = async () => (await browser.Command({ zrTest: 'badge-text' })).text === text;
        await WaitFor(shown, 20000, `badge "${text}" on ${url}`);
      }
    },
  },
  ...[
    ['to another document', (page) => page.goto(`${page.url()}?n=moved`, { waitUntil: 'load' })],
    ['by the page\'s own history', (page) => page.evaluate(() => history.pushState(null, '', '?n=pushed'))],
  ].map(([how, navigate]) => ({
    name: `a fill's writes after the page navigated ${how} are dropped`,
    async run({ browser, twoSite }) {
      const target = await browser.Open(`${twoSite.base}/two-logins/signin`);
      const { tabId } = await browser.Command({ zrTest: 'tab' });
      const sender = await browser.OpenIn(await browser.browser.newPage(), `${twoSite.base}/signed-in`);
      try {
        await target.bringToFront();
        const fill = browser.CommandFrom(sender, { command: 'fill', type: 'password', tabId });
        assert.ok(await Answer(kRememberWindow, []), 'the select-login window did not appear');
        await navigate(target);
        assert.ok(await Answer(kRememberWindow, ['Return']), 'the select-login window went away');
        assert.deepEqual(await fill, { ok: false, error: kNothingMatched });
        assert.deepEqual(await browser.Values(), { username: '', password: '' });
      } finally {
        await sender.close();
      }
    },
  })),
  ...[
    // The first Login Manager sets up the master password, then shows the logins.
    ['login-manager', [['Master Password', ['=Secret-1', 'Tab', '=Secret-1', 'Return']], [kRememberWindow, ['Escape']]]],
    ['form-manager', [['Form Manager', ['Escape']]]],
  ].map(([command, windows]) => ({
    name: `${command} opens its window`,
    async run({ browser, pages }) {
      await browser.Open(`${pages.base}/signed-in`);
      const opened = browser.Command({ command }).catch((error) => ({ error: String(error) }));
      for (const [title, keys] of windows) {
        assert.ok(await Answer(title, keys), `no window "${title}"`);
        assert.ok(await Gone(title), `"${title}" did not close`);
      }
      assert.deepEqual(await opened, { ok: true });
    },
  })),
  {
    name: '"never for this site": no prompt on the next submit there, still one elsewhere',
    async run({ browser, pages, neverSite }) {
      const url = `${neverSite.base}/signin`;
      assert.ok(await SignIn(browser, url, 'never-one', kNeverThisSiteKeys), 'the remember window did not appear');
      assert.ok(await Gone(kRememberWindow), 'the remember window stayed');
      await SignIn(browser, url, 'never-two');
      // The host answers in order: once status is answered the capture was handled.
      const status = await browser.Command({ command: 'status' }, 20000).catch(() => null);
      if (!status || (await Shown(kRememberWindow))) {
        await Answer(kRememberWindow, ['alt+n'], 5);
        assert.fail('asked again on that site');
      }
      assert.deepEqual(await browser.Command({ command: 'badge' }), { ok: true, count: 0, text: '' }, 'nothing stored');
      assert.ok(await SignIn(browser, `${pages.base}/signin`, 'other-user', ['alt+n']), 'no prompt on another site');
    },
  },
  {
    name: 'hostile page (real host) does not stall',
    async run({ browser, pages }) {
      const [, openMs] = await Timed(() => browser.Open(`${pages.base}/hostile`));
      const [fill, ms] = await Timed(() => browser.Command({ command: 'fill', type: 'home' }));
      assert.equal(typeof fill.ok, 'boolean');
      if (!fill.ok) assert.equal(fill.error, kNothingMatched);
      assert.ok(ms < kHostileLimitMs, `fill took ${ms} ms`);
      const status = await browser.Command({ command: 'status' });
      assert.equal(status.host, true, 'the host survived');
      return `open ${openMs} ms, fill ${ms} ms`;
    },
  },
];

// The real host on a bus where the server is not registered: the failure in
// words, in the answer and (Chromium) on the popup's result line.
const kNoServerFlow = {
  name: 'server cannot be started -> its message',
  async run({ kind, host }) {
    const home = Home(`${kind}-no-server`);
    InstallRealHost(kind, home, host);
    const bus = await StartEmptyBus(home);
    const browser = await TestBrowser.Launch(kind, home, { DBUS_SESSION_BUS_ADDRESS: bus.address });
    const pages = await StartPages();
    try {
      await browser.Open(`${pages.base}/signup`);
      assert.deepEqual(await browser.Command({ command: 'status' }), { ok: true, host: true, server: false });
      const fill = await browser.Command({ command: 'fill', type: 'home' });
      assert.equal(fill.ok, false);
      assert.ok(fill.error.startsWith(kNoServer) && fill.error.length > kNoServer.length, fill.error);
      assert.equal(fill.error.indexOf(kNoServer, 1), -1, `said twice: ${fill.error}`);
      if (kind !== 'chromium') return fill.error;
      const popup = await browser.browser.newPage();
      await popup.goto(`chrome-extension://${kChromiumId}/popup.html`);
      assert.deepEqual(await PopupSays(popup, 'login-manager'), [fill.error, 'error']);
      return fill.error;
    } finally {
      await browser.Close();
      await pages.close();
      bus.stop();
    }
  },
};

// ZR_E2E_FLOWS: a pattern; only the flows whose names match run (while developing).
const kWanted = new RegExp(process.env.ZR_E2E_FLOWS ?? '');

async function RunFlow(results, kind, flow, context) {
  if (!kWanted.test(flow.name)) return;
  const [outcome, ms] = await Timed(async () => {
    try {
      return { passed: true, note: (await flow.run(context)) ?? '' };
    } catch (error) {
      return { passed: false, note: String(error?.stack ?? error) };
    }
  });
  results.push({ kind, flow: flow.name, ms, ...outcome });
  console.log(`${outcome.passed ? 'PASS' : 'FAIL'} [${kind}] ${flow.name} (${ms} ms) ${outcome.note}`);
}

async function Main() {
  const kinds = Object.keys(kBrowsers).filter((kind) => fs.existsSync(kBrowsers[kind].binary));
  for (const kind of Object.keys(kBrowsers))
    if (!kinds.includes(kind)) console.log(`SKIP [${kind}]: ${kBrowsers[kind].binary} is not installed`);
  if (kinds.length === 0) return kSkip;
  const only = process.env.ZR_E2E_BROWSERS?.split(',');
  const results = [];

  for (const kind of kinds.filter((k) => !only || only.includes(k))) {
    for (const flow of [...kPlumbingFlows, kind === 'chromium' ? kPopupFlow : kXpiFlow]) {
      if (!kWanted.test(flow.name)) continue;
      const home = Home(`${kind}-plumbing`);
      const log = flow.fake ? InstallFakeHost(kind, home) : null;
      const pages = await StartPages();
      const browser = await TestBrowser.Launch(kind, home, {}, flow.options?.(home) ?? {});
      await RunFlow(results, kind, flow, { browser, pages, log });
      await browser.Close();
      await pages.close();
    }
  }

  const { ZRFORM_EXE: server, ZRFORM_BROWSER_EXE: host, ZRDATA_EXE: zrdata } = process.env;
  if (!server || !host || !zrdata || !process.env.ZR_TEST_SCRATCH) {
    console.log('SKIP real host flows: ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE and a run_on_bus.sh bus are needed');
  } else {
    const display = await StartDisplay();
    PrepareServer(server, zrdata);
    for (const kind of kinds.filter((k) => !only || only.includes(k))) {
      const home = Home(`${kind}-real`);
      InstallRealHost(kind, home, host);
      // A port of its own, so the logins one browser stores are its own; named
      // localhost: the server keys a login on 127.0.0.1:PORT by a site that
      // never matches that address again (the port's colon counts as a name).
      const pages = await StartPages('localhost');
      const twoSite = await StartPages('localhost'); // where two logins are stored
      const neverSite = await StartPages('localhost'); // where recording is refused
      const browser = await TestBrowser.Launch(kind, home, {}, { testBackground: true });
      for (const flow of kRealFlows) await RunFlow(results, kind, flow, { browser, pages, twoSite, neverSite });
      await browser.Close();
      await Promise.all([pages, twoSite, neverSite].map((site) => site.close()));
      await RunFlow(results, kind, kNoServerFlow, { kind, host });
    }
    display.stop();
  }

  const failed = results.filter((result) => !result.passed);
  console.log(`${results.length - failed.length} of ${results.length} flows passed`);
  return failed.length ? 1 : 0;
}

process.exitCode = await Main();
