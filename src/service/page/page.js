// SPDX-License-Identifier: GPL-3.0-or-later
// The logger's page: live tiles from /api/v1/current, charts by calendar
// period from /api/v1/series (drawn by dygraphs), the period's days and the
// records. Only what the logger says is shown: without a current reading a
// tile says why instead of showing old numbers.
"use strict";

const CHANNEL_COLORS = ["#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                        "#ff7f0e", "#17becf", "#8c564b", "#e377c2"];
const QUANTITIES = [
  {key: "temperature", name: "Temperature", temperature: true},
  {key: "humidity", name: "Humidity", unit: "%"},
  {key: "dewPoint", name: "Dew point", temperature: true},
  {key: "heatIndex", name: "Heat index", temperature: true},
  {key: "absoluteHumidity", name: "Absolute humidity", unit: "g/m³"},
];
const STATE_TEXT = {noSensor: "no sensor", stationLost: "station lost", stopped: "logger stopped"};
const DAY_MS = 86400000;

const page = {
  unit: localStorage.getItem("corvalin.unit") === "F" ? "F" : "C",
  hidden: new Set(JSON.parse(localStorage.getItem("corvalin.hiddenChannels") || "[]")),
  current: null,
  today: null,
  period: null,
  charts: {},
  refreshTimer: null,
  periodRequest: 0,
};

// --- Numbers, units and times.

function isTemperature(key) {
  return key === "temperature" || key === "dewPoint" || key === "heatIndex" || key === "frostPoint";
}

function inUnit(key, value) {
  if (value === null || value === undefined) return null;
  return isTemperature(key) && page.unit === "F" ? value * 1.8 + 32 : value;
}

function unitOf(key) {
  if (isTemperature(key)) return page.unit === "F" ? "°F" : "°C";
  return key === "humidity" ? "%" : "g/m³";
}

// A value already in the unit shown.
function formatted(key, v) {
  if (v === null || v === undefined || Number.isNaN(v)) return "–";
  return (key === "humidity" ? v.toFixed(0) : v.toFixed(1)) + " " + unitOf(key);
}

function shown(key, value) { return formatted(key, inUnit(key, value)); }

function pad(n) { return String(n).padStart(2, "0"); }

function clock(iso) {
  if (!iso) return "–";
  const d = new Date(iso);
  return pad(d.getHours()) + ":" + pad(d.getMinutes());
}

function dateAndClock(iso) {
  if (!iso) return "never";
  const d = new Date(iso);
  return d.getFullYear() + "-" + pad(d.getMonth() + 1) + "-" + pad(d.getDate()) + " " + clock(iso);
}

// Calendar dates as "YYYY-MM-DD", counted on UTC days: no clock change moves them.
function parseDate(text) {
  const [y, m, d] = text.split("-").map(Number);
  return new Date(Date.UTC(y, m - 1, d));
}
function dateText(date) { return date.toISOString().slice(0, 10); }
function addDays(text, days) { return dateText(new Date(parseDate(text).getTime() + days * DAY_MS)); }

function element(tag, attributes, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes || {})) {
    if (name === "text") node.textContent = value;
    else node.setAttribute(name, value);
  }
  for (const child of children) if (child) node.append(child);
  return node;
}

async function fetchJson(path) {
  const response = await fetch(path, {cache: "no-store"});
  const body = await response.json();
  if (!response.ok) throw new Error(body.error || response.statusText);
  return body;
}

// --- Periods: a calendar day, week (Monday to Sunday), month or year, or a range.

function periodAround(kind, date) {
  const d = parseDate(date);
  if (kind === "week") {
    const monday = addDays(date, -((d.getUTCDay() + 6) % 7));
    return {kind, from: monday, to: addDays(monday, 6)};
  }
  if (kind === "month") {
    const first = new Date(Date.UTC(d.getUTCFullYear(), d.getUTCMonth(), 1));
    const last = new Date(Date.UTC(d.getUTCFullYear(), d.getUTCMonth() + 1, 0));
    return {kind, from: dateText(first), to: dateText(last)};
  }
  if (kind === "year") {
    return {kind, from: d.getUTCFullYear() + "-01-01", to: d.getUTCFullYear() + "-12-31"};
  }
  return {kind: "day", from: date, to: date};
}

