// A long session through the real browsers: Chromium and Firefox ESR at once,
// each with its own zrform-browser host, on one server. Page loads (the
// badge count and the automatic fill of a stored login, checked in the
// page), fills of a sign-up page from the Home profile, and captures of new
// logins answered Yes in the remember prompt (xdotool). Prints the calls
// made, the failures, the resident memory of the server and of each host
// after the first 1,000 calls and at the end, and the wall time. Run it
// through bench/run_browser_soak.sh (a private bus and data folders):
//   browser_soak.mjs LOADS FILLS CAPTURES   (totals, shared by the two browsers)
// ZR_SOAK_BROWSERS=firefox (or chromium) drives one browser alone.
//
// The loads drive themselves: each browser has ZR_SOAK_TABS load tabs (4
// unless told) showing the sign-in pages of soak_pages.mjs, which go on to
// the next load once the login is filled (or after 20 s, a failure), the
// result in the address, so the driver makes no call per load; the page
// server counts them. The fills and the captures (one prompt at a time across
// both browsers) are made on each browser's own tab, the active one, as its
// loads pass their share. A load tab that reports nothing for 60 s is sent
// on, its load counted as failed.
//
// Every 250 loads of a browser a progress line on standard error gives the
// calls and failures so far and the memory of that browser's processes, the
// server and the hosts, and the memory the machine still has available; each
// failure is listed with the error that ended it. A browser whose process
// ends (or whose remote connection drops) is not driven further: its exit
// code or signal, the load it was at and the memory available then are
// printed, and the loads it did not make are reported as not made, not as
// failures.
import fs from 'node:fs';
import path from 'node:path';
import { kBrowsers, TestBrowser } from '../tests/browser_e2e/browsers.mjs';
import {
  Answer, ImportLogins, InstallRealHost, PrepareServer, ProcessesOf, ResidentKb, ServerPid, StartDisplay,
} from '../tests/browser_e2e/desktop.mjs';
import { StartPages } from '../tests/browser_e2e/pages.mjs';
import { StartSoakPages } from './soak_pages.mjs';

const [loads, fills, captures] = process.argv.slice(2, 5).map(Number);
const env = {
  server: process.env.ZRFORM_EXE,
  host: process.env.ZRFORM_BROWSER_EXE,
  zrdata: process.env.ZRDATA_EXE,
  zrbar: process.env.ZRBAR_EXE,
};
const kPrompt = 'Zorvane Login Manager';
const kFirstSample = 1000; // calls
const kProgressEvery = 250; // loads of one browser between progress lines
const kTabs = Number(process.env.ZR_SOAK_TABS ?? 4); // load tabs per browser

const counts = { calls: 0, failures: 0, loads: 0, fills: 0, captures: 0 };
const failures = [];
let first = null;

function Memory(homes) {
  const hosts = Object.fromEntries(
    Object.entries(homes).map(([kind, home]) => [kind, ProcessesOf(env.host, home).map(ResidentKb)]),
  );
  return { server: ResidentKb(ServerPid()), hosts };
}

function Count(calls, ok, what) {
  counts.calls += calls;
  if (!ok) {
    counts.failures += 1;
    if (failures.length < 20) failures.push(what);
  }
}

// The resident memory in KiB of pid and every process below it.
function TreeKb(pid) {
  if (!pid) return -1;
  let total = ResidentKb(pid);
  for (const line of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const stat = fs.readFileSync(`/proc/${line}/stat`, 'utf8');
      if (Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]) === pid) total += TreeKb(Number(line));
    } catch {
      // gone meanwhile
    }
  }
  return total;
}

// MemAvailable of the machine in KiB: an out-of-memory kill shows as a
// browser ended by SIGKILL while this is low.
function AvailableKb() {
  return Number(/MemAvailable:\s+(\d+)/.exec(fs.readFileSync('/proc/meminfo', 'utf8'))?.[1] ?? -1);
}

// Watches a browser's process; Ended(error), given the error of the last
// load, says why the browser cannot be driven any more ('' while it can).
// Calls on a closed connection fail at once without giving the process's
// exit event a turn, so each check lets pending events run first, and a
// closed connection waits a moment for the exit.
function WatchEnd(browser) {
  let why = '';
  const child = browser.browser.process();
  child?.once('exit', (code, signal) => {
    why ||= `its process ended (exit code ${code}, signal ${signal}; ${AvailableKb()} kB available)`;
  });
  return async (error) => {
    await new Promise((done) => setTimeout(done, 0));
    if (why || !/Connection closed|Target closed/.test(error)) return why;
    await new Promise((done) => setTimeout(done, 2000));
    why ||= `its remote connection was lost, its process still running (${AvailableKb()} kB available)`;
    return why;
  };
}

