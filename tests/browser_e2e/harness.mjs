// The runner the browser test programs share: which browsers to drive, homes
// and browsers with the real host, the test sites, the server on a virtual
// display, sign-ins, bounded waits, one PASS/FAIL line per case and the exit
// code (0 passed, 1 failed, 77 skipped). ZR_E2E_BROWSERS=chromium,firefox picks
// browsers and ZR_E2E_FLOWS=PATTERN the cases (while working on them).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { kBrowsers, TestBrowser } from './browsers.mjs';
import { Answer, InstallRealHost, PrepareServer, StartDisplay } from './desktop.mjs';
import { Sites } from './pages.mjs';

export const kSkip = 77;
export const kManager = 'Zorvane Login Manager'; // the remember prompt, the select-login window and the manager
const { ZRFORM_EXE: server, ZRFORM_BROWSER_EXE: host, ZRDATA_EXE: zrdata, ZRBAR_EXE: zrbar } = process.env;
export const env = { server, host, zrdata, zrbar, scratch: process.env.ZR_TEST_SCRATCH };
export const kServer = ['server', 'host', 'zrdata', 'scratch']; // what the real server and host need of env
const kWanted = new RegExp(process.env.ZR_E2E_FLOWS ?? '');
const results = [];
const opened = []; // the browsers of this run, closed at its end
export const sites = new Sites(); // the test sites of this run, closed at its end

export const Home = (name) => fs.mkdtempSync(path.join(env.scratch ?? os.tmpdir(), `${name}.`));

// A browser of kind with the real host installed in its home (a new one named
// name, unless home is given: one installed before); closed at the end of the run at the latest.
export async function RealBrowser(kind, name, options = {}, home = null) {
  if (!home) {
    home = Home(`${kind}-${name}`);
    InstallRealHost(kind, home, env.host);
  }
  const browser = await TestBrowser.Launch(kind, home, {}, options);
  opened.push(browser);
  return browser;
}

// Puts login's username and password (either may be left out) into the
// page's inputs of those ids, over what is there, and sends them with a click
// on #go, waiting up to 3 s for the navigation it may start; with keys, whether
// the remember window came within seconds and was answered so.
export async function Send(page, login, keys = null, seconds = 30) {
  for (const [id, value] of Object.entries(login)) await page.$eval(`#${id}`, (input, text) => (input.value = text), value);
  const answered = keys ? Answer(kManager, keys, seconds) : null;
  const navigated = page.waitForNavigation({ timeout: 3000 }).catch(() => null);
  await page.click('#go');
  await navigated;
  return answered;
}

// Signs in as user (password user-pass) on url's form and waits for the next page; Send's answer.
export async function SignIn(browser, url, user, keys = null) {
  const page = await browser.Open(url);
  const login = { username: user, password: `${user}-pass` };
  return (await Promise.all([Send(page, login, keys), page.waitForNavigation({ timeout: 60000 })]))[0];
}

// Opens url and waits for the automatic fill of user's login.
export async function FilledAtLoad(browser, url, user, password = `${user}-pass`) {
  const page = await browser.Open(url);
  await page.waitForFunction((u, p) => username.value === u && password.value === p, { timeout: 30000 }, user, password);
}

// Resolves once check() gives true, polled at most ms; else fails with what it gave last.
export async function Until(check, what, ms = 30000) {
  for (const end = Date.now() + ms; ; await new Promise((done) => setTimeout(done, 150))) {
    const last = await Promise.resolve().then(check).catch((error) => String(error));
    if (last === true) return;
    if (Date.now() > end) throw new Error(`timed out: ${what} (${JSON.stringify(last)})`);
  }
}

// Runs one case (when ZR_E2E_FLOWS lets it) and prints its line; work's answer is a note.
export async function Check(kind, name, work) {
  if (!kWanted.test(name)) return;
  const start = performance.now();
  const Failed = (error) => [false, String(error?.stack ?? error)];
  const [passed, note] = await Promise.resolve().then(work).then((answer) => [true, answer ?? ''], Failed);
  results.push(passed);
  console.log(`${passed ? 'PASS' : 'FAIL'} [${kind}] ${name} (${Math.round(performance.now() - start)} ms) ${note}`);
}

// Runs main(kinds) on the installed browsers ZR_E2E_BROWSERS allows, with the
// server registered, its sample data and a display for its windows; closes the
// browsers and sites main opened, and sets the exit code: 77 when there are no
// browsers, when one of needs (names of env) is not given, or when main answers kSkip.
export async function Main(main, needs = kServer) {
  const only = process.env.ZR_E2E_BROWSERS?.split(',');
  const kinds = Object.keys(kBrowsers).filter((kind) => !only || only.includes(kind));
  const installed = kinds.filter((kind) => fs.existsSync(kBrowsers[kind].binary) || console.log(`SKIP [${kind}]: not installed`));
  if (installed.length === 0) return (process.exitCode = kSkip);
  if (!needs.every((name) => env[name])) {
    console.log('SKIP: ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE, ZRBAR_EXE and a run_on_bus.sh bus are needed');
    return (process.exitCode = kSkip);
  }
  const display = await StartDisplay();
  PrepareServer(env.server, env.zrdata);
  const answer = await main(installed).finally(async () => {
    for (const browser of opened) await browser.Close();
    await sites.Close();
    display.stop();
  });
  if (answer === kSkip) return (process.exitCode = kSkip);
  const failed = results.filter((passed) => !passed).length;
  console.log(`${results.length - failed} of ${results.length} cases passed`);
  process.exitCode = failed || results.length === 0 ? 1 : 0;
}
