// SPDX-License-Identifier: MIT
// The panel of `brixelctl serve` in Debian's Chromium, headless, on a fresh
// simulated device: each test starts its own server. Screenshots go to
// $SCREENSHOTS as artefacts of the run.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, mkdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";

const brixelctl = process.env.BRIXELCTL;
const chromiumPath = process.env.CHROMIUM || "/usr/bin/chromium";
const screenshots = process.env.SCREENSHOTS || path.join(tmpdir(), "panel-screenshots");
mkdirSync(screenshots, { recursive: true });

let browser;
const scratch = mkdtempSync(path.join(tmpdir(), "panel-browser-"));
// What the panel and the tool remember of settings stays in the scratch folder.
process.env.XDG_STATE_HOME = scratch;

before(async () => {
  browser = await chromium.launch({
    executablePath: chromiumPath,
    args: ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"],
  });
});

after(async () => {
  await browser?.close();
  rmSync(scratch, { recursive: true, force: true });
});

// brixelctl serve on a free port (or the one given); resolves with its
// address and a stop function.
function serve(name, listen = "127.0.0.1:0") {
  const child = spawn(brixelctl, ["--simulate", "--fresh", "--state-file", path.join(scratch, name + ".json"),
    "serve", "--listen", listen], { stdio: ["ignore", "pipe", "pipe"] });
  return new Promise((resolve, reject) => {
    let output = "";
    const timer = setTimeout(() => reject(new Error("no address printed: " + output)), 15000);
    child.stdout.on("data", (chunk) => {
      output += chunk;
      const found = output.match(/the panel is at (http:\/\/\S+)/);
      if (!found) return;
      clearTimeout(timer);
      resolve({
        url: found[1],
        stop: () => new Promise((done) => { child.once("exit", done); child.kill("SIGINT"); }),
      });
    });
    child.once("exit", (code) => reject(new Error(`brixelctl serve ended (${code}): ${output}`)));
  });
}

// A page of a fresh panel, ready: the first report shown.
async function openPanel(t, options = {}) {
  const server = await serve(t.name.replace(/\W+/g, "-"));
  const context = await browser.newContext({ viewport: { width: 1280, height: 1000 }, ...options });
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForSelector("body[data-ready=true]");
  await page.waitForSelector('#report [data-field="input"]');
  t.after(async () => {
    await context.close();
    await server.stop();
  });
  return page;
}

const shot = (page, name) => page.screenshot({ path: path.join(screenshots, name + ".png"), fullPage: true });

test("the page opens with the live report", async (t) => {
  const page = await openPanel(t);
  assert.equal(await page.textContent('#report [data-field="input"]'), "Input : 3840x2160p60");
  assert.equal(await page.textContent("#connection"), "live");
  assert.ok((await page.locator("#settings select").count()) > 5);
  assert.equal(await page.locator("#edid-builtin option").count(), 24);
  await shot(page, "panel");
});

test("what the source sends: the signal, its HDR format and each InfoFrame's meaning", async (t) => {
  const page = await openPanel(t);
  await page.waitForSelector('#report details[data-frame="aviIfHex"]');
  assert.equal(await page.textContent("#hdr-format"), "HDR10");
  assert.equal(await page.textContent("#signal"), "3840x2160p60 YCbCr 4:2:0 10-bit BT.2020 limited, HDR10 1000 cd/m²");
  assert.equal(await page.textContent('#report [data-field="aviIfHex"]'),
    "AVI InfoFrame: 82:02:0d:52:70:e8:64:61:00:00:00:00:00:00:00:00:00");
  assert.equal(await page.textContent('#report details[data-frame="aviIfHex"] summary'),
    "3840x2160p60 16:9, YCbCr 4:2:0, BT.2020 YCbCr, limited range");
  // Its fields are asked for when it is opened.
  await page.click('#report details[data-frame="hdrIfHex"] summary');
  const fields = '#report details[data-frame="hdrIfHex"] .fields';
  await page.waitForFunction((sel) => document.querySelector(sel)?.textContent.length > 0, fields);
  assert.match(await page.textContent(fields), /^ {2}MaxCLL: 1000 cd\/m²$/m);
  // The next report leaves the frame open, its fields shown.
  const first = await page.$('#report details[data-frame="hdrIfHex"]');
  await page.waitForFunction((old) => !old.isConnected, first, { timeout: 30000 });
  assert.equal(await page.getAttribute('#report details[data-frame="hdrIfHex"]', "open"), "");
  await page.waitForFunction((sel) => document.querySelector(sel)?.textContent.includes("MaxCLL"), fields);
  await shot(page, "signal");
});

