// clipreel studio: the page. It keeps each reel's order, undo and redo here
// (and in the browser's storage, so that nothing is lost when the studio
// goes away) and tells the server every new order, so that a save writes
// what is shown.
'use strict';

const token = document.querySelector('meta[name="clipreel-token"]').content;
const STRIP_FRAMES = 8;
// The browser opens six connections to one host: frames take at most three,
// so that the heartbeat, an edit or a save never waits behind pictures.
const FRAME_SLOTS = 3;
const HEARTBEAT_MS = 1000;
const HEARTBEAT_PATIENCE_MS = 4000; // a slower answer counts as none
const STORAGE_PREFIX = 'clipreel-studio:';

const $ = (id) => document.getElementById(id);
const tabs = new Map(); // reel id -> tab (see openTab)
let active = null;
let online = true;
let stopped = false;    // Quit went through: nothing more is asked of the studio
let saving = null;      // { id, events, tab }
let cancelAsked = false; // Cancel pressed before the studio named the job

function withToken(path) {
  return path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(token);
}

// Every request goes through here: a studio that does not answer is noticed
// at once, and every refusal comes back with words to show.
async function api(method, path, body) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  let response;
  try {
    response = await fetch(withToken(path), options);
  } catch (error) {
    probe().then((alive) => { if (!alive) studioLost(); });
    return { status: 0, ok: false, data: { error: 'the studio did not answer' } };
  }
  let data = {};
  try { data = await response.json(); } catch (error) { data = {}; }
  if (!response.ok && !data.error) data.error = `the studio answered with status ${response.status}`;
  return { status: response.status, ok: response.ok, data };
}

// ---- messages ----

// Each kind has its colour and icon (studio.css) and its word here, so that
// an error, a refusal and a success never look alike.
const KIND_WORDS = { error: 'Failed', refused: 'Refused', success: 'Done', info: '' };

function say(element, kind, text) {
  element.dataset.kind = text ? kind : '';
  const word = KIND_WORDS[kind];
  element.textContent = text ? (word ? `${word}: ${text}` : text) : '';
  element.title = element.textContent;
}

// No answer or a fault of the studio is an error; a 4xx is a refusal.
const failureKind = (answer) => (answer.status === 0 || answer.status >= 500 ? 'error' : 'refused');

function sayEdit(kind, text) { say($('edit-status'), kind, text); }

function announce(text) {
  const region = $('announce');
  region.textContent = '';
  setTimeout(() => { region.textContent = text; }, 30);
}

window.addEventListener('error', (event) => sayEdit('error', `the page hit a fault: ${event.message}`));
window.addEventListener('unhandledrejection', (event) =>
  sayEdit('error', `the page hit a fault: ${event.reason && event.reason.message ? event.reason.message : event.reason}`));

// ---- formatting ----

function formatTime(seconds) {
  const minutes = Math.floor(seconds / 60);
  const rest = seconds - minutes * 60;
  return minutes + ':' + rest.toFixed(3).padStart(6, '0');
}

function formatBytes(bytes) {
  if (bytes >= 1e9) return (bytes / 1e9).toFixed(2) + ' GB';
  if (bytes >= 1e6) return (bytes / 1e6).toFixed(1) + ' MB';
  if (bytes >= 1e3) return (bytes / 1e3).toFixed(1) + ' kB';
  return bytes + ' bytes';
}

// 29.97, 30, 23.98: two decimals at most, none when whole.
const shortNumber = (value) => String(Number(value.toFixed(2)));

function listNames(names) {
  if (names.length <= 1) return names.join('');
  return names.slice(0, -1).join(', ') + ' and ' + names[names.length - 1];
}

// ---- the connection ----

// The studio is asked every second whether it still runs; a request that
// fails in between says so at once.
async function probe() {
  const controller = new AbortController();
  const timer = setTimeout(() => controller.abort(), HEARTBEAT_PATIENCE_MS);
  try {
    const response = await fetch(withToken('/api/heartbeat'), { signal: controller.signal, cache: 'no-store' });
    return response.ok;
  } catch (error) {
    return false;
  } finally {
    clearTimeout(timer);
  }
}

async function heartbeat() {
  if (stopped) return;
  const alive = await probe();
  if (stopped) return;
  if (alive) studioBack(); else studioLost();
  setTimeout(heartbeat, HEARTBEAT_MS);
}

function studioLost() {
  if (!online || stopped) return;
  online = false;
  pausePreview();
  const names = [...tabs.values()].map((tab) => tab.details ? tab.details.path : tab.name);
  const port = location.port;
  say($('connection'), 'error',
    'the studio has stopped or does not answer, so nothing can be played or saved. ' +
    'Your edits are kept in this browser: start it again on the same port ' +
    `(clipreel studio ${names.join(' ')} --port ${port}) and open the address it prints to take them back.`);
  $('connection').hidden = false;
  document.body.classList.add('offline');
  for (const control of document.querySelectorAll('button, input, select')) {
    if (control.closest('#connection')) continue;
    control.dataset.offline = String(control.disabled);
    control.disabled = true;
  }
}

function studioBack() {
  if (online) return;
  online = true;
  $('connection').hidden = true;
  document.body.classList.remove('offline');
  for (const control of document.querySelectorAll('[data-offline]')) {
    control.disabled = control.dataset.offline === 'true';
    delete control.dataset.offline;
  }
  // The studio came back (a sleeping machine woke up): it gets the orders again.
  for (const tab of tabs.values()) if (tab.details) sync(tab);
  pumpFrames();
  // Posters that failed while it was away are asked for again, near the view only.
  for (const card of document.querySelectorAll('.card')) {
    if (card.querySelector('.picture').getAttribute('src')) continue;
    nearView.unobserve(card);
    nearView.observe(card);
  }
}

// ---- kept edits ----

function storageKey(details) {
  return STORAGE_PREFIX + JSON.stringify([details.path, details.file_size, details.modified]);
}

function keep(tab) {
  const state = {
    order: tab.order, undo: tab.undo, redo: tab.redo, savedOrder: tab.savedOrder,
    removedFrom: [...tab.removedFrom], time: Date.now(),
  };
  try { localStorage.setItem(tab.key, JSON.stringify(state)); } catch (error) {
    sayEdit('error', 'the browser would not keep the edits in its storage');
  }
}

function validOrder(tab, order) {
  const count = units(tab).length;
  return Array.isArray(order) && order.length > 0 && new Set(order).size === order.length &&
    order.every((u) => Number.isInteger(u) && u >= 0 && u < count);
}

