// clipreel studio: the page. It keeps each reel's order, undo and redo here
// and tells the server every new order, so that a save writes what is shown.
'use strict';

const token = document.querySelector('meta[name="clipreel-token"]').content;
const STRIP_FRAMES = 8;

function withToken(path) {
  return path + (path.includes('?') ? '&' : '?') + 'token=' + encodeURIComponent(token);
}

async function api(method, path, body) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  const response = await fetch(withToken(path), options);
  let data = {};
  try { data = await response.json(); } catch (e) { data = {}; }
  return { status: response.status, ok: response.ok, data };
}

const $ = (id) => document.getElementById(id);
const tabs = new Map();  // reel id -> { details, order, undo, redo, sync }
let active = null;
let saving = null;       // { id, events }
let cancelAsked = false; // Cancel pressed before the studio named the job

function showMessage(text) { $('message').textContent = text || ''; }

function units(tab) { return tab.details.info.shooting_units; }
function unitByOriginal(tab, original) { return units(tab).find((u) => u.original_index === original); }

function formatTime(seconds) {
  const minutes = Math.floor(seconds / 60);
  const rest = seconds - minutes * 60;
  return minutes + ':' + rest.toFixed(3).padStart(6, '0');
}

function formatBytes(bytes) {
  if (bytes >= 1e9) return (bytes / 1e9).toFixed(2) + ' GB';
  if (bytes >= 1e6) return (bytes / 1e6).toFixed(2) + ' MB';
  return (bytes / 1e3).toFixed(1) + ' kB';
}

function frameUrl(tab, original, frame) {
  return withToken(`/api/reels/${tab.details.id}/units/${original}/frames/${frame}`);
}

function stripFrames(unit) {
  const frames = [];
  for (let k = 0; k < STRIP_FRAMES; ++k) frames.push(Math.floor((k * unit.frames) / STRIP_FRAMES));
  return [...new Set(frames)];
}

// ---- tabs ----

async function loadReels() {
  const answer = await api('GET', '/api/reels');
  if (!answer.ok) { showMessage(answer.data.error || 'cannot list the reels'); return; }
  for (const reel of answer.data) {
    if (!tabs.has(reel.id)) tabs.set(reel.id, { name: reel.name, details: null });
  }
  renderTabs();
}

function renderTabs() {
  const nav = $('tabs');
  nav.replaceChildren();
  for (const [id, tab] of tabs) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'tab';
    button.setAttribute('role', 'tab');
    button.dataset.reelId = id;
    button.textContent = tab.name;
    button.setAttribute('aria-selected', String(id === active));
    button.addEventListener('click', () => openReel(id));
    nav.appendChild(button);
  }
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

async function openReel(id) {
  const tab = tabs.get(id);
  if (!tab) return;
  if (!tab.details) {
    const answer = await api('GET', `/api/reels/${id}`);
    if (!answer.ok) { showMessage(answer.data.error || 'cannot open the reel'); return; }
    tab.details = answer.data;
    tab.order = answer.data.order.slice();
    tab.undo = [];
    tab.redo = [];
    tab.sync = Promise.resolve(true);
  }
  active = id;
  renderTabs();
  $('reel').hidden = false;
  $('save-name').value = suggestName(tab.name);
  renderCameraData(tab);
  render();
}

function suggestName(name) {
  const dot = name.lastIndexOf('.');
  const stem = dot > 0 ? name.slice(0, dot) : name;
  return stem + '-edited.MOV';
}

// ---- cards ----

