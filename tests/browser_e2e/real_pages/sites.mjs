// The test sites of real_pages.mjs: the HTML files of this folder served on
// as many ports of localhost as asked for (each port a site of its own; in a
// page, {{other}} is the address of the first site, or of the second on the
// first), React and Vue from node_modules under /lib/, and the places logins
// are sent to: /ok (200), /redirect (302, 302, then /ok), /fail (401),
// /api/ok (200) and /api/fail (401). The bodies POSTed to /api/ are kept.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const kModules = path.join(import.meta.dirname, '..', 'node_modules');
const kLibraries = {
  '/lib/react.production.min.js': 'react/umd/react.production.min.js',
  '/lib/react-dom.production.min.js': 'react-dom/umd/react-dom.production.min.js',
  '/lib/vue.global.prod.js': 'vue/dist/vue.global.prod.js',
};
const kRedirects = { '/redirect': '/redirect2', '/redirect2': '/ok' };

export class Sites {
  servers = [];
  bases = [];
  received = []; // bodies sent to /api/, oldest first

  Answer(request, response, base) {
    const { pathname } = new URL(request.url, base);
    const chunks = [];
    request.on('data', (chunk) => chunks.push(chunk));
    request.on('end', () => {
      const Send = (status, type, body, headers = {}) => response.writeHead(status, { 'content-type': type, ...headers }).end(body);
      if (pathname.startsWith('/api/')) this.received.push(Buffer.concat(chunks).toString('utf8'));
      if (kRedirects[pathname]) return Send(302, 'text/plain', '', { location: kRedirects[pathname] });
      if (pathname === '/ok' || pathname === '/api/ok') return Send(200, 'text/html', '<p id="welcome">Signed in.</p>');
      if (pathname === '/fail' || pathname === '/api/fail') return Send(401, 'text/html', '<p>Wrong password.</p>');
      if (kLibraries[pathname]) return Send(200, 'text/javascript', fs.readFileSync(path.join(kModules, kLibraries[pathname])));
      const file = path.join(import.meta.dirname, path.basename(pathname));
      if (!file.endsWith('.html') || !fs.existsSync(file)) return Send(404, 'text/plain', 'not found');
      const other = base === this.bases[0] ? this.bases[1] : this.bases[0];
      return Send(200, 'text/html; charset=utf-8', fs.readFileSync(file, 'utf8').replaceAll('{{other}}', other ?? ''));
    });
  }

  // One more site; its address.
  async Add() {
    const server = http.createServer((request, response) => this.Answer(request, response, base));
    await new Promise((done) => server.listen(0, '127.0.0.1', done));
    const base = `http://localhost:${server.address().port}`;
    this.servers.push(server);
    this.bases.push(base);
    return base;
  }

  Close() {
    for (const server of this.servers) server.close().closeAllConnections();
  }
}
