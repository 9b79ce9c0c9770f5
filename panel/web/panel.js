// SPDX-License-Identifier: MIT
"use strict";
// The panel's page: everything goes through the JSON API of brixelctl serve.

let csrfToken = document.querySelector('meta[name="csrf-token"]').content;
const $ = (selector) => document.querySelector(selector);

function element(tag, attributes = {}, text = "") {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (text) e.textContent = text;
  return e;
}

// A passing word fades; a failure stays, with every problem listed, until dismissed.
let toastTimer = 0;
function toast(text, failed, problems = []) {
  const t = $("#toast");
  t.replaceChildren(element("span", {}, text));
  if (problems.length) {
    const list = element("ul");
    for (const p of problems) list.append(element("li", {}, p));
    t.append(list);
  }
  clearTimeout(toastTimer);
  if (failed) {
    t.append(element("button", { type: "button", class: "dismiss", "aria-label": "dismiss" }, "×"));
    t.className = "shown failed";
  } else {
    t.className = "shown";
    toastTimer = setTimeout(() => { t.className = ""; }, 2500);
  }
}

// The token of a server started again since this page was loaded: its page carries it.
async function renewToken() {
  try {
    const page = await (await fetch("/")).text();
    const found = /name="csrf-token" content="([0-9a-f]+)"/.exec(page);
    if (found) { csrfToken = found[1]; return true; }
  } catch (e) { /* the server is away: the request says so */ }
  return false;
}

// A request to the API; changes carry the page's token (the browser adds the
// Origin). A change refused for a token of an earlier run of the server is
// made again, once, with the new one.
async function api(method, path, body, contentType = "application/json") {
  const result = await request(method, path, body, contentType);
  if (method !== "GET" && result.status === 403 && /X-CSRF-Token/.test(result.doc.error || "") && await renewToken())
    return request(method, path, body, contentType);
  return result;
}

async function request(method, path, body, contentType) {
  const options = { method, headers: {} };
  if (method !== "GET") {
    options.headers["X-CSRF-Token"] = csrfToken;
    options.headers["Content-Type"] = contentType;
    options.body = contentType === "application/json" ? JSON.stringify(body ?? {}) : body;
  }
  let response;
  try {
    response = await fetch(path, options);
  } catch (e) {
    toast("The panel's server cannot be reached", true);
    return { status: 0, doc: { error: "unreachable" } };
  }
  let doc = {};
  try { doc = await response.json(); } catch (e) { doc = { error: "not a JSON reply" }; }
  return { status: response.status, doc };
}

// Says how a change went, in the words of the result document.
function report(result, what) {
  const doc = result.doc;
  if (result.status === 200) toast(`${what}: confirmed by the device`);
  else if (doc.problems && doc.problems.length) {
    // The error heads the problems it lists: each problem on a line of its own.
    const heading = (doc.error || "refused").replace(": " + doc.problems.join("; "), "");
    toast(`${what}: ${heading === doc.problems.join("; ") ? "refused" : heading}`, true, doc.problems);
  }
  else toast(`${what}: ${doc.error || "refused (" + result.status + ")"}`, true);
  // The library's own lines arrive with the event stream; the notes on what was sent are the document's.
  for (const n of doc.notes || []) addConsoleLine({ note: true, text: "note: " + n });
  if (result.status === 200) refreshStatus();
  return result.status === 200;
}

// ---- The status report ---------------------------------------------------------------

let reportOrder = [];

function showStatus(doc) {
  const box = $("#report");
  box.replaceChildren();
  showSignal(doc);
  if (!doc.fields) {
    box.textContent = doc.error || "No Brixel reachable.";
    return;
  }
  if (!doc.report) {
    box.textContent = "No video report: the device has no signal to report on the active input.";
    return;
  }
  for (const name of reportOrder) {
    const line = doc.fields[name];
    if (!line || !line.text) continue;
    const div = element("div", { "data-field": name }, line.text);
    if (line.warning) div.className = "warning";
    box.append(div);
    if (line.decoded) box.append(...decodedFrame(line.decoded, { name, hex: line.value }));
  }
}

function addConsoleLine(line) {
  const list = $("#console");
  const item = element("li", {}, line.text);
  if (line.warning) item.className = "warning";
  if (line.note) item.className = "note";
  list.append(item);
  while (list.children.length > 500) list.firstElementChild.remove();
  list.scrollTop = list.scrollHeight;
}

let events = null;
function watchStatus() {
  events = new EventSource("/api/events");
  events.addEventListener("open", () => { $("#connection").textContent = "live"; });
  events.addEventListener("error", () => { $("#connection").textContent = "reconnecting…"; });
  events.addEventListener("status", (e) => showStatus(JSON.parse(e.data)));
  events.addEventListener("console", (e) => addConsoleLine(JSON.parse(e.data)));
  events.addEventListener("settings", (e) => showRemembered(JSON.parse(e.data)));
}