function makeCard(tab, unit, removed, outputStart) {
  const card = document.createElement('div');
  card.className = 'card';
  card.dataset.unitIndex = unit.original_index;
  const picture = document.createElement('img');
  picture.className = 'picture poster';
  picture.alt = `first frame of unit ${unit.original_index}`;
  picture.src = frameUrl(tab, unit.original_index, 0);
  picture.draggable = false;
  card.appendChild(picture);

  const label = document.createElement('div');
  label.className = 'label';
  label.innerHTML = '<b></b><br><span class="start"></span><br><span class="duration"></span>';
  label.querySelector('b').textContent = `Unit ${unit.original_index}`;
  label.querySelector('.start').textContent = removed
    ? `was at ${formatTime(unit.start_time)}`
    : `at ${formatTime(unit.start_time)} → ${formatTime(outputStart)}`;
  label.querySelector('.start').title = 'start in the reel → start in the new movie';
  label.querySelector('.duration').textContent = `${unit.duration.toFixed(3)} s, ${unit.frames} frames`;

  const actions = document.createElement('div');
  actions.className = 'actions';
  if (removed) {
    actions.appendChild(button('Restore', 'restore', () => restoreUnit(tab, unit.original_index)));
  } else {
    card.tabIndex = 0;
    const strip = document.createElement('div');
    strip.className = 'strip';
    for (const frame of stripFrames(unit)) {
      const image = document.createElement('img');
      image.dataset.frame = frame;
      image.alt = '';
      image.draggable = false;
      strip.appendChild(image);
    }
    card.appendChild(strip);
    actions.appendChild(button('Play', 'play', () => playUnit(tab, unit)));
    const remove = button('Remove', 'remove', () => removeUnit(tab, unit.original_index));
    remove.disabled = tab.order.length <= 1;
    actions.appendChild(remove);
    // The strip follows a poster that decoded; a unit whose first frame does
    // not decode gets its strip only when the pointer asks for it.
    picture.addEventListener('load', () => loadStrip(tab, card), { once: true });
    card.addEventListener('pointerenter', () => loadStrip(tab, card));
    card.addEventListener('pointermove', (event) => scrub(tab, card, event));
    card.addEventListener('pointerleave', () => { picture.src = frameUrl(tab, unit.original_index, 0); });
    card.addEventListener('pointerdown', (event) => startDrag(tab, card, event));
    card.addEventListener('keydown', (event) => cardKey(tab, card, event));
  }
  card.appendChild(label);
  card.appendChild(actions);
  return card;
}

function button(text, className, action) {
  const element = document.createElement('button');
  element.type = 'button';
  element.className = className;
  element.textContent = text;
  element.addEventListener('click', action);
  return element;
}

function loadStrip(tab, card) {
  for (const image of card.querySelectorAll('.strip img')) {
    if (!image.getAttribute('src')) image.src = frameUrl(tab, Number(card.dataset.unitIndex), image.dataset.frame);
  }
}

function scrub(tab, card, event) {
  if (drag) return;
  const images = [...card.querySelectorAll('.strip img')];
  if (images.length === 0) return;
  const box = card.getBoundingClientRect();
  const position = Math.min(0.999, Math.max(0, (event.clientX - box.left) / box.width));
  const chosen = images[Math.floor(position * images.length)];
  for (const image of images) image.classList.toggle('current', image === chosen);
  const picture = card.querySelector('.picture');
  const url = frameUrl(tab, Number(card.dataset.unitIndex), chosen.dataset.frame);
  if (picture.src !== new URL(url, location.href).href) picture.src = url;
}

function render() {
  const tab = tabs.get(active);
  if (!tab) return;
  const focused = document.activeElement && document.activeElement.classList.contains('card')
    ? document.activeElement.dataset.unitIndex : null;
  const cards = $('cards');
  let outputStart = 0;
  cards.replaceChildren(...tab.order.map((original) => {
    const unit = unitByOriginal(tab, original);
    const card = makeCard(tab, unit, false, outputStart);
    outputStart += unit.duration;
    return card;
  }));
  const removed = units(tab).filter((u) => !tab.order.includes(u.original_index));
  $('removed').replaceChildren(...removed.map((u) => makeCard(tab, u, true)));
  $('removed-section').hidden = removed.length === 0;
  if (focused !== null) {
    const again = cards.querySelector(`.card[data-unit-index="${focused}"]`);
    if (again) again.focus();
  }
  $('undo').disabled = tab.undo.length === 0;
  $('redo').disabled = tab.redo.length === 0;
  renderTotals(tab);
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
}

