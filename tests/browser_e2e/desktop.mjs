// The real server's side of the end-to-end tests: a virtual display for its
// windows (answered with xdotool, as tests/bus does), the server registered in
// this run's private bus and XDG folders (tests/run_on_bus.sh), sample data,
// the host's manifests installed by the host itself, and what the server, the
// hosts and the data files hold.
import { execFile, execFileSync, spawn } from 'node:child_process';
import { promisify } from 'node:util';
import fs from 'node:fs';
import path from 'node:path';

// program's standard output; input, when given, is its standard input.
export function Run(program, args, env = process.env, input = undefined) {
  const stdin = input === undefined ? 'ignore' : 'pipe';
  return execFileSync(program, args, { env, input, encoding: 'utf8', stdio: [stdin, 'pipe', 'inherit'], timeout: 60000 });
}

// Run without waiting: resolves to the output, so that the windows program opens can be answered meanwhile.
export const RunLater = async (program, args, seconds = 60) =>
  (await promisify(execFile)(program, args, { encoding: 'utf8', timeout: seconds * 1000 })).stdout;

// Starts a daemon; the first line it prints (its display or address) and its stop.
async function Daemon(program, args) {
  const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'ignore'] });
  const first = await new Promise((resolve, reject) => {
    child.stdout.once('data', (data) => resolve(String(data).trim()));
    child.once('exit', () => reject(new Error(`${program} did not start`)));
  });
  return [first, () => child.kill()];
}

// Starts Xvfb and hands its display to the bus's activation environment, so
// that the server the bus starts shows its windows there.
export async function StartDisplay() {
  const [number, stop] = await Daemon('Xvfb', ['-displayfd', '1', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp']);
  const display = `:${number}`;
  process.env.DISPLAY = display;
  delete process.env.QT_QPA_PLATFORM;
  Run('dbus-update-activation-environment', [`DISPLAY=${display}`, 'QT_QPA_PLATFORM=xcb']);
  return { display, stop };
}

const Shell = (command, seconds) => RunLater('sh', ['-c', command], seconds + 10);

// The visible windows titled title (exactly), oldest first; with seconds,
// waits that long for one to come.
async function Windows(title, seconds = 0) {
  const search = `xdotool search${seconds ? ' --sync' : ''} --onlyvisible --name '^${title}$'`;
  return (await Shell(`timeout ${seconds || 5} ${search} 2>/dev/null || true`, seconds)).split('\n').filter(Boolean);
}

// Waits for the window titled title, focuses it (the newest: a later prompt is
// modal and takes the keys first) and sends keys ("alt+y"; "=text" is typed);
// false when it never came. Asynchronous, so that the browser is driven meanwhile.
export async function Answer(title, keys, seconds = 30) {
  const window = (await Windows(title, seconds)).at(-1);
  if (!window) return false;
  await Shell(`timeout 5 xdotool windowfocus --sync ${window} 2>/dev/null || true`, 5);
  for (const key of keys) {
    // Qt takes a mnemonic's animated click 100 ms after the key.
    if (key.startsWith('=')) await Shell(`xdotool type --delay 12 -- '${key.slice(1)}'`, 10);
    else await Shell(`xdotool key ${key} sleep 0.3`, 10);
  }
  return true;
}

// Whether a window titled title is shown now.
export const Shown = async (title) => (await Windows(title)).length > 0;

// Waits until no window titled title is shown; false when one still is after seconds.
export async function Gone(title, seconds = 30) {
  for (const deadline = Date.now() + seconds * 1000; Date.now() < deadline; ) {
    if (!(await Shown(title))) return true;
    await new Promise((done) => setTimeout(done, 100)); // xdotool cannot wait for a window to go
  }
  return false;
}

// Registers the server and writes the sample data (Home profile: Ann Lee, ...).
export function PrepareServer(server, zrdata) {
  Run(server, ['-RegServer']);
  fs.mkdirSync(path.join(DataFile(''), '..'), { recursive: true });
  Run(zrdata, ['sample', DataFile('')]);
}

// A file of the server's data folder.
export const DataFile = (name) => path.join(process.env.ZR_TEST_SCRATCH, 'data', 'Zorvane', 'ToolBar', name);

// The host's own install for kind, into the test browser's folders.
export function InstallRealHost(kind, home, host) {
  const chromium = kind === 'chromium' ? ['--chromium-dir', path.join(home, 'chromium-profile')] : [];
  Run(host, ['install', ...chromium], { ...process.env, HOME: home });
}

// A session bus of its own that activates nothing (no service folders): a
// server that is not registered there cannot be started. Its address and stop.
export async function StartEmptyBus(folder) {
  const config = path.join(folder, 'empty-bus.conf');
  const policy = '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/>';
  fs.writeFileSync(config, `<busconfig><type>session</type><listen>unix:dir=${folder}</listen>` +
    `<policy context="default">${policy}</policy></busconfig>`);
  const [address, stop] = await Daemon('dbus-daemon', [`--config-file=${config}`, '--nofork', '--print-address=1']);
  return { address, stop };
}

// The number a bus method answers.
function BusNumber(dest, object, method, ...args) {
  const out = Run('gdbus', ['call', '--session', '--dest', dest, '--object-path', object, '--method', method, ...args]);
  return Number(/uint32 (\d+)/.exec(out)[1]);
}

// The server's process as the bus knows it (the owner of its name); null when no server runs.
export function ServerPid() {
  try {
    return BusNumber('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus.GetConnectionUnixProcessID',
      'ZRForm.ZRBarHelper');
  } catch {
    return null;
  }
}

// The references the running server's clients hold (its module lock count):
// AddRef answers the new count; the caller's one is given back when it leaves.
export const ServerReferences = () => BusNumber('ZRForm.ZRBarHelper', '/ZRBarHelper', 'ZRForm.IUnknown.AddRef') - 1;

// The processes of program whose HOME is home (the hosts one test browser started).
export function ProcessesOf(program, home) {
  const wanted = fs.realpathSync(program);
  return fs.readdirSync('/proc').filter((pid) => {
    try {
      return /^\d+$/.test(pid) && fs.readlinkSync(`/proc/${pid}/exe`) === wanted &&
        fs.readFileSync(`/proc/${pid}/environ`, 'utf8').split('\0').includes(`HOME=${home}`);
    } catch {
      return false; // gone meanwhile, or not ours to read
    }
  }).map(Number);
}

// VmRSS of pid in KiB, or -1.
export function ResidentKb(pid) {
  try {
    return Number(/VmRSS:\s+(\d+)/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))[1]);
  } catch {
    return -1;
  }
}

// The logins stored in the data folder's file (read from disk, not the server).
export const StoredLogins = (zrdata) => JSON.parse(Run(zrdata, ['dump', DataFile('Password.dat'), '--kind', 'logins']));

// Imports logins ([url, user, password] rows) through the server, as a CSV file
// of the browser export layout; zrbar's output.
export function ImportLogins(zrbar, rows, updatePasswords = false) {
  const file = path.join(process.env.ZR_TEST_SCRATCH, `import-${Date.now()}-${Math.random()}.csv`);
  const lines = ['name,url,username,password', ...rows.map(([url, user, pass]) => `site,${url},${user},${pass}`)];
  fs.writeFileSync(file, `${lines.join('\n')}\n`);
  return Run(zrbar, ['import', file, ...(updatePasswords ? ['--update-passwords'] : [])]);
}