// The report at once after a change; and a server that answers again is
// followed again at once, without the browser's growing wait between retries.
async function refreshStatus() {
  if (events && events.readyState !== EventSource.OPEN) {
    events.close();
    watchStatus();
  }
  const result = await request("GET", "/api/status");
  if (result.doc.command === "status") showStatus(result.doc);
}

// ---- Settings --------------------------------------------------------------------------

async function sendSetting(name, value) {
  const body = value === undefined ? {} : { value };
  return report(await api("POST", "/api/settings/" + name, body), value === undefined ? name : `${name} ${value}`);
}

function setupPorts() {
  for (const button of document.querySelectorAll("#port-buttons button")) {
    button.setAttribute("aria-pressed", "false");
    button.addEventListener("click", async () => {
      if (!(await sendSetting("port", button.dataset.port))) return;
      for (const b of document.querySelectorAll("#port-buttons button"))
        b.setAttribute("aria-pressed", String(b === button));
    });
  }
}

// The device's settings cannot be read back: a control shows the value last
// set here or by brixelctl, marked as such, and "unknown" otherwise.
function showRemembered(remembered) {
  const port = remembered.port;
  for (const b of document.querySelectorAll("#port-buttons button"))
    b.setAttribute("aria-pressed", String(!!port && b.dataset.port === port.name));
  $("#port-last").textContent = port ? lastSetText(port) : "port: unknown";
  for (const select of document.querySelectorAll("#settings select")) {
    const name = select.dataset.setting;
    const last = remembered[name];
    select.value = last && last.name !== undefined ? last.name : "";
    $(`#setting-${name}-last`).textContent = last ? lastSetText(last) : "unknown";
  }
}

function lastSetText(last) {
  const at = new Date(last.at);
  return `last set by ${last.by} at ${isNaN(at) ? last.at : at.toLocaleTimeString()}`;
}

async function setupSettings() {
  const { doc } = await api("GET", "/api/settings");
  const box = $("#settings");
  const remembered = {};
  for (const s of doc.settings || []) {
    if (s.last) remembered[s.name] = s.last;
    if (s.name === "port") continue;
    const id = "setting-" + s.name;
    const label = element("label", { for: id, title: s.summary }, s.name);
    const row = element("div", { class: "row" });
    if (s.takesValue) {
      const select = element("select", { id, "aria-describedby": id + "-summary", "data-setting": s.name });
      const unknown = element("option", { value: "", disabled: "" }, "unknown");
      select.append(unknown);
      for (const c of s.choices) select.append(element("option", { value: c.name }, c.name));
      const button = element("button", { type: "button" }, "Set");
      button.addEventListener("click", () => {
        if (!select.value) return toast(`${s.name}: choose a value first`, true);
        if (s.name === "factory-reset" && !confirm("Restore the factory settings? This cannot be undone.")) return;
        sendSetting(s.name, select.value);
      });
      row.append(select, button, element("span", { class: "hint last", id: id + "-last" }, "unknown"));
    } else {
      const button = element("button", { type: "button", id }, "Send");
      button.addEventListener("click", () => {
        if (s.name === "reset" && !confirm("Restart the Brixel? The picture goes away for a moment.")) return;
        sendSetting(s.name);
      });
      row.append(button);
    }
    row.append(element("span", { class: "hint", id: id + "-summary" }, s.summary));
    box.append(label, row);
  }
  showRemembered(remembered);
}

// ---- EDIDs -------------------------------------------------------------------------------

async function setupEdids() {
  const { doc } = await api("GET", "/api/edid/catalogue");
  const select = $("#edid-builtin");
  const entries = doc.entries || [];
  for (const e of entries) select.append(element("option", { value: e.value }, `${e.value} ${e.name}`));
  const describe = () => {
    const entry = entries.find((e) => String(e.value) === select.value);
    $("#edid-builtin-description").textContent = entry ? entry.description : "";
  };
  select.addEventListener("change", describe);
  describe();
  $("#edid-install").addEventListener("click", async () => {
    toast("Writing the EDID…");
    report(await api("POST", "/api/edid/install/" + select.value), "EDID " + select.selectedOptions[0].text);
  });
  $("#edid-upload").addEventListener("click", uploadEdid);
  $("#edid-show-device").addEventListener("click", () => showEdid("/api/edid", "device"));
  $("#edid-show-sink").addEventListener("click", () => showEdid("/api/edid/sink", "display"));
}

