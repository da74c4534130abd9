// The studio in a real browser: Debian's chromium, headless, driven through
// puppeteer-core against sample reels.
//   node studio.test.js CLIPREEL WORKDIR
// Screenshots go to WORKDIR for a person to look at.
'use strict';

const assert = require('assert');
const { execFileSync, spawnSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { heldTemporaries, waitForHeldTemporary } = require('./heldTemporary');
const { startStudio } = require('./studioProcess');

const [clipreel, workDir] = process.argv.slice(2).map((p) => path.resolve(p));
const reels = path.join(workDir, 'reels');
const UNIT_FRAMES = 30;

function step(text) { console.log(`-- ${text}`); }

function makeReels() {
  fs.rmSync(reels, { recursive: true, force: true });
  fs.mkdirSync(reels, { recursive: true });
  const reel = path.join(reels, 'reel.MOV');
  const big = path.join(reels, 'big.MOV');
  execFileSync(clipreel, ['sample', reel, '--units', '5', '-q'], { stdio: 'pipe' });
  // A reel of another shape, with many units: placeholder frames are quick to write.
  execFileSync(clipreel, ['sample', big, '--units', '80', '--seconds-per-unit', '5', '--width', '1280',
    '--height', '720', '--dummy-frames', '-q'], { stdio: 'pipe' });
  // Sixty units of small real frames: the reel a long edit is tried on.
  const longFolder = path.join(workDir, 'long');
  fs.rmSync(longFolder, { recursive: true, force: true });
  fs.mkdirSync(longFolder);
  const long = path.join(longFolder, 'long.MOV');
  execFileSync(clipreel, ['sample', long, '--units', '60', '--width', '160', '--height', '120', '-q'], { stdio: 'pipe' });
  return { reel, big, long };
}

// The studio's own messages (the frame grab's complaints about the large
// reel's placeholder frames among them) go to studio.log. It holds the save
// of HELD_SAVE at its start until that save is cancelled: a save runs at the
// speed of a file copy, too fast to press Cancel during it otherwise.
const HELD_SAVE = 'big-edited.MOV';
function startReelStudio(files, port) {
  return startStudio(clipreel, files, { port, logFile: path.join(workDir, 'studio.log'), heldSave: HELD_SAVE });
}

// A raw request, so that the Host header can be anything.
function request(port, method, target, { host, body } = {}) {
  return new Promise((resolve, reject) => {
    const headers = { Host: host || `127.0.0.1:${port}` };
    if (body !== undefined) headers['Content-Type'] = 'application/json';
    const req = http.request({ host: '127.0.0.1', port, method, path: target, headers }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => resolve({ status: res.statusCode, body: Buffer.concat(chunks) }));
    });
    req.on('error', reject);
    req.end(body === undefined ? undefined : body);
  });
}