function keptState(tab) {
  let state = null;
  try { state = JSON.parse(localStorage.getItem(tab.key)); } catch (error) { state = null; }
  if (!state || !validOrder(tab, state.order)) return null;
  const orders = (list) => (Array.isArray(list) ? list.filter((order) => validOrder(tab, order)) : []);
  return {
    order: state.order, undo: orders(state.undo), redo: orders(state.redo),
    savedOrder: validOrder(tab, state.savedOrder) ? state.savedOrder : null,
    removedFrom: new Map(Array.isArray(state.removedFrom) ? state.removedFrom : []), time: state.time,
  };
}

function offerKeptEdits(tab, state) {
  const when = new Date(state.time || Date.now()).toLocaleString();
  $('offer-text').textContent = `Edits to ${tab.name} from ${when} are kept in this browser ` +
    `(${state.order.length} of ${units(tab).length} units, in their edited order).`;
  $('offer').hidden = false;
  $('offer').dataset.reelId = tab.details.id;
  $('offer-take').onclick = () => {
    $('offer').hidden = true;
    tab.undo = state.undo;
    tab.redo = state.redo;
    tab.order = state.order;
    tab.removedFrom = state.removedFrom;
    changed(tab);
    announce(`Edits to ${tab.name} taken back.`);
    $('cards').querySelector('.card')?.focus();
  };
  $('offer-drop').onclick = () => {
    $('offer').hidden = true;
    keep(tab);
  };
}

// ---- tabs ----

function units(tab) { return tab.details.info.shooting_units; }
function unitByOriginal(tab, original) { return units(tab).find((u) => u.original_index === original); }
const identity = (tab) => units(tab).map((u) => u.original_index);
const sameOrder = (a, b) => a.length === b.length && a.every((u, i) => u === b[i]);
const unsaved = (tab) => tab.details !== null && !sameOrder(tab.order, tab.savedOrder);

async function loadReels() {
  const answer = await api('GET', '/api/reels');
  if (!answer.ok) { sayEdit('error', `cannot list the reels: ${answer.data.error}`); return; }
  for (const reel of answer.data) {
    if (!tabs.has(reel.id)) tabs.set(reel.id, { name: reel.name, details: null });
  }
  renderTabs();
}

function renderTabs() {
  const list = $('tabs');
  list.replaceChildren();
  for (const [id, tab] of tabs) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'tab';
    button.id = `tab-${id}`;
    button.setAttribute('role', 'tab');
    button.setAttribute('aria-controls', 'reel');
    button.setAttribute('aria-selected', String(id === active));
    button.tabIndex = id === active || (active === null && list.children.length === 0) ? 0 : -1;
    button.dataset.reelId = id;
    const name = document.createElement('span');
    name.textContent = tab.name;
    // A pointer's shortcut; the keyboard closes with Delete or Close tab.
    const close = document.createElement('span');
    close.className = 'close';
    close.textContent = '×';
    close.title = `Close ${tab.name}`;
    close.setAttribute('aria-hidden', 'true');
    button.append(name, close);
    button.addEventListener('click', (event) => {
      if (event.target === close) closeTab(id); else openReel(id);
    });
    button.addEventListener('keydown', (event) => tabKey(id, event));
    if (!online) { button.dataset.offline = 'false'; button.disabled = true; }
    list.appendChild(button);
  }
  $('reel').setAttribute('aria-labelledby', `tab-${active}`);
  // One box per tab for a join, kept as ticked across redraws.
  const boxes = $('join-reels');
  const ticked = new Set([...boxes.querySelectorAll('input:checked')].map((box) => box.dataset.reelId));
  boxes.replaceChildren();
  for (const [id, tab] of tabs) {
    const label = document.createElement('label');
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.dataset.reelId = id;
    box.checked = ticked.has(String(id));
    label.append(box, ' ', tab.name);
    boxes.appendChild(label);
  }
}

function tabKey(id, event) {
  const ids = [...tabs.keys()];
  const at = ids.indexOf(id);
  let to = null;
  if (event.key === 'ArrowRight') to = ids[(at + 1) % ids.length];
  if (event.key === 'ArrowLeft') to = ids[(at - 1 + ids.length) % ids.length];
  if (event.key === 'Home') to = ids[0];
  if (event.key === 'End') to = ids[ids.length - 1];
  if (to !== null) {
    event.preventDefault();
    openReel(to).then(() => $(`tab-${to}`)?.focus());
  } else if (event.key === 'Delete') {
    event.preventDefault();
    closeTab(id);
  }
}

async function openReel(id) {
  const tab = tabs.get(id);
  if (!tab) return;
  if (!tab.details) {
    const answer = await api('GET', `/api/reels/${id}`);
    if (!answer.ok) { sayEdit('error', `cannot open ${tab.name}: ${answer.data.error}`); return; }
    setUpTab(tab, answer.data);
  }
  if (active !== id) stopPreview();
  active = id;
  renderTabs();
  $('reel').hidden = false;
  $('no-reel').hidden = true;
  $('save-name').value = suggestName(tab.name);
  // The Save row speaks of the tab in front only.
  const status = $('save-status');
  if (!saving && status.dataset.tab !== String(id)) {
    setResult(status, '', '', '');
    status.dataset.tab = id;
    $('save-progress').value = 0;
    $('save-percent').textContent = '';
  }
  if (!$('offer').hidden && $('offer').dataset.reelId !== String(id)) $('offer').hidden = true;
  renderCameraData(tab);
  render();
  if (tab.offer) { offerKeptEdits(tab, tab.offer); tab.offer = null; }
}

function setUpTab(tab, details) {
  tab.details = details;
  tab.key = storageKey(details);
  tab.order = details.order.slice();
  tab.undo = [];
  tab.redo = [];
  tab.removedFrom = new Map();
  tab.savedOrder = identity(tab);
  tab.selected = new Set();
  tab.anchor = null;
  tab.cards = new Map();
  tab.sync = Promise.resolve(true);
  tab.offer = null;
  const state = keptState(tab);
  if (state) {
    if (state.savedOrder) tab.savedOrder = state.savedOrder;
    if (sameOrder(state.order, tab.order)) {
      // The studio still has this order (the page was reloaded): the history comes back too.
      tab.undo = state.undo;
      tab.redo = state.redo;
      tab.removedFrom = state.removedFrom;
    } else if (!sameOrder(state.order, tab.savedOrder)) {
      tab.offer = state;
    }
  }
}