function renderCameraData(tab) {
  const table = $('camera-table');
  table.replaceChildren();
  const add = (key, value) => {
    const row = table.insertRow();
    row.insertCell().textContent = key;
    row.insertCell().textContent = value;
  };
  const walk = (prefix, value) => {
    if (value !== null && typeof value === 'object' && !Array.isArray(value)) {
      for (const key of Object.keys(value)) walk(prefix ? `${prefix}.${key}` : key, value[key]);
    } else if (Array.isArray(value)) {
      add(prefix, `${value.length} entries`);
    } else {
      add(prefix, String(value));
    }
  };
  walk('', tab.details.info);
}

// ---- editing ----

function commit(tab, order) {
  tab.undo.push(tab.order);
  tab.redo = [];
  tab.order = order;
  changed(tab);
}

function changed(tab) {
  render();
  const order = tab.order.slice();
  tab.sync = tab.sync.then(async () => {
    const answer = await api('PUT', `/api/reels/${tab.details.id}/order`, { order });
    if (!answer.ok) showMessage(answer.data.error || 'the server refused the order');
    return answer.ok;
  });
}

function undo(tab) {
  if (tab.undo.length === 0) return;
  tab.redo.push(tab.order);
  tab.order = tab.undo.pop();
  changed(tab);
}

function redo(tab) {
  if (tab.redo.length === 0) return;
  tab.undo.push(tab.order);
  tab.order = tab.redo.pop();
  changed(tab);
}

function removeUnit(tab, original) {
  if (tab.order.length <= 1) return;
  tab.removedFrom = tab.removedFrom || new Map();
  tab.removedFrom.set(original, tab.order.indexOf(original));
  commit(tab, tab.order.filter((u) => u !== original));
}

function restoreUnit(tab, original) {
  // Back at the place it was removed from, or at the end.
  const order = tab.order.slice();
  const at = tab.removedFrom && tab.removedFrom.has(original) ? tab.removedFrom.get(original) : order.length;
  order.splice(Math.min(at, order.length), 0, original);
  commit(tab, order);
}

function move(tab, original, target, after) {
  const order = tab.order.filter((u) => u !== original);
  let at = order.indexOf(target);
  if (at < 0) return;
  if (after) at += 1;
  order.splice(at, 0, original);
  if (order.join() !== tab.order.join()) commit(tab, order);
}

function cardKey(tab, card, event) {
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
  } else if (event.key === 'Delete' || event.key === 'Backspace') {
    event.preventDefault();
    const next = tab.order[at + 1] ?? tab.order[at - 1];
    removeUnit(tab, original);
    const card = $('cards').querySelector(`.card[data-unit-index="${next}"]`);
    if (card) card.focus();
  }
}

// Dragging with pointer events: a move past a few pixels starts it, the card
// under the pointer and its half decide where the dragged card goes.
let drag = null;

function startDrag(tab, card, event) {
  if (event.button !== 0 || event.target.closest('button')) return;
  drag = { tab, card, x: event.clientX, y: event.clientY, moving: false, target: null, after: false };
}

function dropTarget(event) {
  for (const element of document.elementsFromPoint(event.clientX, event.clientY)) {
    const card = element.closest && element.closest('#cards .card');
    if (card && card !== drag.card) return card;
  }
  return null;
}

document.addEventListener('pointermove', (event) => {
  if (!drag) return;
  if (!drag.moving) {
    if (Math.hypot(event.clientX - drag.x, event.clientY - drag.y) < 6) return;
    drag.moving = true;
    drag.card.classList.add('dragging');
  }
  for (const card of document.querySelectorAll('.drop-before, .drop-after')) card.classList.remove('drop-before', 'drop-after');
  drag.target = dropTarget(event);
  if (drag.target) {
    const box = drag.target.getBoundingClientRect();
    drag.after = event.clientX > box.left + box.width / 2;
    drag.target.classList.add(drag.after ? 'drop-after' : 'drop-before');
  }
});