async function checkAccessAndInput(port, token) {
  step('requests without the token, with a wrong one or another Host are refused');
  const refused = [
    ['GET', '/', undefined],
    ['GET', '/api/reels', undefined],
    ['GET', `/api/reels?token=${token.slice(0, -1)}x`, undefined],
    ['GET', `/api/reels?token=${token}`, 'evil.example'],
    ['GET', `/api/reels?token=${token}`, `localhost:${port}`],
    ['GET', `/api/reels?token=${token}`, `evil.example:${port}`],
    ['POST', `/api/quit?token=${token}`, `rebound.example:${port}`],
  ];
  for (const [method, target, host] of refused) {
    const answer = await request(port, method, target, { host, body: method === 'POST' ? '' : undefined });
    assert.strictEqual(answer.status, 403, `${method} ${target} Host ${host}: ${answer.status}`);
  }
  const list = await request(port, 'GET', `/api/reels?token=${token}`);
  assert.strictEqual(list.status, 200);
  assert.deepStrictEqual(JSON.parse(list.body).map((r) => r.name), ['reel.MOV', 'big.MOV']);

  step('bad input gets a 4xx answer and the server stays up');
  const t = `token=${token}`;
  const bad = [
    ['GET', `/api/reels/9?${t}`, undefined, 404],
    ['GET', `/api/reels/99999999999999999999?${t}`, undefined, 404],
    ['GET', `/api/reels/0/units/5/frames/0?${t}`, undefined, 404],
    ['GET', `/api/reels/0/units/0/frames/30?${t}`, undefined, 404],
    ['GET', `/api/reels/0/units/7/movie?${t}`, undefined, 404],
    ['GET', `/api/../../etc/passwd?${t}`, undefined, 404],
    ['GET', `/index.html?${t}`, undefined, 404],
    ['PUT', `/api/reels/0/order?${t}`, 'not json', 400],
    ['PUT', `/api/reels/0/order?${t}`, '{"order":[0,0]}', 400],
    ['PUT', `/api/reels/0/order?${t}`, '{"order":[]}', 400],
    ['PUT', `/api/reels/0/order?${t}`, '{"order":[5]}', 400],
    ['PUT', `/api/reels/0/order?${t}`, '{"order":[-1]}', 400],
    ['PUT', `/api/reels/0/order?${t}`, '{"order":"0,1"}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"../escaped.MOV"}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"/tmp/escaped.MOV"}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"sub/escaped.MOV"}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"escaped.txt"}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":""}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":7}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"x.MOV","kind":"other"}', 400],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"reel.MOV","overwrite":true}', 409],
    ['POST', `/api/reels/0/save?${t}`, '{"name":"big.MOV"}', 409],
    ['POST', `/api/join?${t}`, '{"name":"j.MOV","reels":[0]}', 400],
    ['POST', `/api/join?${t}`, '{"name":"j.MOV","reels":[0,9]}', 404],
    ['POST', `/api/join?${t}`, '{"name":"j.MOV","reels":[0,"1"]}', 404],
    ['POST', `/api/join?${t}`, '{"name":"../j.MOV","reels":[0,0]}', 400],
    ['POST', `/api/join?${t}`, '{"name":"j.MOV","reels":[0,1]}', 422],
    ['POST', `/api/saves/42/cancel?${t}`, '', 404],
    ['GET', `/api/saves/42/events?${t}`, undefined, 404],
  ];
  for (const [method, target, body, status] of bad) {
    const answer = await request(port, method, target, { body });
    assert.strictEqual(answer.status, status, `${method} ${target} ${body}: ${answer.status} ${answer.body}`);
    if (status !== 404 || target.startsWith('/api/reels')) assert.ok(JSON.parse(answer.body).error);
  }
  assert.deepStrictEqual(fs.readdirSync(reels).sort(), ['big.MOV', 'reel.MOV']);
  assert.strictEqual((await request(port, 'GET', `/api/reels?${t}`)).status, 200);

  step('a unit played alone is a one-unit movie FFmpeg decodes');
  const movie = await request(port, 'GET', `/api/reels/0/units/2/movie?${t}`);
  assert.strictEqual(movie.status, 200);
  const unitFile = path.join(workDir, 'unit2.mov');
  fs.writeFileSync(unitFile, movie.body);
  assert.strictEqual(decodedFrames(unitFile), UNIT_FRAMES);
  assert.deepStrictEqual(packetHashes(unitFile), packetHashes(path.join(reels, 'reel.MOV')).slice(2 * UNIT_FRAMES, 3 * UNIT_FRAMES));
}

function decodedFrames(file) {
  const result = spawnSync('ffprobe', ['-v', 'error', '-select_streams', 'v:0', '-count_frames',
    '-show_entries', 'stream=nb_read_frames', '-of', 'csv=p=0', file], { encoding: 'utf8' });
  assert.strictEqual(result.status, 0, result.stderr);
  assert.strictEqual(result.stderr, '', result.stderr);
  return Number(result.stdout.trim());
}

// The MD5 of every video packet, copied as stored: units moved losslessly
// keep theirs.
function packetHashes(file) {
  const text = execFileSync('ffmpeg', ['-v', 'error', '-i', file, '-map', '0:v', '-c', 'copy', '-f', 'framemd5', '-'],
    { encoding: 'utf8', maxBuffer: 64 << 20 });
  return text.split('\n').filter((line) => line && !line.startsWith('#')).map((line) => line.split(',').pop().trim());
}

const order = (page) => page.$$eval('#cards .card', (cards) => cards.map((c) => Number(c.dataset.unitIndex)));
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const text = (page, selector) => page.$eval(selector, (e) => e.textContent);
const focusedUnit = (page) => page.evaluate(() => document.activeElement.dataset.unitIndex ?? document.activeElement.id);

async function center(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2, box };
}

// Dialogs (confirm, beforeunload) are noted and answered in turn from the
// answers a step queued; with none queued they are dismissed.
function answerDialogs(page) {
  const dialogs = { seen: [], answers: [] };
  page.on('dialog', async (dialog) => {
    dialogs.seen.push({ type: dialog.type(), message: dialog.message() });
    if (dialogs.answers.shift() === 'accept') await dialog.accept(); else await dialog.dismiss();
  });
  return dialogs;
}

// The width of every poster once its picture is there.
async function posterWidths(page) {
  await page.waitForFunction(() => [...document.querySelectorAll('#cards .poster')].every((img) =>
    img.getAttribute('src') && img.complete), { timeout: 15000 });
  return page.$$eval('#cards .poster', (images) => images.map((img) => img.naturalWidth));
}

async function dialogCount(dialogs, count) {
  const started = Date.now();
  while (dialogs.seen.length < count) {
    assert.ok(Date.now() - started < 5000, `no dialog (${dialogs.seen.length} of ${count})`);
    await pause(50);
  }
}

