// A stand-in for zrform-browser in the extension's own tests: speaks native
// messaging, answers each op as the contract says with fixed profile values,
// and appends what it received (op, snapshot shape, never values) to the file
// named by ZR_FAKE_HOST_LOG.
import fs from 'node:fs';

const kProfile = { firstname: 'Ann', lastname: 'Lee', email: 'ann@example.com', city: 'Lyon', zip: '69001' };
const log = process.env.ZR_FAKE_HOST_LOG;
let input = Buffer.alloc(0);

function Send(reply) {
  const body = Buffer.from(JSON.stringify(reply), 'utf8');
  const length = Buffer.alloc(4);
  length.writeUInt32LE(body.length);
  process.stdout.write(Buffer.concat([length, body]));
}

function Shape(page) {
  if (!page) return undefined;
  const texts = page.elements.flatMap((element) => [element.name, element.value ?? '']);
  return {
    elements: page.elements.length,
    truncated: page.truncated,
    longest: Math.max(0, ...texts.map((text) => text.length)),
    wellFormed: !/[\uD800-\uDFFF]/.test(texts.join('').replace(/[\uD800-\uDBFF][\uDC00-\uDFFF]/g, '')),
  };
}

// The answer to request beyond its id and ok, by op.
const kAnswers = {
  ping: () => ({ server: true, version: 'fake' }),
  fill: ({ type, page }) => ({
    hr: 0,
    writes: type !== 2 ? [] : page.elements.map((element, index) => ({ element: index, value: kProfile[element.name] }))
      .filter((write) => write.value !== undefined),
  }),
  count: () => ({ hr: 0, choice: 0 }),
};

function Answer(request) {
  const { op, type, auto, page } = request;
  if (log) fs.appendFileSync(log, `${JSON.stringify({ op, type, auto, page: Shape(page) })}\n`);
  return kAnswers[op]?.(request) ?? { hr: 0 };
}

process.stdin.on('data', (chunk) => {
  input = Buffer.concat([input, chunk]);
  while (input.length >= 4 && input.length >= 4 + input.readUInt32LE(0)) {
    const size = input.readUInt32LE(0);
    const request = JSON.parse(input.subarray(4, 4 + size).toString('utf8'));
    input = input.subarray(4 + size);
    Send({ id: request.id, ok: true, ...Answer(request) });
  }
});
