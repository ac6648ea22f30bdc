// Starts Chromium or Firefox ESR with a copy of the ZRForm extension (plus the
// test bridge) loaded, a profile and a native-messaging folder of their own,
// and sends the extension's commands from a test page through the bridge.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const kExtensionDir = path.resolve(import.meta.dirname, '../../browser/extension');
export const kChromiumId = 'hapmaombobnbmdadnilknamdlhpbnpnp';
export const kGeckoId = 'zrform@zorvane.example';
const kGeckoUuid = '5a0c1d2e-3f40-4b51-8c62-7d8e9fa0b1c2'; // fixed, so tests know the page address
export const kBrowsers = { chromium: { binary: '/usr/bin/chromium' }, firefox: { binary: '/usr/bin/firefox-esr' } };

// Writes a host manifest for program (a fake host, or none for "not installed")
// into the folder kind reads in a test's home.
export function InstallHostManifest(kind, home, program) {
  const chromium = kind === 'chromium';
  const dir = path.join(home, ...(chromium ? ['chromium-profile', 'NativeMessagingHosts'] : ['.mozilla', 'native-messaging-hosts']));
  fs.mkdirSync(dir, { recursive: true });
  const allowed = chromium ? { allowed_origins: [`chrome-extension://${kChromiumId}/`] } : { allowed_extensions: [kGeckoId] };
  const manifest = { name: 'zrform.browser', description: 'ZRForm browser host', path: program, type: 'stdio', ...allowed };
  fs.writeFileSync(path.join(dir, 'zrform.browser.json'), JSON.stringify(manifest));
}

// A copy of the extension whose manifest also loads the test bridge into the
// test server's pages; with testBackground, its background is test_bg.js
// (bg.js plus the tab id and badge text answers).
export function ExtensionWithBridge(home, { testBackground = false } = {}) {
  const dir = path.join(home, 'extension');
  fs.cpSync(kExtensionDir, dir, { recursive: true });
  for (const file of ['test_bridge.js', 'test_bg.js'])
    fs.copyFileSync(path.join(import.meta.dirname, file), path.join(dir, file));
  const manifestPath = path.join(dir, 'manifest.json');
  const manifest = JSON.parse(fs.readFileSync(manifestPath, 'utf8'));
  manifest.content_scripts.push({ matches: ['http://127.0.0.1/*', 'http://localhost/*'], js: ['test_bridge.js'], run_at: 'document_start' });
  if (testBackground) manifest.background = { ...manifest.background, service_worker: 'test_bg.js', scripts: ['test_bg.js'] };
  fs.writeFileSync(manifestPath, JSON.stringify(manifest));
  return dir;
}

// Installs the fake host of fake_host.mjs for kind; its log file.
export function InstallFakeHost(kind, home) {
  const [program, log] = [path.join(home, 'fake-host.sh'), path.join(home, 'fake-host.log')];
  const fake = path.join(import.meta.dirname, 'fake_host.mjs');
  const script = `#!/bin/sh\nZR_FAKE_HOST_LOG='${log}' exec '${process.execPath}' '${fake}' "$@"\n`;
  fs.writeFileSync(program, script, { mode: 0o755 });
  InstallHostManifest(kind, home, program);
  return log;
}

// Firefox ESR takes an unsigned add-on from the profile's extensions folder
// with these (and enables it: no sideloading question).
const kUnsignedXpiPrefs = { 'xpinstall.signatures.required': false, 'extensions.autoDisableScopes': 0 };

// A Firefox profile in home with extension packed (scripts/build_xpi.sh) into its extensions folder.
function ProfileWithXpi(home, extension) {
  const folder = path.join(home, 'firefox-profile', 'extensions');
  fs.mkdirSync(folder, { recursive: true });
  execFileSync(path.join(import.meta.dirname, '../../scripts/build_xpi.sh'), [path.join(folder, `${kGeckoId}.xpi`), extension]);
  return path.dirname(folder);
}

