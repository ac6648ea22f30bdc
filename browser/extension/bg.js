// The background of the ZRForm extension (a service worker in Chromium, an
// event page in Firefox): answers the commands of the popup, the context menu
// and the tests, and the events of the content scripts, through one
// connection to the native host. It keeps nothing a restart would lose except
// the auto-record setting, which it asks for again.
import {
  Command,
  ContentEvent,
  ErrorText,
  FillType,
  FrameRequest,
  HostOp,
  kHomeFields,
  kHostName,
  kWorkFields,
} from './commands.js';
import { HostError, HostPort } from './host_port.js';
import { IsAddress, ToAddress } from './address.js';
import { LoginWatch } from './login_watch.js';

const api = globalThis.browser ?? globalThis.chrome;
const host = new HostPort(api, kHostName);
const kTopFrame = { frameId: 0 };
const kMenuRoot = 'zr-teach';

// The server's AutoRecordLogin, asked once per worker life.
let autoRecord = null;

function CannotFill() {
  return new HostError(ErrorText.cannotFill);
}

async function TargetTab(tabId) {
  if (tabId !== undefined) return api.tabs.get(tabId);
  const [tab] = await api.tabs.query({ active: true, lastFocusedWindow: true });
  if (!tab) throw CannotFill();
  return tab;
}

// The id of the tab a command names, else of the active tab. A tab named but
// gone fails where its frames are asked.
async function TargetTabId(tabId) {
  return Number.isInteger(tabId) ? tabId : (await TargetTab()).id;
}

// Asks one frame's document; injects the content script first where it is
// missing (a tab opened before the extension came). Browser pages and PDFs
// accept neither.
async function AskFrame(tabId, frameId, request) {
  const target = { frameId };
  try {
    return await api.tabs.sendMessage(tabId, request, target);
  } catch {
    try {
      await api.scripting.executeScript({ target: { tabId, frameIds: [frameId] }, files: ['content.js'] });
      return await api.tabs.sendMessage(tabId, request, target);
    } catch {
      throw CannotFill();
    }
  }
}

// The snapshots of the tab's frames, the top document first, each with its
// frame id; frames that do not answer (sandboxed, gone) are left out. The top
// document is asked while the frames are listed: most pages have no others.
async function Snapshots(tabId) {
  const Ask = (frameId) =>
    AskFrame(tabId, frameId, { zr: FrameRequest.snapshot }).then(
      (answer) => (answer?.page ? { frameId, page: answer.page } : null),
      () => null,
    );
  const top = Ask(kTopFrame.frameId);
  let frames = [];
  try {
    frames = (await api.webNavigation.getAllFrames({ tabId })) ?? [];
  } catch {
    // The tab's frames cannot be listed: its top document alone.
  }
  const others = frames.map((frame) => frame.frameId).filter((id) => id !== kTopFrame.frameId);
  const snapshots = (await Promise.all([top, ...others.map(Ask)])).filter(Boolean);
  if (snapshots.length === 0) throw CannotFill();
  return snapshots;
}

const HasPassword = ({ page }) => page.elements.some((element) => element.type === 'password');

// The frames a fill or a capture works on, in the order tried: for logins
// those with a password input (top first), then the others; for a profile,
// all of them, top first.
function FramesFor(snapshots, logins) {
  if (!logins) return snapshots;
  return [...snapshots.filter(HasPassword), ...snapshots.filter((snapshot) => !HasPassword(snapshot))];
}

// Fills the first frame, in FramesFor's order, that gets a value.
async function Fill({ type, tabId }) {
  const fillType = FillType[type];
  if (!fillType) throw new HostError(`Cannot fill from "${type}".`);
  const id = await TargetTabId(tabId);
  for (const { frameId, page } of FramesFor(await Snapshots(id), fillType === FillType.password)) {
    const reply = await host.request(HostOp.fill, { type: fillType, force: true, auto: false, page });
    const writes = reply.writes ?? [];
    if (writes.length === 0) continue;
    const answer = await AskFrame(id, frameId, { zr: FrameRequest.apply, url: page.url, writes });
    if (answer?.written > 0) return { filled: answer.written };
  }
  throw new HostError(ErrorText.nothingMatched);
}

// Records the login of the frame that holds one (top first).
async function Remember({ tabId }) {
  const snapshots = (await Snapshots(await TargetTabId(tabId))).filter(HasPassword);
  if (snapshots.length === 0) return { found: 0 };
  const reply = await host.request(HostOp.record, { page: snapshots[0].page });
  return { found: reply.found ? 1 : 0 };
}

async function Search({ text }) {
  const wanted = String(text ?? '').trim();
  if (!wanted) return {};
  await host.request(HostOp.historyAdd, { text: wanted });
  if (IsAddress(wanted)) {
    await api.tabs.create({ url: ToAddress(wanted) });
  } else if (api.search?.query) {
    await api.search.query({ text: wanted, disposition: 'NEW_TAB' }); // Chromium
  } else {
    await api.search.search({ query: wanted }); // Firefox
  }
  return {};
}

async function History({ prefix }) {
  const reply = await host.request(HostOp.historyList);
  const start = String(prefix ?? '').toLowerCase();
  const items = (reply.items ?? []).filter((item) =>
    String(item).replace(/[A-Z]/g, (c) => c.toLowerCase()).startsWith(start),
  );
  return { items };
}

