// Checks the browser build in headless Chromium, driven through the DevTools protocol over Node's own
// WebSocket (node --experimental-websocket): no npm packages. Two runs of the page, served from loopback:
// - live, from ?start=205 to the show's own end: a WebGL2 context is made, the loader's lines and the
//   keywords reach the console in order, each keyword when the music reaches its time, the show's clock
//   keeps the page's pace, a tab in the background draws nothing while the music plays on and is back where
//   the music is, no console errors, the show ends by itself and plays again; frames a second per scene
//   and the memory's peak are reported;
// - on the fixed clock, frames at set times across a scene change, each compared with the native shader
//   path's frame at the same time, lines drawn as on OpenGL ES: per frame and channel, mean absolute
//   difference at most 2/255 and 99th percentile at most 40/255.
// Usage: node --experimental-websocket scripts/web-check.mjs SITE_DIR NATIVE_BUILD_DIR [LIVE_START]
// (LIVE_START 0 plays the whole show live, for every scene's frame rate.)
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, readFileSync, readdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { inflateSync } from "node:zlib";
import { serve } from "./web-serve.mjs";

const [siteArgument, nativeArgument, liveStartArgument] = process.argv.slice(2);
if (!siteArgument || !nativeArgument) {
  console.error("usage: node --experimental-websocket scripts/web-check.mjs SITE_DIR NATIVE_BUILD_DIR");
  process.exit(2);
}
if (typeof WebSocket !== "function") {
  console.error("web-check: this Node has no WebSocket; run it as node --experimental-websocket (Node 20 or later)");
  process.exit(2);
}
const site = resolve(siteArgument);
const native = resolve(nativeArgument);

// The live stretch: PLASMABALL's last seconds, OUTTRO and ENDING, which quits the show at 227.5 s.
const liveStart = Number(liveStartArgument ?? 205);
const showEnd = 227.5;
const liveKeywords = { OUTTRO: 208.98648, ENDING: 218.71623 };
const everyKeyword = ["INTRO", "MULTICYLINDERTUNNEL", "PLASMABALLINCUBE", "PLASMATUNNELVELK", "PLASMATUNNELQUARN",
  "CYLINDERPLANE", "RECURSIVEBALL", "BUTTERFLYBALL", "MULTIBALL", "METABALLTUNNEL", "PLASMABALL", "OUTTRO", "ENDING"];
// The fixed-clock stretch crosses INTRO's end at 27.36 s.
const fixed = { fps: 2, start: 27, end: 28.5, width: 480, height: 270 };
const limits = { mean: 2, percentile: 0.99, atPercentile: 40 };

const failures = [];
function check(condition, what) {
  console.log(`web-check: ${condition ? "ok  " : "FAIL"} ${what}`);
  if (!condition) failures.push(what);
}

const chromiumFlags = [
  "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
  "--autoplay-policy=no-user-gesture-required", "--disable-background-networking", "--disable-component-update",
  "--disable-sync", "--no-first-run", "--disable-quic", "--mute-audio", "--remote-debugging-port=0",
];

// One browser, one DevTools connection; sessions are the pages' flat sessions.
class Browser {
  static async launch() {
    const profile = mkdtempSync(join(tmpdir(), "quessaly-chromium-"));
    const child = spawn("/usr/bin/chromium", [...chromiumFlags, `--user-data-dir=${profile}`, "about:blank"],
      { stdio: ["ignore", "ignore", "pipe"], detached: true });
    const address = await new Promise((done, fail) => {
      let text = "";
      const timer = setTimeout(() => fail(new Error("Chromium did not open its DevTools port in 30 s:\n" + text)), 30000);
      child.stderr.on("data", (chunk) => {
        text += chunk;
        const found = /DevTools listening on (ws:\/\/\S+)/.exec(text);
        if (found) { clearTimeout(timer); done(found[1]); }
      });
      child.once("exit", (code) => fail(new Error(`Chromium exited (${code}) before its DevTools port opened:\n${text}`)));
    });
    const socket = new WebSocket(address);
    await new Promise((done, fail) => { socket.onopen = done; socket.onerror = () => fail(new Error("no DevTools connection")); });
    return new Browser(child, profile, socket);
  }

