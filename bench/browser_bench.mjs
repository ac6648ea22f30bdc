// Timings of the browser client in headless Chromium with the real host and
// server, on a private bus with a virtual display for the server's windows:
// - a fill from the command the popup sends to the values in the page, on a
//   50-field and a 1,000-field page, beside an echo measured in the same run
//   (the status command: page -> background -> host -> background -> page);
//   the fill command names its tab, as the popup's does (the popup looks the
//   tab up as it opens);
// - how many messages each of them exchanges with the host and with the
//   page's content script (counted in a second browser whose host is behind a
//   counting relay, so that the timings above carry no relay);
// - page load -> automatic login fill, and form submit -> remember prompt shown.
// Run: tests/run_on_bus.sh node bench/browser_bench.mjs  (after building zrform,
// zrdata and zrform-browser in build/; ZR_BENCH_RUNS sets the repeats).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { InstallHostManifest, TestBrowser } from '../tests/browser_e2e/browsers.mjs';
import { Answer, Gone, InstallRealHost, PrepareServer, Shown, StartDisplay } from '../tests/browser_e2e/desktop.mjs';
import { Page, StartPages } from '../tests/browser_e2e/pages.mjs';

const kBuild = path.resolve(import.meta.dirname, '../build');
const kRuns = Number(process.env.ZR_BENCH_RUNS ?? 21);
const kPromptRuns = Math.min(kRuns, 7); // each one a window to answer
const kPrompt = 'Zorvane Login Manager';
const kProfileNames = ['firstname', 'lastname', 'email', 'city', 'zip']; // all five filled from Home

function FieldsPage(count) {
  const inputs = Array.from({ length: count }, (_, i) => `<input name="${kProfileNames[i % 5]}">`).join('');
  return Page(`${count} fields`, `<form name="many">${inputs}</form>`);
}

// A sign-in page that notes when its first input event (the fill's) came.
const kSignIn = Page(
  'Sign in',
  `<form action="/signed-in" method="post"><input name="username" id="username">
   <input type="password" name="password" id="password"><button id="go">Sign in</button></form>
   <script>document.addEventListener('input', () => (window.zrFilledAt ??= performance.now()), true);</script>`,
);

function Median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// Sends message through the test bridge and times it inside the page.
function TimedCommand(page, message) {
  return page.evaluate(
    (sent) =>
      new Promise((resolve) => {
        const id = Math.random();
        const start = performance.now();
        window.addEventListener('message', function Heard(event) {
          if (event.source !== window || event.data?.zrTestAnswer !== id) return;
          window.removeEventListener('message', Heard);
          resolve({ answer: event.data.answer, ms: performance.now() - start });
        });
        window.postMessage({ zrTestCommand: id, message: sent }, '*');
      }),
    message,
  );
}

// The median of kRuns, after one unmeasured run (the first one warms up the worker and the host).
async function MedianOf(page, message, check) {
  check((await TimedCommand(page, message)).answer);
  const times = [];
  for (let i = 0; i < kRuns; ++i) {
    const { answer, ms } = await TimedCommand(page, message);
    check(answer);
    times.push(ms);
  }
  return Median(times);
}

// A host manifest whose program is the real host behind a relay that counts
// the messages each way (browser -> host lines "in", host -> browser "out").
function InstallCountingHost(home, host) {
  const log = path.join(home, 'relay.log');
  const relay = path.join(home, 'relay.mjs');
  fs.writeFileSync(
    relay,
    `import { spawn } from 'node:child_process';
import fs from 'node:fs';
const child = spawn(${JSON.stringify(host)}, process.argv.slice(2), { stdio: ['pipe', 'pipe', 'inherit'] });
function Count(from, to, tag) {
  let pending = Buffer.alloc(0);
  from.on('data', (chunk) => {
    to.write(chunk);
    pending = Buffer.concat([pending, chunk]);
    while (pending.length >= 4 && pending.length >= 4 + pending.readUInt32LE(0)) {
      const size = pending.readUInt32LE(0);
      const op = tag === 'in' ? ' ' + JSON.parse(pending.subarray(4, 4 + size)).op : '';
      pending = pending.subarray(4 + size);
      fs.appendFileSync(${JSON.stringify(log)}, tag + op + '\\n');
    }
  });
}
Count(process.stdin, child.stdin, 'in');
Count(child.stdout, process.stdout, 'out');
process.stdin.on('end', () => child.stdin.end());
child.on('exit', (code) => process.exit(code ?? 1));
`,
  );
  const program = path.join(home, 'relay.sh');
  fs.writeFileSync(program, `#!/bin/sh\nexec '${process.execPath}' '${relay}' "$@"\n`, { mode: 0o755 });
  InstallHostManifest('chromium', home, program);
  return log;
}