// Opens a tab and waits for its cards (not those of the tab before).
async function openTab(page, id, cards) {
  await page.click(`#tabs .tab[data-reel-id="${id}"]`);
  await page.waitForFunction((reel, count) => {
    const shown = [...document.querySelectorAll('#cards .card')];
    return document.getElementById('reel').getAttribute('aria-labelledby') === `tab-${reel}` && shown.length === count &&
      shown.every((card) => card.dataset.posterUrl.includes(`/reels/${reel}/`));
  }, { timeout: 15000 }, id, cards);
}

async function clickWith(page, selector, key) {
  if (key) await page.keyboard.down(key);
  await page.click(selector);
  if (key) await page.keyboard.up(key);
}

async function editInBrowser(page, url, screenshots) {
  step('one card per unit, each poster decodes; camera data in plain words');
  await page.goto(url);
  await page.waitForFunction(() => document.querySelectorAll('#cards .card').length === 5);
  assert.deepStrictEqual(await order(page), [0, 1, 2, 3, 4]);
  assert.deepStrictEqual(await posterWidths(page), [160, 160, 160, 160, 160]);
  assert.match(await text(page, '#total-duration'), /5\.005 s/);
  const camera = await page.$$eval('#camera-table dt', (terms) =>
    Object.fromEntries(terms.map((dt) => [dt.textContent, dt.nextElementSibling.textContent])));
  assert.strictEqual(camera['Creator version'], '6');
  assert.strictEqual(camera['Frame rate'], '29.97 fps (30000/1001)');
  assert.strictEqual(camera.Duration, '5.005 s, 150 frames');
  assert.match(camera['File size'], /^1\.0 MB$/);
  assert.ok(!Object.keys(camera).some((key) => /[._]/.test(key)), `raw keys: ${Object.keys(camera)}`);

  step('the tabs are a tab list with a tab panel');
  const tabs = await page.$$eval('#tabs [role="tab"]', (list) => list.map((t) =>
    [t.getAttribute('aria-selected'), t.tabIndex, t.getAttribute('aria-controls')]));
  assert.deepStrictEqual(tabs, [['true', 0, 'reel'], ['false', -1, 'reel']]);
  assert.strictEqual(await page.$eval('#reel', (e) => [e.getAttribute('role'), e.getAttribute('aria-labelledby')].join()),
    'tabpanel,tab-0');

  step('every button names its unit');
  for (const name of ['Play unit 3', 'Remove unit 3', 'Remove unit 0', 'Play unit 4']) {
    assert.ok(await page.$(`aria/${name}[role="button"]`), `no button named "${name}"`);
  }

  step('the strip scrubs as the pointer moves over a card');
  const card2 = await center(page, '#cards .card[data-unit-index="2"]');
  await page.mouse.move(card2.box.x + 5, card2.y);
  await page.mouse.move(card2.box.x + card2.box.width - 5, card2.y, { steps: 4 });
  await page.waitForFunction(() => [...document.querySelectorAll('#cards .card[data-unit-index="2"] .strip img')]
    .every((img) => img.complete && img.naturalWidth === 160));
  await page.mouse.move(card2.box.x + card2.box.width - 5, card2.y + 2);
  await page.waitForFunction(() => {
    const poster = document.querySelector('#cards .card[data-unit-index="2"] .poster');
    return /frames\/(?!0\b)\d+/.test(poster.src) && poster.complete && poster.naturalWidth === 160;
  });

  step('drag unit 3 before unit 0');
  const from = await center(page, '#cards .card[data-unit-index="3"]');
  const to = await center(page, '#cards .card[data-unit-index="0"]');
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(to.box.x + 12, to.y, { steps: 12 });
  await page.mouse.up();
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);
  await page.waitForFunction(() => /Unit 3 moved to position 1 of 5/.test(document.getElementById('announce').textContent));

  step('keyboard reorder, announced; undo and redo keep the focus');
  await page.focus('#cards .card[data-unit-index="2"]');
  await page.keyboard.press('ArrowLeft');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 1, 4]);
  assert.strictEqual(await focusedUnit(page), '2');
  await page.waitForFunction(() => /Unit 2 moved to position 3 of 5/.test(document.getElementById('announce').textContent));
  await page.click('#undo');
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);
  assert.strictEqual(await focusedUnit(page), 'undo');
  await page.click('#redo');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 1, 4]);
  assert.strictEqual(await focusedUnit(page), 'redo');
  await page.keyboard.down('Control');
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);

  step('Remove moves the focus to the next card; Restore keeps it on the unit; removal announced');
  await page.click('#cards .card[data-unit-index="1"] .remove');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);
  assert.strictEqual(await focusedUnit(page), '2');
  await page.waitForFunction(() => /Unit 1 removed\. 4 of 5 units kept/.test(document.getElementById('announce').textContent));
  assert.match(await text(page, '#total-duration'), /4\.004 s/);
  assert.ok(await page.$('aria/Restore unit 1[role="button"]'), 'no button named "Restore unit 1"');
  await page.click('#removed .card[data-unit-index="1"] .restore');
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);
  assert.strictEqual(await focusedUnit(page), '1');
  await page.click('#cards .card[data-unit-index="4"] .remove');
  assert.strictEqual(await focusedUnit(page), '2', 'the last card removed: the focus goes to the one before');
  await page.click('#undo');
  await page.click('#cards .card[data-unit-index="1"] .remove');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);
  assert.match(await text(page, '#total-units'), /4 of 5 units/);
  assert.match(await text(page, '#cards .card[data-unit-index="2"] .start'), /at 0:02\.002 → 0:02\.002/);
  assert.match(await text(page, '#cards .card[data-unit-index="0"] .start'), /at 0:00\.000 → 0:01\.001/);

  step('a failed request is shown as an error, a refusal as a refusal');
  await page.setRequestInterception(true);
  let answer = { status: 500, body: '{"error":"the disk is on fire"}' };
  const failOrders = (req) => (/\/order\?/.test(req.url()) && req.method() === 'PUT'
    ? req.respond({ ...answer, contentType: 'application/json' }) : req.continue());
  page.on('request', failOrders);
  await page.focus('#cards .card[data-unit-index="2"]');
  await page.keyboard.press('ArrowLeft');
  await page.waitForFunction(() => document.getElementById('edit-status').dataset.kind === 'error');
  assert.strictEqual(await text(page, '#edit-status'), 'Failed: the studio did not take the new order: the disk is on fire');
  answer = { status: 400, body: '{"error":"no"}' };
  await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => document.getElementById('edit-status').dataset.kind === 'refused');
  assert.strictEqual(await text(page, '#edit-status'), 'Refused: the studio did not take the new order: no');
  page.off('request', failOrders);
  await page.setRequestInterception(false);
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('ArrowRight');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);
  await page.waitForFunction(() => document.getElementById('edit-status').textContent === '');

  step('Shift+click selects a range, Delete removes it all, one undo brings it back');
  await page.click('#cards .card[data-unit-index="0"] .label');
  await clickWith(page, '#cards .card[data-unit-index="4"] .label', 'Shift');
  assert.deepStrictEqual(await page.$$eval('#cards .card.selected', (c) => c.map((e) => Number(e.dataset.unitIndex))), [0, 2, 4]);
  await page.keyboard.press('Delete');
  assert.deepStrictEqual(await order(page), [3]);
  await page.waitForFunction(() => /Units 0, 2 and 4 removed/.test(document.getElementById('announce').textContent));
  await page.click('#undo');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);

  step('Ctrl+click adds to the selection; a drag moves the selected cards together');
  await page.click('#cards .card[data-unit-index="3"] .label');
  await clickWith(page, '#cards .card[data-unit-index="0"] .label', 'Control');
  const start = await center(page, '#cards .card[data-unit-index="3"] .label');
  const end = await center(page, '#cards .card[data-unit-index="4"]');
  await page.mouse.move(start.x, start.y);
  await page.mouse.down();
  await page.mouse.move(end.box.x + end.box.width - 10, end.y, { steps: 12 });
  await page.mouse.up();
  assert.deepStrictEqual(await order(page), [2, 4, 3, 0]);
  await page.click('#undo');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);
  await page.click('#cards .card[data-unit-index="3"] .label');
  await page.mouse.move(5, 5);
  await page.screenshot({ path: path.join(screenshots, 'studio-edited.png') });

  step('play a unit');
  await page.click('#cards .card[data-unit-index="2"] .play');
  await page.waitForFunction(() => ['video', 'strip'].includes(document.getElementById('player').dataset.mode),
    { timeout: 15000 });
  const mode = await page.$eval('#player', (d) => d.dataset.mode);
  console.log(`   the unit plays as ${mode === 'video' ? 'a movie in <video>' : 'its frame strip'}`);
  await pause(400);
  await page.screenshot({ path: path.join(screenshots, 'studio-play.png') });
  await page.click('#player-close');

  step('a unit whose movie cannot be played shows its frames in turn');
  await page.setRequestInterception(true);
  const refuseMovies = (req) => (/\/movie\?/.test(req.url()) ? req.abort() : req.continue());
  page.on('request', refuseMovies);
  await page.click('#cards .card[data-unit-index="4"] .play');
  await page.waitForFunction(() => {
    const strip = document.getElementById('player-strip');
    return document.getElementById('player').dataset.mode === 'strip' && !strip.hidden &&
      strip.complete && strip.naturalWidth === 160;
  }, { timeout: 15000 });
  await page.click('#player-close');
  page.off('request', refuseMovies);
  await page.setRequestInterception(false);

  step('Play reel plays the kept units in their new order; Space pauses and plays from the focused card');
  await page.evaluate(() => {
    window.played = [];
    new MutationObserver(() => {
      const current = document.querySelector('#cards .card[aria-current="true"]');
      const unit = current ? Number(current.dataset.unitIndex) : null;
      if (unit !== null && window.played[window.played.length - 1] !== unit) window.played.push(unit);
    }).observe(document.getElementById('cards'), { attributes: true, subtree: true, attributeFilter: ['aria-current'] });
    document.activeElement.blur();
  });
  assert.strictEqual(await page.$eval('#playhead', (e) => Number(e.max).toFixed(3)), '4.004');
  await page.click('#preview-play');
  await page.waitForFunction(() => window.played.length === 2, { timeout: 15000 });
  await page.screenshot({ path: path.join(screenshots, 'studio-preview.png') });
  await page.waitForFunction(() => document.getElementById('preview-play').textContent === 'Play reel', { timeout: 20000 });
  assert.deepStrictEqual(await page.evaluate(() => window.played), [3, 0, 2, 4]);
  assert.match(await text(page, '#preview-time'), /^0:04\.00\d \/ 0:04\.004$/);
  await page.focus('#cards .card[data-unit-index="2"]');
  await page.evaluate(() => { window.played = []; });
  await page.keyboard.press('Space');
  await page.waitForFunction(() => window.played.length > 0, { timeout: 10000 });
  assert.strictEqual(await page.evaluate(() => window.played[0]), 2);
  await page.keyboard.press('Space');
  assert.strictEqual(await text(page, '#preview-play'), 'Play reel');
  assert.strictEqual(await page.$eval('#cards .card[aria-current="true"]', (e) => e.dataset.unitIndex), '2');

  step('save as edited.MOV with progress to 100 %');
  const percents = [];
  await page.exposeFunction('notePercent', (value) => percents.push(value));
  await page.evaluate(() => new MutationObserver(() => window.notePercent(document.getElementById('save-percent').textContent))
    .observe(document.getElementById('save-percent'), { childList: true, characterData: true, subtree: true }));
  await page.$eval('#save-name', (input) => { input.value = ''; });
  await page.type('#save-name', 'edited.MOV');
  const toolbar = await page.$eval('#toolbar', (e) => e.getBoundingClientRect().height);
  await page.click('#save');
  await page.waitForFunction(() => document.getElementById('save-status').dataset.result, { timeout: 30000 });
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'saved', await text(page, '#save-status'));
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.kind), 'success');
  assert.strictEqual(await text(page, '#save-percent'), '100 %');
  assert.strictEqual(await page.$eval('#save-progress', (e) => e.value), 100);
  assert.ok(percents.includes('100 %'), `percents ${percents}`);
  assert.strictEqual(await page.$eval('#toolbar', (e) => e.getBoundingClientRect().height), toolbar,
    'a message shifted the toolbar');

  step('the saved movie opens in its own tab; the edited tab stays in front');
  await page.waitForFunction(() => document.querySelectorAll('#tabs .tab').length === 3 &&
    /saved edited\.MOV; it is open in its own tab/.test(document.getElementById('save-status').textContent));
  assert.match(await text(page, '#tabs .tab[aria-selected="true"]'), /^reel\.MOV/);
  await openTab(page, 2, 4);
  assert.deepStrictEqual(await posterWidths(page), [160, 160, 160, 160]);
  await page.screenshot({ path: path.join(screenshots, 'studio-saved.png') });
}