  constructor(child, profile, socket) {
    this.child = child;
    this.profile = profile;
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    socket.onmessage = (event) => {
      const message = JSON.parse(event.data);
      if (message.id && this.pending.has(message.id)) {
        const { done, fail } = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (message.error) fail(new Error(message.error.message));
        else done(message.result);
      } else if (message.method) {
        for (const listener of this.listeners) listener(message);
      }
    };
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    this.socket.send(JSON.stringify({ id, method, params, sessionId }));
    return new Promise((done, fail) => this.pending.set(id, { done, fail }));
  }

  async open(url, onEvent) {
    const { targetId } = await this.send("Target.createTarget", { url: "about:blank" });
    const { sessionId } = await this.send("Target.attachToTarget", { targetId, flatten: true });
    this.listeners.push((message) => { if (message.sessionId === sessionId) onEvent(message); });
    await this.send("Runtime.enable", {}, sessionId);
    await this.send("Log.enable", {}, sessionId);
    await this.send("Page.enable", {}, sessionId);
    await this.send("Page.navigate", { url }, sessionId);
    return {
      evaluate: async (expression) => {
        const reply = await this.send("Runtime.evaluate", { expression, returnByValue: true }, sessionId);
        return reply.result.value;
      },
      activate: () => this.send("Target.activateTarget", { targetId }),
      close: () => this.send("Target.closeTarget", { targetId }),
    };
  }