test("an InfoFrame decoded in the box", async (t) => {
  const page = await openPanel(t);
  await page.fill("#decode-frames", "82:02:0d:00:40:a8:00:00:00:00:00:00:00:00:00:00:00\n84 01 0a 70 01 00 00 00 00 00 00 00 00 00");
  await page.click("#decode-run");
  await page.waitForSelector("#decoded details");
  const titles = await page.locator("#decoded summary").allTextContents();
  assert.deepEqual(titles.map((s) => s.split(":")[0]), ["AVI InfoFrame", "Audio InfoFrame"]);
  assert.deepEqual(await page.locator("#decoded .problems li").allTextContents(),
    ["The checksum is 0x00, but the frame's bytes need 0x87."]);
  await page.fill("#decode-frames", "hello");
  await page.click("#decode-run");
  await page.waitForFunction(() => document.querySelector("#decoded li")?.textContent.startsWith("This is no InfoFrame"));
  await shot(page, "decoded");
});

test("port 2, and the report follows", async (t) => {
  const page = await openPanel(t);
  await page.click('#port-buttons button[data-port="2"]');
  await page.waitForFunction(
    () => document.querySelector('#report [data-field="input"]')?.textContent === "Input : 1920x1080p60",
    null, { timeout: 30000 });
  assert.equal(await page.getAttribute('#port-buttons button[data-port="2"]', "aria-pressed"), "true");
  assert.equal(await page.getAttribute('#port-buttons button[data-port="1"]', "aria-pressed"), "false");
  await shot(page, "port-2");
});

test("a built-in EDID installed", async (t) => {
  const page = await openPanel(t);
  await page.selectOption("#edid-builtin", "3");
  await page.click("#edid-install");
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("confirmed by the device"),
    null, { timeout: 30000 });
  await page.waitForSelector("#console li");
  assert.equal(await page.textContent("#console li"), "EDID custom written...");
  await page.click("#edid-show-device");
  await page.waitForFunction(() => document.querySelector("#edid-text").textContent.length > 100);
  await shot(page, "edid-installed");
});

test("a malformed EDID upload lists its problems and writes nothing", async (t) => {
  const page = await openPanel(t);
  // 128 bytes announcing no extension, with a wrong header and checksum.
  const bytes = Buffer.alloc(128);
  bytes.set([0x00, 0xff, 0xff, 0x00, 0xff, 0xff, 0xff, 0x00], 0);
  bytes[127] = 0x42;
  await page.setInputFiles("#edid-file", { name: "broken.bin", mimeType: "application/octet-stream", buffer: bytes });
  await page.click("#edid-upload");
  await page.waitForSelector("#edid-problems li");
  const problems = await page.locator("#edid-problems li").allTextContents();
  assert.ok(problems.length >= 2, problems.join(" | "));
  assert.ok(problems.some((p) => /header/i.test(p)), problems.join(" | "));
  assert.ok(problems.some((p) => /checksum/i.test(p)), problems.join(" | "));
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("nothing written"));
  assert.equal(await page.locator("#console li:not(.note)").count(), 0);
  await shot(page, "edid-problems");
});

test("an HDR frame built from values", async (t) => {
  const page = await openPanel(t);
  await page.fill('#hdr-build input[name="maxCll"]', "1000");
  await page.fill('#hdr-build input[name="maxFall"]', "400");
  await page.click("#hdr-build-show");
  await page.waitForFunction(() => document.querySelector("#hdr-built").textContent.length > 0);
  assert.equal(await page.textContent("#hdr-built"),
    "87:01:1A:91:02:00:34:21:AA:9B:96:19:FC:08:48:8A:08:39:13:3D:42:40:E8:03:32:00:E8:03:90:01");
  await page.click("#hdr-build-send");
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("HDR InfoFrame: confirmed"));
  await shot(page, "hdr-built");
});

