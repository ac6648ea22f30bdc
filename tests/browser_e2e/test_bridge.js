// Test only, added to a copy of the extension for the end-to-end tests: lets a
// test page send the extension's commands (window.postMessage from the page
// -> runtime.sendMessage), because Firefox's remote protocol cannot open or
// script extension pages. The extension itself never listens to page messages.
(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  window.addEventListener('message', async (event) => {
    if (event.source !== window || !event.data || event.data.zrTestCommand === undefined) return;
    const { zrTestCommand: id, message } = event.data;
    const Failed = (error) => ({ ok: false, error: `bridge: ${error?.message ?? error}` });
    const answer = await Promise.resolve().then(() => api.runtime.sendMessage(message)).catch(Failed);
    window.postMessage({ zrTestAnswer: id, answer }, '*');
  });
  document.documentElement.dataset.zrBridge = 'ready';
})();