  async close() {
    this.socket.close();
    const exited = this.child.exitCode !== null || this.child.signalCode !== null ? Promise.resolve()
      : new Promise((done) => this.child.once("exit", done));
    // The whole group: Chromium's own processes write to the profile too.
    try { process.kill(-this.child.pid, "SIGKILL"); } catch { /* already gone */ }
    await exited;
    rmSync(this.profile, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
  }
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

async function waitFor(page, expression, seconds, what) {
  const deadline = Date.now() + seconds * 1000;
  while (Date.now() < deadline) {
    if (await page.evaluate(expression)) return true;
    await sleep(500);
  }
  throw new Error(`${what} did not happen within ${seconds} s`);
}

// The console as the page wrote it: each line with the browser's time stamp, and every error.
function consoleRecorder() {
  const record = { lines: [], errors: [] };
  record.onEvent = (message) => {
    const params = message.params;
    if (message.method === "Runtime.consoleAPICalled") {
      const text = params.args.map((arg) => arg.value ?? arg.description ?? "").join(" ");
      record.lines.push({ text, at: params.timestamp / 1000, type: params.type });
      if (params.type === "error") record.errors.push(text);
    } else if (message.method === "Runtime.exceptionThrown") {
      record.errors.push(params.exceptionDetails.exception?.description ?? params.exceptionDetails.text);
    } else if (message.method === "Log.entryAdded" && params.entry.level === "error") {
      record.errors.push(params.entry.text + (params.entry.url ? ` (${params.entry.url})` : ""));
    }
  };
  return record;
}

// Another tab in front for three seconds: no frame while hidden, then the show where the music is.
async function backgroundTab(browser, page, clockBefore) {
  const other = await browser.send("Target.createTarget", { url: "about:blank" });
  await waitFor(page, "document.visibilityState === 'hidden'", 10, "the page going to the background");
  await sleep(200);
  const hiddenAt = await page.evaluate("quessalyStats.clock");
  await sleep(3000);
  const stillHidden = await page.evaluate("quessalyStats.clock");
  await browser.send("Target.closeTarget", { targetId: other.targetId });
  await page.activate();
  await sleep(1500);
  // The music's own position: the context's clock since playback began, from where it began.
  const back = await page.evaluate(
    "({clock: quessalyStats.clock, music: Module.music.context.currentTime - Module.music.startedAt + Module.music.offset})");
  check(stillHidden === hiddenAt, `in the background the page draws nothing (clock held at ${stillHidden.toFixed(2)} s)`);
  check(back.clock - clockBefore > 4 && Math.abs(back.clock - back.music) < 0.3,
    `back in view the show is where the music is (${clockBefore.toFixed(2)} s before, ${back.clock.toFixed(2)} s after, music at ${back.music.toFixed(2)} s)`);
}

async function liveRun(browser, base) {
  const record = consoleRecorder();
  const page = await browser.open(`${base}index.html?start=${liveStart}`, record.onEvent);
  await waitFor(page, "window.quessalyStats && quessalyStats.clock > 0", 180, "the show's start");
  check(await page.evaluate("!!document.getElementById('canvas').getContext('webgl2')"), "a WebGL2 context drew the show");
  const samples = [];
  let hidden = false;
  const deadline = Date.now() + (showEnd - liveStart + 90) * 1000;
  while (Date.now() < deadline && (await page.evaluate("quessalyStats.ended")) === null) {
    const sample = await page.evaluate("({clock: quessalyStats.clock, at: quessalyStats.clockAt / 1000})");
    if (sample.clock > liveStart + 1) samples.push(sample);
    if (!hidden && sample.clock > liveKeywords.ENDING + 0.5 && sample.clock < showEnd - 6) {
      hidden = true;
      await backgroundTab(browser, page, sample.clock);
    }
    await sleep(1000);
  }
  check(hidden, "the page was sent to the background during ENDING");
  const stats = await page.evaluate("({ended: quessalyStats.ended, scenes: quessalyStats.scenes, heapPeak: quessalyStats.heapPeak})");
  check(stats.ended === 0, "the show ended by itself");
  const lines = record.lines.slice();
  // Played again from the same page: a fresh show that reaches its first frames of music.
  await page.evaluate("document.getElementById('again').click()");
  await waitFor(page, `quessalyStats.ended === null && quessalyStats.clock > ${liveStart} && quessalyStats.clock < ${liveStart + 10}`,
    120, "the show played again");
  check(true, "the show played again");
  await page.close();

  const texts = lines.map((line) => line.text);
  const loaderDone = texts.findIndex((text) => /Total objects created/.test(text));
  const keywords = lines.filter((line) => everyKeyword.includes(line.text));
  check(loaderDone >= 0 && loaderDone < texts.indexOf("INTRO"), "the loader's lines come before the first keyword");
  check(JSON.stringify(keywords.map((line) => line.text)) === JSON.stringify(everyKeyword),
    `every keyword once, in order (${keywords.map((line) => line.text).join(" ")})`);
  const at = (name) => keywords.find((line) => line.text === name)?.at;
  const between = at("ENDING") - at("OUTTRO");
  const expected = liveKeywords.ENDING - liveKeywords.OUTTRO;
  // Each keyword prints in the first frame at or past its time: late by up to a frame of the scene before it.
  const framePeriod = (scene) => stats.scenes[scene]?.frames ? stats.scenes[scene].seconds / stats.scenes[scene].frames : 1;
  const slack = 0.1 + framePeriod("PLASMABALL") + framePeriod("OUTTRO");
  check(Math.abs(between - expected) < slack, `OUTTRO to ENDING took ${between.toFixed(2)} s of page time (music: ${expected.toFixed(2)} s)`);
  if (samples.length >= 2) {
    const first = samples[0];
    const last = samples[samples.length - 1];
    const pace = (last.clock - first.clock) / (last.at - first.at);
    check(Math.abs(pace - 1) < 0.03, `the music clock ran at ${pace.toFixed(3)} of the page's clock over ${(last.at - first.at).toFixed(1)} s`);
  } else {
    check(false, "the music clock was sampled");
  }
  check(record.errors.length === 0, `no console errors${record.errors.length ? ": " + record.errors.join(" | ") : ""}`);
  console.log("web-check: frames a second per scene (headless Chromium, SwiftShader):");
  for (const [scene, entry] of Object.entries(stats.scenes)) {
    // Scenes passed at once on the way to ?start= take no time.
    if (entry.seconds >= 1) console.log(`  ${scene.padEnd(20)} ${(entry.frames / entry.seconds).toFixed(1)} fps over ${entry.seconds.toFixed(1)} s`);
  }
  console.log(`web-check: the program's memory peaked at ${(stats.heapPeak / 1048576).toFixed(0)} MB`);
}

// An 8-bit RGB or RGBA PNG, not interlaced, as the render tool writes them: RGB bytes, top row first.
function readPng(path) {
  const file = readFileSync(path);
  let offset = 8;
  let width = 0, height = 0, channels = 0;
  const data = [];
  while (offset < file.length) {
    const length = file.readUInt32BE(offset);
    const type = file.toString("latin1", offset + 4, offset + 8);
    const body = file.subarray(offset + 8, offset + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = { 2: 3, 6: 4 }[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error(`${path}: not an 8-bit RGB(A) PNG`);
    } else if (type === "IDAT") {
      data.push(body);
    }
    offset += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const left = x >= channels ? pixels[y * stride + x - channels] : 0;
      const up = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const corner = x >= channels && y > 0 ? pixels[(y - 1) * stride + x - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = left;
      else if (filter === 2) predictor = up;
      else if (filter === 3) predictor = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - corner;
        const [a, b, c] = [Math.abs(p - left), Math.abs(p - up), Math.abs(p - corner)];
        predictor = a <= b && a <= c ? left : b <= c ? up : corner;
      }
      pixels[y * stride + x] = (line[x] + predictor) & 255;
    }
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; i++) pixels.copy(rgb, i * 3, i * channels, i * channels + 3);
  return { width, height, rgb };
}

// Per channel: the mean absolute difference and the given percentile of it.
function difference(a, b) {
  const counts = new Array(256).fill(0);
  let sum = 0;
  for (let i = 0; i < a.length; i++) {
    const d = Math.abs(a[i] - b[i]);
    counts[d] += 1;
    sum += d;
  }
  let seen = 0, percentile = 0;
  const rank = Math.ceil(limits.percentile * a.length);
  for (let d = 0; d < 256; d++) {
    seen += counts[d];
    if (seen >= rank) { percentile = d; break; }
  }
  return { mean: sum / a.length, percentile };
}

async function fixedClockRun(browser, base) {
  const record = consoleRecorder();
  const query = `fixed=${fixed.fps}&size=${fixed.width}x${fixed.height}&start=${fixed.start}&end=${fixed.end}`;
  const page = await browser.open(`${base}index.html?${query}`, record.onEvent);
  await waitFor(page, "window.quessalyStats && quessalyStats.ended !== null", 300, "the fixed-clock run's end");
  const frames = await page.evaluate("quessalyStats.frames");
  await page.close();

  const folder = mkdtempSync(join(tmpdir(), "quessaly-native-"));
  try {
    const render = spawnSync(join(native, "tools/render/quessaly-render"),
      ["--gl", "es", "--size", `${fixed.width}x${fixed.height}`, "--fps", String(fixed.fps), "--start", String(fixed.start),
        "--end", String(fixed.end), "--frames", folder, "--quiet", "--jobs", "1"],
      { cwd: join(native, "assets"), encoding: "utf8" });
    check(render.status === 0, `the native shader path rendered its frames${render.status ? ": " + render.stderr : ""}`);
    const files = readdirSync(folder).filter((name) => name.endsWith(".png")).sort();
    check(frames.length === files.length && frames.length > 0, `${frames.length} frames from the page, ${files.length} natively`);
    for (let i = 0; i < Math.min(frames.length, files.length); i++) {
      const frame = frames[i];
      const nativeFrame = readPng(join(folder, files[i]));
      const rgba = Buffer.from(frame.rgba, "base64");
      // The page's pixels come bottom row first.
      const rgb = Buffer.alloc(frame.width * frame.height * 3);
      for (let y = 0; y < frame.height; y++) {
        for (let x = 0; x < frame.width; x++) {
          const from = ((frame.height - 1 - y) * frame.width + x) * 4;
          rgba.copy(rgb, (y * frame.width + x) * 3, from, from + 3);
        }
      }
      const same = frame.width === nativeFrame.width && frame.height === nativeFrame.height;
      const d = same ? difference(rgb, nativeFrame.rgb) : { mean: 255, percentile: 255 };
      check(d.mean <= limits.mean && d.percentile <= limits.atPercentile,
        `the frame at ${frame.time} s matches the native one: mean ${d.mean.toFixed(3)}/255, 99th percentile ${d.percentile}/255`);
    }
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
  check(record.errors.length === 0, `no console errors on the fixed clock${record.errors.length ? ": " + record.errors.join(" | ") : ""}`);
}

const started = Date.now();
const server = await serve(site);
const base = `http://127.0.0.1:${server.address().port}/`;
let browser;
try {
  browser = await Browser.launch();
  await fixedClockRun(browser, base);
  await liveRun(browser, base);
} catch (error) {
  check(false, error.message);
} finally {
  await browser?.close();
  server.close();
}
console.log(`web-check: ${failures.length ? failures.length + " failed" : "passed"} in ${((Date.now() - started) / 1000).toFixed(0)} s`);
process.exit(failures.length ? 1 : 0);
