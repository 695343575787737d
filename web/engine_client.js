// The page's side of the engine: the worker that runs it (worker.js, whose
// whole source the page carries as a text, so that it starts from a page
// opened from disk too), and requests to it, each answered in turn.
'use strict';

const Engine = (() => {
  let worker = null;
  let started = null;
  let next = 1;
  const waiting = new Map();

  // An engine that stopped, or was stopped, says why to every request it held.
  function fail(why) {
    for (const { reject } of waiting.values()) reject(why);
    waiting.clear();
  }

  function start() {
    // eslint-disable-next-line no-undef
    const url = URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
    worker = new Worker(url);
    URL.revokeObjectURL(url);
    started = new Promise((resolve, reject) => {
      worker.onmessage = ({ data }) => {
        if ('ready' in data) return data.ready ? resolve() : reject(new Error(data.trap));
        const request = waiting.get(data.id);
        if (!request) return;
        if ('progress' in data) return request.progress(data);
        waiting.delete(data.id);
        if (data.ok) request.resolve(data); else request.reject({ trap: data.trap });
      };
      worker.onerror = e => {
        e.preventDefault();
        const why = { trap: e.message || 'the engine stopped' };
        reject(new Error(why.trap));
        fail(why);
      };
    });
    return started;
  }

  // One request; its answer, or a rejection with {trap} when the engine
  // stopped, or {cancelled} when the page stopped it.
  async function request(op, fields = {}, progress = () => {}) {
    const asked = worker;
    await started;
    // Asked of an engine that has been stopped meanwhile: the new one holds
    // nothing that the request may rest on.
    if (worker !== asked) throw { cancelled: true };
    const id = next++;
    return new Promise((resolve, reject) => {
      waiting.set(id, { resolve, reject, progress });
      worker.postMessage({ id, op, ...fields });
    });
  }

  // A fresh engine in place of one that stopped or is stopped: what it held
  // is gone, and the page opens its bank in it again.
  function restart(why = { cancelled: true }) {
    worker.terminate();
    fail(why);
    return start();
  }

  return { start, request, restart };
})();
