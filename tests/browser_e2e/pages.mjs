// A small HTTP server on 127.0.0.1 with the test pages: sign in, sign up, a
// page where two logins fit, and a hostile page (many inputs, huge names,
// lone surrogates). Each request's path names its page; ?n= varies nothing
// but the address.
import http from 'node:http';

export function Page(title, body) {
  return `<!doctype html><html><head><meta charset="utf-8"><title>${title}</title></head><body>${body}</body></html>`;
}

const kSignIn = Page(
  'Sign in',
  `<form name="login" action="/signed-in" method="post">
     <input type="text" name="username" id="username"><input type="password" name="password" id="password">
     <button type="submit" id="go">Sign in</button>
   </form>`,
);

// Each input's id is its name, but favourite_colour's; the page notes the
// events each input hears (what a framework would see of a fill).
const kSignUpNames = ['firstname', 'lastname', 'email', 'city', 'zip', 'favourite_colour', 'nickname'];
const kSignUp = Page(
  'Create your account',
  `<form name="signup" action="/signed-up" method="post">
     ${kSignUpNames.map((name) => `<input type="text" name="${name}" id="${name.replace('favourite_', '')}">`).join('')}
     <button type="submit">Create</button>
   </form>
   <script>
     for (const type of ['input', 'change'])
       document.addEventListener(type, (event) => (event.target.dataset.heard = (event.target.dataset.heard ?? '') + type[0]));
   </script>`,
);

// 12,000 inputs, a 1 MB name, and lone surrogates in a name and a value (set
// by the page's script: an HTML file cannot carry them). The inputs are in the
// HTML: Chromium takes minutes to add that many to a form one by one.
function Hostile() {
  const many = Array.from({ length: 12000 }, (_, i) => `<input name="f${i}">`).join('');
  const script = `const lone = document.getElementById('lone'); lone.name = 'lone\\uD800x'; lone.value = '\\uDC00v';`;
  return Page('Hostile', `<form name="h"><input name="${'n'.repeat(1024 * 1024)}" id="huge"><input id="lone">${many}` +
    `<input type="password" name="p"><input name="firstname" id="firstname"></form><script>${script}</script>`);
}

const kPages = {
  '/signin': kSignIn,
  '/two-logins/signin': kSignIn,
  '/signup': kSignUp,
  '/signed-in': Page('Welcome', '<p id="welcome">Signed in.</p>'),
  '/signed-up': Page('Welcome', '<p id="welcome">Account created.</p>'),
};

// hostName: how the pages' addresses name 127.0.0.1 ("localhost" gives a site
// key of its own per port); extra: more pages, path -> HTML; port: 0 for any.
export async function StartPages(hostName = '127.0.0.1', extra = {}, port = 0) {
  const hostile = Hostile();
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const body = url.pathname === '/hostile' ? hostile : (extra[url.pathname] ?? kPages[url.pathname]);
    request.resume();
    response.writeHead(body ? 200 : 404, { 'content-type': 'text/html; charset=utf-8' });
    response.end(body ?? 'not found');
  });
  await new Promise((done) => server.listen(port, '127.0.0.1', done));
  const base = `http://${hostName}:${server.address().port}`;
  // Closing drops the browser's kept-alive connections, which would hold it a minute.
  const close = () => new Promise((done) => {
    server.close(done);
    server.closeAllConnections();
  });
  return { base, close };
}