function checkSavedMovie(units) {
  step(`the library reads edited.MOV with units ${units.join(', ')}; FFmpeg decodes it`);
  const saved = path.join(reels, 'edited.MOV');
  const info = JSON.parse(execFileSync(clipreel, ['info', '--json', saved], { encoding: 'utf8' }));
  assert.strictEqual(info.kind, 'clipreel');
  assert.strictEqual(info.shooting_units.length, units.length);
  const source = packetHashes(path.join(reels, 'reel.MOV'));
  const unit = (n) => source.slice(n * UNIT_FRAMES, (n + 1) * UNIT_FRAMES);
  assert.deepStrictEqual(packetHashes(saved), units.flatMap(unit));
  assert.strictEqual(decodedFrames(saved), units.length * UNIT_FRAMES);
}

async function saveAgain(page, dialogs) {
  step('edit again and save under the name just saved: asked first, the file replaced, its tab read anew');
  await openTab(page, 0, 4);
  await page.click('#cards .card[data-unit-index="4"] .remove');
  assert.deepStrictEqual(await order(page), [3, 0, 2]);
  await page.$eval('#save-name', (input) => { input.value = ''; });
  await page.type('#save-name', 'edited.MOV');
  const asked = dialogs.seen.length;
  dialogs.answers.push('accept');
  await page.keyboard.down('Control');
  await page.keyboard.press('s');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => /open in its own tab/.test(document.getElementById('save-status').textContent),
    { timeout: 30000 });
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'saved', await text(page, '#save-status'));
  assert.strictEqual(dialogs.seen.length, asked + 1);
  assert.match(dialogs.seen[asked].message, /edited\.MOV exists and is open in a tab\. Replace it/);
  assert.strictEqual(await page.$$eval('#tabs .tab', (list) => list.length), 3, 'a second tab for the same movie');
  checkSavedMovie([3, 0, 2]);
  await openTab(page, 2, 3);
  assert.deepStrictEqual(await posterWidths(page), [160, 160, 160]);
  await openTab(page, 0, 3);
}

