// Long sessions through the real browsers: Chromium and Firefox ESR at once,
// each with its own host, on one server (this run's private bus).
//   node sessions.mjs crash   the server, a host or a browser killed, idle or
//                             while a server window is up
//   node sessions.mjs shared  what one browser stores the other fills at once,
//                             changes made through the server seen by both,
//                             both saving at the same moment
// Needs ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE, ZRBAR_EXE and a
// run_on_bus.sh bus. Exit 0 passed, 1 failed, 77 skipped (no browser).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { kBrowsers, kChromiumId, TestBrowser } from './browsers.mjs';
import {
  Answer, ImportLogins, InstallRealHost, PrepareServer, ProcessesOf, Run, ServerPid, ServerReferences, StartDisplay,
  StoredLogins, WindowCount,
} from './desktop.mjs';
import { StartPages } from './pages.mjs';

const kSkip = 77;
const kManager = 'Zorvane Login Manager'; // the remember prompt, the select-login window and the manager
const kServerStopped = 'The ZRForm server stopped while it answered. Everything it had saved is kept; try again.';
const kHostStopped = /^The ZRForm browser host stopped: /;
const env = {
  server: process.env.ZRFORM_EXE,
  host: process.env.ZRFORM_BROWSER_EXE,
  zrdata: process.env.ZRDATA_EXE,
  zrbar: process.env.ZRBAR_EXE,
};

// Waits (bounded) until check() holds; its last value.
async function Until(check, what, ms = 30000) {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting until ${what}`);
    await new Promise((done) => setTimeout(done, 100));
  }
}

const Alive = (pid) => {
  try {
    process.kill(pid, 0);
    return true;
  } catch {
    return false;
  }
};

const LoginKey = (record) => `${record.site} ${record.fields.map((field) => `${field.name}=${field.value}`).join(' ')}`;

// The logins of before that are no longer stored.
function Lost(before) {
  const now = new Set(StoredLogins(env.zrdata).records.map(LoginKey));
  return before.records.map(LoginKey).filter((key) => !now.has(key));
}

// A command as the user gives it: in Chromium through the popup's button (its
// result line), in Firefox (whose remote protocol cannot open extension
// pages) through the test bridge; {ok, error} either way.
async function Say(browser, command, buttonId) {
  if (browser.kind !== 'chromium') return browser.Command({ command });
  const popup = await browser.browser.newPage();
  try {
    await popup.goto(`chrome-extension://${kChromiumId}/popup.html`);
    await popup.click(`#${buttonId}`);
    await popup.waitForFunction(() => !['', 'Working...'].includes(document.getElementById('result').textContent), {
      timeout: 120000,
    });
    const [text, className] = await popup.$eval('#result', (line) => [line.textContent, line.className]);
    return className === 'error' ? { ok: false, error: text } : { ok: true, text };
  } finally {
    await popup.close().catch(() => {});
  }
}

// Opens url and waits for the automatic fill of user's login.
async function FilledAtLoad(browser, url, user, password = `${user}-pass`) {
  const page = await browser.Open(url);
  await page.waitForFunction(
    (u, p) => document.getElementById('username').value === u && document.getElementById('password').value === p,
    { timeout: 30000 },
    user,
    password,
  );
}

// Signs in as user on url's form (replacing whatever the automatic fill put there).
async function SignIn(browser, url, user) {
  const page = await browser.Open(url);
  await page.evaluate((u) => {
    document.getElementById('username').value = u;
    document.getElementById('password').value = `${u}-pass`;
  }, user);
  await Promise.all([page.waitForNavigation({ timeout: 60000 }), page.click('#go')]);
}

// Sends keys to the topmost window titled title, if any: with two prompts up
// the later one is modal and takes the keys first.
function AnswerTopmost(title, keys) {
  const script = `w=$(xdotool search --onlyvisible --name '^${title}$' 2>/dev/null | tail -1); [ -n "$w" ] &&
    xdotool windowfocus --sync "$w" key ${keys} sleep 0.5`;
  try {
    execFileSync('timeout', ['10', 'sh', '-c', script], { stdio: 'ignore' });
  } catch {
    // no such window (yet)
  }
}