// A line on standard error: where one browser is, the failures so far, memory.
function Progress(browser, load, homes) {
  const { server, hosts } = Memory(homes);
  const list = Object.entries(hosts).map(([name, rss]) => `${name} ${rss.length} host(s) ${rss.join('+')} kB`);
  const own = TreeKb(browser.browser.process()?.pid);
  console.error(
    `${browser.kind} load ${load}: calls ${counts.calls}, failures ${counts.failures}; browser ${own} kB, ` +
      `server ${server} kB, ${list.join(', ')}; ${AvailableKb()} kB available`,
  );
}

// One capture at a time across both browsers: each prompt is answered alone.
let promptTurn = Promise.resolve();

async function Capture(browser, url, user) {
  const turn = promptTurn.then(async () => {
    const page = await browser.Open(url);
    await page.evaluate((u) => {
      document.getElementById('username').value = u;
      document.getElementById('password').value = `${u}-pass`;
    }, user);
    const answered = Answer(kPrompt, ['alt+y'], 60);
    await Promise.all([page.waitForNavigation({ timeout: 60000 }), page.click('#go')]);
    return answered;
  });
  promptTurn = turn.catch(() => {});
  return turn;
}

const notMade = [];
const kStallMs = 60000; // a load tab silent this long is sent on (its load counted as failed)
const kWatchMs = 5000;

// One browser's part: its load tabs drive themselves through the soak pages
// (counted by the page server, see Settled in Main); this sends the fills and
// captures on the browser's own tab as the loads pass their share, sends a
// stalled load tab on, and notices a browser that ended. Resolves when all its
// loads are counted and its fills and captures made, or when it ended.
async function Drive(browser, share, sites, soak, progress) {
  const { loads: myLoads, fills: myFills, captures: myCaptures } = share;
  const fillEvery = myFills ? Math.floor(myLoads / myFills) : Infinity;
  const captureEvery = myCaptures ? Math.floor(myLoads / myCaptures) : Infinity;
  const Ended = WatchEnd(browser);
  let gone = '';
  const End = async (error) => {
    gone ||= await Ended(error);
    if (gone && !progress.stopped) {
      progress.stopped = true;
      const missed = soak.Stop(browser.kind);
      console.error(`${browser.kind} ended at load ${progress.loads + 1}: ${gone}`);
      notMade.push(`${browser.kind}: ${missed} loads from load ${progress.loads + 1} (${gone})`);
    }
    return gone;
  };
  browser.browser.once('disconnected', () => End('Connection closed').catch(() => {}));

  const tabs = [];
  try {
    for (let tab = 0; tab < kTabs; ++tab) tabs.push(await browser.browser.newPage());
    await browser.page.bringToFront(); // fills go to the active tab: the browser's own
    // Each page navigates itself on from here; one that never reports is sent on by the watch below.
    await Promise.all(tabs.map((tab, index) =>
      tab.goto(soak.FirstLoad(browser.kind, index), { waitUntil: 'domcontentloaded' }).catch(() => {})));
  } catch (error) {
    if (await End(error?.message ?? String(error))) return;
    throw error;
  }

  // Load tabs that stopped reporting (a navigation lost, a page hung) are sent on.
  const watch = setInterval(() => {
    for (const tab of soak.Stalled(browser.kind, kStallMs)) {
      tabs[Number(tab)]?.goto(soak.FirstLoad(browser.kind, tab)).catch(() => {});
    }
  }, kWatchMs);
  const Reached = (load) => new Promise((done) => {
    const check = () => {
      if (progress.stopped || progress.loads >= load) return done();
      progress.waiters.push(check);
    };
    check();
  });
  try {
    const steps = [];
    for (let k = 1; k <= myFills; ++k) steps.push([k * fillEvery, 'fill']);
    for (let k = 1; k <= myCaptures; ++k) steps.push([k * captureEvery, 'capture']);
    steps.sort((a, b) => a[0] - b[0] || (a[1] === 'fill' ? -1 : 1));
    for (const [at, what] of steps) {
      await Reached(at);
      if (progress.stopped) break;
      let ok = false;
      let why = '';
      try {
        if (what === 'fill') {
          await browser.Open(`${sites.logins.base}/signup`);
          const answer = await browser.Command({ command: 'fill', type: 'home' });
          ok = answer.ok === true;
          why = answer.error ?? '';
        } else {
          ok = await Capture(browser, `${sites.captures.base}/signin`, `cap-${browser.kind}-${at}`);
        }
      } catch (error) {
        why = error?.message ?? String(error);
      }
      if (await End(why)) break;
      counts[`${what}s`] += 1;
      Count(1, ok, `${what} ${browser.kind} at load ${at}${why ? `: ${why}` : ''}`);
    }
    await Reached(myLoads);
    progress.stopped = true; // closing the browser later is no end to notice
  } finally {
    clearInterval(watch);
    for (const tab of tabs) await tab.close().catch(() => {});
  }
}

