// The studio in a real browser: Debian's chromium, headless, driven through
// puppeteer-core against sample reels.
//   node studio.test.js CLIPREEL WORKDIR
// Screenshots go to WORKDIR for a person to look at.
'use strict';

const assert = require('assert');
const { spawn, execFileSync, spawnSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

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
  return { reel, big };
}

// The studio's own messages (the frame grab's complaints about the large
// reel's placeholder frames among them) go to studio.log. It holds the save
// of HELD_SAVE at its start until that save is cancelled: a save runs at the
// speed of a file copy, too fast to press Cancel during it otherwise.
const HELD_SAVE = 'big-edited.MOV';
function startStudio(files) {
  const log = fs.openSync(path.join(workDir, 'studio.log'), 'a');
  const child = spawn(clipreel, ['studio', ...files], {
    stdio: ['ignore', 'pipe', log],
    env: { ...process.env, CLIPREEL_STUDIO_HOLD_SAVES: HELD_SAVE },
  });
  fs.closeSync(log);
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  const address = new Promise((resolve, reject) => {
    let text = '';
    child.stdout.on('data', (chunk) => {
      text += chunk;
      const newline = text.indexOf('\n');
      if (newline >= 0) resolve(text.slice(0, newline));
    });
    child.on('exit', () => reject(new Error('the studio ended before printing its address')));
  });
  return { child, exited, address };
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

async function center(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  return { x: box.x + box.width / 2, y: box.y + box.height / 2, box };
}

async function editInBrowser(page, url, screenshots) {
  step('one card per unit, each poster decodes');
  await page.goto(url);
  await page.waitForFunction(() => document.querySelectorAll('#cards .card').length === 5);
  assert.deepStrictEqual(await order(page), [0, 1, 2, 3, 4]);
  const widths = await page.$$eval('#cards .poster', (images) =>
    Promise.all(images.map((img) => img.decode().then(() => img.naturalWidth, () => 0))));
  assert.deepStrictEqual(widths, [160, 160, 160, 160, 160]);
  assert.match(await page.$eval('#total-duration', (e) => e.textContent), /5\.005 s/);
  assert.match(await page.$eval('#camera-table', (e) => e.textContent), /creator_version\s*6/);

  step('the strip scrubs as the pointer moves over a card');
  const card2 = await center(page, '#cards .card[data-unit-index="2"]');
  await page.mouse.move(card2.box.x + 5, card2.y);
  await page.mouse.move(card2.box.x + card2.box.width - 5, card2.y, { steps: 4 });
  await page.waitForFunction(() => {
    const poster = document.querySelector('#cards .card[data-unit-index="2"] .poster');
    return /frames\/(?!0\b)\d+/.test(poster.src) && poster.complete && poster.naturalWidth === 160;
  });
  const strip = await page.$$eval('#cards .card[data-unit-index="2"] .strip img',
    (images) => Promise.all(images.map((img) => img.decode().then(() => img.naturalWidth, () => 0))));
  assert.ok(strip.length >= 2 && strip.every((w) => w === 160), `strip ${strip}`);

  step('drag unit 3 before unit 0');
  const from = await center(page, '#cards .card[data-unit-index="3"]');
  const to = await center(page, '#cards .card[data-unit-index="0"]');
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(to.box.x + 12, to.y, { steps: 12 });
  await page.mouse.up();
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);

  step('keyboard reorder, undo and redo');
  await page.focus('#cards .card[data-unit-index="2"]');
  await page.keyboard.press('ArrowLeft');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 1, 4]);
  assert.strictEqual(await page.evaluate(() => document.activeElement.dataset.unitIndex), '2');
  await page.click('#undo');
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);
  await page.click('#redo');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 1, 4]);
  await page.keyboard.down('Control');
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);

  step('remove unit 1, restore it, remove it again');
  await page.click('#cards .card[data-unit-index="1"] .remove');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);
  assert.match(await page.$eval('#total-duration', (e) => e.textContent), /4\.004 s/);
  await page.click('#removed .card[data-unit-index="1"] .restore');
  assert.deepStrictEqual(await order(page), [3, 0, 1, 2, 4]);
  await page.click('#cards .card[data-unit-index="1"] .remove');
  assert.deepStrictEqual(await order(page), [3, 0, 2, 4]);
  assert.match(await page.$eval('#total-units', (e) => e.textContent), /4 of 5 units/);
  assert.match(await page.$eval('#cards .card[data-unit-index="2"] .start', (e) => e.textContent),
    /at 0:02\.002 → 0:02\.002/);
  assert.match(await page.$eval('#cards .card[data-unit-index="0"] .start', (e) => e.textContent),
    /at 0:00\.000 → 0:01\.001/);
  await page.mouse.move(5, 5);
  await page.screenshot({ path: path.join(screenshots, 'studio-edited.png') });

  step('play a unit');
  await page.click('#cards .card[data-unit-index="2"] .play');
  await page.waitForFunction(() => ['video', 'strip'].includes(document.getElementById('player').dataset.mode),
    { timeout: 15000 });
  const mode = await page.$eval('#player', (d) => d.dataset.mode);
  console.log(`   the unit plays as ${mode === 'video' ? 'a movie in <video>' : 'its frame strip'}`);
  await new Promise((r) => setTimeout(r, 400));
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

  step('save as edited.MOV with progress to 100 %');
  const percents = [];
  await page.exposeFunction('notePercent', (text) => percents.push(text));
  await page.evaluate(() => new MutationObserver(() => window.notePercent(document.getElementById('save-percent').textContent))
    .observe(document.getElementById('save-percent'), { childList: true, characterData: true, subtree: true }));
  await page.$eval('#save-name', (input) => { input.value = ''; });
  await page.type('#save-name', 'edited.MOV');
  await page.click('#save');
  await page.waitForFunction(() => document.getElementById('save-status').dataset.result, { timeout: 30000 });
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'saved',
    await page.$eval('#save-status', (e) => e.textContent));
  assert.strictEqual(await page.$eval('#save-percent', (e) => e.textContent), '100 %');
  assert.strictEqual(await page.$eval('#save-progress', (e) => e.value), 100);
  assert.ok(percents.includes('100 %'), `percents ${percents}`);

  step('the saved movie opens in its own tab');
  await page.waitForFunction(() => document.querySelectorAll('#tabs .tab').length === 3 &&
    document.querySelector('#tabs .tab[aria-selected="true"]').textContent === 'edited.MOV' &&
    document.querySelectorAll('#cards .card').length === 4);
  const savedWidths = await page.$$eval('#cards .poster', (images) =>
    Promise.all(images.map((img) => img.decode().then(() => img.naturalWidth, () => 0))));
  assert.deepStrictEqual(savedWidths, [160, 160, 160, 160]);
  await page.screenshot({ path: path.join(screenshots, 'studio-saved.png') });
}

