// Reads each tests/pages/html/membership_*.html in headless Chromium and prints
// what its forms hold (form.elements, grouped as the page tests outline them:
// inputs, then text areas, then selects) and which fields belong to no form,
// one page a line, in the form of html_page_membership_test.cc's table.
//
// Rerun: node tests/pages/browser_forms.mjs [path/to/chromium]
// (from the source root; default /usr/bin/chromium). Each page is copied to a
// temporary folder with a script appended at its very end, which records the
// forms on the root element; --dump-dom prints the tree after it ran.
import {execFileSync} from 'node:child_process';
import {mkdtempSync, readdirSync, readFileSync, writeFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {join} from 'node:path';

const chromium = process.argv[2] || '/usr/bin/chromium';
const pages = new URL('./html/', import.meta.url).pathname;
const probe = `<script>
(() => {
  const names = (list, tag) => list.filter(e => e.localName === tag).map(e => e.name);
  const forms = [...document.forms].map(form => {
    const all = [...form.elements];
    return form.getAttribute('name') + '[' +
        [...names(all, 'input'), ...names(all, 'textarea'), ...names(all, 'select')].join(',') + ']';
  });
  const formless = [...document.querySelectorAll('input,textarea,select')]
      .filter(e => !e.form).map(e => e.name);
  document.documentElement.setAttribute('data-forms', forms.join(' ') + ' | ' + formless.join(','));
})();
</script>`;
const folder = mkdtempSync(join(tmpdir(), 'browser-forms-'));
try {
  for (const file of readdirSync(pages).filter(f => /^membership_.*\.html$/.test(f)).sort()) {
    const copy = join(folder, file);
    writeFileSync(copy, Buffer.concat([readFileSync(join(pages, file)), Buffer.from(probe)]));
    const dom = execFileSync(chromium, ['--headless', '--no-sandbox', '--disable-gpu',
                                        '--dump-dom', 'file://' + copy],
                             {encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore']});
    const found = /data-forms="([^"]*)"/.exec(dom);
    const text = found ? found[1].replace(/&amp;/g, '&') : 'NOT FOUND';
    console.log(`{"${file}", "${text}"},`);
  }
} finally {
  rmSync(folder, {recursive: true, force: true});
}
