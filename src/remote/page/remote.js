// The remote page: reads the state every second and the bell log every few seconds, counts
// the next item down between reads, and sends the actions. The token comes from the
// address's fragment once, is kept in this tab's session storage and is sent as a
// header, never as a cookie. Every text from the program is put in as text, never as HTML.
"use strict";

const kTokenKey = "qelt-token";
const kStateMs = 1000;
const kLogEveryStates = 5;
const kMarks = { past: "已过", next: "下一项", later: "待播" };

let token = sessionStorage.getItem(kTokenKey) || "";
let countdownEnd = 0;
let polls = 0;
let emergencyOn = false;

function takeTokenFromAddress() {
  if (location.hash.length > 1) {
    token = decodeURIComponent(location.hash.slice(1));
    sessionStorage.setItem(kTokenKey, token);
    // The token leaves the address bar, the history and any shared screenshot.
    history.replaceState(null, "", location.pathname + location.search);
  }
}

function byId(id) { return document.getElementById(id); }

function setText(id, text) { byId(id).textContent = text; }

function clockText(seconds) {
  const two = (n) => String(n).padStart(2, "0");
  return two(Math.floor(seconds / 3600)) + ":" + two(Math.floor(seconds / 60) % 60) + ":" +
         two(seconds % 60);
}

async function call(method, path, body) {
  const options = { method: method, headers: { "Authorization": "Bearer " + token } };
  if (body !== undefined) {
    options.headers["Content-Type"] = "application/json";
    options.body = JSON.stringify(body);
  }
  const response = await fetch("/api/" + path, options);
  byId("login").style.display = response.status === 401 ? "block" : "none";
  let reply = {};
  try { reply = await response.json(); } catch (e) { reply = { message: "HTTP " + response.status }; }
  reply.status = response.status;
  return reply;
}

function fillSelect(id, names, firstOption) {
  const select = byId(id);
  const wanted = [];
  if (firstOption) wanted.push(firstOption);
  names.forEach((name, index) => wanted.push([firstOption ? name : String(index), name]));
  const now = Array.from(select.options).map((o) => o.value + "\n" + o.textContent).join("\n\n");
  const next = wanted.map((w) => w[0] + "\n" + w[1]).join("\n\n");
  if (now === next) return;
  const chosen = select.value;
  select.replaceChildren();
  for (const [value, text] of wanted) {
    const option = document.createElement("option");
    option.value = value;
    option.textContent = text;
    select.append(option);
  }
  select.value = chosen;
  if (select.selectedIndex < 0) select.selectedIndex = 0;
}

function showState(state) {
  setText("school", state.school);
  setText("clock", state.date + " " + state.time);
  setText("timetable", state.timetable);
  setText("day", state.day.text);
  byId("autoPlay").checked = state.autoPlay;
  if (state.next) {
    setText("nextTitle", state.next.time + " " + state.next.title);
    countdownEnd = Date.now() + state.next.inSeconds * 1000;
  } else {
    setText("nextTitle", "今日已无待播项");
    countdownEnd = 0;
  }
  tick();

  const rows = byId("items");
  rows.replaceChildren();
  for (const item of state.items) {
    const row = document.createElement("tr");
    row.className = item.state;
    for (const [cls, text] of [["time", item.time], ["title", item.title],
                               ["mark", kMarks[item.state] || ""]]) {
      const cell = document.createElement("td");
      cell.className = cls;
      cell.textContent = text;
      row.append(cell);
    }
    rows.append(row);
  }

  if (state.playing) {
    setText("playing", state.playing.title + (state.playing.paused ? "（暂停）" : ""));
    byId("progress").value = state.playing.percent;
  } else {
    setText("playing", "无");
    byId("progress").value = 0;
  }
  emergencyOn = Boolean(state.emergency);
  byId("emergency").className = emergencyOn ? "on" : "";
  setText("emergencyText", emergencyOn
    ? "紧急广播中：" + state.emergency.file + "（作息表暂停）"
    : "全音量反复播放上次使用的紧急广播文件，作息表暂停，直到解除。");
  setText("emergencyButton", emergencyOn ? "解除紧急广播" : "紧急广播");
  fillSelect("commonTracks", state.commonTracks);
  fillSelect("playlists", state.playlists);
  fillSelect("dayTimetable", state.timetables, ["", "节假日（不播放）"]);
  if (!byId("date").value) byId("date").value = state.date;
}

function tick() {
  if (countdownEnd === 0) {
    setText("countdown", "--:--:--");
    return;
  }
  setText("countdown", clockText(Math.max(0, Math.round((countdownEnd - Date.now()) / 1000))));
}

async function refreshLog() {
  const reply = await call("GET", "log?lines=50");
  if (reply.lines) {
    const log = byId("log");
    log.textContent = reply.lines.join("\n");
    log.scrollTop = log.scrollHeight;
  }
}

async function poll() {
  try {
    const state = await call("GET", "state");
    if (state.status === 200) {
      showState(state);
      if (polls++ % kLogEveryStates === 0) await refreshLog();
    }
  } catch (e) {
    setText("day", "无法连接到程序");
  }
  setTimeout(poll, kStateMs);
}

async function act(method, path, body) {
  const answer = byId("answer");
  try {
    const reply = await call(method, path, body);
    answer.textContent = reply.message || "";
    answer.className = reply.status === 200 ? "" : "error";
  } catch (e) {
    answer.textContent = "无法连接到程序";
    answer.className = "error";
  }
  polls = 0;
}

function wire() {
  byId("playCommon").addEventListener("click",
    () => act("POST", "play/common/" + byId("commonTracks").value));
  byId("playPlaylist").addEventListener("click",
    () => act("POST", "play/playlist/" + byId("playlists").value));
  byId("stopButton").addEventListener("click", () => act("POST", "stop"));
  byId("autoPlay").addEventListener("change",
    () => act("POST", "autoplay", { on: byId("autoPlay").checked }));
  byId("markDay").addEventListener("click", () => act("POST", "calendar",
    { date: byId("date").value, timetable: byId("dayTimetable").value }));
  byId("emergencyButton").addEventListener("click", () => {
    if (emergencyOn) {
      act("DELETE", "emergency");
    } else if (confirm("开始紧急广播？")) {
      act("POST", "emergency", {});
    }
  });
  byId("tokenButton").addEventListener("click", () => {
    token = byId("tokenInput").value.trim();
    sessionStorage.setItem(kTokenKey, token);
    byId("tokenInput").value = "";
  });
}

takeTokenFromAddress();
wire();
setInterval(tick, 250);
poll();
