// Long sessions through the real browsers: Chromium and Firefox ESR at once,
// each with its own host, on one server (this run's private bus).
//   node sessions.mjs crash   the server, a host or a browser killed, idle or while a server window is up
//   node sessions.mjs shared  what one browser stores the other fills at once, changes made through the
//                             server (import, export) and in the Login Manager seen by both, both saving
//                             at the same moment
// Needs ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE, ZRBAR_EXE and a run_on_bus.sh bus.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { Answer, DataFile, Gone, ImportLogins, ProcessesOf, Run, RunLater, ServerPid, ServerReferences, Shown, StoredLogins } from
  './desktop.mjs';
import { Check, env, FilledAtLoad, kManager, kServer, kSkip, Main, RealBrowser, SignIn, sites, Until } from
  './harness.mjs';

const kServerStopped = /^The ZRForm server stopped while it answered\. Everything it had saved is kept; try again\.$/;
const kHostStopped = /^The ZRForm browser host stopped: /;
const kBadge = (count) => ({ ok: true, count, text: count ? String(count) : '' });

const LoginKey = (record) => `${record.site} ${record.fields.map((field) => `${field.name}=${field.value}`).join(' ')}`;
const StoredValues = () => StoredLogins(env.zrdata).records.flatMap((record) => record.fields.map((field) => field.value));

// ---- The server, a host or a browser killed ------------------------------

// victim: what is killed; site: the page the victim shows; start: a command
// still waiting on a server window (titled window) when the kill comes, and
// answer what it must answer then (in words); orphan: the keys that close a
// window the killed side left open; kept: whether the user's answer there still stores the login.
const kCrashCases = [
  { name: 'server killed between commands', victim: 'server', site: 'one' },
  { name: 'server killed while the Login Manager is open', victim: 'server', site: 'one',
    start: (browser) => browser.Command({ command: 'login-manager' }, browser.page, 120000),
    window: 'Master Password', answer: kServerStopped }, // the manager first asks for one
  { name: 'host killed between commands', victim: 'host', site: 'one' },
  ...[['host', { answer: kHostStopped }], ['browser', {}]].map(([victim, more]) => ({
    name: `${victim} killed while the select-login window is up`, victim, site: 'two', orphan: ['Escape'], ...more,
    start: (browser) => browser.Command({ command: 'fill', type: 'password' }) })),
  { name: 'browser killed while the remember prompt is up', victim: 'browser', site: 'late', orphan: ['alt+y'], kept: true,
    start: (browser, url) => SignIn(browser, url, `late-${browser.kind}`).then(() => ({ ok: true })) },
];

async function CrashCase(session, kind, crash) {
  const browser = session.browsers[kind];
  const witness = session.browsers[kind === 'chromium' ? 'firefox' : 'chromium']; // keeps its references meanwhile
  const url = `${session.sites[crash.site]}/signin`;
  await browser.Open(url);
  assert.equal((await browser.Command({ command: 'status' })).server, true);
  const before = { logins: StoredLogins(env.zrdata), pid: ServerPid(), refs: ServerReferences() };
  const [hostPid] = ProcessesOf(env.host, browser.home);
  assert.ok(before.pid && hostPid, 'a server and a host run');

  const answer = crash.start?.(browser, url).catch((error) => ({ ok: false, error: String(error?.message ?? error) }));
  if (crash.start) await Until(() => Shown(crash.window ?? kManager), 'the server window', 60000);
  if (crash.victim === 'server') {
    process.kill(before.pid, 'SIGKILL');
    await Until(() => ServerPid() !== before.pid, 'the server is gone');
  } else {
    if (crash.victim === 'host') process.kill(hostPid, 'SIGKILL');
    else browser.browser.process().kill('SIGKILL');
    await Until(() => !ProcessesOf(env.host, browser.home).includes(hostPid), 'the host is gone');
  }
  if (crash.answer) {
    const { ok, error } = await answer;
    assert.ok(ok === false && crash.answer.test(error), `answered ok=${ok}: ${error}`);
  }
  if (crash.victim !== 'server') {
    // The killed side's references come back while its window is still up.
    await Until(() => ServerReferences() < before.refs, 'the server gave the references back');
    if (crash.orphan) {
      assert.ok(await Answer(kManager, crash.orphan), 'the window the killed side left');
      assert.ok(await Gone(kManager), 'the window closed');
    }
    // (With no other browser holding references the server may end by itself.)
    if (witness) assert.equal(ServerPid(), before.pid, 'the server stayed up');
  }
  if (crash.victim === 'browser') {
    await browser.Close();
    session.browsers[kind] = await RealBrowser(kind, 'session', {}, browser.home); // the same profile and host
  }
  // The next command works, in both browsers: a new server or host where one was killed.
  for (const each of [session.browsers[kind], witness].filter(Boolean)) {
    await FilledAtLoad(each, `${session.sites.one}/signin`, 'crash-user');
    assert.deepEqual(await each.Command({ command: 'badge' }), kBadge(1), each.kind);
  }
  const [newHost] = ProcessesOf(env.host, session.browsers[kind].home);
  if (crash.victim === 'server') assert.ok(ServerPid() && ServerPid() !== before.pid, 'a new server');
  else assert.notEqual(newHost, hostPid, 'a new host');
  if (crash.kept) assert.ok(StoredValues().includes(`late-${kind}`), `late-${kind} stored`);
  const now = new Set(StoredLogins(env.zrdata).records.map(LoginKey));
  assert.deepEqual(before.logins.records.map(LoginKey).filter((key) => !now.has(key)), [], 'logins lost');
}