async function Launch(session, kind) {
  session.browsers[kind] = await TestBrowser.Launch(kind, session.homes[kind]);
  return session.browsers[kind];
}

// ---- The server, a host or a browser killed ------------------------------

const kStartFill = (browser) => browser.Command({ command: 'fill', type: 'password' });

// victim: what is killed; site: the page the victim shows; start: a command
// still waiting on a server window (titled window) when the kill comes, and answer what it
// must answer then (in words); orphan: the keys that close a window the
// killed side left open; kept: a login the user's answer there still stores.
const kCrashCases = [
  { name: 'server killed between commands', victim: 'server', site: 'one' },
  {
    name: 'server killed while the Login Manager is open',
    victim: 'server',
    site: 'one',
    start: (browser) => Say(browser, 'login-manager', 'login-manager'),
    window: 'Master Password', // the manager first asks for one
    answer: kServerStopped,
  },
  { name: 'host killed between commands', victim: 'host', site: 'one' },
  {
    name: 'host killed while the select-login window is up',
    victim: 'host',
    site: 'two',
    start: kStartFill,
    answer: kHostStopped,
    orphan: ['Escape'],
  },
  {
    name: 'browser killed while the select-login window is up',
    victim: 'browser',
    site: 'two',
    start: kStartFill,
    orphan: ['Escape'],
  },
  {
    name: 'browser killed while the remember prompt is up',
    victim: 'browser',
    site: 'late',
    start: (browser, kind, url) => SignIn(browser, url, `late-${kind}`).then(() => ({ ok: true })),
    orphan: ['alt+y'],
    kept: (kind) => `late-${kind}`,
  },
];

// The other browser, which keeps its references on the server meanwhile.
const Witness = (session, kind) => session.browsers[kind === 'chromium' ? 'firefox' : 'chromium'];

async function CrashCase(session, kind, crash) {
  const home = session.homes[kind];
  const browser = session.browsers[kind];
  const url = `${session.sites[crash.site].base}/signin`;
  await browser.Open(url);
  assert.equal((await browser.Command({ command: 'status' })).server, true);
  const before = { logins: StoredLogins(env.zrdata), pid: ServerPid(), refs: ServerReferences() };
  const [hostPid] = ProcessesOf(env.host, home);
  assert.ok(before.pid && hostPid, 'a server and a host run');

  let answer = null;
  if (crash.start) {
    answer = crash.start(browser, kind, url).catch((error) => ({ ok: false, error: String(error?.message ?? error) }));
    await Until(() => WindowCount(crash.window ?? kManager) > 0, 'the server window is up', 60000);
  }
  if (crash.victim === 'server') {
    process.kill(before.pid, 'SIGKILL');
    await Until(() => ServerPid() !== before.pid, 'the server is gone');
  } else if (crash.victim === 'host') {
    process.kill(hostPid, 'SIGKILL');
    await Until(() => !Alive(hostPid), 'the host is gone');
  } else {
    browser.browser.process().kill('SIGKILL');
    await Until(() => !Alive(hostPid), 'the host of the killed browser ended');
  }
  if (crash.answer) {
    const got = await answer;
    assert.equal(got.ok, false);
    if (crash.answer instanceof RegExp) assert.match(got.error, crash.answer);
    else assert.equal(got.error, crash.answer);
  }
  if (crash.victim !== 'server') {
    // The killed side's references come back while its window is still up.
    await Until(() => ServerReferences() < before.refs, 'the server gave the references back');
    if (crash.orphan) {
      assert.ok(await Answer(kManager, crash.orphan), 'the window the killed side left');
      await Until(() => WindowCount(kManager) === 0, 'the window closed');
    }
    // (With no other browser holding references the server may end by itself.)
    if (Witness(session, kind)) assert.equal(ServerPid(), before.pid, 'the server stayed up');
  }
  if (crash.victim === 'browser') await session.browsers[kind].Close();
  const next = crash.victim === 'browser' ? await Launch(session, kind) : browser;

  // The next command works: a new server or host where one was killed.
  await FilledAtLoad(next, `${session.sites.one.base}/signin`, 'crash-user');
  assert.deepEqual(await next.Command({ command: 'badge' }), { ok: true, count: 1, text: '1' });
  const [newHost] = ProcessesOf(env.host, home);
  if (crash.victim !== 'server') assert.notEqual(newHost, hostPid, 'a new host');
  if (crash.victim === 'server') assert.ok(ServerPid() && ServerPid() !== before.pid, 'a new server');
  const witness = Witness(session, kind);
  if (witness) {
    await FilledAtLoad(witness, `${session.sites.one.base}/signin`, 'crash-user');
    assert.deepEqual(await witness.Command({ command: 'badge' }), { ok: true, count: 1, text: '1' }, 'the other browser');
  }
  const lost = Lost(before.logins);
  if (crash.kept) {
    const user = crash.kept(kind);
    assert.ok(StoredLogins(env.zrdata).records.some((r) => r.fields.some((f) => f.value === user)), `${user} stored`);
  }
  return { lost };
}

