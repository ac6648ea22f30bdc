// The browser part of the main job (scripts/run.sh): a demonstration site on
// 127.0.0.1 (a sign-in page and a sign-up page from demo/) and the ZRForm
// extension in Chromium, or Firefox ESR when Chromium is missing.
// --interactive: opens the browser on your display with the extension loaded
// and says what to try; it ends when you close the browser.
// Otherwise (no display): runs the same flow headless, the server's windows on
// a virtual display answered as the tests answer them, and saves a picture of
// each window and of each page before and after under build/demo-out/.
// Run inside a bus where `zrform -RegServer` may be done (scripts/run.sh does it);
// ZR_BUILD_DIR names the build folder (build/). Exit 1 when a step fell short,
// 77 when neither browser is installed (ctest's browser_demo).
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { promisify } from 'node:util';
import zlib from 'node:zlib';
import { kBrowsers, kExtensionDir, puppeteer, TestBrowser } from '../tests/browser_e2e/browsers.mjs';
import { Answer, InstallRealHost, PrepareServer, StartDisplay } from '../tests/browser_e2e/desktop.mjs';
import { Page, StartPages } from '../tests/browser_e2e/pages.mjs';

const root = path.resolve(import.meta.dirname, '..');
const build = process.env.ZR_BUILD_DIR ?? path.join(root, 'build');
const out = path.join(build, 'demo-out');
const host = path.join(build, 'browser/host/zrform-browser');
const kPort = 8765; // fixed, so that logins stored in one run fit the next
const kRemember = 'Zorvane Login Manager';
const kUser = 'ann@example.com';
const kPassword = 'demo-pass-1';

const Read = (name) => fs.readFileSync(path.join(root, 'demo', name), 'utf8');
const kSite = {
  '/signin': Read('login_blank.html'),
  '/signup': Read('signup.html'),
  '/session': Page('Signed in - Demo Mail', '<h1>Signed in.</h1><p><a href="/signin">Sign in again</a></p>'),
  '/account': Page('Welcome - Demo Shop', '<h1>Account created.</h1>'),
};

// An X window as a PNG: xwd's dump (a 24- or 32-bit TrueColor ZPixmap) turned into RGB rows.
export function XwdToPng(xwd) {
  const big = xwd.readUInt32BE(0) < 0x10000;
  const field = (i) => (big ? xwd.readUInt32BE(i * 4) : xwd.readUInt32LE(i * 4));
  const [headerSize, width, height, byteOrder, bitsPerPixel, bytesPerLine] = [0, 4, 5, 7, 11, 12].map(field);
  const masks = [field(14), field(15), field(16)];
  if (bitsPerPixel !== 32 && bitsPerPixel !== 24) throw new Error(`xwd: ${bitsPerPixel} bits per pixel`);
  const data = headerSize + field(19) * 12;
  const step = bitsPerPixel / 8;
  const rows = Buffer.alloc(height * (width * 3 + 1));
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const at = data + y * bytesPerLine + x * step;
      const pixel = step === 4 ? (byteOrder ? xwd.readUInt32BE(at) : xwd.readUInt32LE(at)) : xwd.readUIntLE(at, 3);
      masks.forEach((mask, c) => {
        const shift = Math.clz32(1) - Math.clz32(mask & -mask); // the mask's lowest bit
        rows[y * (width * 3 + 1) + 1 + x * 3 + c] = ((pixel & mask) >>> shift) & 0xff;
      });
    }
  }
  const chunk = (type, body) => {
    const head = Buffer.alloc(4);
    head.writeUInt32BE(body.length);
    const tail = Buffer.alloc(4);
    tail.writeUInt32BE(zlib.crc32(Buffer.concat([Buffer.from(type), body])));
    return Buffer.concat([head, Buffer.from(type), body, tail]);
  };
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(width, 0);
  ihdr.writeUInt32BE(height, 4);
  ihdr.set([8, 2, 0, 0, 0], 8); // 8-bit RGB
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', ihdr),
    chunk('IDAT', zlib.deflateSync(rows)),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

const Sh = async (command) => (await promisify(execFile)('sh', ['-c', command], { encoding: 'buffer', maxBuffer: 1 << 28 })).stdout;

// Waits for the window titled title, saves its picture as name, then answers it with keys.
async function PictureAndAnswer(title, keys, name) {
  const id = String(await Sh(`timeout 30 xdotool search --sync --onlyvisible --name '^${title}$' || true`)).split('\n')[0];
  if (!id) return false;
  try {
    fs.writeFileSync(path.join(out, name), XwdToPng(await Sh(`xwd -silent -id ${id}`)));
    console.log(`  picture of the window "${title}": ${path.relative(root, path.join(out, name))}`);
  } catch (error) {
    console.log(`  (no picture of "${title}": ${error.message.split('\n')[0]}; xwd comes with x11-apps)`);
  }
  return Answer(title, keys);
}

// Waits (15 s at most) until the server has left the bus: it ends by itself a
// few seconds after the host let it go, and would otherwise see its display vanish.
async function ServerGone() {
  const ask = `dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:ZRForm.ZRBarHelper`;
  for (const deadline = Date.now() + 15000; Date.now() < deadline; ) {
    if (!/boolean true/.test(String(await Sh(`${ask} 2>/dev/null || true`)))) return;
    await new Promise((done) => setTimeout(done, 200));
  }
}

async function Picture(page, name) {
  await page.screenshot({ path: path.join(out, name), fullPage: true });
  return path.relative(root, path.join(out, name));
}

