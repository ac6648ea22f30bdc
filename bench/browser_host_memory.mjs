// The resident memory of the native host zrform-browser, started by headless
// Chromium as it is for a user: idle (the host up, the page's badge counted,
// nothing filled yet) and every 100 fills through the browser while 1,000
// Home fills of a 50-field page run, then again after a pause. The growth
// from the first 100 fills to the last (the host's caches and Qt's lazy
// set-up are made by then) says whether a fill leaves anything behind.
// Run: tests/run_on_bus.sh node bench/browser_host_memory.mjs  (after building
// zrform, zrdata and zrform-browser in build/; ZR_BENCH_FILLS sets the fills).
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { TestBrowser } from '../tests/browser_e2e/browsers.mjs';
import { InstallRealHost, PrepareServer, ProcessesOf, ResidentKb, ServerPid, StartDisplay } from '../tests/browser_e2e/desktop.mjs';
import { Page, StartPages } from '../tests/browser_e2e/pages.mjs';

const kBuild = path.resolve(import.meta.dirname, '../build');
const kFills = Number(process.env.ZR_BENCH_FILLS ?? 1000);
const kSampleEvery = 100;
const kProfileNames = ['firstname', 'lastname', 'email', 'city', 'zip'];

const kFields = Page(
  '50 fields',
  `<form name="many">${Array.from({ length: 50 }, (_, i) => `<input name="${kProfileNames[i % 5]}">`).join('')}</form>`,
);

const Pause = (ms) => new Promise((done) => setTimeout(done, ms));
const Mb = (kb) => (kb / 1024).toFixed(1);

// The one host the browser started (the browser keeps one per connection).
function HostKb(host, home) {
  const pids = ProcessesOf(host, home);
  if (pids.length !== 1) throw new Error(`${pids.length} hosts run, not one`);
  return ResidentKb(pids[0]);
}

async function Main() {
  if (!process.env.ZR_TEST_SCRATCH) throw new Error('run it through tests/run_on_bus.sh');
  const host = path.join(kBuild, 'browser/host/zrform-browser');
  const display = await StartDisplay();
  PrepareServer(path.join(kBuild, 'app/zrform'), path.join(kBuild, 'tools/zrdata'));
  const pages = await StartPages('localhost', { '/fields50': kFields });
  const home = fs.mkdtempSync(path.join(process.env.ZR_TEST_SCRATCH ?? os.tmpdir(), 'host-memory.'));
  InstallRealHost('chromium', home, host);
  const browser = await TestBrowser.Launch('chromium', home);
  const samples = [];
  try {
    await browser.Open(`${pages.base}/fields50`);
    const status = await browser.Command({ command: 'status' });
    if (!status.ok || !status.server) throw new Error(`status: ${JSON.stringify(status)}`);
    await Pause(1000);
    samples.push(['idle', HostKb(host, home)]);
    for (let fill = 1; fill <= kFills; ++fill) {
      const answer = await browser.Command({ command: 'fill', type: 'home' });
      if (!answer.ok || answer.filled !== 50) throw new Error(`fill ${fill}: ${JSON.stringify(answer)}`);
      if (fill % kSampleEvery === 0) samples.push([`after ${fill} fills`, HostKb(host, home)]);
    }
    await Pause(1000);
    samples.push([`after ${kFills} fills and 1 s`, HostKb(host, home)]);
    samples.push(['server, at the end', ResidentKb(ServerPid())]);
  } finally {
    await browser.Close();
    await pages.close();
    display.stop();
  }
  console.log(`zrform-browser resident memory (VmRSS), headless Chromium, ${kFills} Home fills of 50 fields`);
  for (const [label, kb] of samples) console.log(`  ${label.padEnd(32)} ${Mb(kb)} MB`);
  const hosts = samples.filter(([label]) => label.startsWith('after ')).map(([, kb]) => kb);
  if (hosts.length >= 2) {
    console.log(`  ${'growth after the first sample'.padEnd(32)} ${hosts.at(-1) - hosts[0]} kB`);
  }
}

await Main();