async function closeTab(id) {
  const tab = tabs.get(id);
  if (!tab) return;
  if (tab.details && unsaved(tab) &&
      !window.confirm(`${tab.name} has unsaved edits. Close its tab anyway? (They stay kept in this browser.)`)) return;
  const answer = await api('DELETE', `/api/reels/${id}`);
  if (!answer.ok) { sayEdit('error', `cannot close ${tab.name}: ${answer.data.error}`); return; }
  const ids = [...tabs.keys()];
  const at = ids.indexOf(id);
  tabs.delete(id);
  announce(`${tab.name} closed.`);
  if (active === id) {
    stopPreview();
    active = null;
    const next = ids[at + 1] ?? ids[at - 1];
    if (next !== undefined) {
      await openReel(next);
      $(`tab-${next}`)?.focus();
    } else {
      renderTabs();
      $('reel').hidden = true;
      $('no-reel').hidden = false;
    }
  } else {
    renderTabs();
  }
}

function suggestName(name) {
  const dot = name.lastIndexOf('.');
  const stem = dot > 0 ? name.slice(0, dot) : name;
  return stem + '-edited.MOV';
}

// ---- frames ----

// Frames load through a short queue, each once: a card asks for its poster
// when it comes near the view and for its strip when the pointer or the
// focus reaches it.
const frameLoads = new Map(); // url -> { url, promise, resolve, state }
const frameQueue = [];
let framesLoading = 0;

// The file's version in every address of its pictures and movies: a movie
// saved again under its name is never shown from the browser's cache.
const version = (tab) => `v=${tab.details.file_size}-${tab.details.modified}`;

function frameUrl(tab, original, frame) {
  return withToken(`/api/reels/${tab.details.id}/units/${original}/frames/${frame}?${version(tab)}`);
}

function loadFrame(url, urgent) {
  let load = frameLoads.get(url);
  if (load) {
    if (urgent && load.state === 'queued') { frameQueue.splice(frameQueue.indexOf(load), 1); frameQueue.unshift(load); }
    return load.promise;
  }
  load = { url, state: 'queued' };
  load.promise = new Promise((resolve) => { load.resolve = resolve; });
  frameLoads.set(url, load);
  if (urgent) frameQueue.unshift(load); else frameQueue.push(load);
  pumpFrames();
  return load.promise;
}

// A card gone from view does not need its queued frames any more.
function forgetFrame(url) {
  const load = frameLoads.get(url);
  if (!load || load.state !== 'queued') return;
  frameQueue.splice(frameQueue.indexOf(load), 1);
  frameLoads.delete(url);
}

function pumpFrames() {
  while (online && framesLoading < FRAME_SLOTS && frameQueue.length > 0) {
    const load = frameQueue.shift();
    load.state = 'loading';
    framesLoading += 1;
    const image = new Image();
    const finish = (ok) => {
      framesLoading -= 1;
      load.state = ok ? 'loaded' : 'failed';
      // Asked again later, when the studio may answer.
      if (!ok && !online) frameLoads.delete(load.url);
      load.resolve(ok);
      pumpFrames();
    };
    image.onload = () => finish(true);
    image.onerror = () => finish(false);
    image.src = load.url;
    load.image = image;
  }
}

const nearView = new IntersectionObserver((entries) => {
  for (const entry of entries) {
    const card = entry.target;
    const url = card.dataset.posterUrl;
    if (entry.isIntersecting) {
      if (!card.querySelector('.picture').getAttribute('src')) showPosterOf(card);
    } else {
      forgetFrame(url);
    }
  }
}, { rootMargin: '300px 0px' });

function showPosterOf(card) {
  const url = card.dataset.posterUrl;
  const picture = card.querySelector('.picture');
  loadFrame(url, false).then((ok) => {
    if (ok) picture.src = url;
    picture.hidden = !ok;
    card.querySelector('.no-picture').hidden = ok;
  });
}

function stripFrames(unit) {
  const frames = [];
  for (let k = 0; k < STRIP_FRAMES; ++k) frames.push(Math.floor((k * unit.frames) / STRIP_FRAMES));
  return [...new Set(frames)];
}

function loadStrip(tab, card) {
  if (card.classList.contains('removed')) return;
  const original = Number(card.dataset.unitIndex);
  for (const image of card.querySelectorAll('.strip img')) {
    if (image.getAttribute('src')) continue;
    const url = frameUrl(tab, original, image.dataset.frame);
    loadFrame(url, true).then((ok) => { if (ok) image.src = url; else image.classList.add('failed'); });
  }
}

function scrub(tab, card, event) {
  if (drag || card.classList.contains('removed')) return;
  const images = [...card.querySelectorAll('.strip img')];
  if (images.length === 0) return;
  const box = card.getBoundingClientRect();
  const position = Math.min(0.999, Math.max(0, (event.clientX - box.left) / box.width));
  const chosen = images[Math.floor(position * images.length)];
  for (const image of images) image.classList.toggle('current', image === chosen);
  const url = frameUrl(tab, Number(card.dataset.unitIndex), chosen.dataset.frame);
  const picture = card.querySelector('.picture');
  if (chosen.getAttribute('src') && picture.src !== new URL(url, location.href).href) picture.src = url;
}

// ---- cards ----

function button(text, className, label, action) {
  const element = document.createElement('button');
  element.type = 'button';
  element.className = className;
  element.textContent = text;
  element.setAttribute('aria-label', label);
  element.addEventListener('click', action);
  return element;
}

