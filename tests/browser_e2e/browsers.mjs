// Starts Chromium or Firefox ESR with a copy of the ZRForm extension (plus the
// test bridge) loaded, a profile and a native-messaging folder of their own,
// and sends the extension's commands from a test page through the bridge.
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const kExtensionDir = path.resolve(import.meta.dirname, '../../browser/extension');
export const kChromiumId = 'hapmaombobnbmdadnilknamdlhpbnpnp';
export const kGeckoId = 'zrform@zorvane.example';
const kGeckoUuid = '5a0c1d2e-3f40-4b51-8c62-7d8e9fa0b1c2'; // fixed, so tests know the page address

export const kBrowsers = {
  chromium: { binary: '/usr/bin/chromium', origin: `chrome-extension://${kChromiumId}/` },
  firefox: { binary: '/usr/bin/firefox-esr', origin: `moz-extension://${kGeckoUuid}/` },
};

// The host manifest folder each browser reads in a test's home.
export function NativeHostsDir(kind, home) {
  return kind === 'chromium'
    ? path.join(home, 'chromium-profile', 'NativeMessagingHosts')
    : path.join(home, '.mozilla', 'native-messaging-hosts');
}

// Writes a host manifest for program (a fake host, or none for "not installed").
export function InstallHostManifest(kind, home, program) {
  const dir = NativeHostsDir(kind, home);
  fs.mkdirSync(dir, { recursive: true });
  const manifest = { name: 'zrform.browser', description: 'ZRForm browser host', path: program, type: 'stdio' };
  if (kind === 'chromium') manifest.allowed_origins = [`chrome-extension://${kChromiumId}/`];
  else manifest.allowed_extensions = [kGeckoId];
  fs.writeFileSync(path.join(dir, 'zrform.browser.json'), JSON.stringify(manifest));
}

// A copy of the extension whose manifest also loads the test bridge into the
// test server's pages; with testBackground, its background is test_bg.js
// (bg.js plus the tab id and badge text answers).
export function ExtensionWithBridge(home, { testBackground = false } = {}) {
  const dir = path.join(home, 'extension');
  fs.cpSync(kExtensionDir, dir, { recursive: true });
  fs.copyFileSync(path.join(import.meta.dirname, 'test_bridge.js'), path.join(dir, 'test_bridge.js'));
  const manifestPath = path.join(dir, 'manifest.json');
  const manifest = JSON.parse(fs.readFileSync(manifestPath, 'utf8'));
  manifest.content_scripts.push({ matches: ['http://127.0.0.1/*', 'http://localhost/*'], js: ['test_bridge.js'], run_at: 'document_start' });
  if (testBackground) {
    fs.copyFileSync(path.join(import.meta.dirname, 'test_bg.js'), path.join(dir, 'test_bg.js'));
    manifest.background = { ...manifest.background, service_worker: 'test_bg.js', scripts: ['test_bg.js'] };
  }
  fs.writeFileSync(manifestPath, JSON.stringify(manifest));
  return dir;
}

// Installs the fake host of fake_host.mjs for kind; its log file.
export function InstallFakeHost(kind, home) {
  const program = path.join(home, 'fake-host.sh');
  const log = path.join(home, 'fake-host.log');
  fs.writeFileSync(
    program,
    `#!/bin/sh\nZR_FAKE_HOST_LOG='${log}' exec '${process.execPath}' '${path.join(import.meta.dirname, 'fake_host.mjs')}' "$@"\n`,
    { mode: 0o755 },
  );
  InstallHostManifest(kind, home, program);
  return log;
}

// Firefox ESR takes an unsigned add-on from the profile's extensions folder
// with these (and enables it: no sideloading question).
const kUnsignedXpiPrefs = { 'xpinstall.signatures.required': false, 'extensions.autoDisableScopes': 0 };

function ProfileWithXpi(home, xpi) {
  const profile = path.join(home, 'firefox-profile');
  fs.mkdirSync(path.join(profile, 'extensions'), { recursive: true });
  fs.copyFileSync(xpi, path.join(profile, 'extensions', `${kGeckoId}.xpi`));
  return profile;
}

export class TestBrowser {
  // options: {testBackground} (see ExtensionWithBridge); {xpi: file} (Firefox)
  // installs that packed add-on in the profile instead of the folder.
  static async Launch(kind, home, env = {}, options = {}) {
    const self = new TestBrowser(kind, home);
    const extension = ExtensionWithBridge(home, options);
    const environment = { ...process.env, HOME: home, ...env };
    if (kind === 'chromium') {
      self.browser = await puppeteer.launch({
        executablePath: kBrowsers.chromium.binary,
        headless: true,
        pipe: true,
        env: environment,
        dumpio: Boolean(process.env.ZR_E2E_VERBOSE),
        userDataDir: path.join(home, 'chromium-profile'),
        enableExtensions: [extension],
        args: [
          '--no-sandbox',
          '--disable-background-networking',
          '--disable-component-update',
          '--disable-sync',
          '--no-first-run',
        ],
      });
    } else {
      self.browser = await puppeteer.launch({
        browser: 'firefox',
        executablePath: kBrowsers.firefox.binary,
        headless: true,
        env: environment,
        dumpio: Boolean(process.env.ZR_E2E_VERBOSE),
        extraPrefsFirefox: {
          'extensions.webextensions.uuids': JSON.stringify({ [kGeckoId]: kGeckoUuid }),
          'devtools.console.stdout.chrome': Boolean(process.env.ZR_E2E_VERBOSE),
          ...(options.xpi ? kUnsignedXpiPrefs : {}),
        },
        ...(options.xpi ? { userDataDir: ProfileWithXpi(home, options.xpi) } : {}),
      });
      if (!options.xpi) await self.browser.installExtension(extension);
    }
    [self.page] = await self.browser.pages();
    self.page ??= await self.browser.newPage();
    return self;
  }

  constructor(kind, home) {
    this.kind = kind;
    this.home = home;
  }

  // Shows url in the test's one tab once the bridge is there (the extension
  // may still be starting); the page.
  Open(url, deadline = Date.now() + 30000) {
    return this.OpenIn(this.page, url, deadline);
  }

  // As Open, in another page (tab) of this browser.
  async OpenIn(page, url, deadline = Date.now() + 30000) {
    for (;;) {
      await page.goto(url, { waitUntil: 'load' });
      const ready = await page
        .waitForFunction(() => document.documentElement.dataset.zrBridge === 'ready', { timeout: 3000 })
        .then(() => true, () => false);
      if (ready) return page;
      if (Date.now() > deadline) throw new Error(`the extension never came into ${url}`);
    }
  }

  // Sends a command to the background from the page, as the popup does; its
  // answer. Commands without a tab go to the active tab: the test's one tab.
  Command(message, timeout = 60000) {
    return this.CommandFrom(this.page, message, timeout);
  }

  // As Command, sent from another page of this browser that has the bridge.
  CommandFrom(page, message, timeout = 60000) {
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