async function joinTabs(page, port, token, screenshots) {
  step('reels of another shape are not joined; reel.MOV and edited.MOV are, the result beside Join');
  const waitForEnd = () => page.waitForFunction(() => document.getElementById('join-status').dataset.result,
    { timeout: 30000 });
  const saveRow = await text(page, '#save-status');
  await page.click('#join');
  assert.strictEqual(await text(page, '#join-status'), 'Refused: tick two tabs or more to join them');
  await page.click('#join-reels input[data-reel-id="0"]');
  await page.click('#join-reels input[data-reel-id="1"]');
  await page.click('#join');
  await waitForEnd();
  assert.strictEqual(await page.$eval('#join-status', (e) => e.dataset.result), 'refused');
  assert.strictEqual(await page.$eval('#join-status', (e) => e.dataset.kind), 'refused');
  assert.match(await text(page, '#join-status'), /^Refused: .*big\.MOV/);
  assert.strictEqual(await text(page, '#save-status'), saveRow, 'the join answered in the Save row');
  await page.click('#join-reels input[data-reel-id="1"]');
  await page.click('#join-reels input[data-reel-id="2"]');
  await page.click('#join');
  await page.waitForFunction(() => /open in its own tab/.test(document.getElementById('join-status').textContent),
    { timeout: 30000 });
  assert.strictEqual(await page.$eval('#join-status', (e) => e.dataset.result), 'saved', await text(page, '#join-status'));
  await openTab(page, 3, 6);
  assert.match(await text(page, '#tabs .tab[aria-selected="true"]'), /^joined\.MOV/);
  assert.deepStrictEqual(await posterWidths(page), Array(6).fill(160));
  await page.screenshot({ path: path.join(screenshots, 'studio-joined.png') });
  const source = packetHashes(path.join(reels, 'reel.MOV'));
  const unit = (n) => source.slice(n * UNIT_FRAMES, (n + 1) * UNIT_FRAMES);
  const edited = [...unit(3), ...unit(0), ...unit(2)];
  const joined = path.join(reels, 'joined.MOV');
  assert.deepStrictEqual(packetHashes(joined), [...edited, ...edited]);
  assert.strictEqual(decodedFrames(joined), 6 * UNIT_FRAMES);

  step('a tab closes: the studio no longer lists it, the join boxes follow');
  await page.click('#close-tab');
  await page.waitForFunction(() => document.querySelectorAll('#tabs .tab').length === 3);
  assert.deepStrictEqual(await page.$$eval('#tabs .tab', (list) => list.map((t) => t.textContent)),
    ['reel.MOV×', 'big.MOV×', 'edited.MOV×']);
  assert.strictEqual(await page.$$eval('#join-reels input', (list) => list.length), 3);
  assert.strictEqual(await focusedUnit(page), 'tab-2', 'the focus goes to the neighbouring tab');
  const listed = JSON.parse((await request(port, 'GET', `/api/reels?token=${token}`)).body).map((r) => r.name);
  assert.deepStrictEqual(listed, ['reel.MOV', 'big.MOV', 'edited.MOV']);
}