// One card per unit and tab, made once and moved about as the order changes.
function cardFor(tab, original) {
  let card = tab.cards.get(original);
  if (card) return card;
  const unit = unitByOriginal(tab, original);
  card = document.createElement('div');
  card.className = 'card';
  card.dataset.unitIndex = original;
  card.dataset.posterUrl = frameUrl(tab, original, 0);
  card.setAttribute('role', 'group');

  const frame = document.createElement('div');
  frame.className = 'frame';
  const picture = document.createElement('img');
  picture.className = 'picture poster';
  picture.alt = '';
  picture.draggable = false;
  picture.hidden = true;
  const placeholder = document.createElement('span');
  placeholder.className = 'no-picture';
  placeholder.textContent = 'No picture';
  placeholder.hidden = true;
  frame.append(picture, placeholder);

  const strip = document.createElement('div');
  strip.className = 'strip';
  for (const index of stripFrames(unit)) {
    const image = document.createElement('img');
    image.dataset.frame = index;
    image.alt = '';
    image.draggable = false;
    strip.appendChild(image);
  }

  const label = document.createElement('div');
  label.className = 'label';
  const title = document.createElement('b');
  title.textContent = `Unit ${original}`;
  const start = document.createElement('span');
  start.className = 'start';
  start.title = 'start in the reel → start in the new movie';
  const duration = document.createElement('span');
  duration.className = 'duration';
  duration.textContent = `${unit.duration.toFixed(3)} s, ${unit.frames} frames`;
  label.append(title, document.createElement('br'), start, document.createElement('br'), duration);

  const actions = document.createElement('div');
  actions.className = 'actions';
  actions.append(
    button('Play', 'play', `Play unit ${original}`, () => playUnit(tab, unit)),
    button('Remove', 'remove', `Remove unit ${original}`, () => removeUnits(tab, [original], card)),
    button('Restore', 'restore', `Restore unit ${original}`, () => restoreUnit(tab, original)));

  card.append(frame, strip, label, actions);
  card.addEventListener('pointerenter', () => loadStrip(tab, card));
  card.addEventListener('focus', () => loadStrip(tab, card));
  card.addEventListener('pointermove', (event) => scrub(tab, card, event));
  card.addEventListener('pointerleave', () => {
    if (picture.getAttribute('src')) picture.src = card.dataset.posterUrl;
    for (const image of strip.querySelectorAll('.current')) image.classList.remove('current');
  });
  card.addEventListener('pointerdown', (event) => startDrag(tab, card, event));
  card.addEventListener('click', (event) => clickCard(tab, card, event));
  card.addEventListener('keydown', (event) => cardKey(tab, card, event));
  picture.addEventListener('error', () => { picture.hidden = true; placeholder.hidden = false; });
  tab.cards.set(original, card);
  nearView.observe(card);
  return card;
}

function updateCard(tab, card, unit, removed, outputStart, position) {
  card.classList.toggle('removed', removed);
  card.tabIndex = removed ? -1 : 0;
  const selected = !removed && tab.selected.has(unit.original_index);
  card.classList.toggle('selected', selected);
  card.setAttribute('aria-label', `Unit ${unit.original_index}` + (removed ? ', removed' : `, position ${position + 1}`) +
    (selected ? ', selected' : ''));
  card.querySelector('.start').textContent = removed
    ? `was at ${formatTime(unit.start_time)}`
    : `at ${formatTime(unit.start_time)} → ${formatTime(outputStart)}`;
  card.querySelector('.play').hidden = removed;
  const remove = card.querySelector('.remove');
  remove.hidden = removed;
  remove.disabled = !online || tab.order.length <= 1;
  card.querySelector('.restore').hidden = !removed;
  card.querySelector('.strip').hidden = removed;
}

function placeChildren(container, wanted) {
  const now = [...container.children];
  if (now.length === wanted.length && now.every((child, i) => child === wanted[i])) return;
  container.replaceChildren(...wanted);
}

function render() {
  const tab = tabs.get(active);
  if (!tab) return;
  const focused = document.activeElement;
  for (const original of [...tab.selected]) if (!tab.order.includes(original)) tab.selected.delete(original);
  let outputStart = 0;
  const kept = tab.order.map((original, position) => {
    const unit = unitByOriginal(tab, original);
    const card = cardFor(tab, original);
    updateCard(tab, card, unit, false, outputStart, position);
    outputStart += unit.duration;
    return card;
  });
  const removedUnits = units(tab).filter((u) => !tab.order.includes(u.original_index));
  const removed = removedUnits.map((unit) => {
    const card = cardFor(tab, unit.original_index);
    updateCard(tab, card, unit, true, 0, 0);
    return card;
  });
  placeChildren($('cards'), kept);
  placeChildren($('removed'), removed);
  $('removed-section').hidden = removed.length === 0;
  // Moving an element drops its focus: it goes back where it was.
  if (focused && focused !== document.activeElement && focused.isConnected && !focused.hidden) {
    focused.focus({ preventScroll: true });
  }
  $('undo').setAttribute('aria-disabled', String(tab.undo.length === 0));
  $('redo').setAttribute('aria-disabled', String(tab.redo.length === 0));
  renderTotals(tab);
  renderPreviewTime();
}

function renderTotals(tab) {
  const kept = tab.order.map((original) => unitByOriginal(tab, original));
  const seconds = kept.reduce((sum, u) => sum + u.duration, 0);
  const keptFrames = kept.reduce((sum, u) => sum + u.frames, 0);
  const allFrames = units(tab).reduce((sum, u) => sum + u.frames, 0);
  const dataBytes = kept.reduce((sum, u) => sum + u.size, 0);
  // The tables beside the unit data grow with the frames kept.
  const bytes = dataBytes + (allFrames > 0 ? tab.details.header_bytes * keptFrames / allFrames : 0);
  $('total-units').textContent = `${kept.length} of ${units(tab).length} units`;
  $('total-duration').textContent = `${formatTime(seconds)} (${seconds.toFixed(3)} s)`;
  $('total-size').textContent = `about ${formatBytes(bytes)}`;
  $('save').classList.toggle('unsaved', unsaved(tab));
}

function renderCameraData(tab) {
  const info = tab.details.info;
  const rows = [];
  const add = (name, value) => { if (value !== undefined && value !== null && value !== '') rows.push([name, value]); };
  const kinds = { clipreel: 'Clipreel movie', montagio: 'Montagio movie', reference: 'reference movie', other: 'other movie' };
  add('File', tab.details.path);
  add('File size', formatBytes(tab.details.file_size));
  add('Kind', kinds[info.kind] || info.kind);
  add('Creator version', info.creator_version);
  if (info.frame_rate) {
    add('Frame rate', `${shortNumber(info.frame_rate.fps)} fps (${info.frame_rate.numerator}/${info.frame_rate.denominator})`);
  }
  add('Duration', `${info.total_duration.toFixed(3)} s, ${info.total_frames} frames`);
  add('Shooting units', `${units(tab).length}, ${info.frames_per_stored_unit} frames each when full`);
  add('Key frame every', `${info.group_of_picture} frames`);
  if (info.video) add('Video time scale', `${info.video.time_base.split('/')[1]} per second, ${info.video.frame_duration_ts} a frame`);
  add('Sound', info.sound
    ? `${info.sound.channels === 1 ? 'mono' : info.sound.channels === 2 ? 'stereo' : info.sound.channels + ' channels'}, ` +
      `${info.sound.bits_per_sample} bit, ${shortNumber(info.sound.sample_rate / 1000)} kHz (${info.sound.codec_tag_string.trim()})`
    : 'none');
  add('Thumbnail', info.thumbnail_size ? formatBytes(info.thumbnail_size) : 'none');
  if (info.record) {
    add('Recorded file size', formatBytes(info.record.file_size));
    add('Recording mode', info.record.movie_mode);
    add('Montagio time', info.record.montagio_time);
  }
  if (info.montagio) {
    add('Montagio', `${info.montagio.clip_count} clips of ${info.montagio.units_per_clip} units` +
      (info.montagio.whole_movie ? ', one whole movie' : ''));
  }
  add('Can be edited', info.editable ? 'yes' : 'no');
  const list = $('camera-table');
  list.replaceChildren();
  for (const [name, value] of rows) {
    const term = document.createElement('dt');
    term.textContent = name;
    const detail = document.createElement('dd');
    detail.textContent = String(value);
    list.append(term, detail);
  }
}