test("the matrix edited, written and read back", async (t) => {
  const page = await openPanel(t);
  await page.waitForFunction(() => document.querySelector("#matrix-coef11").value === "1.1639404296875");
  await page.fill("#matrix-offset1", "-16");
  await page.fill("#matrix-coef11", "1");
  await page.fill("#matrix-coef33", "-4");
  await page.click("#matrix-write");
  // What the device holds: the offset unsigned, -4 as +4.
  await page.waitForFunction(() => document.querySelector("#matrix-offset1").value === "240");
  assert.equal(await page.inputValue("#matrix-coef33"), "4");
  await page.fill("#matrix-coef11", "0");
  await page.click("#matrix-read");
  await page.waitForFunction(() => document.querySelector("#matrix-coef11").value === "1");
  await page.fill("#matrix-coef12", "9");
  await page.click("#matrix-write");
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("coef12"));
  await shot(page, "matrix");
});

test("a phone's width, in the dark", async (t) => {
  const page = await openPanel(t, { viewport: { width: 390, height: 844 }, colorScheme: "dark" });
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  assert.ok(width <= 390, "the page is " + width + " pixels wide");
  const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
  assert.equal(background, "rgb(23, 24, 26)");
  // The whole report, its last line too, with no box of its own to scroll.
  await page.waitForSelector('#report [data-field="displayName"]');
  const report = await page.evaluate(() => {
    const box = document.querySelector("#report");
    const last = document.querySelector('#report [data-field="displayName"]').getBoundingClientRect();
    return { scroll: box.scrollHeight, client: box.clientHeight, last: last.bottom, bottom: box.getBoundingClientRect().bottom };
  });
  assert.ok(report.scroll <= report.client + 1, JSON.stringify(report));
  assert.ok(report.last <= report.bottom, JSON.stringify(report));
  await shot(page, "phone-dark");
});

test("a change after the server started again goes through", async (t) => {
  const first = await serve("restart");
  const context = await browser.newContext({ viewport: { width: 1280, height: 1000 } });
  t.after(() => context.close());
  const page = await context.newPage();
  await page.goto(first.url);
  await page.waitForSelector("body[data-ready=true]");
  await first.stop();
  const second = await serve("restart", new URL(first.url).host);
  t.after(() => second.stop());
  await page.click('#port-buttons button[data-port="2"]');
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("confirmed by the device"),
    null, { timeout: 30000 });
  await page.waitForFunction(
    () => document.querySelector('#report [data-field="input"]')?.textContent === "Input : 1920x1080p60",
    null, { timeout: 30000 });
});

test("the controls show what was last set, by the tool too, and unknown otherwise", async (t) => {
  const page = await openPanel(t);
  assert.equal(await page.inputValue("#setting-scaling"), "");
  assert.equal(await page.textContent("#setting-scaling-last"), "unknown");
  assert.equal(await page.locator('#port-buttons button[aria-pressed="true"]').count(), 0);
  // The tool on the same simulated device, beside the panel.
  const url = new URL(page.url());
  const state = path.join(scratch, t.name.replace(/\W+/g, "-") + ".json");
  for (const args of [["port", "3"], ["scaling", "down"]]) {
    const done = spawnSync(brixelctl, ["--simulate", "--state-file", state, ...args]);
    assert.equal(done.status, 0, String(done.stderr));
  }
  await page.waitForFunction(() => document.querySelector("#setting-scaling").value === "down", null, { timeout: 30000 });
  assert.match(await page.textContent("#setting-scaling-last"), /last set by brixelctl/);
  assert.equal(await page.getAttribute('#port-buttons button[data-port="3"]', "aria-pressed"), "true");
  assert.ok(url.port);
});

test("InfoFrame bytes with spaces are sent, and problems stay listed until dismissed", async (t) => {
  const page = await openPanel(t);
  await page.fill("#avi-text", "82 02 0D 87 40 A8 00 00 00 00 00 00 00 00 00 00 00");
  await page.click("#avi-send");
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("AVI InfoFrame: confirmed"));
  await page.fill("#avi-text", "82:2:0D:zz");
  await page.click("#avi-send");
  await page.waitForSelector("#toast.failed li");
  assert.ok((await page.locator("#toast li").count()) >= 2);
  await shot(page, "infoframe-problems");
  await page.click("#toast .dismiss");
  assert.equal(await page.getAttribute("#toast", "class"), "");
});
