// The test sites: HTTP servers on 127.0.0.1, each port a site of its own. Each
// serves the HTML files of real_pages/ (where {{other}} is the address of the
// first site, or of the second on the first), sign-in and sign-up pages at
// /signin, /two-logins/signin (where two logins fit) and /signup, a hostile page
// (many inputs, huge names, lone surrogates), the files of node_modules (React,
// Vue) under /lib/, and the places logins are sent to: /ok and /signed-in (200),
// /redirect (302, 302, then /ok), /fail (401), /api/ok (200) and /api/fail
// (401). The bodies sent to /api/ are kept. ?n= varies nothing but the address.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

export const Page = (title, body) =>
  `<!doctype html><html><head><meta charset="utf-8"><title>${title}</title></head><body>${body}</body></html>`;

// 12,000 inputs, a 1 MB name, and lone surrogates in a name and a value (set
// by the page's script: an HTML file cannot carry them). The inputs are in the
// HTML: Chromium takes minutes to add that many to a form one by one.
const kHostile = (() => {
  const many = Array.from({ length: 12000 }, (_, i) => `<input name="f${i}">`).join('');
  const script = `const lone = document.getElementById('lone'); lone.name = 'lone\\uD800x'; lone.value = '\\uDC00v';`;
  return Page('Hostile', `<form name="h"><input name="${'n'.repeat(1024 * 1024)}" id="huge"><input id="lone">${many}` +
    `<input type="password" name="p"><input name="firstname" id="firstname"></form><script>${script}</script>`);
})();

const kSignedIn = Page('Welcome', '<p id="welcome">Signed in.</p>');
const kPages = { '/ok': kSignedIn, '/api/ok': kSignedIn, '/signed-in': kSignedIn, '/hostile': kHostile };
const kFiles = { '/signin': 'signin.html', '/two-logins/signin': 'signin.html', '/signup': 'signup.html' }; // else by name
const kRefused = ['/fail', '/api/fail'];
const kRedirects = { '/redirect': '/redirect2', '/redirect2': '/ok' };
const kFolder = path.join(import.meta.dirname, 'real_pages');
const kModules = path.join(import.meta.dirname, 'node_modules');

export class Sites {
  servers = [];
  bases = [];
  received = []; // bodies sent to /api/, oldest first

  Answer(request, response, base, extra) {
    const { pathname } = new URL(request.url, base);
    const chunks = [];
    request.on('data', (chunk) => chunks.push(chunk));
    request.on('end', () => {
      const Send = (status, type, body, headers = {}) => response.writeHead(status, { 'content-type': type, ...headers }).end(body);
      const html = 'text/html; charset=utf-8';
      if (pathname.startsWith('/api/')) this.received.push(Buffer.concat(chunks).toString('utf8'));
      const page = extra[pathname] ?? kPages[pathname];
      if (page) return Send(200, html, page);
      if (kRedirects[pathname]) return Send(302, 'text/plain', '', { location: kRedirects[pathname] });
      if (kRefused.includes(pathname)) return Send(401, html, '<p>Wrong password.</p>');
      const library = path.join(kModules, pathname.slice('/lib/'.length)); // the URL's own .. are resolved already
      const isLibrary = pathname.startsWith('/lib/') && fs.statSync(library, { throwIfNoEntry: false })?.isFile();
      if (isLibrary) return Send(200, 'text/javascript', fs.readFileSync(library));
      const file = path.join(kFolder, kFiles[pathname] ?? path.basename(pathname));
      if (!file.endsWith('.html') || !fs.existsSync(file)) return Send(404, 'text/plain', 'not found');
      const other = base === this.bases[0] ? this.bases[1] : this.bases[0];
      return Send(200, html, fs.readFileSync(file, 'utf8').replaceAll('{{other}}', other ?? ''));
    });
  }

  // One more site; its address. hostName: how the address names 127.0.0.1
  // ("localhost" gives a site key of its own per port); extra: more pages,
  // path -> HTML; port: 0 for any.
  async Add(hostName = 'localhost', extra = {}, port = 0) {
    const server = http.createServer((request, response) => this.Answer(request, response, base, extra));
    await new Promise((done) => server.listen(port, '127.0.0.1', done));
    const base = `http://${hostName}:${server.address().port}`;
    this.servers.push(server);
    this.bases.push(base);
    return base;
  }

  // Closing drops the browsers' kept-alive connections, which would hold each server a minute.
  Close() {
    return Promise.all(this.servers.map((server) => new Promise((done) => server.close(done).closeAllConnections())));
  }
}

// One site of its own, as Sites.Add makes it; its base and close.
export async function StartPages(hostName = '127.0.0.1', extra = {}, port = 0) {
  const sites = new Sites();
  return { base: await sites.Add(hostName, extra, port), close: () => sites.Close() };
}
