// Checks the browser build in one browser engine, with no npm packages: Chromium (headless, over the DevTools
// protocol), Firefox ESR (its own WebDriver BiDi agent) or WebKitGTK (Epiphany under WebKitWebDriver, in a
// D-Bus session), the last two on a virtual display (Xvfb). Each run has a PulseAudio daemon of its own with
// one null sink for its sound, and every process it starts is ended however it ends. In every engine, live
// from ?start=205 to the show's own end, the sound started by a real click at the browser's own autoplay
// policy: the loader's lines and the keywords in order, each keyword when the music reaches its time, sound
// on the sink, the show's clock at the page's pace, a tab in the background that draws nothing while the
// music plays on and is back where the music is, no console errors, the end and a second showing, paused and
// resumed with Space, and the start screen's count of the download's bytes; frames a second per scene and the
// memory's peak are reported. In Chromium also:
// - a context no click started: the page says there is no sound and the show runs on the page's clock; its
//   files come without their lengths, and the start screen counts their bytes without a total;
// - WebGL2 turned off (--disable-webgl2): the page says what a viewer can do, the program's line is in the console;
// - on the fixed clock, frames at set times across a scene change, each compared with the native shader
//   path's frame at the same time, lines drawn as on OpenGL ES: per frame and channel, mean absolute
//   difference and 99th percentile within a margin of the worst measured (below).
// Usage: node --experimental-websocket scripts/web-check.mjs SITE_DIR NATIVE_BUILD_DIR ENGINE [LIVE_START]
// (ENGINE chromium, firefox or webkit; LIVE_START 0 plays the whole show live, for every scene's frame rate).
// A missing browser is a skip with its reason, except under CI, where install-deps.sh installs all three. A
// browser that stops answering fails the run within a minute, with its last lines.
import { spawn, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from "node:fs";
import { createServer } from "node:net";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { inflateSync } from "node:zlib";
import { serve } from "./web-serve.mjs";

const [siteArgument, nativeArgument, engine, liveStartArgument] = process.argv.slice(2);
const engines = { chromium: "/usr/bin/chromium", firefox: "/usr/bin/firefox-esr", webkit: "/usr/bin/epiphany" };
if (!siteArgument || !nativeArgument || !engines[engine]) {
  console.error("usage: node --experimental-websocket scripts/web-check.mjs SITE_DIR NATIVE_BUILD_DIR chromium|firefox|webkit");
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
// Measured in Debian's Chromium (SwiftShader) against Mesa: mean 0.43/255 and 99th percentile 3/255 at worst, where
// the two rasterisers place a few line pixels apart. The margin is the native comparisons' (one step on the
// percentile) with 0.17/255 on the mean for another Chromium's SwiftShader; a lost line or a scene's colour off
// by 2/255 moves the mean by more.
const limits = { mean: 0.6, percentile: 0.99, atPercentile: 4 };

const failures = [];
function check(condition, what) {
  console.log(`web-check: ${engine}: ${condition ? "ok  " : "FAIL"} ${what}`);
  if (!condition) failures.push(what);
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
// A browser that stops answering (a page whose thread is held stops its answers too) is a failure of its own,
// said with what its processes wrote last, never a run that waits for ever: no command waits longer than the
// first, and no run takes longer than the second (the whole show live takes about half of it).
const answerSeconds = 60, runSeconds = 600;
class BrowserSilent extends Error {}
async function until(test, seconds, what) {
  for (const deadline = Date.now() + seconds * 1000; Date.now() < deadline; await sleep(250)) {
    const value = await test();
    if (value) return value;
  }
  throw new Error(`${what} did not happen within ${seconds} s`);
}

// Every process runs in a group of its own, so that it is ended with all it started.
const processes = [];
function start(program, args, env, stdio = ["ignore", "ignore", "pipe"]) {
  const child = spawn(program, args, { env, stdio, detached: true });
  child.output = "";
  child.stdout?.on("data", (chunk) => { child.output += chunk; });
  child.stderr?.on("data", (chunk) => { child.output += chunk; });
  child.on("error", (error) => { child.output += error.message; });
  processes.push(child);
  return child;
}
async function stopAll() {
  for (const child of [...processes].reverse()) {
    const exited = child.exitCode !== null || child.signalCode !== null ? null : new Promise((done) => child.once("exit", done));
    try { process.kill(-child.pid, "SIGKILL"); } catch { /* already gone */ }
    await exited;
  }
}
const freePort = () => new Promise((done) => {
  const probe = createServer().listen(0, "127.0.0.1", () => { const { port } = probe.address(); probe.close(() => done(port)); });
});

// What the page writes to its console, with the page's clock, and its uncaught errors: the server puts this
// before the page's own script.
const recorder = `<script>window.quessalyConsole = [];
for (const type of ["log", "warn", "error"]) {
  const write = console[type];
  console[type] = function () { quessalyConsole.push({ type, text: [...arguments].join(" "), at: performance.now() }); write.apply(console, arguments); };
}
addEventListener("error", (event) => quessalyConsole.push({ type: "error", text: String(event.message), at: performance.now() }));
addEventListener("unhandledrejection", (event) => quessalyConsole.push({ type: "error", text: String(event.reason), at: performance.now() }));
</script>`;
const consoleErrors = "quessalyConsole.filter((line) => line.type === 'error').map((line) => line.text)";

// A sound server of the run's own, its one output a null sink whose monitor the check records.
async function soundServer(folder, env) {
  const socket = join(folder, "pulse-socket");
  const server = start("pulseaudio", ["-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
    "-L", `module-native-protocol-unix socket=${socket} auth-anonymous=1`, "-L", "module-null-sink sink_name=quessaly"], env);
  await until(() => existsSync(socket) || server.exitCode !== null, 20, "the sound server's start");
  if (!existsSync(socket)) throw new Error(`the sound server did not start: ${server.output}`);
  return `unix:${socket}`;
}
// Recorded without blocking, so that the run's own deadlines keep running; a recorder that outlives its time is killed.
async function loudestSample(env, seconds) {
  const capture = spawn("parec", ["-d", "quessaly.monitor", "--raw", "--format=s16le", "--channels=2"],
    { env, stdio: ["ignore", "pipe", "ignore"] });
  const chunks = [];
  capture.stdout.on("data", (chunk) => chunks.push(chunk));
  const ended = new Promise((done) => { capture.on("close", done); capture.on("error", done); });
  const stop = setTimeout(() => capture.kill("SIGTERM"), seconds * 1000);
  const kill = setTimeout(() => capture.kill("SIGKILL"), seconds * 1000 + 5000);
  await ended;
  clearTimeout(stop);
  clearTimeout(kill);
  const recording = Buffer.concat(chunks);
  const samples = new Int16Array(recording.buffer, recording.byteOffset, recording.length >> 1);
  return samples.reduce((loudest, sample) => Math.max(loudest, Math.abs(sample)), 0);
}
async function virtualDisplay(env) {
  const server = start("Xvfb", ["-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x720x24"], env, ["ignore", "pipe", "pipe"]);
  const display = await until(() => /^(\d+)\n/.exec(server.output)?.[1] ?? server.exitCode !== null, 20, "Xvfb's start");
  if (display === true) throw new Error(`Xvfb did not start: ${server.output}`);
  return `:${display}`;
}

const chromiumFlags = [
  "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
  "--disable-background-networking", "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-quic",
  "--remote-debugging-port=0",
];

// Chromium over one DevTools connection; sessions are the pages' flat sessions.
async function chromium(env, folder, flags = [], profile = "profile") {
  const child = start(engines.chromium, [...chromiumFlags, ...flags, `--user-data-dir=${join(folder, profile)}`, "about:blank"], env);
  const address = await until(() => /DevTools listening on (ws:\/\/\S+)/.exec(child.output)?.[1] ?? (child.exitCode !== null),
    30, "Chromium's DevTools port");
  if (address === true) throw new Error(`Chromium exited before its DevTools port opened: ${child.output}`);
  const send = await protocol(address, (id, method, params, sessionId) => ({ id, method, params, sessionId }));
  return {
    async open(url) {
      const { targetId } = await send("Target.createTarget", { url });
      const { sessionId } = await send("Target.attachToTarget", { targetId, flatten: true });
      let other;
      const evaluate = async (expression) =>
        (await send("Runtime.evaluate", { expression, returnByValue: true }, sessionId)).result.value;
      return {
        evaluate,
        async click(selector) {
          const [x, y] = await evaluate(centre(selector));
          for (const type of ["mousePressed", "mouseReleased"]) {
            await send("Input.dispatchMouseEvent", { type, x, y, button: "left", clickCount: 1 }, sessionId);
          }
        },
        async pressSpace() {
          for (const type of ["keyDown", "keyUp"]) {
            await send("Input.dispatchKeyEvent", { type, key: " ", code: "Space", windowsVirtualKeyCode: 32 }, sessionId);
          }
        },
        hide: async () => { other = (await send("Target.createTarget", { url: "about:blank" })).targetId; },
        async show() {
          await send("Target.closeTarget", { targetId: other });
          await send("Target.activateTarget", { targetId });
        },
        close: () => send("Target.closeTarget", { targetId }),
      };
    },
    // Ends this browser, so that it takes no processor from the runs after it.
    async quit() {
      const exited = child.exitCode !== null ? null : new Promise((done) => child.once("exit", done));
      process.kill(-child.pid, "SIGKILL");
      await exited;
    },
  };
}

// Firefox through its WebDriver BiDi agent, with a fresh profile at the browser's own settings.
async function firefox(env, folder) {
  mkdirSync(join(folder, "profile"));
  const child = start(engines.firefox, ["--profile", join(folder, "profile"), "--no-remote", "--remote-debugging-port=0",
    "about:blank"], env);
  const address = await until(() => /WebDriver BiDi listening on (ws:\/\/\S+)/.exec(child.output)?.[1] ?? (child.exitCode !== null),
    60, "Firefox's remote agent");
  if (address === true) throw new Error(`Firefox exited before its remote agent listened: ${child.output}`);
  const send = await protocol(`${address}/session`, (id, method, params) => ({ id, method, params }));
  await send("session.new", { capabilities: {} });
  return {
    async open(url) {
      const { context } = await send("browsingContext.create", { type: "tab" });
      await send("browsingContext.navigate", { context, url, wait: "complete" });
      let other;
      const evaluate = async (expression) => {
        const reply = await send("script.evaluate", { expression: `JSON.stringify(${expression})`, target: { context }, awaitPromise: false });
        if (reply.type === "exception") throw new Error(`${expression}: ${reply.exceptionDetails.text}`);
        return reply.result.value === undefined ? undefined : JSON.parse(reply.result.value);
      };
      return {
        evaluate,
        async click(selector) {
          const [x, y] = (await evaluate(centre(selector))).map(Math.round);
          await send("input.performActions", { context, actions: [{ type: "pointer", id: "mouse", actions: [
            { type: "pointerMove", x, y }, { type: "pointerDown", button: 0 }, { type: "pointerUp", button: 0 }] }] });
        },
        pressSpace: () => send("input.performActions", { context, actions: [{ type: "key", id: "keyboard", actions: [
          { type: "keyDown", value: " " }, { type: "keyUp", value: " " }] }] }),
        hide: async () => { other = (await send("browsingContext.create", { type: "tab" })).context; },
        async show() {
          await send("browsingContext.close", { context: other });
          await send("browsingContext.activate", { context });
        },
        close: () => send("browsingContext.close", { context }),
      };
    },
  };
}

// Epiphany driven by WebKitWebDriver (classic WebDriver over HTTP) in a D-Bus session of its own. WebKitGTK
// running as root needs its sandbox off.
async function webkit(env) {
  const port = await freePort();
  start("dbus-run-session", ["--", "WebKitWebDriver", `--port=${port}`], { ...env, WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS: "1" });
  const request = async (method, path, body) => {
    const reply = await (await fetch(`http://127.0.0.1:${port}${path}`, { method, body: body && JSON.stringify(body),
      headers: { "Content-Type": "application/json" }, signal: AbortSignal.timeout(answerSeconds * 1000) })
      .catch((error) => {
        if (error.name !== "TimeoutError") throw error;
        throw new BrowserSilent(`WebKitWebDriver did not answer ${method} ${path} within ${answerSeconds} s`);
      })).json();
    if (reply.value?.error) throw new Error(`WebKitWebDriver: ${path}: ${reply.value.message}`);
    return reply.value;
  };
  await until(() => request("GET", "/status").catch(() => false), 30, "WebKitWebDriver's start");
  // Now and then Epiphany's first start in a fresh home comes up without its window ("Unknown error creating
  // top level browsing context"); a second try starts it.
  let sessionId;
  for (let attempt = 1; !sessionId; attempt++) {
    try {
      ({ sessionId } = await request("POST", "/session", { capabilities: { alwaysMatch: {
        "webkitgtk:browserOptions": { binary: engines.webkit, args: ["--automation-mode"] } } } }));
    } catch (error) {
      if (attempt === 3) throw error;
      console.log(`web-check: ${engine}: ${error.message}; trying again`);
      await sleep(2000);
    }
  }
  const session = `/session/${sessionId}`;
  return {
    async open(url) {
      await request("POST", `${session}/url`, { url });
      const handle = await request("GET", `${session}/window`);
      let other;
      const evaluate = async (expression) => {
        const text = await request("POST", `${session}/execute/sync`, { script: `return JSON.stringify(${expression})`, args: [] });
        return text === null ? undefined : JSON.parse(text);
      };
      return {
        evaluate,
        async click(selector) {
          const element = await request("POST", `${session}/element`, { using: "css selector", value: selector });
          await request("POST", `${session}/element/${Object.values(element)[0]}/click`, {});
        },
        pressSpace: () => request("POST", `${session}/actions`, { actions: [{ type: "key", id: "keyboard", actions: [
          { type: "keyDown", value: " " }, { type: "keyUp", value: " " }] }] }),
        // Epiphany puts a new tab in front; the session's commands go on to this one until it is closed.
        hide: async () => { other = (await request("POST", `${session}/window/new`, { type: "tab" })).handle; },
        async show() {
          await request("POST", `${session}/window`, { handle: other });
          await request("DELETE", `${session}/window`);
          await request("POST", `${session}/window`, { handle });
        },
        close: async () => {},
      };
    },
  };
}

// A JSON protocol over a WebSocket: answers by id; message(id, method, params, session) shapes a command.
async function protocol(address, message) {
  const socket = new WebSocket(address);
  await new Promise((done, fail) => { socket.onopen = done; socket.onerror = () => fail(new Error(`no connection to ${address}`)); });
  let nextId = 1;
  const pending = new Map();
  socket.onmessage = (event) => {
    const reply = JSON.parse(event.data);
    const waiting = pending.get(reply.id);
    if (!waiting) return;
    pending.delete(reply.id);
    if (reply.error) waiting.fail(new Error(`${waiting.method}: ${reply.message ?? reply.error.message ?? reply.error}`));
    else waiting.done(reply.result);
  };
  socket.onclose = () => {
    for (const waiting of pending.values()) waiting.fail(new BrowserSilent(`the browser closed its connection during ${waiting.method}`));
    pending.clear();
  };
  return (method, params = {}, session = undefined) => new Promise((done, fail) => {
    // A closed socket drops what is sent without a word.
    if (socket.readyState !== WebSocket.OPEN) return fail(new BrowserSilent(`the browser's connection was closed before ${method}`));
    const id = nextId++;
    const timer = setTimeout(() => {
      pending.delete(id);
      fail(new BrowserSilent(`the browser did not answer ${method} within ${answerSeconds} s`));
    }, answerSeconds * 1000);
    const settle = (finish) => (value) => { clearTimeout(timer); finish(value); };
    pending.set(id, { done: settle(done), fail: settle(fail), method });
    socket.send(JSON.stringify(message(id, method, params, session)));
  });
}
const centre = (selector) =>
  `(() => { const box = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect(); return [box.x + box.width / 2, box.y + box.height / 2]; })()`;

// A tab in front for three seconds: no frame while hidden, then the show where the music is.
async function backgroundTab(page, clockBefore) {
  await page.hide();
  await until(() => page.evaluate("document.visibilityState === 'hidden'"), 10, "the page going to the background");
  await sleep(200);
  const hiddenAt = await page.evaluate("quessalyStats.clock");
  await sleep(3000);
  const stillHidden = await page.evaluate("quessalyStats.clock");
  await page.show();
  await sleep(1500);
  // The music's own position: the context's clock since playback began, from where it began.
  const back = await page.evaluate(
    "({clock: quessalyStats.clock, music: Module.music.context.currentTime - Module.music.startedAt + Module.music.offset})");
  check(stillHidden === hiddenAt, `in the background the page draws nothing (clock held at ${stillHidden.toFixed(2)} s)`);
  check(back.clock - clockBefore > 4 && Math.abs(back.clock - back.music) < 0.3,
    `back in view the show is where the music is (${clockBefore.toFixed(2)} s before, ${back.clock.toFixed(2)} s after, music at ${back.music.toFixed(2)} s)`);
}

// The start screen counted every byte of the show's three files, out of their total where the server gave lengths.
async function downloadCounted(page, withTotal) {
  const bytes = ["quessaly.js", "quessaly.data", "quessaly.wasm"].reduce((sum, name) => sum + statSync(join(site, name)).size, 0);
  const { download, text } = await page.evaluate("({download: quessalyStats.download, text: document.getElementById('bytes').textContent})");
  check(download?.received === bytes && download?.total === (withTotal ? bytes : null) && download?.steps > 2,
    `the start screen counted the download${withTotal ? "" : " without lengths"}: "${text}" (${download?.received} of ${download?.total} bytes in ${download?.steps} steps)`);
}

// Space pauses: the clock holds, the audio context is suspended and the sink is silent. Space again resumes the show
// on from where it held (the pause lasts 3 s; the clock may be on by the time since the resume and the last frame
// before the pause, up to a second on a busy machine) and where the music is, as the background tab's check has it.
async function pauseAndResume(page, soundEnv) {
  // The music as a frame begins, beside the clock that frame reads.
  await page.evaluate("(() => { const before = Module.preMainLoop, shown = Module.onClock; let music = 0; " +
    "Module.preMainLoop = function () { const m = Module.music; music = m.context.currentTime - m.startedAt + m.offset; return before(); }; " +
    "Module.onClock = function (seconds, at) { shown(seconds, at); quessalyStats.music = music; }; return true; })()");
  await page.pressSpace();
  await sleep(500);
  const held = await page.evaluate("({clock: quessalyStats.clock, context: Module.music.context.state})");
  const loudest = await loudestSample(soundEnv, 1);
  await sleep(1500);
  const still = await page.evaluate("quessalyStats.clock");
  check(still === held.clock && held.context === "suspended" && loudest < 100,
    `paused, the clock holds at ${held.clock.toFixed(2)} s, the audio context is ${held.context}, the sink's loudest sample ${loudest}`);
  const resumedAt = await page.evaluate("performance.now()");
  await page.pressSpace();
  await sleep(1500);
  const back = await page.evaluate("({clock: quessalyStats.clock, at: quessalyStats.clockAt, music: quessalyStats.music})");
  const since = (back.at - resumedAt) / 1000;
  check(back.clock > still && back.clock - still < since + 2 && Math.abs(back.clock - back.music) < 0.3,
    `resumed, the show goes on from there (${(back.clock - still).toFixed(2)} s on in ${since.toFixed(2)} s), where the music is (${back.music.toFixed(2)} s)`);
}

async function liveRun(browser, base, soundEnv) {
  const page = await browser.open(`${base}index.html?start=${liveStart}`);
  await until(() => page.evaluate("document.getElementById('prompt').textContent.startsWith('click')"), 180, "the start screen");
  await downloadCounted(page, true);
  const before = await page.evaluate("Module.audioContext && Module.audioContext.state");
  check(before === "suspended", `before the click the browser holds the sound back (the context is ${before})`);
  await page.click("#cover");
  await until(() => page.evaluate(`quessalyStats.clock > ${liveStart + 1}`), 180, "the show's start");
  check(await page.evaluate("!!document.getElementById('canvas').getContext('webgl2')"), "a WebGL2 context drew the show");
  const loudest = await loudestSample(soundEnv, 2);
  check(loudest > 1000 && await page.evaluate("Module.music.silentSince === undefined"),
    `the music plays through WebAudio to the sound server (loudest sample ${loudest})`);
  const samples = [];
  let hidden = false;
  for (const deadline = Date.now() + (showEnd - liveStart + 90) * 1000; Date.now() < deadline; await sleep(1000)) {
    const sample = await page.evaluate(
      "({clock: quessalyStats.clock, at: quessalyStats.clockAt / 1000, ended: quessalyStats.ended, asked: Module.music.hintsAt !== undefined})");
    if (sample.ended !== null) break;
    samples.push(sample);
    if (!hidden && sample.clock > liveKeywords.ENDING + 0.5 && sample.clock < showEnd - 6) {
      hidden = true;
      await backgroundTab(page, sample.clock);
    }
  }
  check(hidden, "the page was sent to the background during ENDING");
  const stats = await page.evaluate("({ended: quessalyStats.ended, scenes: quessalyStats.scenes, heapPeak: quessalyStats.heapPeak})");
  check(stats.ended === 0, "the show ended by itself");
  // Firefox's answer can hold the page's thread for good while its output starts; the others' is the latency's.
  const askedOutput = samples.some((sample) => sample.asked);
  check(askedOutput === (engine !== "firefox"), engine === "firefox" ? "the page never asked Firefox for its output's latency"
    : "the page asked the output's latency and timestamp");
  const lines = await page.evaluate("quessalyConsole");
  // Played again from the same page: a fresh show that reaches its first frames of music.
  await page.click("#again");
  await until(() => page.evaluate(`quessalyStats.ended === null && quessalyStats.clock > ${liveStart} && quessalyStats.clock < ${liveStart + 10}`),
    120, "the show played again");
  check(true, "the show played again");
  await pauseAndResume(page, soundEnv);
  await page.close();

  const texts = lines.map((line) => line.text);
  const loaderDone = texts.findIndex((text) => /Total objects created/.test(text));
  const keywords = lines.filter((line) => everyKeyword.includes(line.text));
  check(loaderDone >= 0 && loaderDone < texts.indexOf("INTRO"), "the loader's lines come before the first keyword");
  check(JSON.stringify(keywords.map((line) => line.text)) === JSON.stringify(everyKeyword),
    `every keyword once, in order (${keywords.map((line) => line.text).join(" ")})`);
  const at = (name) => keywords.find((line) => line.text === name)?.at / 1000;
  const between = at("ENDING") - at("OUTTRO");
  const expected = liveKeywords.ENDING - liveKeywords.OUTTRO;
  // Each keyword prints in the first frame at or past its time: late by up to a frame of the scene before it.
  const framePeriod = (scene) => stats.scenes[scene]?.frames ? stats.scenes[scene].seconds / stats.scenes[scene].frames : 1;
  const slack = 0.1 + framePeriod("PLASMABALL") + framePeriod("OUTTRO");
  check(Math.abs(between - expected) < slack, `OUTTRO to ENDING took ${between.toFixed(2)} s of page time (music: ${expected.toFixed(2)} s)`);
  // The pace before the tab was hidden, from when the output's latency is known (two seconds into the music).
  // The slope of a line fitted through every frame's reading: an output that falls behind under load and then
  // catches up (Firefox's audio thread on two busy cores) moves one end of the stretch, not the slope.
  const seen = samples.filter((sample) => sample.clock > liveStart + 3 && sample.clock < liveKeywords.ENDING + 0.5);
  const [first, last] = [seen[0], seen[seen.length - 1]];
  const meanOf = (key) => seen.reduce((sum, sample) => sum + sample[key], 0) / seen.length;
  const [meanAt, meanClock] = [meanOf("at"), meanOf("clock")];
  const pace = seen.length >= 2 ? seen.reduce((sum, s) => sum + (s.at - meanAt) * (s.clock - meanClock), 0) /
    seen.reduce((sum, s) => sum + (s.at - meanAt) ** 2, 0) : NaN;
  check(Math.abs(pace - 1) < 0.03, `the music clock ran at ${pace.toFixed(3)} of the page's clock over ${((last?.at - first?.at) || 0).toFixed(1)} s`);
  const errors = lines.filter((line) => line.type === "error").map((line) => line.text);
  check(errors.length === 0, `no console errors${errors.length ? ": " + errors.join(" | ") : ""}`);
  console.log(`web-check: ${engine}: frames a second per scene:`);
  for (const [scene, entry] of Object.entries(stats.scenes)) {
    // Scenes passed at once on the way to ?start= take no time.
    if (entry.seconds >= 1) console.log(`  ${scene.padEnd(20)} ${(entry.frames / entry.seconds).toFixed(1)} fps over ${entry.seconds.toFixed(1)} s`);
  }
  console.log(`web-check: ${engine}: the program's memory peaked at ${(stats.heapPeak / 1048576).toFixed(0)} MB`);
}

// Started by a script's click, which is no user's: the browser keeps the context suspended, and the show
// goes on without sound at the page's pace, saying so.
async function silentRun(browser, base) {
  const page = await browser.open(`${base}index.html?start=60`);
  await until(() => page.evaluate("document.getElementById('prompt').textContent.startsWith('click')"), 180, "the start screen");
  await downloadCounted(page, false);
  await page.evaluate("document.getElementById('cover').click()");
  const notice = await until(() => page.evaluate("!document.getElementById('notice').hidden && document.getElementById('notice').textContent"),
    60, "the page's word that there is no sound");
  const from = await page.evaluate("({clock: quessalyStats.clock, at: quessalyStats.clockAt / 1000})");
  await sleep(3000);
  const to = await page.evaluate("({clock: quessalyStats.clock, at: quessalyStats.clockAt / 1000})");
  const pace = (to.clock - from.clock) / (to.at - from.at);
  check(Math.abs(pace - 1) < 0.03 && from.clock >= 60, `a context that does not start: "${notice}", and the show runs on at ${pace.toFixed(3)} of the page's pace from ${from.clock.toFixed(2)} s`);
  await page.close();
}

// With WebGL2 turned off the page says in words a viewer can act on what is wrong, and the program's own line
// stays in the console.
async function noWebGL2Run(env, folder, base) {
  const browser = await chromium(env, folder, ["--disable-webgl2"], "profile-without-webgl2");
  const page = await browser.open(`${base}index.html?mute`);
  await until(() => page.evaluate("quessalyStats.ended !== null"), 180, "the end of a show without WebGL2");
  const said = await page.evaluate("document.getElementById('prompt').textContent + ' ' + document.getElementById('message').textContent");
  check(/cannot draw WebGL2/.test(said) && /another browser/.test(said) && /hardware acceleration/.test(said) && !/ERROR/.test(said),
    `without WebGL2 the page says: "${said}"`);
  const lines = await page.evaluate("quessalyConsole.map((line) => line.text)");
  check(lines.includes("ERROR: Can't Create A GL Rendering Context."), "without WebGL2 the program's own line is in the console");
  await browser.quit();
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
  const query = `fixed=${fixed.fps}&size=${fixed.width}x${fixed.height}&start=${fixed.start}&end=${fixed.end}`;
  const page = await browser.open(`${base}index.html?${query}`);
  await until(() => page.evaluate("window.quessalyStats && quessalyStats.ended !== null"), 300, "the fixed-clock run's end");
  const frames = await page.evaluate("quessalyStats.frames");
  const errors = await page.evaluate(consoleErrors);
  await page.close();

  const folder = mkdtempSync(join(tmpdir(), "quessaly-native-"));
  try {
    const render = spawnSync(join(native, "tools/render/quessaly-render"),
      ["--gl", "es", "--size", `${fixed.width}x${fixed.height}`, "--fps", String(fixed.fps), "--start", String(fixed.start),
        "--end", String(fixed.end), "--frames", folder, "--quiet", "--jobs", "1"],
      { cwd: join(native, "assets"), encoding: "utf8", timeout: runSeconds * 1000, killSignal: "SIGKILL" });
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
  check(errors.length === 0, `no console errors on the fixed clock${errors.length ? ": " + errors.join(" | ") : ""}`);
}

const started = Date.now();
if (!existsSync(engines[engine])) {
  const why = `${engines[engine]} is not installed (scripts/install-deps.sh --web installs it)`;
  console.log(`web-check: ${engine}: ${process.env.CI ? "FAIL" : "skipped:"} ${why}`);
  process.exit(process.env.CI ? 1 : 0);
}
const launchers = { chromium, firefox, webkit };

// What the run's processes wrote last, for a browser that stopped answering.
function lastWords() {
  for (const child of processes) {
    const lines = child.output.trim().split("\n").slice(-15);
    if (lines[0]) console.log(`web-check: ${engine}: the last lines of ${child.spawnfile}:\n  ${lines.join("\n  ")}`);
  }
}

// The run: a folder, a sound server, a display and a browser of its own, all ended however it ends. Past its
// time the browser is ended, which fails whatever waits on it; a run that still has not ended half a minute
// later is left behind.
async function checkEngine() {
  const folder = mkdtempSync(join(tmpdir(), `quessaly-${engine}-`));
  let server, serverWithoutLengths, overran = false, deadline, grace;
  const abandoned = new BrowserSilent(`the run did not end within ${runSeconds} s, nor when its browser was ended`);
  const leftBehind = new Promise((_, fail) => {
    deadline = setTimeout(async () => {
      overran = true;
      await stopAll();
      grace = setTimeout(() => fail(abandoned), 30000);
    }, runSeconds * 1000);
  });
  const run = async () => {
    server = await serve(site, 0, recorder);
    const base = `http://127.0.0.1:${server.address().port}/`;
    // Everything the browsers, the display and the sound server write goes into the run's folder.
    const env = { ...process.env, HOME: folder, XDG_RUNTIME_DIR: folder, PULSE_RUNTIME_PATH: join(folder, "pulse"),
      PULSE_STATE_PATH: join(folder, "pulse"), XDG_CONFIG_HOME: join(folder, "config"), XDG_CACHE_HOME: join(folder, "cache"),
      XDG_DATA_HOME: join(folder, "data") };
    writeFileSync(join(folder, "client.conf"), "autospawn = no\n");
    env.PULSE_CLIENTCONFIG = join(folder, "client.conf");
    env.PULSE_SERVER = await soundServer(folder, env);
    if (engine !== "chromium") env.DISPLAY = await virtualDisplay(env);
    const browser = await launchers[engine](env, folder);
    if (engine === "chromium") {
      await fixedClockRun(browser, base);
      serverWithoutLengths = await serve(site, 0, recorder, false);
      await silentRun(browser, `http://127.0.0.1:${serverWithoutLengths.address().port}/`);
      await noWebGL2Run(env, folder, base);
    }
    await liveRun(browser, base, env);
  };
  try {
    await Promise.race([run(), leftBehind]);
  } catch (error) {
    throw overran && error !== abandoned ? new BrowserSilent(`the run did not end within ${runSeconds} s (${error.message})`) : error;
  } finally {
    clearTimeout(deadline);
    clearTimeout(grace);
    await stopAll();
    server?.close();
    serverWithoutLengths?.close();
    rmSync(folder, { recursive: true, force: true, maxRetries: 10, retryDelay: 100 });
  }
}

try {
  await checkEngine();
} catch (error) {
  check(false, error.message);
  if (error instanceof BrowserSilent) lastWords();
}
console.log(`web-check: ${engine}: ${failures.length ? failures.length + " failed" : "passed"} in ${((Date.now() - started) / 1000).toFixed(0)} s`);
process.exit(failures.length ? 1 : 0);