// ---- editing ----

function commit(tab, order) {
  tab.undo.push(tab.order);
  tab.redo = [];
  tab.order = order;
  changed(tab);
}

function changed(tab) {
  stopPreview();
  render();
  keep(tab);
  sync(tab);
}

function sync(tab) {
  const order = tab.order.slice();
  tab.sync = tab.sync.then(async () => {
    const answer = await api('PUT', `/api/reels/${tab.details.id}/order`, { order });
    const status = $('edit-status');
    if (!answer.ok) {
      sayEdit(failureKind(answer), `the studio did not take the new order: ${answer.data.error}`);
      status.dataset.about = 'order';
    } else if (status.dataset.about === 'order') {
      // The order the studio now has is the one shown: the failure is over.
      sayEdit('', '');
      delete status.dataset.about;
    }
    return answer.ok;
  });
}

function undo(tab) {
  if (tab.undo.length === 0) return;
  tab.redo.push(tab.order);
  tab.order = tab.undo.pop();
  changed(tab);
  announce('Undone.');
}

function redo(tab) {
  if (tab.redo.length === 0) return;
  tab.undo.push(tab.order);
  tab.order = tab.redo.pop();
  changed(tab);
  announce('Redone.');
}

// Removes the units and moves the focus to the card that now stands where
// the focused one stood.
function removeUnits(tab, originals, focusFrom) {
  const gone = new Set(originals);
  const order = tab.order.filter((u) => !gone.has(u));
  if (order.length === 0) {
    sayEdit('refused', 'a movie keeps at least one unit');
    return;
  }
  const at = focusFrom ? tab.order.indexOf(Number(focusFrom.dataset.unitIndex)) : 0;
  const next = tab.order.slice(at + 1).find((u) => !gone.has(u)) ?? tab.order.slice(0, at).reverse().find((u) => !gone.has(u));
  for (const original of originals) tab.removedFrom.set(original, tab.order.indexOf(original));
  for (const original of originals) tab.selected.delete(original);
  commit(tab, order);
  if (focusFrom) tab.cards.get(next)?.focus();
  const names = originals.map(String);
  announce(`${names.length === 1 ? 'Unit' : 'Units'} ${listNames(names)} removed. ${order.length} of ${units(tab).length} units kept.`);
}

function restoreUnit(tab, original) {
  // Back at the place it was removed from, or at the end.
  const order = tab.order.slice();
  const at = tab.removedFrom.has(original) ? tab.removedFrom.get(original) : order.length;
  order.splice(Math.min(at, order.length), 0, original);
  commit(tab, order);
  tab.cards.get(original).focus();
  announce(`Unit ${original} restored at position ${order.indexOf(original) + 1} of ${order.length}.`);
}

function move(tab, moving, target, after) {
  const set = new Set(moving);
  const order = tab.order.filter((u) => !set.has(u));
  let at = order.indexOf(target);
  if (at < 0) return;
  if (after) at += 1;
  order.splice(at, 0, ...moving);
  if (sameOrder(order, tab.order)) return;
  commit(tab, order);
  const names = moving.map(String);
  announce(`${names.length === 1 ? 'Unit' : 'Units'} ${listNames(names)} moved to position ${order.indexOf(moving[0]) + 1} of ${order.length}.`);
}

// The cards a gesture on this card acts on: the selection when the card is
// part of it, the card alone otherwise.
function gestureUnits(tab, card) {
  const original = Number(card.dataset.unitIndex);
  if (tab.selected.has(original)) return tab.order.filter((u) => tab.selected.has(u));
  return [original];
}

function clickCard(tab, card, event) {
  if (card.classList.contains('removed') || event.target.closest('button') || justDragged) return;
  const original = Number(card.dataset.unitIndex);
  const toggle = event.ctrlKey || event.metaKey;
  if (event.shiftKey && tab.anchor !== null && tab.order.includes(tab.anchor)) {
    const a = tab.order.indexOf(tab.anchor);
    const b = tab.order.indexOf(original);
    const range = tab.order.slice(Math.min(a, b), Math.max(a, b) + 1);
    tab.selected = new Set(toggle ? [...tab.selected, ...range] : range);
  } else if (toggle) {
    if (tab.selected.has(original)) tab.selected.delete(original); else tab.selected.add(original);
    tab.anchor = original;
  } else {
    tab.selected = new Set([original]);
    tab.anchor = original;
  }
  render();
  announce(`${tab.selected.size} ${tab.selected.size === 1 ? 'unit' : 'units'} selected.`);
}

function cardKey(tab, card, event) {
  if (!online || card.classList.contains('removed') || event.target !== card) return;
  const original = Number(card.dataset.unitIndex);
  const at = tab.order.indexOf(original);
  let step = 0;
  if (event.key === 'ArrowLeft' || event.key === 'ArrowUp') step = -1;
  if (event.key === 'ArrowRight' || event.key === 'ArrowDown') step = 1;
  if (step !== 0) {
    event.preventDefault();
    const to = at + step;
    if (to < 0 || to >= tab.order.length) return;
    const order = tab.order.slice();
    order.splice(at, 1);
    order.splice(to, 0, original);
    commit(tab, order);
    announce(`Unit ${original} moved to position ${to + 1} of ${order.length}.`);
  } else if (event.key === 'Delete' || event.key === 'Backspace') {
    event.preventDefault();
    removeUnits(tab, gestureUnits(tab, card), card);
  } else if (event.key === ' ') {
    event.preventDefault();
    if (preview.playing) pausePreview(); else playPreview(original);
  }
}