function stepPeriod(direction) {
  const p = page.period;
  if (p.kind === "range") {
    const days = Math.round((parseDate(p.to) - parseDate(p.from)) / DAY_MS) + 1;
    setPeriod({kind: "range", from: addDays(p.from, direction * days), to: addDays(p.to, direction * days)});
    return;
  }
  if (p.kind === "day") { setPeriod(periodAround("day", addDays(p.from, direction))); return; }
  if (p.kind === "week") { setPeriod(periodAround("week", addDays(p.from, 7 * direction))); return; }
  const d = parseDate(p.from);
  const moved = p.kind === "month"
    ? new Date(Date.UTC(d.getUTCFullYear(), d.getUTCMonth() + direction, 1))
    : new Date(Date.UTC(d.getUTCFullYear() + direction, 0, 1));
  setPeriod(periodAround(p.kind, dateText(moved)));
}

function periodLabel(p) {
  if (p.kind === "day") return p.from;
  if (p.kind === "month") return p.from.slice(0, 7);
  if (p.kind === "year") return p.from.slice(0, 4);
  return p.from + " – " + p.to;
}

function periodHasToday() {
  return page.today && page.period && page.period.from <= page.today && page.today <= page.period.to;
}

function setPeriod(period) {
  page.period = period;
  document.getElementById("periodLabel").textContent = periodLabel(period);
  for (const button of document.querySelectorAll("[data-period]")) {
    button.setAttribute("aria-pressed", String(button.dataset.period === period.kind));
  }
  const form = document.getElementById("rangeForm");
  form.hidden = period.kind !== "range";
  document.getElementById("rangeFrom").value = period.from;
  document.getElementById("rangeTo").value = period.to;
  const charts = document.getElementById("charts");
  charts.dataset.from = period.from;
  charts.dataset.to = period.to;
  return loadPeriod();
}

// --- Tiles.

function shownChannels() {
  if (!page.current) return [];
  return page.current.channels.filter(c => c.state === "ok" || c.lastSeen);
}

function tileFor(channel, stopped) {
  const color = CHANNEL_COLORS[channel.channel - 1];
  const state = stopped ? "stopped" : channel.state;
  const alarms = state === "ok" && channel.alarm
    ? ["temperature", "humidity"].filter(q => channel.alarm[q] === "ON") : [];
  const tile = element("article", {class: "tile" + (alarms.length ? " alarm" : ""),
                                   "data-channel": channel.channel, "data-state": state});
  tile.style.setProperty("--channel", color);
  const heading = element("h2", {}, "CH" + channel.channel);
  heading.append(alarms.length
    ? element("span", {class: "alarms", text: alarms.map(q => q + " alarm").join(", ")})
    : element("span", {class: "state", text: state === "ok" ? "" : STATE_TEXT[state]}));
  tile.append(heading);
  if (state !== "ok") {
    tile.append(element("p", {class: "message", text: STATE_TEXT[state]}));
  } else {
    tile.append(element("div", {class: "big", "data-value": "temperature",
                                text: shown("temperature", channel.temperature)}));
    const list = element("dl");
    const rows = [["Humidity", "humidity"], ["Dew point", "dewPoint"], ["Heat index", "heatIndex"],
                  ["Absolute humidity", "absoluteHumidity"]];
    if (channel.frostPoint !== null) rows.push(["Frost point", "frostPoint"]);
    for (const [name, key] of rows) {
      list.append(element("dt", {text: name}), element("dd", {"data-value": key, text: shown(key, channel[key])}));
    }
    const low = channel.todayMin, high = channel.todayMax;
    list.append(element("dt", {text: "Today min"}),
                element("dd", {text: shown("temperature", low.temperature) + " at " + clock(low.temperatureTime)}),
                element("dt", {text: "Today max"}),
                element("dd", {text: shown("temperature", high.temperature) + " at " + clock(high.temperatureTime)}),
                element("dt", {text: "Humidity min / max"}),
                element("dd", {text: shown("humidity", low.humidity) + " / " + shown("humidity", high.humidity)}));
    tile.append(list);
  }
  tile.append(element("p", {class: "seen", text: "Last seen " + dateAndClock(channel.lastSeen)}));
  return tile;
}