function checkSavedMovie() {
  step('the library reads edited.MOV with units 3, 0, 2, 4; FFmpeg decodes it');
  const saved = path.join(reels, 'edited.MOV');
  const info = JSON.parse(execFileSync(clipreel, ['info', '--json', saved], { encoding: 'utf8' }));
  assert.strictEqual(info.kind, 'clipreel');
  assert.strictEqual(info.shooting_units.length, 4);
  const source = packetHashes(path.join(reels, 'reel.MOV'));
  const unit = (n) => source.slice(n * UNIT_FRAMES, (n + 1) * UNIT_FRAMES);
  assert.deepStrictEqual(packetHashes(saved), [...unit(3), ...unit(0), ...unit(2), ...unit(4)]);
  assert.strictEqual(decodedFrames(saved), 4 * UNIT_FRAMES);
}

async function joinTabs(page, screenshots) {
  step('reels of another shape are not joined; reel.MOV and edited.MOV are');
  const waitForEnd = () => page.waitForFunction(() => document.getElementById('save-status').dataset.result,
    { timeout: 30000 });
  await page.click('#join-reels input[data-reel-id="0"]');
  await page.click('#join-reels input[data-reel-id="1"]');
  await page.click('#join');
  await waitForEnd();
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'refused');
  assert.match(await page.$eval('#save-status', (e) => e.textContent), /big\.MOV/);
  await page.click('#join-reels input[data-reel-id="1"]');
  await page.click('#join-reels input[data-reel-id="2"]');
  await page.click('#join');
  await waitForEnd();
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'saved',
    await page.$eval('#save-status', (e) => e.textContent));
  await page.waitForFunction(() => document.querySelector('#tabs .tab[aria-selected="true"]').textContent === 'joined.MOV' &&
    document.querySelectorAll('#cards .card').length === 8);
  const joinedWidths = await page.$$eval('#cards .poster', (images) =>
    Promise.all(images.map((img) => img.decode().then(() => img.naturalWidth, () => 0))));
  assert.deepStrictEqual(joinedWidths, Array(8).fill(160));
  await page.screenshot({ path: path.join(screenshots, 'studio-joined.png') });
  const source = packetHashes(path.join(reels, 'reel.MOV'));
  const unit = (n) => source.slice(n * UNIT_FRAMES, (n + 1) * UNIT_FRAMES);
  const edited = [...unit(3), ...unit(0), ...unit(2), ...unit(4)];
  const joined = path.join(reels, 'joined.MOV');
  assert.deepStrictEqual(packetHashes(joined), [...edited, ...edited]);
  assert.strictEqual(decodedFrames(joined), 8 * UNIT_FRAMES);
}

