// The connection to the native host: opened on the first request, replies
// matched to requests by id, opened again on the next request after the host
// exited. Every failure comes back as a HostError whose message is in words.
import { ErrorText } from './commands.js';

export class HostError extends Error {
  constructor(message, code = 'failed') {
    super(message);
    this.code = code;
  }
}

// What the browser says when it has no manifest for the host, or one that
// does not list this extension (Chromium; Firefox).
const kNotInstalledPatterns = [/not found/i, /forbidden/i, /no such native application/i];

// answered: the host had replied on this port, so it was installed and ran
// (Firefox gives no reason when a running host is killed).
export function DisconnectText(reason, answered = false) {
  if (!reason && answered) return `${ErrorText.hostStopped}it ended.`;
  if (!reason || kNotInstalledPatterns.some((pattern) => pattern.test(reason)))
    return ErrorText.notInstalled;
  return ErrorText.hostStopped + reason;
}

export class HostPort {
  constructor(api, name) {
    this.api = api;
    this.name = name;
    this.port = null;
    this.pending = new Map(); // id -> {resolve, reject}
    this.nextId = 1;
  }

  // The reply fields of op, or a HostError.
  request(op, fields = {}) {
    const port = this.port ?? this.connect();
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      try {
        port.postMessage({ ...fields, id, op });
      } catch (error) {
        this.pending.delete(id);
        reject(new HostError(DisconnectText(String(error?.message ?? error))));
      }
    });
  }

  connect() {
    const port = this.api.runtime.connectNative(this.name);
    this.port = port;
    let answered = false;
    port.onMessage.addListener((reply) => {
      answered = true;
      this.deliver(reply);
    });
    port.onDisconnect.addListener((gone) => {
      const reason = gone?.error?.message ?? this.api.runtime.lastError?.message ?? '';
      if (this.port === port) this.port = null;
      const waiting = [...this.pending.values()];
      this.pending.clear();
      for (const { reject } of waiting) reject(new HostError(DisconnectText(reason, answered)));
    });
    return port;
  }

  deliver(reply) {
    const waiting = this.pending.get(reply?.id);
    if (!waiting) return; // a reply to nothing pending (a malformed request's null id)
    this.pending.delete(reply.id);
    if (reply.ok) {
      waiting.resolve(reply);
    } else if (reply.code === 'no-server') {
      // The host says it in words already ("The ZRForm server cannot be started: ...").
      waiting.reject(new HostError(reply.error || `${ErrorText.noServer}no reason given.`, reply.code));
    } else {
      waiting.reject(new HostError(reply.error ?? 'The ZRForm browser host refused.', reply.code));
    }
  }
}
