// The runner the browser test programs share: which browsers to drive, homes
// and browsers with the real host, the server on a virtual display, bounded
// waits, one PASS/FAIL line per case and the exit code (0 passed, 1 failed,
// 77 skipped). ZR_E2E_BROWSERS=chromium,firefox picks browsers and
// ZR_E2E_FLOWS=PATTERN the cases (while working on them).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { kBrowsers, TestBrowser } from './browsers.mjs';
import { Answer, InstallRealHost, PrepareServer, StartDisplay } from './desktop.mjs';

export const kSkip = 77;
export const kManager = 'Zorvane Login Manager'; // the remember prompt, the select-login window and the manager
const { ZRFORM_EXE: server, ZRFORM_BROWSER_EXE: host, ZRDATA_EXE: zrdata, ZRBAR_EXE: zrbar } = process.env;
export const env = { server, host, zrdata, zrbar, scratch: process.env.ZR_TEST_SCRATCH };
const kWanted = new RegExp(process.env.ZR_E2E_FLOWS ?? '');
const results = [];

export const Home = (name) => fs.mkdtempSync(path.join(env.scratch ?? os.tmpdir(), `${name}.`));

// A browser of kind whose home (named name) has the real host installed.
export async function RealBrowser(kind, name, browserEnv = {}, options = {}) {
  const home = Home(`${kind}-${name}`);
  InstallRealHost(kind, home, env.host);
  return TestBrowser.Launch(kind, home, browserEnv, options);
}

// Signs in as user on url's form (over whatever the automatic fill put there)
// and waits for the next page; with keys, whether the remember prompt came and was answered.
export async function SignIn(browser, url, user, keys = null) {
  const page = await browser.Open(url);
  await page.evaluate((u) => ([username.value, password.value] = [u, `${u}-pass`]), user); // the inputs by id
  const answered = keys ? Answer(kManager, keys) : null;
  await Promise.all([page.waitForNavigation({ timeout: 60000 }), page.click('#go')]);
  return answered;
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
  let [passed, note] = [true, ''];
  try {
    note = (await work()) ?? '';
  } catch (error) {
    [passed, note] = [false, String(error?.stack ?? error)];
  }
  results.push(passed);
  console.log(`${passed ? 'PASS' : 'FAIL'} [${kind}] ${name} (${Math.round(performance.now() - start)} ms) ${note}`);
}

// Whether the real server and host can be run (else says what is missing).
export function ServerGiven(names = ['server', 'host', 'zrdata', 'scratch']) {
  if (names.every((name) => env[name])) return true;
  console.log('SKIP: ZRFORM_EXE, ZRFORM_BROWSER_EXE, ZRDATA_EXE, ZRBAR_EXE and a run_on_bus.sh bus are needed');
  return false;
}

// Runs work with the server registered, its sample data and a display for its windows.
export async function WithServer(work) {
  const display = await StartDisplay();
  PrepareServer(env.server, env.zrdata);
  await work().finally(() => display.stop());
}

// Runs main(kinds) on the installed browsers ZR_E2E_BROWSERS allows and sets
// the exit code: 77 when there are none or main answers kSkip.
export async function Main(main) {
  const only = process.env.ZR_E2E_BROWSERS?.split(',');
  const kinds = Object.keys(kBrowsers).filter((kind) => !only || only.includes(kind));
  const Installed = (kind) => fs.existsSync(kBrowsers[kind].binary) || console.log(`SKIP [${kind}]: not installed`);
  const installed = kinds.filter((kind) => Installed(kind));
  if (installed.length === 0 || (await main(installed)) === kSkip) return (process.exitCode = kSkip);
  const failed = results.filter((passed) => !passed).length;
  console.log(`${results.length - failed} of ${results.length} cases passed`);
  process.exitCode = failed || results.length === 0 ? 1 : 0;
}
