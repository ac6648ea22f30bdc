// A long session through the real browsers: Chromium and Firefox ESR at once,
// each with its own zrform-browser host, on one server. Page loads (the
// badge count and the automatic fill of a stored login, checked in the
// page), fills of a sign-up page from the Home profile, and captures of new
// logins answered Yes in the remember prompt (xdotool). Prints the calls
// made, the failures, the resident memory of the server and of each host
// after the first 1,000 calls and at the end, and the wall time. Run it
// through bench/run_browser_soak.sh (a private bus and data folders):
//   browser_soak.mjs LOADS FILLS CAPTURES   (totals, shared by the two browsers)
// ZR_SOAK_BROWSERS=firefox (or chromium) drives one browser alone. Every 250
// loads of a browser a progress line on standard error gives the calls and
// failures so far and the memory of that browser's processes, the server and
// the hosts, and the memory the machine still has available; each failure is
// listed with the error that ended it. A browser whose process ends (or whose
// remote connection drops) is not driven further: its exit code or signal,
// the load it was at and the memory available then are printed, and the
// loads it did not make are reported as not made, not as failures.
import fs from 'node:fs';
import path from 'node:path';
import { kBrowsers, TestBrowser } from '../tests/browser_e2e/browsers.mjs';
import {
  Answer, ImportLogins, InstallRealHost, PrepareServer, ProcessesOf, ResidentKb, ServerPid, StartDisplay,
} from '../tests/browser_e2e/desktop.mjs';
import { StartPages } from '../tests/browser_e2e/pages.mjs';

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

async function Drive(browser, share, sites, homes) {
  const { loads: myLoads, fills: myFills, captures: myCaptures } = share;
  const Ended = WatchEnd(browser);
  const fillEvery = myFills ? Math.floor(myLoads / myFills) : Infinity;
  const captureEvery = myCaptures ? Math.floor(myLoads / myCaptures) : Infinity;
  let lastError = '';
  for (let i = 1; i <= myLoads; ++i) {
    const gone = await Ended(lastError);
    if (gone) {
      console.error(`${browser.kind} ended at load ${i}: ${gone}`);
      notMade.push(`${browser.kind}: ${myLoads - i + 1} loads from load ${i} (${gone})`);
      return;
    }
    let ok = true;
    let why = '';
    try {
      await browser.page.goto(`${sites.logins.base}/signin?n=${i}`, { waitUntil: 'load' });
      await browser.page.waitForFunction(() => document.getElementById('username').value === 'soak-user', {
        timeout: 20000,
      });
    } catch (error) {
      ok = false;
      why = error?.message ?? String(error);
    }
    counts.loads += 1;
    lastError = why;
    Count(2, ok, `load ${browser.kind} ${i}: ${why}`);
    if (i % fillEvery === 0) {
      let filled = false;
      try {
        await browser.Open(`${sites.logins.base}/signup`);
        filled = (await browser.Command({ command: 'fill', type: 'home' })).ok === true;
      } catch {
        filled = false;
      }
      counts.fills += 1;
      Count(1, filled, `fill ${browser.kind} ${i}`);
    }
    if (i % captureEvery === 0) {
      const answered = await Capture(browser, `${sites.captures.base}/signin`, `cap-${browser.kind}-${i}`).catch(
        () => false,
      );
      counts.captures += 1;
      Count(1, answered, `capture ${browser.kind} ${i}`);
    }
    if (!first && counts.calls >= kFirstSample) first = { calls: counts.calls, ...Memory(homes) };
    if (i % kProgressEvery === 0) Progress(browser, i, homes);
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
  ImportLogins(env.zrbar, [[`${sites.logins.base}/signin`, 'soak-user', 'soak-user-pass']]);
  const homes = {};
  const browsers = [];
  for (const kind of kinds) {
    homes[kind] = fs.mkdtempSync(path.join(process.env.ZR_TEST_SCRATCH, `${kind}.`));
    InstallRealHost(kind, homes[kind], env.host);
    browsers.push(await TestBrowser.Launch(kind, homes[kind]));
  }
  for (const browser of browsers) await browser.Open(`${sites.logins.base}/signup`);
  const start = performance.now();
  const share = (total, index) => Math.floor(total / browsers.length) + (index < total % browsers.length ? 1 : 0);
  await Promise.all(
    browsers.map((browser, index) =>
      Drive(browser, { loads: share(loads, index), fills: share(fills, index), captures: share(captures, index) }, sites, homes),
    ),
  );
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