// Dragging with pointer events: a move past a few pixels starts it, the card
// under the pointer and its half decide where the dragged cards go, and the
// page scrolls while the pointer is near its top or bottom edge.
let drag = null;
let justDragged = false;
const EDGE = 60;

function startDrag(tab, card, event) {
  if (!online || event.button !== 0 || event.target.closest('button') || card.classList.contains('removed')) return;
  drag = { tab, card, x: event.clientX, y: event.clientY, moving: null, target: null, after: false, pointer: event };
}

function dropTarget(event) {
  for (const element of document.elementsFromPoint(event.clientX, event.clientY)) {
    const card = element.closest && element.closest('#cards .card');
    if (card && !drag.moving.includes(Number(card.dataset.unitIndex))) return card;
  }
  return null;
}

function markDropTarget() {
  for (const card of document.querySelectorAll('.drop-before, .drop-after')) card.classList.remove('drop-before', 'drop-after');
  drag.target = dropTarget(drag.pointer);
  if (drag.target) {
    const box = drag.target.getBoundingClientRect();
    drag.after = drag.pointer.clientX > box.left + box.width / 2;
    drag.target.classList.add(drag.after ? 'drop-after' : 'drop-before');
  }
}

function scrollWhileDragging() {
  if (!drag || !drag.moving) return;
  const y = drag.pointer.clientY;
  const step = y < EDGE ? -Math.ceil((EDGE - y) / 3) : y > innerHeight - EDGE ? Math.ceil((y - innerHeight + EDGE) / 3) : 0;
  if (step !== 0) {
    window.scrollBy(0, step);
    markDropTarget();
  }
  requestAnimationFrame(scrollWhileDragging);
}

document.addEventListener('pointermove', (event) => {
  if (!drag) return;
  drag.pointer = { clientX: event.clientX, clientY: event.clientY };
  if (!drag.moving) {
    if (Math.hypot(event.clientX - drag.x, event.clientY - drag.y) < 6) return;
    drag.moving = gestureUnits(drag.tab, drag.card);
    for (const original of drag.moving) drag.tab.cards.get(original).classList.add('dragging');
    requestAnimationFrame(scrollWhileDragging);
  }
  markDropTarget();
});

document.addEventListener('pointerup', () => {
  if (!drag) return;
  const { tab, moving, target, after } = drag;
  drag = null;
  if (!moving) return;
  justDragged = true;
  setTimeout(() => { justDragged = false; }, 0);
  for (const card of document.querySelectorAll('.dragging')) card.classList.remove('dragging');
  for (const other of document.querySelectorAll('.drop-before, .drop-after')) other.classList.remove('drop-before', 'drop-after');
  if (target) move(tab, moving, Number(target.dataset.unitIndex), after);
});

document.addEventListener('keydown', (event) => {
  const tab = tabs.get(active);
  if (!tab || !online) return;
  const typing = ['INPUT', 'SELECT', 'TEXTAREA'].includes(event.target.tagName);
  if (event.key === ' ' && !typing && !event.target.closest('button, .card, dialog')) {
    event.preventDefault();
    if (preview.playing) pausePreview(); else playPreview(null);
    return;
  }
  if (!(event.ctrlKey || event.metaKey)) return;
  const key = event.key.toLowerCase();
  if (key === 's') { event.preventDefault(); save(); return; }
  if (typing) return;
  if (key === 'z' && !event.shiftKey) { event.preventDefault(); undo(tab); }
  if (key === 'y' || (key === 'z' && event.shiftKey)) { event.preventDefault(); redo(tab); }
});

// ---- the preview of the edited reel ----

// The kept units play one after another through two video elements: while
// one plays, the other has the next unit loaded, and they swap at its end.
// A browser that cannot play the movies gets each unit's strip in turn.
const preview = {
  playing: false, position: 0, list: [], starts: [], total: 0, index: -1, current: 0,
  mode: 'video', from: null, clock: 0, timer: null,
};
const videos = () => [$('preview-a'), $('preview-b')];

function unitMovieUrl(tab, original) {
  return withToken(`/api/reels/${tab.details.id}/units/${original}/movie?${version(tab)}`);
}

function planPreview(tab) {
  preview.list = tab.order.slice();
  preview.starts = [];
  let start = 0;
  for (const original of preview.list) {
    preview.starts.push(start);
    start += unitByOriginal(tab, original).duration;
  }
  preview.total = start;
}

function indexAt(position) {
  let index = 0;
  while (index + 1 < preview.starts.length && preview.starts[index + 1] <= position) index += 1;
  return index;
}

function playPreview(fromOriginal) {
  const tab = tabs.get(active);
  if (!tab || !online) return;
  planPreview(tab);
  let position = preview.position;
  if (fromOriginal !== null && preview.list.includes(fromOriginal)) {
    position = preview.starts[preview.list.indexOf(fromOriginal)];
  } else if (position >= preview.total - 0.01) {
    position = 0;
  }
  preview.playing = true;
  $('preview-play').textContent = 'Pause';
  $('preview').classList.add('playing');
  showUnit(indexAt(position), position - preview.starts[indexAt(position)]);
}

function showUnit(index, offset) {
  const tab = tabs.get(active);
  preview.index = index;
  preview.position = preview.starts[index] + offset;
  markPlaying(tab, preview.list[index]);
  if (preview.mode === 'video') {
    const [shown, spare] = preview.current === 0 ? videos() : videos().reverse();
    const url = unitMovieUrl(tab, preview.list[index]);
    let video = shown;
    if (shown.dataset.url !== url && spare.dataset.url === url) {
      video = spare;
      preview.current = 1 - preview.current;
    }
    if (video.dataset.url !== url) { video.dataset.url = url; video.src = url; }
    const other = video === shown ? spare : shown;
    video.hidden = false;
    other.hidden = true;
    $('preview-frame').hidden = true;
    other.pause();
    if (Math.abs(video.currentTime - offset) > 0.05) video.currentTime = offset;
    if (preview.playing) video.play().catch((error) => { if (error.name !== 'AbortError') previewByFrames(); });
    // The next unit waits in the other element.
    const next = preview.list[index + 1];
    if (next !== undefined) {
      const nextUrl = unitMovieUrl(tab, next);
      if (other.dataset.url !== nextUrl) { other.dataset.url = nextUrl; other.src = nextUrl; other.load(); }
    }
  } else {
    preview.clock = performance.now() - offset * 1000;
    showPreviewFrame();
  }
  renderPreviewTime();
}