async function RunCrashes(session) {
  const { one, two } = session.sites;
  ImportLogins(env.zrbar, [[`${one}/signin`, 'crash-user', 'crash-user-pass'], [`${two}/signin`, 'two-a', 'two-a-pass'],
    [`${two}/signin`, 'two-b', 'two-b-pass']]);
  for (const kind of Object.keys(session.browsers))
    for (const crash of kCrashCases) await Check(kind, crash.name, () => CrashCase(session, kind, crash));
}

// ---- Two browsers, one truth ---------------------------------------------

// Each case gets a site of its own (a page server on a new port).
const kSharedCases = [
  ...[['firefox', 'chromium'], ['chromium', 'firefox']].map(([from, to]) => [`recorded in ${from}, filled in ${to} at once`,
    async (browsers, url) => {
      assert.ok(await SignIn(browsers[from], url, `${from}-user`, ['alt+f', 'alt+y']), 'the remember prompt');
      await FilledAtLoad(browsers[to], url, `${from}-user`);
    }]),
  ['imported and then changed through the server: both see each', async (browsers, url) => {
    ImportLogins(env.zrbar, [[url, 'imp-user', 'imp-user-pass']]);
    for (const browser of Object.values(browsers)) {
      await FilledAtLoad(browser, url, 'imp-user');
      assert.deepEqual(await browser.Command({ command: 'badge' }), kBadge(1));
    }
    ImportLogins(env.zrbar, [[url, 'imp-user', 'changed-pass']], true);
    for (const browser of Object.values(browsers)) await FilledAtLoad(browser, url, 'imp-user', 'changed-pass');
  }],
  ['both record a login at the same moment: both kept', async (browsers, url) => {
    const users = Object.keys(browsers).map((kind) => `both-${kind}`);
    await Promise.all(Object.values(browsers).map((browser) => SignIn(browser, url, `both-${browser.kind}`)));
    // Each prompt answered Yes as it comes (the newest first), until both logins are in the file.
    const stored = async () => {
      const missing = users.filter((user) => !StoredValues().includes(user));
      if (missing.length === 0) return true;
      const answered = await Answer(kManager, ['alt+y'], 1);
      return `not stored: ${missing.join(', ')}; ${answered ? 'a' : 'no'} prompt answered`;
    };
    await Until(stored, 'both logins stored', 90000);
    for (const browser of Object.values(browsers)) {
      await browser.Open(url);
      assert.deepEqual(await browser.Command({ command: 'badge' }), kBadge(2));
    }
  }],
  ['both teach field names at the same moment: all kept', async (browsers, url) => {
    const names = (kind) => Array.from({ length: 12 }, (_, i) => `both_${kind}_${i}`);
    await Promise.all(Object.values(browsers).map(async (browser) => {
      await browser.Open(url); // a command goes to the tab's page
      for (const name of names(browser.kind))
        assert.deepEqual(await browser.Command({ command: 'teach', profile: 'home', field: 'City', name }), { ok: true });
    }));
    const list = JSON.parse(Run(env.zrdata, ['dump', DataFile('FormHome.dat'), '--kind', 'profile'])).lists.city.split(';');
    assert.deepEqual(Object.keys(browsers).flatMap(names).filter((name) => !list.includes(`^${name}$`)), []);
  }],
  // Last: it sets up a master password, which zrdata would then ask for.
  ['edited in the Login Manager: both fill the new password', async (browsers, url) => {
    ImportLogins(env.zrbar, [[url, 'lm-user', 'lm-user-pass']]);
    await browsers.firefox.Open(url);
    const opened = browsers.firefox.Command({ command: 'login-manager' });
    // The new login is the manager's last row; its editor opens on the user name, the password below it.
    const windows = [['Master Password', ['=Secret-1', 'Tab', '=Secret-1', 'Return']], [kManager, ['End', 'alt+e']],
      ['Login Record Form', ['Down', ...Array(7).fill('shift+Tab'), 'ctrl+a', '=edited-pass', 'Tab', 'alt+c']],
      [kManager, ['alt+c']]];
    for (const [title, keys] of windows) assert.ok(await Answer(title, keys), `no window "${title}"`);
    assert.deepEqual(await opened, { ok: true });
    for (const browser of Object.values(browsers)) await FilledAtLoad(browser, url, 'lm-user', 'edited-pass');
    const saved = Run(env.zrdata, ['dump', DataFile('Password.dat')], process.env, 'Secret-1\n');
    assert.ok(saved.includes('"value":"edited-pass"'), 'the edit saved');
    // An export through the server asks for the master password first and writes the edited login.
    const file = path.join(env.scratch, 'exported.csv');
    const exported = RunLater(env.zrbar, ['export', file]);
    assert.ok(await Answer('Master Password', ['=Secret-1', 'Return']), 'no master password window');
    assert.match(await exported, /^S_OK\n\d+ logins written/);
    assert.ok(fs.readFileSync(file, 'utf8').includes('"lm-user","edited-pass"'), 'the edited login exported');
  }],
];

await Main(async (kinds) => {
  const part = process.argv[2];
  if (part === 'shared' && kinds.length < 2) {
    console.log('SKIP: both browsers are needed');
    return kSkip;
  }
  const session = { browsers: {}, sites: { one: await sites.Add(), two: await sites.Add(), late: await sites.Add() } };
  await Promise.all(kinds.map(async (kind) => (session.browsers[kind] = await RealBrowser(kind, 'session'))));
  if (part !== 'shared') return RunCrashes(session);
  for (const [name, run] of kSharedCases) await Check('both', name, async () => run(session.browsers, `${await sites.Add()}/signin`));
}, [...kServer, 'zrbar']);
