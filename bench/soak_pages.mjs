// The soak's sign-in pages, which drive themselves: each page waits until the
// extension has filled its stored login (and the page has loaded, so that its
// badge count has been asked), then navigates to the next load with the
// result in the address. The server counts the results and hands out the
// loads, so the driver makes no call per load.
//   /signin?b=KIND&t=TAB                  the first load of a tab
//   /signin?b=KIND&t=TAB&done=I&ok=1|0&why=TEXT   load I's result, and the next load
// A tab whose browser has no loads left gets a page without a form.
import http from 'node:http';
import { Page } from '../tests/browser_e2e/pages.mjs';

const kFillBoundMs = 20000; // a load whose login is not filled by then counts as failed

function SignIn(load, user) {
  const script = `(() => {
    const load = ${load};
    const [user, pass] = ['username', 'password'].map((id) => document.getElementById(id));
    const query = new URLSearchParams(location.search);
    let loaded = document.readyState === 'complete', left = false, poll = 0, bound = 0;
    const Next = (ok, why) => {
      if (left) return;
      left = true;
      clearInterval(poll);
      clearTimeout(bound);
      const next = new URLSearchParams({ b: query.get('b'), t: query.get('t'), done: load, ok: ok ? 1 : 0 });
      if (why) next.set('why', why);
      location.replace('/signin?' + next);
    };
    const filled = () => user.value === ${JSON.stringify(user)} && pass.value === ${JSON.stringify(`${user}-pass`)};
    // On in a task of its own, after the load event (whose end asks the badge):
    // a message, as background tabs hold timers back for up to a second.
    const channel = new MessageChannel();
    channel.port1.onmessage = () => Next(true);
    const Check = () => { if (loaded && filled()) channel.port2.postMessage(0); };
    for (const input of [user, pass]) input.addEventListener('input', Check);
    window.addEventListener('load', () => { loaded = true; Check(); });
    poll = setInterval(Check, 250); // a fill that sent no input event
    bound = setTimeout(() => Next(false, 'the login was not filled within ${kFillBoundMs / 1000} s'), ${kFillBoundMs});
  })();`;
  return Page(
    'Sign in',
    `<form name="login" action="/signed-in" method="post">
       <input type="text" name="username" id="username"><input type="password" name="password" id="password">
       <button type="submit" id="go">Sign in</button>
     </form><script>${script}</script>`,
  );
}

const kRest = Page('Done', '<p id="done">No loads left.</p>');

// shares: kind -> loads for that browser; user: the stored login's name;
// Settled(kind, ok, why, tab): called for each load's result. Answers
// {base, close, FirstLoad(kind, tab), Rests(kind), Stop(kind), Stalled(kind, ms)}.
export async function StartSoakPages(shares, user, Settled) {
  const left = { ...shares }; // loads not yet handed out
  const pending = Object.fromEntries(Object.keys(shares).map((kind) => [kind, new Map()])); // load -> {tab, since}
  const handed = Object.fromEntries(Object.keys(shares).map((kind) => [kind, 0]));
  const rests = Object.fromEntries(Object.keys(shares).map((kind) => [kind, 0]));

  function Settle(kind, load, ok, why) {
    const entry = pending[kind].get(load);
    if (!entry) return; // already counted as stalled, or not ours
    pending[kind].delete(load);
    Settled(kind, ok, why, entry.tab);
  }

  function Next(kind, tab) {
    if (!(left[kind] > 0)) {
      rests[kind] += 1;
      return kRest;
    }
    left[kind] -= 1;
    const load = ++handed[kind];
    pending[kind].set(load, { tab, since: Date.now() });
    return SignIn(load, user);
  }

  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const query = url.searchParams;
    const kind = query.get('b');
    let body = null;
    if (url.pathname === '/signin' && kind in shares) {
      const done = Number(query.get('done'));
      if (done) Settle(kind, done, query.get('ok') === '1', query.get('why') ?? '');
      body = Next(kind, query.get('t'));
    }
    request.resume();
    response.writeHead(body ? 200 : 404, { 'content-type': 'text/html; charset=utf-8', 'cache-control': 'no-store' });
    response.end(body ?? 'not found');
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  const base = `http://localhost:${server.address().port}`;
  return {
    base,
    FirstLoad: (kind, tab) => `${base}/signin?b=${kind}&t=${tab}`,
    // The resting pages served (each one a badge call of the browser's).
    Rests: (kind) => rests[kind],
    // No more loads for kind; the number it did not make.
    Stop(kind) {
      const missed = left[kind] + pending[kind].size;
      left[kind] = 0;
      pending[kind].clear();
      return missed;
    },
    // The loads of kind waiting longer than ms, each counted as failed; their tabs.
    Stalled(kind, ms) {
      const tabs = [];
      for (const [load, { tab, since }] of pending[kind]) {
        if (Date.now() - since < ms) continue;
        Settle(kind, load, false, `the page gave no result within ${ms / 1000} s`);
        tabs.push(tab);
      }
      return tabs;
    },
    close: () => new Promise((done) => {
      server.close(done);
      server.closeAllConnections();
    }),
  };
}
