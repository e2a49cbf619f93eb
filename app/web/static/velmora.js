// Refreshes the cameras table every second from /api/cameras; the page
// works without it. Texts go in as text, never as markup.
"use strict";

// The words and units in the page's language, from the table's data-t-*.
let words = {};
let names = {};  // state and outcome words as the page's language has them

function name(word) {
  return Object.prototype.hasOwnProperty.call(names, word) ? names[word] : word;
}

function fill(format, ...values) {
  return values.reduce((text, v, i) => text.replace("%" + (i + 1), String(v)), format);
}

function bytesText(b) {
  if (b >= 1024 * 1024 * 1024) return (b / (1024 * 1024 * 1024)).toFixed(1) + " GB";
  if (b >= 1024 * 1024) return (b / (1024 * 1024)).toFixed(1) + " MB";
  if (b >= 10 * 1024) return (b / 1024).toFixed(1) + " KB";
  return fill(words.bytes, Math.floor(b));
}

function secondsText(s) {
  if (s < 0) return "";
  if (s < 60) return fill(words.s, s);
  if (s < 3600) return fill(words.min, Math.floor(s / 60), s % 60);
  return fill(words.h, Math.floor(s / 3600), Math.floor((s % 3600) / 60));
}

function setText(row, cls, text) {
  const cell = row.querySelector("td." + cls);
  if (cell && cell.textContent !== text) cell.textContent = text;
}

function update(cameras) {
  for (const c of cameras) {
    const row = document.getElementById("camera-" + c.id);
    if (!row) continue;
    const live = c.live || {};
    setText(row, "state", name(live.state || ""));
    setText(row, "file", live.file || "");
    const bar = row.querySelector("td.progress progress");
    if (bar) {
      bar.value = live.percent || 0;
      bar.textContent = (live.percent || 0) + "%";
    }
    setText(row, "speed", live.speed > 0 ? bytesText(live.speed) + "/s" : "");
    setText(row, "eta", secondsText(live.eta === undefined ? -1 : live.eta));
    setText(row, "files", (live.done || 0) + "/" + (live.total || 0));
    setText(row, "success", c.last_completed === null ? words.never : c.last_completed);
    setText(row, "outcome", c.last_outcome === null ? words.norun
        : name(c.last_outcome) + (c.last_error ? ": " + c.last_error : ""));
  }
}

function poll() {
  fetch("/api/cameras", { credentials: "same-origin" })
    .then((r) => (r.ok ? r.json() : Promise.reject(r.status)))
    .then(update)
    .catch(() => {})
    .finally(() => setTimeout(poll, 1000));
}

const table = document.getElementById("cameras");
if (table) {
  words = table.dataset;
  try {
    names = JSON.parse(table.dataset.words || "{}");
  } catch (e) {
    names = {};
  }
  setTimeout(poll, 1000);
}
