// The real server's side of the end-to-end tests: a virtual display for its
// windows (answered with xdotool, as tests/bus does), the server registered in
// this run's private bus and XDG folders (tests/run_on_bus.sh), sample data,
// and the host's manifests installed by the host itself.
import { execFile, execFileSync, spawn } from 'node:child_process';
import { promisify } from 'node:util';
import fs from 'node:fs';
import path from 'node:path';

export function Run(program, args, env = process.env) {
  return execFileSync(program, args, { env, encoding: 'utf8', stdio: ['ignore', 'pipe', 'inherit'], timeout: 60000 });
}

// Starts Xvfb and hands its display to the bus's activation environment, so
// that the server the bus starts shows its windows there.
export async function StartDisplay() {
  const xvfb = spawn('Xvfb', ['-displayfd', '1', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'], {
    stdio: ['ignore', 'pipe', 'ignore'],
  });
  const display = await new Promise((resolve, reject) => {
    xvfb.stdout.once('data', (data) => resolve(`:${String(data).trim()}`));
    xvfb.once('exit', () => reject(new Error('Xvfb did not start')));
  });
  process.env.DISPLAY = display;
  delete process.env.QT_QPA_PLATFORM;
  Run('dbus-update-activation-environment', [`DISPLAY=${display}`, 'QT_QPA_PLATFORM=xcb']);
  return { display, stop: () => xvfb.kill() };
}

const Shell = async (command, seconds) =>
  (await promisify(execFile)('sh', ['-c', command], { encoding: 'utf8', timeout: (seconds + 10) * 1000 })).stdout.split(
    '\n',
  )[0];

// Waits for the window titled title (exactly), focuses it and sends keys
// ("alt+y"; "=text" is typed); false when it never came. Asynchronous, so that
// the browser is driven meanwhile.
export async function Answer(title, keys, seconds = 30) {
  const window = await Shell(
    `timeout ${seconds} xdotool search --sync --onlyvisible --name '^${title}$' 2>/dev/null || true`,
    seconds,
  );
  if (!window) return false;
  await Shell(`timeout 5 xdotool windowfocus --sync ${window} 2>/dev/null || true`, 5);
  for (const key of keys) {
    // Qt takes a mnemonic's animated click 100 ms after the key.
    if (key.startsWith('=')) await Shell(`xdotool type --delay 12 -- '${key.slice(1)}'`, 10);
    else await Shell(`xdotool key ${key} sleep 0.3`, 10);
  }
  return true;
}

// Registers the server and writes the sample data (Home profile: Ann Lee, ...).
export function PrepareServer(server, zrdata) {
  Run(server, ['-RegServer']);
  const scratch = process.env.ZR_TEST_SCRATCH;
  fs.mkdirSync(path.join(scratch, 'data', 'Zorvane'), { recursive: true });
  Run(zrdata, ['sample', path.join(scratch, 'data', 'Zorvane', 'ToolBar')]);
}

// The host's own install for kind, into the test browser's folders.
export function InstallRealHost(kind, home, host) {
  const env = { ...process.env, HOME: home };
  if (kind === 'chromium') Run(host, ['install', '--chromium-dir', path.join(home, 'chromium-profile')], env);
  else Run(host, ['install'], env);
}

// Whether a window titled title (exactly) is shown now.
export async function Shown(title) {
  return Boolean(await Shell(`xdotool search --onlyvisible --name '^${title}$' 2>/dev/null || true`, 5));
}

// Waits until no window titled title is shown; false when one still is after seconds.
export async function Gone(title, seconds = 30) {
  for (const deadline = Date.now() + seconds * 1000; Date.now() < deadline; ) {
    if (!(await Shown(title))) return true;
    await new Promise((done) => setTimeout(done, 100)); // xdotool cannot wait for a window to go
  }
  return false;
}

// A session bus of its own that activates nothing (no service folders): a
// server that is not registered there cannot be started. Its address and stop.
export async function StartEmptyBus(folder) {
  const config = path.join(folder, 'empty-bus.conf');
  fs.writeFileSync(
    config,
    `<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>session</type><listen>unix:dir=${folder}</listen>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>`,
  );
  const bus = spawn('dbus-daemon', [`--config-file=${config}`, '--nofork', '--print-address=1'], {
    stdio: ['ignore', 'pipe', 'inherit'],
  });
  const address = await new Promise((resolve, reject) => {
    bus.stdout.once('data', (data) => resolve(String(data).trim()));
    bus.once('exit', () => reject(new Error('dbus-daemon did not start')));
  });
  return { address, stop: () => bus.kill() };
}

// The server's process as the bus knows it (the owner of its name); null
// when no server runs.
export function ServerPid() {
  try {
    const out = Run('gdbus', ['call', '--session', '--dest', 'org.freedesktop.DBus', '--object-path',
      '/org/freedesktop/DBus', '--method', 'org.freedesktop.DBus.GetConnectionUnixProcessID', 'ZRForm.ZRBarHelper']);
    return Number(/uint32 (\d+)/.exec(out)[1]);
  } catch {
    return null;
  }
}

// The references the running server's clients hold (its module lock count):
// AddRef answers the new count; the caller's one is given back when it leaves.
export function ServerReferences() {
  const out = Run('gdbus', ['call', '--session', '--dest', 'ZRForm.ZRBarHelper', '--object-path', '/ZRBarHelper',
    '--method', 'ZRForm.IUnknown.AddRef']);
  return Number(/uint32 (\d+)/.exec(out)[1]) - 1;
}

// The processes of program whose HOME is home (the hosts one test browser started).
export function ProcessesOf(program, home) {
  const wanted = fs.realpathSync(program);
  const found = [];
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      if (fs.readlinkSync(`/proc/${pid}/exe`) !== wanted) continue;
      const environment = fs.readFileSync(`/proc/${pid}/environ`, 'utf8').split('\0');
      if (environment.includes(`HOME=${home}`)) found.push(Number(pid));
    } catch {
      // gone meanwhile, or not ours to read
    }
  }
  return found;
}

// VmRSS of pid in KiB, or -1.
export function ResidentKb(pid) {
  try {
    return Number(/VmRSS:\s+(\d+)/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))[1]);
  } catch {
    return -1;
  }
}

// How many visible windows are titled title (exactly).
export function WindowCount(title) {
  const out = execFileSync('sh', ['-c', `xdotool search --onlyvisible --name '^${title}$' 2>/dev/null || true`], {
    encoding: 'utf8',
  });
  return out.split('\n').filter(Boolean).length;
}

// The logins stored in the data folder's file (read from disk, not the server).
export function StoredLogins(zrdata) {
  const file = path.join(process.env.ZR_TEST_SCRATCH, 'data', 'Zorvane', 'ToolBar', 'Password.dat');
  return JSON.parse(Run(zrdata, ['dump', file, '--kind', 'logins']));
}

// Imports logins ([url, user, password] rows) through the server, as a CSV file
// of the browser export layout; zrbar's output.
export function ImportLogins(zrbar, rows, updatePasswords = false) {
  const file = path.join(process.env.ZR_TEST_SCRATCH, `import-${Date.now()}-${Math.random()}.csv`);
  const lines = ['name,url,username,password', ...rows.map(([url, user, pass]) => `site,${url},${user},${pass}`)];
  fs.writeFileSync(file, `${lines.join('\n')}\n`);
  return Run(zrbar, ['import', file, ...(updatePasswords ? ['--update-passwords'] : [])]);
}