document.addEventListener('pointerup', () => {
  if (!drag) return;
  const { tab, card, moving, target, after } = drag;
  drag = null;
  card.classList.remove('dragging');
  for (const other of document.querySelectorAll('.drop-before, .drop-after')) other.classList.remove('drop-before', 'drop-after');
  if (moving && target) move(tab, Number(card.dataset.unitIndex), Number(target.dataset.unitIndex), after);
});

document.addEventListener('keydown', (event) => {
  const tab = tabs.get(active);
  if (!tab || !(event.ctrlKey || event.metaKey) || event.target.tagName === 'INPUT') return;
  const key = event.key.toLowerCase();
  if (key === 'z' && !event.shiftKey) { event.preventDefault(); undo(tab); }
  if (key === 'y' || (key === 'z' && event.shiftKey)) { event.preventDefault(); redo(tab); }
});

// ---- playing a unit ----

let stripTimer = null;

function playUnit(tab, unit) {
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
  video.src = withToken(`/api/reels/${tab.details.id}/units/${unit.original_index}/movie`);
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
  $('save').disabled = running;
  $('save-cancel').disabled = !running;
}

// Runs a save or a join: asks before replacing a file, then follows the
// job's events into the progress bar and opens what it wrote.
async function startJob(path, body) {
  if (saving) return;
  showMessage('');
  cancelAsked = false;
  setSaving(true);
  $('save-progress').value = 0;
  $('save-percent').textContent = '0 %';
  $('save-status').textContent = 'saving…';
  $('save-status').dataset.result = '';
  for (const tab of tabs.values()) if (tab.sync) await tab.sync;
  let answer = await api('POST', path, body);
  if (answer.status === 409 && answer.data.exists) {
    if (window.confirm(`${body.name} exists. Replace it?`)) {
      answer = await api('POST', path, { ...body, overwrite: true });
    }
  }
  if (!answer.ok) {
    setSaving(false);
    $('save-status').textContent = answer.data.error || 'not saved';
    $('save-status').dataset.result = 'refused';
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
    const report = () => {
      $('save-status').textContent = end.message;
      $('save-status').dataset.result = end.result;
    };
    report();
    if (end.result === 'saved' && end.reel !== null && end.reel !== undefined) {
      tabs.delete(end.reel);  // replaced with consent: read it anew
      await loadReels();
      await openReel(end.reel);
      report();
    }
  });
  events.onerror = () => {
    if (saving && saving.events === events) $('save-status').textContent = 'lost touch with the studio';
  };
}

function save(event) {
  event.preventDefault();
  const tab = tabs.get(active);
  if (!tab) return;
  startJob(`/api/reels/${tab.details.id}/save`, { name: $('save-name').value.trim(), kind: $('save-kind').value });
}

function join(event) {
  event.preventDefault();
  const reels = [...document.querySelectorAll('#join-reels input:checked')].map((box) => Number(box.dataset.reelId));
  startJob('/api/join', { name: $('join-name').value.trim(), reels });
}

$('save-form').addEventListener('submit', save);
$('join-form').addEventListener('submit', join);
// The button is live from the moment Save is pressed, before the studio
// answers with the job's number; a press in between is sent with it.
$('save-cancel').addEventListener('click', () => {
  if (saving) api('POST', `/api/saves/${saving.id}/cancel`);
  else cancelAsked = true;
});
$('undo').addEventListener('click', () => { const tab = tabs.get(active); if (tab) undo(tab); });
$('redo').addEventListener('click', () => { const tab = tabs.get(active); if (tab) redo(tab); });
$('quit').addEventListener('click', async () => {
  await api('POST', '/api/quit');
  document.body.replaceChildren();
  const note = document.createElement('p');
  note.id = 'stopped';
  note.textContent = 'The studio has stopped. You may close this page.';
  document.body.appendChild(note);
});

loadReels().then(() => { if (tabs.size > 0) openReel(tabs.keys().next().value); });
