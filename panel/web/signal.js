"use strict";
// What the source sends, for people: the signal beside the report, each
// InfoFrame's meaning under its line, and a box that decodes any InfoFrame.
// The texts are the server's (the lines brixelctl prints); this file only
// lays them out.

// The report's InfoFrames whose fields are open, kept across the refreshes.
const openFrames = new Set();

function showSignal(doc) {
  const signal = doc.report ? doc.signal : null;
  const badge = document.querySelector("#hdr-format");
  badge.textContent = signal ? signal.hdrFormat : "";
  badge.hidden = !signal;
  badge.dataset.format = signal ? signal.hdrFormat : "";
  document.querySelector("#signal").textContent = signal ? signal.description : "";
}

// A decoded frame: its summary (or `title`), its problems, and its fields on
// demand; `name`, the report's field, keeps it open across refreshes.
function decodedFrame(decoded, { name = "", title = decoded.summary } = {}) {
  const box = document.createElement("details");
  box.className = "decoded";
  if (name) {
    box.dataset.frame = name;
    box.open = openFrames.has(name);
    box.addEventListener("toggle", () => {
      if (box.open) openFrames.add(name);
      else openFrames.delete(name);
    });
  }
  const summary = document.createElement("summary");
  summary.textContent = title;
  box.append(summary);
  // The first line repeats the summary; the problems come last.
  const fields = decoded.lines.slice(1, decoded.lines.length - decoded.problems.length);
  const list = document.createElement("div");
  list.className = "fields";
  list.textContent = fields.join("\n");
  box.append(list);
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