function Logged(log) {
  const lines = fs.readFileSync(log, 'utf8').split('\n').filter(Boolean);
  return { requests: lines.filter((l) => l.startsWith('in')), replies: lines.filter((l) => l === 'out').length };
}

// Messages of one command: to and from the host, and to the content script.
// It starts once the badge recount of the page's own navigation is answered.
async function CountMessages(browser, worker, log, message) {
  for (let idle = Logged(log); !idle.requests.includes('in count') || idle.requests.length !== idle.replies; idle = Logged(log))
    await new Promise((done) => setTimeout(done, 20));
  fs.writeFileSync(log, '');
  await worker.evaluate(() => ((globalThis.zrFrameMessages = 0), (globalThis.zrFrameMs = 0)));
  const { answer, ms } = await TimedCommand(browser.page, message);
  const { requests, replies } = Logged(log);
  return {
    ok: answer.ok,
    host: `${requests.length} request${requests.length === 1 ? '' : 's'} (${requests.map((l) => l.slice(3)).join(', ')}) / ${replies} repl${replies === 1 ? 'y' : 'ies'}`,
    frame: await worker.evaluate(() => globalThis.zrFrameMessages),
    split: `${ms.toFixed(1)} ms, ${(await worker.evaluate(() => globalThis.zrFrameMs)).toFixed(1)} of them in the content script`,
  };
}

function Scratch(name) {
  return fs.mkdtempSync(path.join(process.env.ZR_TEST_SCRATCH ?? os.tmpdir(), `${name}.`));
}

