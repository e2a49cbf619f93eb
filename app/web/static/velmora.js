// Refreshes the cameras table every second from /api/cameras; the page
// works without it. Texts go in as text, never as markup.
"use strict";

function bytesText(b) {
  if (b >= 1024 * 1024) return (b / (1024 * 1024)).toFixed(1) + " MB";
  if (b >= 10 * 1024) return (b / 1024).toFixed(1) + " KB";
  return Math.floor(b) + " bytes";
}

function secondsText(s) {
  if (s < 0) return "";
  if (s < 60) return s + " s";
  if (s < 3600) return Math.floor(s / 60) + " min " + (s % 60) + " s";
  return Math.floor(s / 3600) + " h " + Math.floor((s % 3600) / 60) + " min";
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
    setText(row, "state", live.state || "");
    setText(row, "file", live.file || "");
    const bar = row.querySelector("td.progress progress");
    if (bar) {
      bar.value = live.percent || 0;
      bar.textContent = (live.percent || 0) + "%";
    }
    setText(row, "speed", live.speed > 0 ? bytesText(live.speed) + "/s" : "");
    setText(row, "eta", secondsText(live.eta === undefined ? -1 : live.eta));
    setText(row, "files", (live.done || 0) + "/" + (live.total || 0));
    setText(row, "success", c.last_completed === null ? "never" : c.last_completed);
    setText(row, "outcome", c.last_outcome === null ? "no run yet"
        : c.last_outcome + (c.last_error ? ": " + c.last_error : ""));
  }
}

function poll() {
  fetch("/api/cameras", { credentials: "same-origin" })
    .then((r) => (r.ok ? r.json() : Promise.reject(r.status)))
    .then(update)
    .catch(() => {})
    .finally(() => setTimeout(poll, 1000));
}

if (document.getElementById("cameras")) setTimeout(poll, 1000);