export class TestBrowser {
  // options: {testBackground} (see ExtensionWithBridge); {xpi: true} (Firefox)
  // installs the extension packed, as a permanent unsigned add-on, not the folder.
  static async Launch(kind, home, env = {}, options = {}) {
    const self = Object.assign(new TestBrowser(), { kind, home });
    const extension = ExtensionWithBridge(home, options);
    const verbose = Boolean(process.env.ZR_E2E_VERBOSE);
    const common = { executablePath: kBrowsers[kind].binary, headless: true, env: { ...process.env, HOME: home, ...env },
      dumpio: verbose };
    const chromium = {
      ...common, pipe: true, userDataDir: path.join(home, 'chromium-profile'), enableExtensions: [extension],
      args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--no-first-run'],
    };
    const prefs = { 'extensions.webextensions.uuids': JSON.stringify({ [kGeckoId]: kGeckoUuid }),
      'devtools.console.stdout.chrome': verbose, ...(options.xpi ? kUnsignedXpiPrefs : {}) };
    const firefox = { ...common, browser: 'firefox', extraPrefsFirefox: prefs,
      ...(options.xpi ? { userDataDir: ProfileWithXpi(home, extension) } : {}) };
    self.browser = await puppeteer.launch(kind === 'chromium' ? chromium : firefox);
    if (kind !== 'chromium' && !options.xpi) await self.browser.installExtension(extension);
    self.page = (await self.browser.pages())[0] ?? (await self.browser.newPage());
    return self;
  }

  // Shows url in page (the test's one tab unless told) once the bridge is
  // there (the extension may still be starting); the page.
  async Open(url, page = this.page) {
    for (const deadline = Date.now() + 30000; ; ) {
      await page.goto(url, { waitUntil: 'load' });
      const ready = () => document.documentElement.dataset.zrBridge === 'ready';
      if (await page.waitForFunction(ready, { timeout: 3000 }).then(() => true, () => false)) return page;
      if (Date.now() > deadline) throw new Error(`the extension never came into ${url}`);
    }
  }

  // Sends a command to the background from page (one with the bridge), as the
  // popup does; its answer. Commands without a tab go to the active tab.
  Command(message, page = this.page, timeout = 60000) {
    return page.evaluate(
      (sent, wait) =>
        new Promise((resolve, reject) => {
          const id = Math.random();
          const timer = setTimeout(() => reject(new Error(`no answer to ${sent.command}`)), wait);
          window.addEventListener('message', function Answer(event) {
            if (event.source !== window || event.data?.zrTestAnswer !== id) return;
            window.removeEventListener('message', Answer);
            clearTimeout(timer);
            resolve(event.data.answer);
          });
          window.postMessage({ zrTestCommand: id, message: sent }, '*');
        }),
      message,
      timeout,
    );
  }

  // Chromium only (Firefox's remote protocol cannot open extension pages):
  // clicks each button of the popup, its own tab in front, by id; the result
  // line after each, [text, class].
  async Popup(ids, timeout = 20000) {
    const popup = await this.browser.newPage();
    try {
      await popup.goto(`chrome-extension://${kChromiumId}/popup.html`);
      await popup.bringToFront(); // the popup's own tab is the active one: not a page to fill
      const lines = [];
      for (const id of ids) {
        await popup.click(`#${id}`);
        const done = () => !['', 'Working...'].includes(document.getElementById('result').textContent);
        await popup.waitForFunction(done, { timeout });
        lines.push(await popup.$eval('#result', (line) => [line.textContent, line.className]));
      }
      return lines;
    } finally {
      await popup.close().catch(() => {});
    }
  }

  // The values of the page's inputs, by id.
  Values() {
    return this.page.evaluate(() =>
      Object.fromEntries([...document.querySelectorAll('input[id]')].map((input) => [input.id, input.value])),
    );
  }

  async Close() {
    await this.browser?.close().catch(() => {});
  }
}

// The driver itself, for scripts outside this folder (the demonstration).
export { puppeteer };