function markPlaying(tab, original) {
  for (const card of document.querySelectorAll('#cards .card[aria-current]')) card.removeAttribute('aria-current');
  const card = tab.cards.get(original);
  if (!card) return;
  card.setAttribute('aria-current', 'true');
  card.scrollIntoView({ block: 'nearest', behavior: 'smooth' });
  $('preview-unit').textContent = `unit ${original} (${preview.index + 1} of ${preview.list.length})`;
}

function videoEvent(video, handler) {
  return (event) => { if (video === videos()[preview.current] && preview.mode === 'video') handler(event); };
}

for (const video of videos()) {
  video.addEventListener('timeupdate', videoEvent(video, () => {
    if (!preview.playing) return;
    preview.position = preview.starts[preview.index] + video.currentTime;
    renderPreviewTime();
  }));
  video.addEventListener('ended', videoEvent(video, () => {
    if (preview.playing) nextUnit();
  }));
  video.addEventListener('error', videoEvent(video, () => { if (preview.playing) previewByFrames(); }));
}

function nextUnit() {
  if (preview.index + 1 < preview.list.length) {
    showUnit(preview.index + 1, 0);
  } else {
    preview.position = preview.total;
    pausePreview();
  }
}

function previewByFrames() {
  if (preview.mode === 'frames') return;
  preview.mode = 'frames';
  sayEdit('info', 'this browser cannot play the movies: the preview shows frames of each unit in turn');
  for (const video of videos()) { video.hidden = true; video.pause(); }
  $('preview-frame').hidden = false;
  showUnit(preview.index, preview.position - preview.starts[preview.index]);
  clearInterval(preview.timer);
  preview.timer = setInterval(() => {
    if (!preview.playing) return;
    const offset = (performance.now() - preview.clock) / 1000;
    const duration = (preview.starts[preview.index + 1] ?? preview.total) - preview.starts[preview.index];
    if (offset >= duration) { nextUnit(); return; }
    preview.position = preview.starts[preview.index] + offset;
    showPreviewFrame();
    renderPreviewTime();
  }, 100);
}

function showPreviewFrame() {
  const tab = tabs.get(active);
  const unit = unitByOriginal(tab, preview.list[preview.index]);
  const offset = preview.position - preview.starts[preview.index];
  const strip = stripFrames(unit);
  const frame = strip[Math.min(strip.length - 1, Math.floor((offset / unit.duration) * strip.length))];
  const url = frameUrl(tab, unit.original_index, frame);
  $('preview-frame').dataset.url = url;
  loadFrame(url, true).then((ok) => { if (ok && $('preview-frame').dataset.url === url) $('preview-frame').src = url; });
}

function pausePreview() {
  if (!preview.playing) return;
  preview.playing = false;
  for (const video of videos()) video.pause();
  $('preview-play').textContent = 'Play reel';
  $('preview').classList.remove('playing');
  renderPreviewTime();
}

// An edit changes what would play: the preview starts again from the top.
function stopPreview() {
  pausePreview();
  preview.position = 0;
  preview.index = -1;
  for (const card of document.querySelectorAll('.card[aria-current]')) card.removeAttribute('aria-current');
  $('preview-unit').textContent = '';
}

function renderPreviewTime() {
  const tab = tabs.get(active);
  if (!tab || !tab.details) return;
  if (!preview.playing && preview.index < 0) planPreview(tab);
  const playhead = $('playhead');
  playhead.max = String(Math.max(0.01, preview.total));
  playhead.value = String(preview.position);
  playhead.setAttribute('aria-valuetext', `${formatTime(preview.position)} of ${formatTime(preview.total)}`);
  $('preview-time').textContent = `${formatTime(preview.position)} / ${formatTime(preview.total)}`;
  if (!preview.playing && preview.index < 0) showPreviewPoster(tab);
}

// Before it plays, the preview shows where the edited reel begins.
function showPreviewPoster(tab) {
  const url = frameUrl(tab, tab.order[0], 0);
  const frame = $('preview-frame');
  for (const video of videos()) video.hidden = true;
  frame.hidden = false;
  if (frame.dataset.url === url) return;
  frame.dataset.url = url;
  frame.removeAttribute('src');
  loadFrame(url, false).then((ok) => {
    if (ok && frame.dataset.url === url) frame.src = url;
  });
}

$('preview-play').addEventListener('click', () => {
  if (preview.playing) pausePreview(); else playPreview(preview.from);
});
$('playhead').addEventListener('input', () => {
  const tab = tabs.get(active);
  if (!tab) return;
  if (preview.index < 0) planPreview(tab);
  const position = Number($('playhead').value);
  const index = indexAt(position);
  showUnit(index, position - preview.starts[index]);
});
// Play reel starts from the card that had the focus just before it.
document.addEventListener('focusin', (event) => {
  const card = event.target.closest && event.target.closest('#cards .card');
  if (card && event.target === card) preview.from = Number(card.dataset.unitIndex);
  else if (!['preview-play', 'playhead'].includes(event.target.id)) preview.from = null;
});
document.addEventListener('focusout', (event) => { if (!event.relatedTarget) preview.from = null; });

// ---- playing a unit ----

let stripTimer = null;

function playUnit(tab, unit) {
  pausePreview();
  const dialog = $('player');
  const video = $('player-video');
  const strip = $('player-strip');
  $('player-title').textContent = `${tab.name}: unit ${unit.original_index}`;
  dialog.dataset.mode = 'loading';
  strip.hidden = true;
  video.hidden = false;
  // A browser that cannot decode the movie gets the unit's frames in turn.
  const fallBack = () => {
    if (dialog.dataset.mode === 'strip' || !dialog.open) return;
    dialog.dataset.mode = 'strip';
    video.hidden = true;
    video.removeAttribute('src');
    strip.hidden = false;
    const frames = [];
    for (let frame = 0; frame < unit.frames; frame += Math.max(1, Math.floor(unit.frames / 24))) frames.push(frame);
    let at = 0;
    clearInterval(stripTimer);
    const show = () => { strip.src = frameUrl(tab, unit.original_index, frames[at]); at = (at + 1) % frames.length; };
    show();
    stripTimer = setInterval(show, Math.max(40, (unit.duration * 1000) / frames.length));
  };
  video.onerror = fallBack;
  video.onplaying = () => { dialog.dataset.mode = 'video'; };
  video.src = unitMovieUrl(tab, unit.original_index);
  dialog.showModal();
  video.play().catch(fallBack);
}

