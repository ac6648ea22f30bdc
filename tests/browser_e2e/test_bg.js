// Test only, the background of a test copy of the extension: the extension's
// own bg.js, plus two answers a test page cannot get otherwise, through the
// test bridge: the id of the page's own tab, and the badge text a tab shows.
import './bg.js';

const api = globalThis.browser ?? globalThis.chrome;

api.runtime.onMessage.addListener((message, sender, sendResponse) => {
  switch (message?.zrTest) {
    case 'tab':
      sendResponse({ tabId: sender.tab?.id });
      return false;
    case 'badge-text':
      api.action.getBadgeText({ tabId: message.tabId ?? sender.tab?.id }).then(
        (text) => sendResponse({ text }),
        (error) => sendResponse({ error: String(error?.message ?? error) }),
      );
      return true;
    default:
      return false; // the extension's own messages
  }
});