function renderTiles(stopped) {
  const tiles = document.getElementById("tiles");
  tiles.replaceChildren(...shownChannels().map(c => tileFor(c, stopped)));
  const status = document.getElementById("status");
  if (stopped) {
    status.textContent = "logger stopped: no answer from corvalind";
    status.className = "status lost";
  } else if (!page.current.connected) {
    status.textContent = "station lost" + (page.current.time ? " · last reading " + dateAndClock(page.current.time) : "");
    status.className = "status lost";
  } else {
    status.textContent = "Connected · reading at " + dateAndClock(page.current.time) +
                         " · every " + page.current.interval + " s";
    status.className = "status";
  }
}

// --- Charts.

function renderToggles() {
  const toggles = document.getElementById("toggles");
  toggles.replaceChildren(...shownChannels().map(c => {
    const box = element("input", {type: "checkbox", "data-channel": c.channel});
    box.checked = !page.hidden.has(c.channel);
    box.addEventListener("change", () => {
      if (box.checked) page.hidden.delete(c.channel); else page.hidden.add(c.channel);
      localStorage.setItem("corvalin.hiddenChannels", JSON.stringify([...page.hidden]));
      applyVisibility();
    });
    const swatch = element("span", {class: "swatch"});
    swatch.style.setProperty("--channel", CHANNEL_COLORS[c.channel - 1]);
    return element("label", {}, box, swatch, "CH" + c.channel);
  }));
}

function applyVisibility() {
  for (const chart of Object.values(page.charts)) {
    chart.channels.forEach((channel, i) => chart.graph.setVisibility(i, !page.hidden.has(channel)));
  }
}

// One row per bucket time, a [low, mean, high] per channel: null where the
// channel has no bucket there, NaN where its rows have a gap.
function chartRows(quantity, seriesList) {
  const byTime = new Map();
  seriesList.forEach((series, i) => {
    for (const row of series.rows) {
      const t = Date.parse(row.time);
      if (!byTime.has(t)) byTime.set(t, new Array(seriesList.length).fill(null));
      byTime.get(t)[i] = row.mean === null ? [NaN, NaN, NaN]
        : [inUnit(quantity.key, row.min), inUnit(quantity.key, row.mean), inUnit(quantity.key, row.max)];
    }
  });
  return [...byTime.keys()].sort((a, b) => a - b).map(t => [new Date(t), ...byTime.get(t)]);
}

function countPoints(graph) {
  let points = 0;
  for (let row = 0; row < graph.numRows(); row++) {
    for (let column = 1; column < graph.numColumns(); column++) {
      const value = graph.getValue(row, column);
      if (value !== null && !Number.isNaN(Array.isArray(value) ? value[1] : value)) points++;
    }
  }
  return points;
}

function drawChart(quantity, channels, seriesList, from, to) {
  const box = document.getElementById("chart-" + quantity.key);
  const target = box.querySelector(".chart");
  const rows = chartRows(quantity, seriesList);
  const labels = ["Time", ...channels.map(c => "CH" + c)];
  const options = {
    labels,
    customBars: true,
    connectSeparatedPoints: true,
    colors: channels.map(c => CHANNEL_COLORS[c - 1]),
    visibility: channels.map(c => !page.hidden.has(c)),
    dateWindow: [from, to],
    ylabel: unitOf(quantity.key),
    strokeWidth: 1.5,
    highlightCallback: (event, x, points) => showReadout(box, quantity, x, points),
    unhighlightCallback: () => { box.querySelector(".readout").textContent = ""; },
    drawCallback: graph => { box.dataset.points = String(countPoints(graph)); },
  };
  const data = rows.length ? rows : [[new Date(from), ...channels.map(() => null)]];
  const existing = page.charts[quantity.key];
  if (existing && existing.channels.join() === channels.join()) {
    existing.graph.updateOptions({file: data, ...options});
  } else {
    if (existing) existing.graph.destroy();
    page.charts[quantity.key] = {graph: new Dygraph(target, data, options), channels};
  }
}