async function cancelLargeSave(page, screenshots, studio) {
  step('frames that do not decode show a neutral placeholder');
  await openTab(page, 1, 80);
  await page.waitForFunction(() => !document.querySelector('#cards .card .no-picture').hidden, { timeout: 15000 });
  assert.strictEqual(await page.$eval('#cards .card .poster', (img) => img.hidden), true);
  assert.strictEqual(await text(page, '#cards .card .no-picture'), 'No picture');

  step('Cancel during the save of a large reel leaves no file');
  await page.$eval('#save-name', (input) => { input.value = ''; });
  await page.type('#save-name', HELD_SAVE);
  await page.click('#save');
  await page.waitForSelector('#save-cancel:not([disabled])');
  await waitForHeldTemporary(studio.child.pid, reels, HELD_SAVE, 'save');
  await page.click('#save-cancel');
  await page.waitForFunction(() => document.getElementById('save-status').dataset.result, { timeout: 30000 });
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'cancelled');
  assert.deepStrictEqual(heldTemporaries(studio.child.pid, reels, HELD_SAVE), [], 'the part file is still open');
  await page.screenshot({ path: path.join(screenshots, 'studio-cancelled.png') });
  assert.deepStrictEqual(fs.readdirSync(reels).sort(), ['big.MOV', 'edited.MOV', 'joined.MOV', 'reel.MOV']);
}

async function cancelBeforeTheStudioAnswers(page) {
  step('Cancel pressed before the studio has named the save still cancels it');
  // Press Cancel in the same task as Save, before the page has the job's number.
  await page.evaluate(() => {
    document.getElementById('save').click();
    document.getElementById('save-cancel').click();
  });
  await page.waitForFunction(() => document.getElementById('save-status').dataset.result, { timeout: 30000 });
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'cancelled');
  assert.deepStrictEqual(fs.readdirSync(reels).sort(), ['big.MOV', 'edited.MOV', 'joined.MOV', 'reel.MOV']);
}