async function cancelLargeSave(page, screenshots) {
  step('Cancel during the save of a large reel leaves no file');
  await page.click('#tabs .tab[data-reel-id="1"]');
  await page.waitForFunction(() => document.querySelectorAll('#cards .card').length === 80);
  await page.$eval('#save-name', (input) => { input.value = ''; });
  await page.type('#save-name', HELD_SAVE);
  await page.click('#save');
  await page.waitForSelector('#save-cancel:not([disabled])');
  const partFiles = () => fs.readdirSync(reels).filter((name) => name.startsWith(`.${HELD_SAVE}.`));
  const started = Date.now();
  while (partFiles().length === 0) {
    assert.ok(Date.now() - started < 30000, 'the save made no part file');
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  await page.click('#save-cancel');
  await page.waitForFunction(() => document.getElementById('save-status').dataset.result, { timeout: 30000 });
  assert.strictEqual(await page.$eval('#save-status', (e) => e.dataset.result), 'cancelled');
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

async function main() {
  assert.ok(clipreel && workDir, 'usage: node studio.test.js CLIPREEL WORKDIR');
  const { reel, big } = makeReels();
  const studio = startStudio([reel, big]);
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
        '--disable-component-update', '--disable-sync', '--window-size=1280,900'],
    });
    const page = await browser.newPage();
    await page.setViewport({ width: 1280, height: 900 });
    page.on('dialog', (dialog) => dialog.dismiss());
    page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
    await editInBrowser(page, url, workDir);
    checkSavedMovie();
    await joinTabs(page, workDir);
    await cancelLargeSave(page, workDir);
    await cancelBeforeTheStudioAnswers(page);

    step('Quit ends the studio');
    await page.click('#quit');
    const end = await Promise.race([studio.exited, new Promise((r) => setTimeout(() => r(null), 10000))]);
    assert.deepStrictEqual(end, { code: 0, signal: null });
  } finally {
    if (browser) await browser.close();
    if (studio.child.exitCode === null) studio.child.kill('SIGKILL');
    for (const entry of fs.readdirSync(workDir)) {
      if (entry.startsWith('chromium-profile-')) fs.rmSync(path.join(workDir, entry), { recursive: true, force: true });
    }
  }

  for (const signal of ['SIGTERM', 'SIGINT']) {
    step(`${signal} ends the studio cleanly`);
    const again = startStudio([reel]);
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
