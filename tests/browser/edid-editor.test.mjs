// SPDX-License-Identifier: MIT
// The panel's EDID editor in Chromium: an EDID made from the display's, a
// built-in one or a file, its difference and checks shown, then downloaded or
// written and read back.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { brixelctl, openPanel, shot } from "./panel-server.mjs";

const ready = "#edid-editor[data-ready=true]";
const lines = (page, id) => page.locator(`#${id} > li`).allTextContents();

let edidDecode = true;
try {
  execFileSync("sh", ["-c", "command -v edid-decode"]);
} catch {
  edidDecode = false;
}

// The device's EDID as the API reads it, in hex.
const deviceEdid = (page) => page.evaluate(async () => (await (await fetch("/api/edid")).json()).edid);
const asHex = (bytes) => [...bytes].map((b) => b.toString(16).padStart(2, "0")).join(" ");

test("the display's EDID without HDR, renamed, downloaded and written", async (t) => {
  const page = await openPanel(t, ready);
  assert.equal(await page.isChecked("#edid-source-sink"), true);
  await page.check('#edid-edit-drop input[value="hdr"]');
  await page.fill("#edid-edit-name-value", "Lounge");
  assert.equal(await page.isChecked("#edid-edit-name-on"), true, "filling an edit in ticks it");
  await page.click("#edid-derive-show");
  await page.waitForSelector("#edid-derive-changes li");
  assert.deepEqual(await lines(page, "edid-derive-changes"),
    ["Display name: Simulated TV → Lounge", "CTA: HDR Static Metadata Data Block removed"]);
  const checks = await lines(page, "edid-derive-checks");
  assert.equal(checks[0], "passed");
  assert.equal(checks[1], "the model: nothing new");
  assert.match(checks[2], edidDecode ? /^edid-decode --check: nothing new/ : /^edid-decode --check: not run$/);

  const [download] = await Promise.all([page.waitForEvent("download"), page.click("#edid-derive-download")]);
  const downloaded = readFileSync(await download.path());
  assert.equal(downloaded.length, 256);
  assert.equal(download.suggestedFilename(), "derived-edid.bin");
  // Showing wrote nothing.
  assert.notEqual((await deviceEdid(page)).replace(/\s+/g, " ").trim(), asHex(downloaded));

  await page.click("#edid-derive-write");
  await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("read back"), null,
    { timeout: 30000 });
  assert.equal(await page.textContent("#toast"), "Derived EDID: written, confirmed by the device and read back");
  assert.equal((await deviceEdid(page)).replace(/\s+/g, " ").trim(), asHex(downloaded));
  await shot(page, "edid-editor-written");
});

test("a built-in EDID whose result edid-decode finds more wrong with is held back", { skip: !edidDecode },
  async (t) => {
    const page = await openPanel(t, ready);
    const before = await deviceEdid(page);
    await page.check("#edid-source-builtin");
    await page.selectOption("#edid-from-builtin", "20");
    await page.fill("#edid-edit-addVic-value", "97");
    await page.click("#edid-derive-write");
    await page.waitForSelector("#edid-derive-problems li");
    assert.deepEqual(await lines(page, "edid-derive-changes"), ["Video: VIC 97 (3840x2160p60) added"]);
    assert.equal((await lines(page, "edid-derive-checks"))[0], "FAILED");
    assert.match((await lines(page, "edid-derive-problems"))[0],
      /^edid-decode --check: .*Maximum Clock: 594\.000 MHz \(Monitor: 160\.000 MHz\)$/);
    await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("fails its checks"));
    assert.equal(await page.isHidden("#edid-derive-download"), true);
    assert.equal(await deviceEdid(page), before);
    await shot(page, "edid-editor-held-back");

    await page.check("#edid-derive-force");
    await page.click("#edid-derive-write");
    await page.waitForFunction(() => document.querySelector("#toast").textContent.includes("read back"), null,
      { timeout: 30000 });
    assert.ok((await lines(page, "edid-derive-notes")).some((n) => n.startsWith("FORCED:")));
    assert.notEqual(await deviceEdid(page), before);
  });

test("an EDID file to start from, and an edit the EDID cannot take", async (t) => {
  const page = await openPanel(t, ready);
  const file = execFileSync(brixelctl, ["edid", "export", "20", "-"]);
  await page.check("#edid-source-file");
  await page.setInputFiles("#edid-from-file", { name: "tv.bin", mimeType: "application/octet-stream", buffer: file });
  await page.fill("#edid-edit-serial-value", "42");
  await page.click("#edid-derive-show");
  await page.waitForSelector("#edid-derive-changes li");
  assert.deepEqual(await lines(page, "edid-derive-changes"), ["Serial number: 1 → 42"]);

  await page.fill("#edid-edit-preferred-value", "200");
  await page.click("#edid-derive-show");
  await page.waitForFunction(() => document.querySelector("#edid-derive-problems li"));
  assert.deepEqual(await lines(page, "edid-derive-problems"),
    ["VIC 200 (7680x4320p100) is not in the Video Data Block; add it with --add-vic to make it preferred."]);
  assert.equal(await page.locator("#edid-derive-changes li").count(), 0);
  assert.equal(await page.isHidden("#edid-derive-download"), true);
});