async function uploadEdid() {
  const problems = $("#edid-problems");
  problems.replaceChildren();
  const file = $("#edid-file").files[0];
  if (!file) {
    problems.append(element("li", {}, "Choose a file first."));
    return;
  }
  const path = "/api/edid" + ($("#edid-fix").checked ? "?fix-checksums=1" : "");
  toast("Checking and writing the EDID…");
  const result = await api("PUT", path, await file.arrayBuffer(), "application/octet-stream");
  const listed = result.doc.problems || [];
  for (const p of listed) problems.append(element("li", {}, p));
  if (!listed.length && result.status !== 200 && result.doc.error)
    problems.append(element("li", {}, result.doc.error));
  report(result, "EDID " + file.name);
}

async function showEdid(path, whose) {
  const { status, doc } = await api("GET", path + "?decode=1");
  const out = $("#edid-text");
  if (status !== 200) {
    out.textContent = `The ${whose}'s EDID was not read: ${doc.error || status}`;
    return;
  }
  out.textContent = doc.decoded ?? doc.edid + "\n(edid-decode is not installed: the bytes alone)";
}

// ---- InfoFrames ------------------------------------------------------------------------

function setupInfoFrames() {
  $("#avi-send").addEventListener("click", async () =>
    report(await api("POST", "/api/infoframe/avi", { text: $("#avi-text").value.trim() }), "AVI InfoFrame"));
  $("#hdr-send").addEventListener("click", async () =>
    report(await api("POST", "/api/infoframe/hdr", { text: $("#hdr-text").value.trim(), fillChecksum: $("#hdr-fill").checked }),
      "HDR InfoFrame"));
  $("#hdr-build").addEventListener("submit", async (event) => {
    event.preventDefault();
    const form = event.target;
    const send = event.submitter ? event.submitter.value === "yes" : false;
    const body = { eotf: form.eotf.value, primaries: form.primaries.value, send };
    for (const key of ["maxLuminance", "minLuminance", "maxCll", "maxFall"]) body[key] = Number(form[key].value);
    const result = await api("POST", "/api/infoframe/hdr-build", body);
    $("#hdr-built").textContent = result.doc.text || result.doc.error || "";
    if (send || result.status !== 200) report(result, "HDR InfoFrame");
  });
}

// ---- The colour matrix -----------------------------------------------------------------

const matrixNames = [1, 2, 3].map((r) => ["offset" + r, "coef" + r + "1", "coef" + r + "2", "coef" + r + "3"]);

function setupMatrix() {
  const body = $("#matrix tbody");
  matrixNames.forEach((names, r) => {
    const row = element("tr");
    row.append(element("th", { scope: "row" }, "row " + (r + 1)));
    for (const [c, name] of names.entries()) {
      const cell = element("td");
      cell.append(element("input", { type: "text", inputmode: "decimal", name, id: "matrix-" + name,
        "aria-label": `row ${r + 1} ${c === 0 ? "offset" : "column " + c}` }));
      row.append(cell);
    }
    body.append(row);
  });
  $("#matrix-read").addEventListener("click", readMatrix);
  $("#matrix-write").addEventListener("click", async () => {
    const values = {};
    for (const name of matrixNames.flat()) values[name] = $("#matrix-" + name).value.trim();
    const result = await api("PUT", "/api/matrix", values);
    if (report(result, "Matrix")) fillMatrix(result.doc.held);
  });
  $("#matrix-reset").addEventListener("click", async () => {
    const result = await api("POST", "/api/matrix/reset");
    if (report(result, "Matrix reset")) fillMatrix(result.doc.held);
  });
  $("#matrix-enable").addEventListener("click", async () => report(await api("POST", "/api/matrix/enable"), "Matrix on"));
  $("#matrix-disable").addEventListener("click", async () => report(await api("POST", "/api/matrix/disable"), "Matrix off"));
}

function fillMatrix(values) {
  if (!values) return;
  for (const name of matrixNames.flat()) $("#matrix-" + name).value = String(values[name]);
}

async function readMatrix() {
  const result = await api("GET", "/api/matrix");
  if (result.status === 200) fillMatrix(result.doc.matrix);
  else report(result, "Matrix read");
}

// ---- Start -------------------------------------------------------------------------------

async function start() {
  const { doc } = await api("GET", "/api/report-fields");
  reportOrder = doc.fields || [];
  $("#toast").addEventListener("click", (e) => {
    if (e.target.classList.contains("dismiss")) $("#toast").className = "";
  });
  setupPorts();
  setupInfoFrames();
  setupDecode();
  setupMatrix();
  watchStatus();
  await Promise.all([setupSettings(), setupEdids(), readMatrix()]);
  document.body.dataset.ready = "true";
}

start();
