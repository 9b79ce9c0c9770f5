// SPDX-License-Identifier: MIT
"use strict";
// The EDID editor: start from the display's EDID, the device's, a built-in one
// or a file; tick and fill the edits (the form is made from the list the API
// gives, the edits brixelctl edid derive takes); see the difference and the
// checks; then download the result or write it to the device. Builds on
// panel.js: $, element, api, toast, addConsoleLine; its own names stay inside.

(() => {
  const edidEditor = { edits: [] };

  const counted = (n, one, many = one + "s") => `${n} ${n === 1 ? one : many}`;

  // A file as the API takes an EDID: text as it is (any hex form, edid-decode's
  // output), anything else as hex.
  async function edidFileContent(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    try {
      const text = new TextDecoder("utf-8", { fatal: true }).decode(bytes);
      if (!/[\0-\x08\x0e-\x1f]/.test(text)) return text;
    } catch (e) {
      // not text: sent as hex below
    }
    return Array.from(bytes, (b) => b.toString(16).padStart(2, "0")).join(" ");
  }

  function hexBytes(text) {
    return new Uint8Array(text.trim().split(/\s+/).map((h) => parseInt(h, 16)));
  }

  // ---- The form ------------------------------------------------------------------------------

  function sourceChoice(value, text, extra) {
    const label = element("label", { class: "inline" });
    const radio = element("input", { type: "radio", name: "edid-from", value, id: "edid-source-" + value });
    if (value === "sink") radio.checked = true;
    label.append(radio, " " + text);
    if (extra) {
      extra.addEventListener("change", () => { radio.checked = true; });
      label.append(" ", extra);
    }
    return label;
  }

  function editRow(edit) {
    const id = "edid-edit-" + edit.input;
    const row = element("div", { class: "row edid-edit", id });
    const hint = element("span", { class: "hint", id: id + "-help" }, edit.help);
    if (edit.choices.length) {
      const group = element("div", { role: "group", "aria-label": edit.option, class: "edid-choices" });
      group.append(element("span", {}, edit.option.slice(2)));
      for (const choice of edit.choices) {
        const label = element("label", { class: "inline", title: choice.what });
        label.append(element("input", { type: "checkbox", value: choice.name }), " " + choice.name);
        group.append(label);
      }
      row.append(group, hint);
      return row;
    }
    const on = element("input", { type: "checkbox", id: id + "-on" });
    const label = element("label", { class: "inline", for: id + "-on" });
    label.append(on, " " + edit.option.slice(2));
    const field = edit.content
      ? element("input", { type: "file", id: id + "-value", "aria-label": edit.option + " file" })
      : element("input", { type: "text", id: id + "-value", placeholder: edit.value, spellcheck: "false",
          "aria-label": edit.option, "aria-describedby": id + "-help" });
    // Filling an edit in ticks it.
    field.addEventListener(edit.content ? "change" : "input", () => { on.checked = field.value !== ""; });
    row.append(label, field, hint);
    return row;
  }

  function buildEditor(entries) {
    const section = $("#edid-editor");
    const builtin = element("select", { id: "edid-from-builtin", "aria-label": "built-in EDID" });
    for (const e of entries) builtin.append(element("option", { value: e.value }, `${e.value} ${e.name}`));
    const file = element("input", { type: "file", id: "edid-from-file", "aria-label": "EDID file to start from" });
    const from = element("div", { class: "row", role: "radiogroup", "aria-label": "Start from" });
    from.append(element("span", {}, "Start from"), sourceChoice("sink", "the display's EDID"),
      sourceChoice("device", "the device's EDID"), sourceChoice("builtin", "built-in", builtin),
      sourceChoice("file", "a file", file));
    const edits = element("div", { class: "edid-edits", role: "group", "aria-label": "Edits" });
    for (const edit of edidEditor.edits) edits.append(editRow(edit));
    const actions = element("div", { class: "row" });
    const force = element("label", { class: "inline", title: "write even when the checks find something new wrong" });
    force.append(element("input", { type: "checkbox", id: "edid-derive-force" }), " force");
    actions.append(element("button", { type: "button", id: "edid-derive-show" }, "Show the difference"),
      element("button", { type: "button", id: "edid-derive-write" }, "Write to the device"), force,
      element("a", { id: "edid-derive-download", download: "derived-edid.bin", hidden: "" }, "Download"));
    const result = element("div", { id: "edid-derive-result", "aria-live": "polite" });
    result.append(element("ul", { id: "edid-derive-problems", class: "problems" }),
      element("h3", {}, "Changes"), element("ul", { id: "edid-derive-changes", class: "edid-lines" }),
      element("h3", {}, "Checks"), element("ul", { id: "edid-derive-checks", class: "edid-lines" }),
      element("ul", { id: "edid-derive-notes", class: "hint edid-lines" }));
    section.querySelector(".hint")?.remove();
    section.append(from, edits, actions, result);
    $("#edid-derive-show").addEventListener("click", () => deriveEdid(false));
    $("#edid-derive-write").addEventListener("click", () => deriveEdid(true));
  }

  // ---- Asking, and what came of it -----------------------------------------------------------

  async function editorInputs() {
    const body = {};
    const from = document.querySelector('input[name="edid-from"]:checked').value;
    if (from === "builtin") body.from = "builtin:" + $("#edid-from-builtin").value;
    else if (from !== "file") body.from = from;
    else {
      const file = $("#edid-from-file").files[0];
      if (!file) throw new Error("Choose the EDID file to start from.");
      body.content = await edidFileContent(file);
    }
    for (const edit of edidEditor.edits) {
      const id = "#edid-edit-" + edit.input;
      if (edit.choices.length) {
        const ticked = [...document.querySelectorAll(id + " input:checked")].map((c) => c.value);
        if (ticked.length) body[edit.input] = ticked;
        continue;
      }
      if (!$(id + "-on").checked) continue;
      const field = $(id + "-value");
      if (!edit.content) body[edit.input] = field.value.trim();
      else if (field.files[0]) body[edit.input] = await edidFileContent(field.files[0]);
      else throw new Error(`Choose the EDID file for ${edit.option}.`);
    }
    return body;
  }

  function showChecks(checks) {
    const list = $("#edid-derive-checks");
    list.append(element("li", { class: checks.passed ? "passed" : "warning" }, checks.passed ? "passed" : "FAILED"));
    for (const [key, name] of [["model", "the model"], ["edidDecode", "edid-decode --check"]]) {
      const check = checks[key];
      if (!check) {
        list.append(element("li", {}, `${name}: not run`));
        continue;
      }
      const kept = check.kept.length ? ` (${counted(check.kept.length, "finding")} of the original kept)` : "";
      const item = element("li", check.passed ? {} : { class: "warning" },
        `${name}: ${check.new.length ? counted(check.new.length, "new finding") : "nothing new"}${kept}`);
      if (check.new.length) {
        const findings = element("ul");
        for (const f of check.new) findings.append(element("li", {}, f));
        item.append(findings);
      }
      list.append(item);
    }
  }

  function showDerivation(result) {
    const doc = result.doc;
    for (const id of ["#edid-derive-problems", "#edid-derive-changes", "#edid-derive-checks", "#edid-derive-notes"])
      $(id).replaceChildren();
    const link = $("#edid-derive-download");
    if (link.href.startsWith("blob:")) URL.revokeObjectURL(link.href);
    link.hidden = true;
    if (doc.checks) {
      const changes = $("#edid-derive-changes");
      if (!doc.changes.length) changes.append(element("li", {}, "no changes"));
      for (const c of doc.changes) changes.append(element("li", {}, c));
      showChecks(doc.checks);
    }
    const problems = doc.problems || [];
    for (const p of problems) $("#edid-derive-problems").append(element("li", {}, p));
    if (doc.error && (!problems.length || result.status === 200))
      $("#edid-derive-problems").append(element("li", {}, doc.error));
    for (const n of doc.notes || []) $("#edid-derive-notes").append(element("li", {}, n));
    if (doc.edid) {
      link.href = URL.createObjectURL(new Blob([hexBytes(doc.edid)], { type: "application/octet-stream" }));
      link.hidden = false;
    }
  }

  async function deriveEdid(write) {
    let body;
    try {
      body = await editorInputs();
    } catch (e) {
      showDerivation({ status: 400, doc: { error: e.message } });
      return;
    }
    body.write = write;
    body.force = $("#edid-derive-force").checked;
    if (write) toast("Deriving and writing the EDID…");
    const result = await api("POST", "/api/edid/derive", body);
    showDerivation(result);
    // A refusal after the display's EDID was read comes with the read's 200.
    const failed = result.status !== 200 || Boolean(result.doc.error);
    if (write || failed)
      toast(`Derived EDID: ${failed ? result.doc.error || "refused (" + result.status + ")"
        : "written, confirmed by the device and read back"}`, failed);
    for (const n of result.doc.notes || []) addConsoleLine({ note: true, text: "note: " + n });
  }

  async function setupEdidEditor() {
    const [edits, catalogue] = await Promise.all([api("GET", "/api/edid/edits"), api("GET", "/api/edid/catalogue")]);
    edidEditor.edits = edits.doc.edits || [];
    buildEditor(catalogue.doc.entries || []);
    $("#edid-editor").dataset.ready = "true";
  }

  setupEdidEditor();
})();
