// Test only, the background of a test copy of the extension: the extension's
// own bg.js, plus two answers a test page cannot get otherwise, through the
// test bridge: the id of the page's own tab, and the badge text a tab shows.
import './bg.js';

const api = globalThis.browser ?? globalThis.chrome;

api.runtime.onMessage.addListener((message, sender, sendResponse) => {
  const tabId = message?.tabId ?? sender.tab?.id;
  if (message?.zrTest === 'tab') sendResponse({ tabId });
  if (message?.zrTest !== 'badge-text') return false; // the extension's own messages, or answered
  const Failed = (error) => sendResponse({ error: String(error?.message ?? error) });
  api.action.getBadgeText({ tabId }).then((text) => sendResponse({ text }), Failed);
  return true;
});