async function RunCrashes(session) {
  ImportLogins(env.zrbar, [
    [`${session.sites.one.base}/signin`, 'crash-user', 'crash-user-pass'],
    [`${session.sites.two.base}/signin`, 'two-a', 'two-a-pass'],
    [`${session.sites.two.base}/signin`, 'two-b', 'two-b-pass'],
  ]);
  const outcome = { tried: 0, lost: 0 };
  for (const kind of Object.keys(session.browsers)) {
    for (const crash of kCrashCases) {
      outcome.tried += 1;
      await Check(session.results, kind, crash.name, async () => {
        const { lost } = await CrashCase(session, kind, crash);
        outcome.lost += lost.length;
        assert.deepEqual(lost, [], 'logins lost');
      });
    }
  }
  console.log(`crash cases tried: ${outcome.tried}, logins lost: ${outcome.lost}`);
}

// ---- Two browsers, one truth ---------------------------------------------

// Each case gets a site of its own (a page server on a new port).
const kSharedCases = [
  {
    name: 'recorded in Firefox, filled in Chromium at once',
    async run({ firefox, chromium }, url) {
      await SignIn(firefox, url, 'fx-user');
      assert.ok(await Answer(kManager, ['alt+f', 'alt+y']), 'the remember prompt, with fill automatically');
      await FilledAtLoad(chromium, url, 'fx-user');
    },
  },
  {
    name: 'recorded in Chromium, filled in Firefox at once',
    async run({ firefox, chromium }, url) {
      await SignIn(chromium, url, 'cr-user');
      assert.ok(await Answer(kManager, ['alt+f', 'alt+y']), 'the remember prompt, with fill automatically');
      await FilledAtLoad(firefox, url, 'cr-user');
    },
  },
  {
    name: 'imported and then changed through the server: both see each',
    async run(browsers, url) {
      ImportLogins(env.zrbar, [[url, 'imp-user', 'imp-user-pass']]);
      for (const browser of Object.values(browsers)) {
        await FilledAtLoad(browser, url, 'imp-user');
        assert.deepEqual(await browser.Command({ command: 'badge' }), { ok: true, count: 1, text: '1' });
      }
      ImportLogins(env.zrbar, [[url, 'imp-user', 'changed-pass']], true);
      for (const browser of Object.values(browsers)) await FilledAtLoad(browser, url, 'imp-user', 'changed-pass');
    },
  },
  {
    name: 'both record a login at the same moment: both kept',
    async run(browsers, url) {
      await Promise.all(Object.values(browsers).map((browser) => SignIn(browser, url, `both-${browser.kind}`)));
      const users = Object.values(browsers).map((browser) => `both-${browser.kind}`);
      const stored = () => {
        const values = StoredLogins(env.zrdata).records.flatMap((record) => record.fields.map((field) => field.value));
        return users.every((user) => values.includes(user));
      };
      // Each prompt answered Yes as it comes, until both logins are in the file.
      await Until(() => stored() || (AnswerTopmost(kManager, 'alt+y'), false), 'both logins stored', 90000);
      for (const browser of Object.values(browsers)) {
        await browser.Open(url);
        assert.deepEqual(await browser.Command({ command: 'badge' }), { ok: true, count: 2, text: '2' });
      }
    },
  },
  {
    name: 'both teach field names at the same moment: all kept',
    async run(browsers) {
      const names = (kind) => Array.from({ length: 12 }, (_, i) => `both_${kind}_${i}`);
      await Promise.all(
        Object.values(browsers).map(async (browser) => {
          for (const name of names(browser.kind)) {
            const taught = await browser.Command({ command: 'teach', profile: 'home', field: 'City', name });
            assert.deepEqual(taught, { ok: true });
          }
        }),
      );
      const file = path.join(process.env.ZR_TEST_SCRATCH, 'data', 'Zorvane', 'ToolBar', 'FormHome.dat');
      const list = JSON.parse(Run(env.zrdata, ['dump', file, '--kind', 'profile'])).lists.city.split(';');
      const missing = Object.keys(browsers).flatMap(names).filter((name) => !list.includes(`^${name}$`));
      assert.deepEqual(missing, []);
    },
  },
];

