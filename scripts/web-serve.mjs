// A static file server for the browser build on 127.0.0.1, with the content types a browser needs to
// compile WebAssembly as it streams in. Stands in for any web server: each file's length, no caching headers,
// no ranges, no compression. `node scripts/web-serve.mjs DIR [PORT]` serves DIR and prints its address;
// web-check.mjs imports serve().
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize, resolve, sep } from "node:path";
import { pathToFileURL } from "node:url";

const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".wasm": "application/wasm",
  ".data": "application/octet-stream",
};

// Resolves with the listening server; port 0 takes any free port. `head`, if given, is written at the start
// of every page's <head> (a test's recorder). `lengths` false sends files without their length, in chunks, as
// a server that makes its answers as it goes does.
export function serve(directory, port = 0, head = "", lengths = true) {
  const root = resolve(directory);
  const server = createServer(async (request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    const file = normalize(join(root, path.endsWith("/") ? path + "index.html" : path));
    if (file !== root && !file.startsWith(root + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      let body = await readFile(file);
      if (head && extname(file) === ".html") body = body.toString().replace("<head>", "<head>" + head);
      const headers = { "Content-Type": types[extname(file)] || "application/octet-stream" };
      if (lengths) headers["Content-Length"] = Buffer.byteLength(body);
      response.writeHead(200, headers);
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done, fail) => {
    server.once("error", fail);
    server.listen(port, "127.0.0.1", () => done(server));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [directory, port] = process.argv.slice(2);
  if (!directory) {
    console.error("usage: node scripts/web-serve.mjs DIR [PORT]");
    process.exit(2);
  }
  const server = await serve(directory, Number(port || 8123)).catch((error) => {
    console.error(`web-serve: cannot listen on 127.0.0.1:${port}: ${error.message}`);
    process.exit(1);
  });
  console.log(`Serving ${directory} at http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
}