const Values = (page) =>
  page.evaluate(() =>
    Object.fromEntries([...document.querySelectorAll('input[name], select[name]')].map((e) => [e.name, e.value])),
  );
const Shown = (values) =>
  Object.entries(values)
    .filter(([name, value]) => value && !/pass/.test(name))
    .map(([name, value]) => `${name}="${value}"`)
    .join(' ') || '(nothing)';

async function Headless(kind) {
  console.log(`\n== The browser extension, headless ${kind} on a virtual display`);
  const display = await StartDisplay();
  PrepareServer(path.join(build, 'app/zrform'), path.join(build, 'tools/zrdata'));
  const home = fs.mkdtempSync(path.join(process.env.ZR_TEST_SCRATCH ?? os.tmpdir(), 'zrform-demo.'));
  InstallRealHost(kind, home, host);
  const pages = await StartPages('localhost', kSite);
  const browser = await TestBrowser.Launch(kind, home);
  const said = [];
  let failed = false;
  try {
    let page = await browser.Open(`${pages.base}/signin`);
    await page.type('input[name=login]', kUser);
    await page.type('input[name=passwd]', kPassword);
    console.log(`Sign in on ${pages.base}/signin as ${kUser}: ${await Picture(page, 'signin-typed.png')}`);
    const answered = PictureAndAnswer(kRemember, ['alt+f', 'alt+y'], 'window-remember-password.png');
    await Promise.all([page.waitForNavigation(), page.click('input[type=submit]')]);
    if (!(await answered)) throw new Error('the remember prompt did not open');
    said.push(`recorded: the login ${kUser} for ${new URL(pages.base).host} (Yes, fill in automatically)`);

    page = await browser.Open(`${pages.base}/signin`);
    await page.waitForFunction(() => document.querySelector('input[name=passwd]').value !== '', { timeout: 30000 });
    const filled = await Values(page);
    console.log(`The next visit, filled with no window: ${await Picture(page, 'signin-filled-automatically.png')}`);
    const back = filled.login === kUser && filled.passwd === kPassword;
    said.push(`filled back automatically: login="${filled.login}", password ${back ? 'the one typed' : 'NOT the one typed'}`);
    if (!back) failed = true;

    page = await browser.Open(`${pages.base}/signup`);
    console.log(`A sign-up page, before: ${await Picture(page, 'signup-before.png')}`);
    const fill = await browser.Command({ command: 'fill', type: 'home' });
    console.log(`  after Fill Home: ${await Picture(page, 'signup-after.png')}`);
    said.push(fill.ok ? `filled from the Home profile (${fill.filled} values): ${Shown(await Values(page))}` : `Fill Home: ${fill.error}`);
    if (!fill.ok) failed = true;
  } finally {
    await browser.Close();
    await pages.close();
    await ServerGone();
    display.stop();
  }
  console.log('\nWhat happened:');
  for (const line of said) console.log(`  - ${line}`);
  return failed ? 1 : 0;
}

async function Interactive(kind) {
  const pages = await StartPages('localhost', kSite, kPort);
  const profile = path.join(build, 'demo-browser', kind);
  fs.mkdirSync(profile, { recursive: true });
  let browser;
  if (kind === 'chromium') {
    await promisify(execFile)(host, ['install', '--chromium-dir', profile]);
    browser = await puppeteer.launch({
      executablePath: kBrowsers.chromium.binary,
      headless: false,
      pipe: true,
      userDataDir: profile,
      enableExtensions: [kExtensionDir],
      defaultViewport: null,
      // (Chromium refuses to start its sandbox as root.)
      args: ['--no-first-run', '--disable-sync', ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
    });
  } else {
    browser = await puppeteer.launch({ browser: 'firefox', executablePath: kBrowsers.firefox.binary, headless: false, defaultViewport: null });
    await browser.installExtension(kExtensionDir);
  }
  const [tab] = await browser.pages();
  await tab.goto(`${pages.base}/signin`);
  console.log(`
== ${kind} is open with the ZRForm extension (its button is in the toolbar, maybe under the puzzle piece).
Try, on ${pages.base}:
  1. /signin: type any e-mail and password and press Sign in. The remember prompt opens: Yes
     (tick "Fill in automatically" to have it filled with no window next time).
  2. Open ${pages.base}/signin again: the login is filled in (or press Logins in the popup).
  3. ${pages.base}/signup: press Fill Home in the popup (the Home profile: Form Manager).
  4. Right-click a field: "Teach ZRForm: this field is" > Home > a field; Fill Home fills it next time.
  5. Login Manager and Form Manager open their windows; the search box searches and keeps a history.
Close the browser to end the demonstration.`);
  await new Promise((done) => browser.once('disconnected', done));
  await pages.close();
}

// ZR_DEMO_BROWSER=firefox takes Firefox ESR even where Chromium is installed.
const wanted = process.env.ZR_DEMO_BROWSER === 'firefox' ? ['firefox'] : ['chromium', 'firefox'];
const kind = wanted.find((k) => fs.existsSync(kBrowsers[k].binary));
if (!kind) {
  console.log('(Neither chromium nor firefox-esr is installed: the browser demonstration is skipped.)');
  process.exitCode = 77;
} else {
  fs.mkdirSync(out, { recursive: true });
  if (process.argv.includes('--interactive')) await Interactive(kind);
  else process.exitCode = await Headless(kind);
}