// The values under the pointer, beside the chart's title.
function showReadout(box, quantity, x, points) {
  const readout = box.querySelector(".readout");
  readout.replaceChildren(clock(new Date(x).toISOString()));
  for (const point of points) {
    if (point.yval === null || Number.isNaN(point.yval)) continue;
    const value = element("span", {text: " " + point.name + " " + formatted(quantity.key, point.yval)});
    value.style.color = CHANNEL_COLORS[Number(point.name.slice(2)) - 1];
    readout.append(value);
  }
}

function ensureChartBoxes() {
  const charts = document.getElementById("charts");
  if (charts.children.length) return;
  for (const quantity of QUANTITIES) {
    charts.append(element("div", {class: "chart-box", id: "chart-" + quantity.key, "data-points": "0"},
                          element("h3", {text: quantity.name}, element("span", {class: "readout"})),
                          element("div", {class: "chart"})));
  }
}

async function loadCharts(request) {
  const charts = document.getElementById("charts");
  if (typeof Dygraph === "undefined") {
    charts.replaceChildren(element("p", {class: "chart-missing",
      text: "The charts need the chart library (the package libjs-dygraphs, or corvalind --http-assets)."}));
    return;
  }
  ensureChartBoxes();
  const channels = shownChannels().map(c => c.channel);
  const p = page.period;
  const from = p.from, to = addDays(p.to, 1);
  const fromMs = Date.parse(from + "T00:00:00"), toMs = Date.parse(to + "T00:00:00");
  const points = Math.max(100, Math.min(1000, Math.round(charts.clientWidth)));
  await Promise.all(QUANTITIES.map(async quantity => {
    const seriesList = await Promise.all(channels.map(channel => fetchJson(
      "/api/v1/series?channel=" + channel + "&quantity=" + quantity.key +
      "&from=" + from + "&to=" + to + "&points=" + points)));
    if (request === page.periodRequest) drawChart(quantity, channels, seriesList, fromMs, toMs);
  }));
}

// --- The period's days and the records.

function cellValue(key, value) { const v = inUnit(key, value); return v === null ? "–" : v.toFixed(key === "humidity" ? 0 : 1); }

function extremeCell(key, value, time) {
  return element("td", {}, cellValue(key, value), " ", element("small", {text: clock(time)}));
}

async function loadDays(request) {
  const p = page.period;
  const body = await fetchJson("/api/v1/days?from=" + p.from + "&to=" + p.to);
  if (request !== page.periodRequest) return;
  const t = unitOf("temperature");
  const head = element("thead", {}, element("tr", {},
    ...["Date", "Channel", "Temp. min " + t, "Temp. max " + t, "Temp. mean " + t,
        "Hum. min %", "Hum. max %", "Hum. mean %"].map(text => element("th", {text}))));
  const rows = body.days.filter(d => !page.hidden.has(d.channel)).map(d => element("tr", {},
    element("td", {text: d.date}), element("td", {text: "CH" + d.channel}),
    extremeCell("temperature", d.temperature.min, d.temperature.minTime),
    extremeCell("temperature", d.temperature.max, d.temperature.maxTime),
    element("td", {text: cellValue("temperature", d.temperature.mean)}),
    extremeCell("humidity", d.humidity.min, d.humidity.minTime),
    extremeCell("humidity", d.humidity.max, d.humidity.maxTime),
    element("td", {text: cellValue("humidity", d.humidity.mean)})));
  document.getElementById("days").replaceChildren(head, element("tbody", {}, ...rows));
}

async function loadRecords() {
  const body = await fetchJson("/api/v1/records");
  const head = element("thead", {}, element("tr", {},
    ...["Channel", "Quantity", "Highest", "at", "Lowest", "at"].map(text => element("th", {text}))));
  const rows = [];
  for (const channel of body.records) {
    for (const quantity of [...QUANTITIES, {key: "frostPoint", name: "Frost point"}]) {
      const r = channel[quantity.key];
      if (r.highest === null) continue;
      rows.push(element("tr", {}, element("td", {text: "CH" + channel.channel}), element("td", {text: quantity.name}),
        element("td", {text: shown(quantity.key, r.highest)}), element("td", {text: dateAndClock(r.highestTime)}),
        element("td", {text: shown(quantity.key, r.lowest)}), element("td", {text: dateAndClock(r.lowestTime)})));
    }
  }
  document.getElementById("records").replaceChildren(head, element("tbody", {}, ...rows));
}