// The badge of a tab: when several logins fit (the user chooses) their number,
// or "+" when the host does not tell it; "1" for one that fits; nothing for none.
async function Badge({ tabId }) {
  const tab = await TargetTab(tabId);
  let text = '';
  let count = 0;
  if (/^https?:/i.test(tab.url ?? '')) {
    const reply = await host.request(HostOp.count, { url: tab.url });
    const known = Number.isInteger(reply.count) ? reply.count : null;
    if (reply.choice === 1) {
      text = known !== null ? String(known) : '+';
      count = known ?? 2;
    } else if (known !== null ? known > 0 : reply.found === 1) {
      text = '1';
      count = 1;
    }
  }
  await api.action.setBadgeText({ tabId: tab.id, text });
  return { count, text };
}

async function Status() {
  try {
    const reply = await host.request(HostOp.ping);
    return { host: true, server: reply.server === true };
  } catch {
    return { host: false, server: false };
  }
}

const kCommands = {
  [Command.fill]: Fill,
  [Command.remember]: Remember,
  [Command.loginManager]: () => host.request(HostOp.loginManager).then(() => ({})),
  [Command.formManager]: () => host.request(HostOp.formManager).then(() => ({})),
  [Command.search]: Search,
  [Command.history]: History,
  [Command.clearHistory]: () => host.request(HostOp.historyClear).then(() => ({})),
  [Command.teach]: ({ profile, field, name }) =>
    host.request(HostOp.teach, { profile, field, name: String(name ?? '') }).then(() => ({})),
  [Command.badge]: Badge,
  [Command.status]: Status,
};

async function AutoRecordOn() {
  if (autoRecord === null) {
    const reply = await host.request(HostOp.autoRecord);
    autoRecord = reply.value === 1;
  }
  return autoRecord;
}

// Events of a content script, answered to that frame.
const kEvents = {
  // A fill of the frame's logins as the page comes up; the frame writes what comes back.
  [ContentEvent.pageLoaded]: async ({ page }) => {
    const reply = await host.request(HostOp.fill, {
      type: FillType.password,
      force: false,
      auto: true,
      page,
    });
    return { writes: reply.writes ?? [] };
  },
  // A login being sent: captured when its request succeeds (see login_watch.js).
  [ContentEvent.submitted]: async ({ page, form, at }, sender) => {
    watch.Sent(sender.tab.id, page, form, Number(at) || Date.now()).catch(() => {});
    return {};
  },
  // The name typed into a name step, for the password step that follows.
  [ContentEvent.nameStep]: async ({ url, name, value }) => {
    watch.NameStep(url, name, value);
    return {};
  },
};

api.runtime.onMessage.addListener((message, sender, sendResponse) => {
  let work;
  if (message?.command !== undefined) {
    const run = kCommands[message.command];
    work = run ? run(message) : Promise.reject(new HostError(ErrorText.badCommand + message.command));
  } else if (message?.event !== undefined && kEvents[message.event] && sender.tab) {
    work = kEvents[message.event](message, sender);
  } else {
    return false;
  }
  work.then(
    (answer) => sendResponse({ ok: true, ...answer }),
    (error) => sendResponse({ ok: false, error: error?.message ?? String(error) }),
  );
  return true; // sendResponse comes later
});

const watch = new LoginWatch(async (page, form) => {
  if (await AutoRecordOn()) await host.request(HostOp.capture, { page, form });
});
const kSendingRequests = { urls: ['<all_urls>'], types: ['main_frame', 'sub_frame', 'xmlhttprequest'] };
api.webRequest.onBeforeRequest.addListener((details) => watch.RequestStarted(details), kSendingRequests);
api.webRequest.onCompleted.addListener(
  (details) => watch.RequestEnded(details, details.statusCode < 400).catch(() => {}),
  kSendingRequests,
);
api.webRequest.onErrorOccurred.addListener(
  (details) => watch.RequestEnded(details, false).catch(() => {}),
  kSendingRequests,
);
api.tabs.onRemoved.addListener((tabId) => watch.TabGone(tabId));

api.webNavigation.onCompleted.addListener(({ tabId, frameId }) => {
  if (frameId === 0) Badge({ tabId }).catch(() => {});
});

function CreateMenus() {
  api.contextMenus.removeAll(() => {
    api.contextMenus.create({
      id: kMenuRoot,
      title: 'Teach ZRForm: this field is',
      contexts: ['editable'],
    });
    for (const [profile, caption, fields] of [
      ['home', 'Home', kHomeFields],
      ['work', 'Work', kWorkFields],
    ]) {
      const parentId = `${kMenuRoot}/${profile}`;
      api.contextMenus.create({ id: parentId, parentId: kMenuRoot, title: caption, contexts: ['editable'] });
      for (const [field, title] of fields)
        api.contextMenus.create({ id: `${parentId}/${field}`, parentId, title, contexts: ['editable'] });
    }
  });
}

api.runtime.onInstalled.addListener(CreateMenus);

api.contextMenus.onClicked.addListener(async (info, tab) => {
  const [root, profile, field] = String(info.menuItemId).split('/');
  if (root !== kMenuRoot || !field || !tab) return;
  try {
    const answer = await api.tabs.sendMessage(
      tab.id,
      { zr: FrameRequest.clickedName },
      { frameId: info.frameId ?? 0 },
    );
    if (answer?.name) await kCommands[Command.teach]({ profile, field, name: answer.name });
  } catch {
    // The field's frame is gone, or the host failed: nothing to teach.
  }
});