$('player-close').addEventListener('click', () => $('player').close());
$('player').addEventListener('close', () => {
  clearInterval(stripTimer);
  const video = $('player-video');
  video.pause();
  video.removeAttribute('src');
  video.load();
});

// ---- saving ----

function setSaving(running) {
  $('save').disabled = running || !online;
  $('export').disabled = running || !online;
  $('join').disabled = running || !online;
  $('save-cancel').disabled = !running || !online;
}

function setResult(status, result, kind, text) {
  status.dataset.result = result;
  say(status, kind, text);
}

// Runs a save or a join: asks before replacing a file, then follows the
// job's events into the progress bar and its status line.
async function startJob(path, body, status, tab, order) {
  if (saving || !online) return;
  cancelAsked = false;
  setSaving(true);
  $('save-progress').value = 0;
  $('save-percent').textContent = '0 %';
  status.dataset.result = '';
  say(status, 'info', `writing ${body.name}…`);
  for (const open of tabs.values()) if (open.sync) await open.sync;
  let answer = await api('POST', path, body);
  if (answer.status === 409 && answer.data.exists) {
    const open = [...tabs.values()].find((other) => other.name === body.name);
    const question = open
      ? `${body.name} exists and is open in a tab. Replace it with this edit? Its tab will show the new movie` +
        (open.details && unsaved(open) ? ', and its own unsaved edits will be lost.' : '.')
      : `${body.name} exists. Replace it?`;
    if (window.confirm(question)) answer = await api('POST', path, { ...body, overwrite: true });
    else answer = { ok: false, status: 409, data: { error: `${body.name} was left as it was` }, declined: true };
  }
  if (!answer.ok) {
    setSaving(false);
    const kind = failureKind(answer);
    setResult(status, answer.declined ? 'declined' : 'refused', kind, `${body.name} not written: ${answer.data.error}`);
    return;
  }
  const id = answer.data.save;
  const events = new EventSource(withToken(`/api/saves/${id}/events`));
  saving = { id, events };
  if (cancelAsked) api('POST', `/api/saves/${id}/cancel`);
  events.addEventListener('progress', (message) => {
    const percent = JSON.parse(message.data).percent;
    $('save-progress').value = percent;
    $('save-percent').textContent = `${percent} %`;
  });
  events.addEventListener('end', async (message) => {
    const end = JSON.parse(message.data);
    events.close();
    saving = null;
    setSaving(false);
    const kind = end.result === 'saved' ? 'success' : end.result === 'cancelled' ? 'info' : 'error';
    setResult(status, end.result, kind, end.message);
    if (end.result !== 'saved') return;
    if (tab) {
      tab.savedOrder = order;
      keep(tab);
      if (tab === tabs.get(active)) renderTotals(tab);
    }
    if (end.reel !== null && end.reel !== undefined) await showSaved(end.reel);
    setResult(status, end.result, kind, `${end.message}; it is open in its own tab`);
  });
  events.onerror = () => {
    if (!saving || saving.events !== events) return;
    events.close();
    saving = null;
    setSaving(false);
    setResult(status, 'failed', 'error', `lost touch with the studio while writing ${body.name}`);
  };
}

// The saved movie gets a tab (a replaced one is read anew) without leaving
// the tab being edited.
async function showSaved(id) {
  const old = tabs.get(id);
  if (old) {
    old.details = null;
    if (active === id) { active = null; stopPreview(); }
  }
  await loadReels();
  if (active === null) await openReel(id);
}

function save(event) {
  if (event) event.preventDefault();
  const tab = tabs.get(active);
  if (!tab) return;
  startJob(`/api/reels/${tab.details.id}/save`, { name: $('save-name').value.trim(), kind: $('save-kind').value },
    $('save-status'), tab, tab.order.slice());
}

function join(event) {
  event.preventDefault();
  const reels = [...document.querySelectorAll('#join-reels input:checked')].map((box) => Number(box.dataset.reelId));
  if (reels.length < 2) {
    setResult($('join-status'), 'refused', 'refused', 'tick two tabs or more to join them');
    return;
  }
  startJob('/api/join', { name: $('join-name').value.trim(), reels }, $('join-status'), null, null);
}

// The kept units as an MP4, named after the Save as name.
function exportForSharing() {
  const tab = tabs.get(active);
  if (!tab) return;
  const name = $('save-name').value.trim().replace(/\.(mov|mp4)$/i, '');
  startJob(`/api/reels/${tab.details.id}/export`, { name: name === '' ? '' : `${name}.mp4` }, $('save-status'),
    null, null);
}

$('save-form').addEventListener('submit', save);
$('export').addEventListener('click', exportForSharing);
$('join-form').addEventListener('submit', join);
// The button is live from the moment Save is pressed, before the studio
// answers with the job's number; a press in between is sent with it.
$('save-cancel').addEventListener('click', () => {
  if (saving) api('POST', `/api/saves/${saving.id}/cancel`);
  else cancelAsked = true;
});
const activeTab = () => tabs.get(active);
// Undo and Redo stay focusable when there is nothing to undo, so that the
// focus stays on them.
$('undo').addEventListener('click', () => { const tab = activeTab(); if (tab) undo(tab); });
$('redo').addEventListener('click', () => { const tab = activeTab(); if (tab) redo(tab); });
$('close-tab').addEventListener('click', () => { if (active !== null) closeTab(active); });

function unsavedNames() {
  return [...tabs.values()].filter(unsaved).map((tab) => tab.name);
}

window.addEventListener('beforeunload', (event) => {
  if (stopped || unsavedNames().length === 0) return;
  event.preventDefault();
  event.returnValue = '';
});

$('quit').addEventListener('click', async () => {
  const names = unsavedNames();
  if (names.length > 0 &&
      !window.confirm(`${listNames(names)} ${names.length === 1 ? 'has' : 'have'} unsaved edits. Quit the studio anyway? ` +
        '(The edits stay kept in this browser.)')) return;
  const answer = await api('POST', '/api/quit');
  if (!answer.ok) { say($('connection'), 'error', `the studio did not stop: ${answer.data.error}`); return; }
  stopped = true;
  pausePreview();
  document.body.replaceChildren();
  const note = document.createElement('p');
  note.id = 'stopped';
  note.textContent = 'The studio has stopped. You may close this page.';
  document.body.appendChild(note);
});

loadReels().then(async () => {
  if (tabs.size > 0) await openReel(tabs.keys().next().value);
  heartbeat();
});
