// SPDX-License-Identifier: MIT
"use strict";
// What the source sends, for people: the signal beside the report, each
// InfoFrame's meaning under its line, and a box that decodes any InfoFrame.
// The texts are the server's (the lines brixelctl prints); this file only
// lays them out.

// The report's InfoFrames whose fields are open, kept across the refreshes.
const openFrames = new Set();
// The report leaves out each frame's lines for people (its refreshes stay
// light): those of a frame opened are asked for once, by its hex.
const frameLines = new Map();

function linesOf(hex) {
  if (!frameLines.has(hex)) {
    if (frameLines.size >= 64) frameLines.clear();
    frameLines.set(hex, api("POST", "/api/infoframe/decode", { frames: [hex] }).then((result) => {
      if (result.status === 200) return result.doc.frames[0].lines;
      frameLines.delete(hex);
      return null;
    }));
  }
  return frameLines.get(hex);
}

function showSignal(doc) {
  const signal = doc.report ? doc.signal : null;
  const badge = document.querySelector("#hdr-format");
  badge.textContent = signal ? signal.hdrFormat : "";
  badge.hidden = !signal;
  badge.dataset.format = signal ? signal.hdrFormat : "";
  document.querySelector("#signal").textContent = signal ? signal.description : "";
}

// A decoded frame: its summary (or `title`), its problems, and its fields on
// demand. A frame of the report (`name`, its field, and `hex`) stays open
// across refreshes.
function decodedFrame(decoded, { name = "", hex = "", title = decoded.summary } = {}) {
  const box = document.createElement("details");
  box.className = "decoded";
  const summary = document.createElement("summary");
  summary.textContent = title;
  const list = document.createElement("div");
  list.className = "fields";
  // The first line repeats the summary; the problems come last.
  const fill = (lines) => {
    if (lines) list.textContent = lines.slice(1, lines.length - decoded.problems.length).join("\n");
  };
  box.append(summary, list);
  if (decoded.lines) fill(decoded.lines);
  if (name) {
    box.dataset.frame = name;
    const show = async () => { if (box.open && !decoded.lines) fill(await linesOf(hex)); };
    box.open = openFrames.has(name);
    box.addEventListener("toggle", () => {
      if (box.open) openFrames.add(name);
      else openFrames.delete(name);
      show();
    });
    show();
  }
  const problems = document.createElement("ul");
  problems.className = "problems";
  for (const p of decoded.problems) {
    const item = document.createElement("li");
    item.textContent = p;
    problems.append(item);
  }
  return problems.children.length ? [box, problems] : [box];
}

function setupDecode() {
  const form = document.querySelector("#decode");
  form.addEventListener("submit", async (event) => {
    event.preventDefault();
    const out = document.querySelector("#decoded");
    const frames = form.frames.value.split("\n").map((line) => line.trim()).filter((line) => line);
    const result = await api("POST", "/api/infoframe/decode", { frames });
    out.replaceChildren();
    if (result.status !== 200) {
      const problems = document.createElement("ul");
      problems.className = "problems";
      for (const p of result.doc.problems?.length ? result.doc.problems : [result.doc.error || "refused"]) {
        const item = document.createElement("li");
        item.textContent = p;
        problems.append(item);
      }
      out.append(problems);
      return;
    }
    for (const frame of result.doc.frames) {
      const parts = decodedFrame(frame, { title: frame.lines[0] });
      parts[0].open = true;
      out.append(...parts);
    }
  });
}