async function quitWithUnsavedEdits(page, dialogs, studio) {
  step('unsaved edits: closing the page asks first');
  await page.focus('#cards .card[data-unit-index="0"]');
  await page.keyboard.press('ArrowRight');
  const asked = dialogs.seen.length;
  await page.close({ runBeforeUnload: true });
  await dialogCount(dialogs, asked + 1);
  await pause(300);
  assert.deepStrictEqual(dialogs.seen.slice(asked).map((d) => d.type), ['beforeunload']);
  assert.strictEqual(page.isClosed(), false);

  step('Quit asks first too; the studio ends soon after');
  await page.click('#quit');
  await dialogCount(dialogs, asked + 2);
  assert.match(dialogs.seen[dialogs.seen.length - 1].message, /big\.MOV has unsaved edits\. Quit the studio anyway/);
  assert.strictEqual(studio.child.exitCode, null, 'quit without consent');
  dialogs.answers.push('accept');
  const started = Date.now();
  await page.click('#quit');
  const end = await Promise.race([studio.exited, pause(10000).then(() => null)]);
  assert.deepStrictEqual(end, { code: 0, signal: null });
  console.log(`   the studio ended ${Date.now() - started} ms after Quit`);
  await page.waitForSelector('#stopped');
}

// The long reel in a wide window: posters only for the cards near the view,
// a drag that scrolls the page, and the studio killed under the page.
async function longReel(browser, long, screenshots) {
  const studio = startReelStudio([long]);
  const url = await studio.address;
  const port = Number(/:(\d+)\//.exec(url)[1]);
  const page = await browser.newPage();
  const dialogs = answerDialogs(page);
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  let again = null;
  try {
    step('a 60-unit reel asks only for the posters near the view');
    await page.setViewport({ width: 1920, height: 1000 });
    const frames = [];
    page.on('request', (req) => { if (req.url().includes('/frames/')) frames.push(req.url()); });
    await page.goto(url);
    await page.waitForFunction(() => document.querySelectorAll('#cards .card').length === 60);
    await page.waitForFunction(() => [...document.querySelectorAll('#cards .card')]
      .filter((card) => card.getBoundingClientRect().top < innerHeight)
      .every((card) => card.querySelector('.poster').complete && card.querySelector('.poster').getAttribute('src')),
    { timeout: 15000 });
    await pause(1000);
    const inView = await page.$$eval('#cards .card', (cards) =>
      cards.filter((card) => card.getBoundingClientRect().top < innerHeight).length);
    console.log(`   ${frames.length} frame requests for 60 units, ${inView} cards in view`);
    assert.ok(frames.every((u) => /\/frames\/0\?/.test(u)), 'strips asked for before the pointer came');
    assert.ok(frames.length >= inView && frames.length < 40, `${frames.length} frame requests`);
    const width = await page.$eval('#cards .card', (card) => card.getBoundingClientRect().width);
    assert.ok(width > 240, `cards stay ${width} px wide in a 1920 px window`);
    await page.screenshot({ path: path.join(screenshots, 'studio-long.png') });

    step('a drag near the bottom edge scrolls the page');
    const first = await center(page, '#cards .card[data-unit-index="0"] .label');
    await page.mouse.move(first.x, first.y);
    await page.mouse.down();
    await page.mouse.move(first.x, 990, { steps: 10 });
    await page.waitForFunction(() => scrollY > 400, { timeout: 10000 });
    await page.mouse.move(first.x, 500, { steps: 3 });
    const target = await page.evaluate(() => {
      const card = [...document.querySelectorAll('#cards .card')].find((c) => c.getBoundingClientRect().top > 150);
      const box = card.getBoundingClientRect();
      return { unit: Number(card.dataset.unitIndex), x: box.left + 10, y: box.top + box.height / 2 };
    });
    await page.mouse.move(target.x, target.y, { steps: 5 });
    await page.mouse.up();
    const moved = await order(page);
    assert.strictEqual(moved[moved.indexOf(0) + 1], target.unit, `unit 0 not dropped before unit ${target.unit}`);
    assert.notStrictEqual(moved[0], 0);
    await page.focus('#cards .card[data-unit-index="5"]');
    await page.keyboard.press('Delete');
    const edited = await order(page);
    assert.strictEqual(edited.length, 59);

    step('a studio that stops answering (a machine asleep) is noticed, and so is its return');
    studio.child.kill('SIGSTOP');
    await page.waitForSelector('#connection:not([hidden])', { timeout: 10000 });
    assert.strictEqual(await page.$eval('#save', (e) => e.disabled), true);
    studio.child.kill('SIGCONT');
    await page.waitForSelector('#connection[hidden]', { timeout: 10000 });
    assert.strictEqual(await page.$eval('#save', (e) => e.disabled), false);
    assert.deepStrictEqual(await order(page), edited);

    step('the studio killed under the page: an alert within seconds, controls off');
    const killed = Date.now();
    studio.child.kill('SIGKILL');
    await page.waitForSelector('#connection:not([hidden])', { timeout: 5000 });
    console.log(`   the page said so ${Date.now() - killed} ms after the kill`);
    assert.strictEqual(await page.$eval('#connection', (e) => e.getAttribute('role')), 'alert');
    assert.match(await text(page, '#connection'), new RegExp(`Failed: the studio has stopped.*--port ${port}`));
    for (const control of ['#save', '#preview-play', '#quit', '#cards .card .remove']) {
      assert.strictEqual(await page.$eval(control, (e) => e.disabled), true, `${control} stays enabled`);
    }
    await page.evaluate(() => window.scrollTo(0, 0));
    await page.screenshot({ path: path.join(screenshots, 'studio-lost.png') });

    step('started again on the same port, the studio gets the kept edits back');
    again = startReelStudio([long], port);
    const newUrl = await again.address;
    dialogs.answers.push('accept');
    await page.goto(newUrl);
    await page.waitForSelector('#offer:not([hidden])', { timeout: 10000 });
    assert.match(await text(page, '#offer-text'), /Edits to long\.MOV .* kept in this browser \(59 of 60 units/);
    await page.screenshot({ path: path.join(screenshots, 'studio-offer.png') });
    assert.deepStrictEqual(await order(page), Array.from({ length: 60 }, (_, i) => i));
    await page.click('#offer-take');
    assert.deepStrictEqual(await order(page), edited);
    const token = /token=([0-9a-f]+)/.exec(newUrl)[1];
    await page.waitForFunction(async (t, wanted) => {
      const reel = await (await fetch(`/api/reels/0?token=${t}`)).json();
      return reel.order.join() === wanted.join();
    }, {}, token, edited);
    await page.click('#undo');
    assert.strictEqual((await order(page)).length, 60, 'the history came back with the edits');
  } finally {
    dialogs.answers.push('accept', 'accept');
    await page.close();
    for (const child of [studio.child, again && again.child]) if (child && child.exitCode === null) child.kill('SIGKILL');
  }
}

async function main() {
  assert.ok(clipreel && workDir, 'usage: node studio.test.js CLIPREEL WORKDIR');
  const { reel, big, long } = makeReels();
  const studio = startReelStudio([reel, big]);
  const url = await studio.address;
  const match = /^http:\/\/127\.0\.0\.1:(\d+)\/\?token=([0-9a-f]{32})$/.exec(url);
  assert.ok(match, `first line: ${url}`);
  const port = Number(match[1]);
  const token = match[2];
  let browser = null;
  try {
    await checkAccessAndInput(port, token);
    const profile = fs.mkdtempSync(path.join(workDir, 'chromium-profile-'));
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      userDataDir: profile,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--window-size=1280,900', '--autoplay-policy=no-user-gesture-required'],
    });
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 900 });
    const dialogs = answerDialogs(page);
    page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
    page.on('requestfailed', (req) => console.log(`   request failed: ${req.url()} ${req.failure().errorText}`));
    page.on('response', (res) => { if (res.status() >= 400 && res.status() !== 404) console.log(`   ${res.status()} ${res.url()}`); });
    await editInBrowser(page, url, workDir);
    checkSavedMovie([3, 0, 2, 4]);
    await saveAgain(page, dialogs);
    await joinTabs(page, port, token, workDir);
    await cancelLargeSave(page, workDir, studio);
    await cancelBeforeTheStudioAnswers(page);
    await quitWithUnsavedEdits(page, dialogs, studio);
    await longReel(browser, long, workDir);
  } finally {
    if (browser) await browser.close();
    if (studio.child.exitCode === null) studio.child.kill('SIGKILL');
    for (const entry of fs.readdirSync(workDir)) {
      if (entry.startsWith('chromium-profile-')) fs.rmSync(path.join(workDir, entry), { recursive: true, force: true });
    }
  }

  for (const signal of ['SIGTERM', 'SIGINT']) {
    step(`${signal} ends the studio cleanly`);
    const again = startReelStudio([reel]);
    await again.address;
    again.child.kill(signal);
    assert.deepStrictEqual(await again.exited, { code: 0, signal: null });
  }

  step('a file that is not a Clipreel movie is refused before the server starts');
  const refused = spawnSync(clipreel, ['studio', reel, path.join(reels, 'missing.MOV')], { encoding: 'utf8' });
  assert.strictEqual(refused.status, 3, refused.stderr);
  assert.strictEqual(refused.stdout, '');
  assert.match(refused.stderr, /missing\.MOV: no such file/);

  fs.rmSync(big, { force: true });
  console.log('studio browser test passed; screenshots in ' + workDir);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