async function Main() {
  if (!process.env.ZR_TEST_SCRATCH) throw new Error('run it through tests/run_on_bus.sh');
  const server = path.join(kBuild, 'app/zrform');
  const host = path.join(kBuild, 'browser/host/zrform-browser');
  const display = await StartDisplay();
  PrepareServer(server, path.join(kBuild, 'tools/zrdata'));
  const pages = await StartPages('localhost', {
    '/fields50': FieldsPage(50),
    '/fields1000': FieldsPage(1000),
    '/bench-signin': kSignIn,
  });
  const figures = {};
  const expectFilled = (count) => (answer) => {
    if (!answer.ok || answer.filled !== count) throw new Error(`fill: ${JSON.stringify(answer)}`);
  };

  // Timings, with the host started by the browser as it is for a user.
  const home = Scratch('bench');
  InstallRealHost('chromium', home, host);
  const browser = await TestBrowser.Launch('chromium', home, {}, { testBackground: true });
  try {
    await browser.Open(`${pages.base}/fields50`);
    const { tabId } = await browser.Command({ zrTest: 'tab' });
    const fill = { command: 'fill', type: 'home', tabId };
    const echoed = (answer) => {
      if (!answer.ok || !answer.server) throw new Error(`status: ${JSON.stringify(answer)}`);
    };
    figures['echo (status), ms'] = await MedianOf(browser.page, { command: 'status' }, echoed);
    figures['fill 50 fields, ms'] = await MedianOf(browser.page, fill, expectFilled(50));
    await browser.Open(`${pages.base}/fields1000`);
    figures['echo on the 1,000-field page, ms'] = await MedianOf(browser.page, { command: 'status' }, echoed);
    figures['fill 1,000 fields, ms'] = await MedianOf(browser.page, fill, expectFilled(1000));

    // One login stored with "fill in automatically", then page load -> filled.
    const signin = `${pages.base}/bench-signin`;
    let page = await browser.Open(signin);
    await page.type('#username', 'bench-user');
    await page.type('#password', 'bench-pass');
    const stored = Answer(kPrompt, ['alt+f', 'alt+y']);
    await Promise.all([page.waitForNavigation(), page.click('#go')]);
    if (!(await stored)) throw new Error('no remember prompt');
    const autoFill = [];
    for (let i = 0; i < kRuns; ++i) {
      page = await browser.Open(`${signin}?n=${i}`);
      await page.waitForFunction(() => window.zrFilledAt !== undefined, { timeout: 30000 });
      autoFill.push(await page.evaluate(() => window.zrFilledAt));
    }
    figures['page load -> automatic fill, ms'] = Median(autoFill);

    // Submit -> remember prompt shown (a new login each time, answered No).
    const prompts = [];
    for (let i = 0; i < kPromptRuns; ++i) {
      page = await browser.Open(`${signin}?p=${i}`);
      await page.waitForFunction(() => window.zrFilledAt !== undefined, { timeout: 30000 });
      await page.evaluate((user) => {
        document.getElementById('username').value = user;
        document.getElementById('password').value = `${user}-pass`;
      }, `prompt-user-${i}`);
      const start = performance.now();
      const navigated = page.waitForNavigation();
      await page.click('#go');
      while (!(await Shown(kPrompt))) {
        if (performance.now() - start > 30000) throw new Error('no remember prompt');
      }
      prompts.push(performance.now() - start);
      await navigated;
      await Answer(kPrompt, ['alt+n']);
      await Gone(kPrompt);
    }
    figures['submit -> remember prompt shown, ms (xdotool polling)'] = Median(prompts);
  } finally {
    await browser.Close();
  }

  // Messages per command, with the relay between browser and host.
  const countingHome = Scratch('bench-count');
  const log = InstallCountingHost(countingHome, host);
  const counting = await TestBrowser.Launch('chromium', countingHome);
  try {
    await counting.Open(`${pages.base}/fields50`);
    const target = await counting.browser.waitForTarget((t) => t.type() === 'service_worker', { timeout: 30000 });
    const worker = await target.worker();
    await worker.evaluate(() => {
      const send = chrome.tabs.sendMessage.bind(chrome.tabs);
      chrome.tabs.sendMessage = async (...args) => {
        ++globalThis.zrFrameMessages;
        const start = performance.now();
        try {
          return await send(...args);
        } finally {
          globalThis.zrFrameMs += performance.now() - start;
        }
      };
    });
    for (const [label, url, message] of [
      ['echo (status)', 'fields50', { command: 'status' }],
      ['fill 50 fields', 'fields50', { command: 'fill', type: 'home' }],
      ['fill 1,000 fields', 'fields1000', { command: 'fill', type: 'home' }],
    ]) {
      fs.writeFileSync(log, '');
      await counting.Open(`${pages.base}/${url}`);
      const counted = await CountMessages(counting, worker, log, message);
      figures[`${label}: host messages, content-script requests`] =
        `${counted.host}, ${counted.frame}${counted.ok ? '' : ' (failed)'} (one run through the relay: ${counted.split})`;
    }
  } finally {
    await counting.Close();
    await pages.close();
    display.stop();
  }

  figures['fill 50 / echo'] = (figures['fill 50 fields, ms'] / figures['echo (status), ms']).toFixed(2);
  figures['fill 1,000 / echo on its page'] = (
    figures['fill 1,000 fields, ms'] / figures['echo on the 1,000-field page, ms']
  ).toFixed(2);
  console.log(`browser bench, headless Chromium, medians of ${kRuns} (prompts: ${kPromptRuns})`);
  for (const [name, value] of Object.entries(figures))
    console.log(`  ${name.padEnd(64)} ${typeof value === 'number' ? value.toFixed(1) : value}`);
}

await Main();