async function loadPeriod() {
  if (!page.current || !page.period) return;
  const request = ++page.periodRequest;
  const began = performance.now();
  try {
    await Promise.all([loadCharts(request), loadDays(request)]);
    // For the benchmark: how long the period took to draw.
    if (request === page.periodRequest) document.body.dataset.periodMs = String(Math.round(performance.now() - began));
  } catch (failure) {
    document.getElementById("status").textContent = "The archive cannot be read: " + failure.message;
  }
}

// --- The live part: each interval, shortly after the logger's next reading.

function scheduleRefresh(seconds) {
  clearTimeout(page.refreshTimer);
  page.refreshTimer = setTimeout(refresh, seconds * 1000);
}

async function refresh() {
  let current;
  try {
    current = await fetchJson("/api/v1/current");
  } catch (failure) {
    if (page.current) renderTiles(true);
    else document.getElementById("status").textContent = "logger stopped: no answer from corvalind";
    document.getElementById("status").className = "status lost";
    scheduleRefresh(10);
    return;
  }
  const first = !page.current;
  const newReading = first || current.time !== page.current.time;
  const channelsChanged = first || shownChannelsKey(current) !== shownChannelsKey(page.current);
  page.current = current;
  page.today = current.today;
  document.getElementById("station").textContent = current.station;
  renderTiles(false);
  if (channelsChanged) renderToggles();
  const work = [];
  if (first) {
    work.push(setPeriod(periodAround("day", current.today)));
  } else if (newReading && (periodHasToday() || channelsChanged)) {
    work.push(loadPeriod());
  }
  if (newReading) work.push(loadRecords().catch(() => {}));
  // For the benchmark: when the page was first fully drawn, from its navigation.
  if (first) Promise.all(work).then(() => { document.body.dataset.drawnMs = String(Math.round(performance.now())); });
  const interval = current.interval || 60;
  const readingAge = current.time ? (Date.now() - Date.parse(current.time)) / 1000 : interval;
  const untilNext = interval - (readingAge % interval) + 2;
  scheduleRefresh(Math.max(2, Math.min(interval + 2, untilNext)));
}

function shownChannelsKey(current) {
  return current.channels.filter(c => c.state === "ok" || c.lastSeen).map(c => c.channel).join();
}

// --- Start.

function setUnit(unit) {
  page.unit = unit;
  localStorage.setItem("corvalin.unit", unit);
  for (const button of document.querySelectorAll("[data-unit]")) {
    button.setAttribute("aria-pressed", String(button.dataset.unit === unit));
  }
  if (page.current) {
    renderTiles(false);
    loadPeriod();
    loadRecords().catch(() => {});
  }
}

function start() {
  // dygraphs' own legend writes inline styles, which the page's
  // Content-Security-Policy refuses: the charts show a readout of their own.
  if (typeof Dygraph !== "undefined") {
    Dygraph.PLUGINS = Dygraph.PLUGINS.filter(plugin => plugin !== Dygraph.Plugins.Legend);
  }
  for (const button of document.querySelectorAll("[data-unit]")) {
    button.addEventListener("click", () => setUnit(button.dataset.unit));
  }
  setUnit(page.unit);
  for (const button of document.querySelectorAll("[data-period]")) {
    button.addEventListener("click", () => {
      const kind = button.dataset.period;
      if (kind === "range") setPeriod({kind, from: page.period.from, to: page.period.to});
      else setPeriod(periodAround(kind, !page.period || periodHasToday() ? page.today : page.period.from));
    });
  }
  document.getElementById("back").addEventListener("click", () => stepPeriod(-1));
  document.getElementById("forward").addEventListener("click", () => stepPeriod(1));
  document.getElementById("rangeForm").addEventListener("submit", event => {
    event.preventDefault();
    const from = document.getElementById("rangeFrom").value;
    const to = document.getElementById("rangeTo").value;
    if (from && to && from <= to) setPeriod({kind: "range", from, to});
  });
  refresh();
}

document.addEventListener("DOMContentLoaded", start);
