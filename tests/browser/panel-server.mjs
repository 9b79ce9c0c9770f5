// SPDX-License-Identifier: MIT
// What the browser tests share: Debian's Chromium, headless, and brixelctl
// serve on a fresh simulated device of each test's own.
import { before, after } from "node:test";
import { spawn } from "node:child_process";
import { mkdtempSync, mkdirSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import path from "node:path";
import { chromium } from "playwright-core";

export const brixelctl = process.env.BRIXELCTL;
const chromiumPath = process.env.CHROMIUM || "/usr/bin/chromium";
const screenshots = process.env.SCREENSHOTS || path.join(tmpdir(), "panel-screenshots");
mkdirSync(screenshots, { recursive: true });

let browser;
const scratch = mkdtempSync(path.join(tmpdir(), "panel-browser-"));

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

// brixelctl serve on a free port; resolves with its address and a stop function.
function serve(name) {
  const child = spawn(brixelctl, ["--simulate", "--fresh", "--state-file", path.join(scratch, name + ".json"),
    "serve", "--listen", "127.0.0.1:0"], { stdio: ["ignore", "pipe", "pipe"] });
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

// A page of a fresh panel, once `ready` (a selector) is there and the first
// report is shown: the report above grows as it comes, and a click aimed
// while the page still moves lands beside its target.
export async function openPanel(t, ready, options = {}) {
  const server = await serve(t.name.replace(/\W+/g, "-"));
  const context = await browser.newContext({ viewport: { width: 1280, height: 1000 }, acceptDownloads: true,
    ...options });
  const page = await context.newPage();
  await page.goto(server.url);
  await page.waitForSelector("body[data-ready=true]");
  await page.waitForSelector('#report [data-field="input"]');
  await page.waitForSelector(ready);
  t.after(async () => {
    await context.close();
    await server.stop();
  });
  return page;
}

export const shot = (page, name) => page.screenshot({ path: path.join(screenshots, name + ".png"), fullPage: true });