async function Main() {
  if (![loads, fills, captures].every(Number.isInteger) || Object.values(env).some((value) => !value)) {
    console.error('usage: browser_soak.mjs LOADS FILLS CAPTURES (with ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE, ZRBAR_EXE)');
    return 2;
  }
  const wanted = (process.env.ZR_SOAK_BROWSERS ?? 'chromium,firefox').split(',');
  const kinds = Object.keys(kBrowsers).filter((kind) => wanted.includes(kind) && fs.existsSync(kBrowsers[kind].binary));
  const display = await StartDisplay();
  PrepareServer(env.server, env.zrdata);
  const sites = { logins: await StartPages('localhost'), captures: await StartPages('localhost') };
  const homes = {};
  const browsers = [];
  for (const kind of kinds) {
    homes[kind] = fs.mkdtempSync(path.join(process.env.ZR_TEST_SCRATCH, `${kind}.`));
    InstallRealHost(kind, homes[kind], env.host);
    browsers.push(await TestBrowser.Launch(kind, homes[kind]));
  }
  for (const browser of browsers) await browser.Open(`${sites.logins.base}/signup`);
  const share = (total, index) => Math.floor(total / browsers.length) + (index < total % browsers.length ? 1 : 0);
  const shares = browsers.map((browser, index) => ({
    loads: share(loads, index), fills: share(fills, index), captures: share(captures, index),
  }));
  // Each load's result, as its page reports it: two calls (the badge count and the automatic fill).
  const progress = Object.fromEntries(kinds.map((kind) => [kind, { loads: 0, stopped: false, waiters: [] }]));
  const byKind = Object.fromEntries(browsers.map((browser) => [browser.kind, browser]));
  const Settled = (kind, ok, why, tab) => {
    const mine = progress[kind];
    mine.loads += 1;
    counts.loads += 1;
    Count(2, ok, `load ${kind} ${mine.loads} (tab ${tab}): ${why}`);
    if (!first && counts.calls >= kFirstSample) first = { calls: counts.calls, ...Memory(homes) };
    if (mine.loads % kProgressEvery === 0) Progress(byKind[kind], mine.loads, homes);
    for (const waiter of mine.waiters.splice(0)) waiter();
  };
  const soak = await StartSoakPages(
    Object.fromEntries(browsers.map((browser, index) => [browser.kind, shares[index].loads])), 'soak-user', Settled);
  sites.soak = soak;
  ImportLogins(env.zrbar, [[`${soak.base}/signin`, 'soak-user', 'soak-user-pass']]);
  const start = performance.now();
  await Promise.all(browsers.map((browser, index) => Drive(browser, shares[index], sites, soak, progress[browser.kind])));
  // The resting page each load tab ended on made a badge call.
  for (const kind of kinds) counts.calls += soak.Rests(kind);
  const seconds = (performance.now() - start) / 1000;
  const last = { calls: counts.calls, ...Memory(homes) };
  for (const browser of browsers) await browser.Close();
  for (const site of Object.values(sites)) await site.close();
  display.stop();

  const mb = (kb) => (kb / 1024).toFixed(1);
  console.log(`browsers: ${kinds.join(', ')}`);
  console.log(`page loads ${counts.loads}, fills ${counts.fills}, captures ${counts.captures}`);
  console.log(`calls ${counts.calls}, failures ${counts.failures} ${failures.join('; ')}`);
  if (notMade.length) console.log(`not made, the browser having ended: ${notMade.join('; ')}`);
  console.log(`wall time ${seconds.toFixed(1)} s (${(counts.loads / seconds).toFixed(1)} loads/s)`);
  for (const [label, sample] of [[`after ${first?.calls ?? '-'} calls`, first], [`after ${last.calls} calls`, last]]) {
    if (!sample) continue;
    const hosts = Object.entries(sample.hosts).map(([kind, rss]) => `${kind} host ${rss.map(mb).join('+')} MB`);
    console.log(`RSS ${label}: server ${mb(sample.server)} MB, ${hosts.join(', ')}`);
  }
  return counts.failures || notMade.length ? 1 : 0;
}

process.exitCode = await Main();