async function RunShared(session) {
  for (const shared of kSharedCases) {
    const pages = await StartPages('localhost');
    await Check(session.results, 'both', shared.name, () => shared.run(session.browsers, `${pages.base}/signin`));
    await pages.close();
  }
}

async function Check(results, kind, name, work) {
  const start = performance.now();
  let note = '';
  let passed = true;
  try {
    await work();
  } catch (error) {
    passed = false;
    note = String(error?.stack ?? error);
  }
  const ms = Math.round(performance.now() - start);
  results.push({ passed });
  console.log(`${passed ? 'PASS' : 'FAIL'} [${kind}] ${name} (${ms} ms) ${note}`);
}

async function Main() {
  const part = process.argv[2];
  const only = process.env.ZR_E2E_BROWSERS?.split(',');
  const kinds = Object.keys(kBrowsers).filter(
    (kind) => fs.existsSync(kBrowsers[kind].binary) && (!only || only.includes(kind)),
  );
  if (kinds.length === 0) return kSkip;
  if (Object.values(env).some((value) => !value) || !process.env.ZR_TEST_SCRATCH) {
    console.log('SKIP: ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE, ZRBAR_EXE and a run_on_bus.sh bus are needed');
    return kSkip;
  }
  if (part === 'shared' && kinds.length < 2) {
    console.log('SKIP: both browsers are needed');
    return kSkip;
  }
  const display = await StartDisplay();
  PrepareServer(env.server, env.zrdata);
  const session = { browsers: {}, homes: {}, sites: {}, results: [] };
  for (const name of ['one', 'two', 'late']) session.sites[name] = await StartPages('localhost');
  try {
    for (const kind of kinds) {
      session.homes[kind] = fs.mkdtempSync(path.join(process.env.ZR_TEST_SCRATCH, `${kind}.`));
      InstallRealHost(kind, session.homes[kind], env.host);
    }
    await Promise.all(kinds.map((kind) => Launch(session, kind)));
    await (part === 'shared' ? RunShared(session) : RunCrashes(session));
  } finally {
    for (const browser of Object.values(session.browsers)) await browser.Close();
    for (const site of Object.values(session.sites)) await site.close();
    display.stop();
  }
  const failed = session.results.filter((result) => !result.passed).length;
  console.log(`${session.results.length - failed} of ${session.results.length} cases passed`);
  return failed ? 1 : 0;
}

process.exitCode = await Main();
