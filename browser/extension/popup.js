// The ZRForm popup: each button sends its command to the background and the
// result line says what came of it; the search box completes from the history.
import { Command } from './commands.js';

const api = globalThis.browser ?? globalThis.chrome;
const result = document.getElementById('result');
const search = document.getElementById('search');
const history = document.getElementById('history');
// The tab the popup was opened over, looked up as it opens so that a fill
// does not wait for it (the active tab cannot change while the popup is open).
const tabOpenedOver = api.tabs.query({ active: true, currentWindow: true }).then(
  ([tab]) => tab?.id,
  () => undefined,
);
const kTabCommands = new Set([Command.fill, Command.remember]);

function Show(text, failed) {
  result.textContent = text;
  result.classList.toggle('error', failed);
}

function Said(command, answer) {
  switch (command) {
    case Command.fill:
      return `Filled ${answer.filled} field${answer.filled === 1 ? '' : 's'}.`;
    case Command.remember:
      return answer.found ? 'Login remembered.' : 'No login found on this page.';
    case Command.search:
      return 'Opened.';
    case Command.clearHistory:
      return 'History cleared.';
    default:
      return 'Done.';
  }
}

async function Run(message) {
  Show('Working...', false);
  let answer;
  try {
    if (kTabCommands.has(message.command)) {
      const tabId = await tabOpenedOver;
      if (tabId !== undefined) message.tabId = tabId;
    }
    answer = await api.runtime.sendMessage(message);
  } catch (error) {
    answer = { ok: false, error: String(error?.message ?? error) };
  }
  if (answer?.ok) Show(Said(message.command, answer), false);
  else Show(answer?.error ?? 'No answer from the extension.', true);
  return answer;
}

for (const button of document.querySelectorAll('button[data-command]')) {
  button.addEventListener('click', () => {
    const message = { command: button.dataset.command };
    if (button.dataset.type) message.type = button.dataset.type;
    Run(message);
  });
}

async function Complete() {
  const answer = await api.runtime.sendMessage({ command: Command.history, prefix: search.value });
  history.replaceChildren(
    ...(answer?.ok ? answer.items : []).map((item) => Object.assign(document.createElement('option'), { value: item })),
  );
}

search.addEventListener('input', () => Complete().catch(() => {}));
document.getElementById('search-form').addEventListener('submit', (event) => {
  event.preventDefault();
  if (search.value.trim()) Run({ command: Command.search, text: search.value });
});
document.getElementById('clear-history').addEventListener('click', async () => {
  await Run({ command: Command.clearHistory });
  history.replaceChildren();
});
Complete().catch(() => {});
