// Serves a folder on 127.0.0.1, for the page's tests and its benchmark: the
// files under it and nothing else, each with its type.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css', '.txt': 'text/plain' };

// Starts serving `site`; resolves to { url, close }.
export async function serveSite(site) {
  const server = http.createServer((request, response) => {
    const file = path.join(site, new URL(request.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
    if (!file.startsWith(`${site}/`) || !fs.existsSync(file)) return response.writeHead(404).end();
    response.writeHead(200, { 'content-type': types[path.extname(file)] ?? 'application/octet-stream' }).end(fs.readFileSync(file));
  });
  await new Promise(done => server.listen(0, '127.0.0.1', done));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}
