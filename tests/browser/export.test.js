// "Export for sharing" in a real browser: the studio writes the MP4 of the
// kept units, Cancel leaves nothing, and Debian's chromium plays the file
// in a <video>, picture and sound.
//   node export.test.js CLIPREEL WORKDIR
'use strict';

const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { heldTemporaries, waitForHeldTemporary } = require('./heldTemporary');
const { startStudio } = require('./studioProcess');

const [clipreel, workDir] = process.argv.slice(2).map((p) => path.resolve(p));
const reels = path.join(workDir, 'export-reels');
// The studio holds this export at its start until it is cancelled.
const HELD = 'held.mp4';

function step(text) { console.log(`-- ${text}`); }

function startExportStudio(file) {
  return startStudio(clipreel, [file], { logFile: path.join(workDir, 'export-studio.log'), heldSave: HELD });
}

function put(url, target, body) {
  return new Promise((resolve, reject) => {
    const req = http.request(new URL(target, url), { method: 'PUT', headers: { 'Content-Type': 'application/json' } },
      (res) => { res.resume(); res.on('end', () => resolve(res.statusCode)); });
    req.on('error', reject);
    req.end(JSON.stringify(body));
  });
}

async function exportAs(page, name) {
  await page.$eval('#save-name', (input) => { input.value = ''; });
  await page.type('#save-name', name);
  await page.click('#export');
}

async function result(page) {
  await page.waitForFunction(() => document.getElementById('save-status').dataset.result, { timeout: 60000 });
  return page.$eval('#save-status', (e) => e.dataset.result);
}

async function main() {
  assert.ok(clipreel && workDir, 'usage: node export.test.js CLIPREEL WORKDIR');
  fs.rmSync(reels, { recursive: true, force: true });
  fs.mkdirSync(reels, { recursive: true });
  const reel = path.join(reels, 'reel.MOV');
  execFileSync(clipreel, ['sample', reel, '--units', '5', '-q'], { stdio: 'pipe' });
  const studio = startExportStudio(reel);
  let browser = null;
  try {
    const url = await studio.address;
    const token = new URL(url).searchParams.get('token');
    assert.strictEqual(await put(url, `/api/reels/0/order?token=${token}`, { order: [3, 0, 4] }), 200);
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      userDataDir: fs.mkdtempSync(path.join(workDir, 'chromium-profile-')),
      args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--autoplay-policy=no-user-gesture-required'],
    });
    const page = await browser.newPage();
    page.on('dialog', (dialog) => dialog.dismiss());
    page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
    await page.goto(url);
    await page.waitForFunction(() => document.querySelectorAll('#cards .card').length === 3);

    step('Export for sharing writes NAME.mp4 beside the reel');
    await exportAs(page, 'shared');
    assert.strictEqual(await result(page), 'saved', await page.$eval('#save-status', (e) => e.textContent));
    const shared = path.join(reels, 'shared.mp4');
    assert.ok(fs.existsSync(shared));
    const frames = execFileSync('ffprobe', ['-v', 'error', '-select_streams', 'v', '-count_packets', '-show_entries',
      'stream=nb_read_packets', '-of', 'csv=p=0', shared], { encoding: 'utf8' }).trim();
    assert.strictEqual(frames, '90', 'three kept units of 30 frames');

    step('Cancel during an export leaves no file');
    await exportAs(page, 'held');
    await page.waitForSelector('#save-cancel:not([disabled])');
    await waitForHeldTemporary(studio.child.pid, reels, HELD, 'export');
    await page.click('#save-cancel');
    assert.strictEqual(await result(page), 'cancelled');
    assert.deepStrictEqual(heldTemporaries(studio.child.pid, reels, HELD), [], 'the part file is still open');
    assert.deepStrictEqual(fs.readdirSync(reels).sort(), ['reel.MOV', 'shared.mp4']);

    step('chromium plays the MP4 in a <video>, picture and sound');
    fs.writeFileSync(path.join(reels, 'play.html'), '<!doctype html><video id="v" src="shared.mp4" muted></video>');
    const player = await browser.newPage();
    await player.goto(`file://${path.join(reels, 'play.html')}`);
    await player.evaluate(() => document.getElementById('v').play());
    await player.waitForFunction(() => {
      const v = document.getElementById('v');
      return v.error !== null || v.currentTime > 1.5;
    }, { timeout: 30000 });
    const state = await player.evaluate(() => {
      const v = document.getElementById('v');
      return {
        error: v.error && v.error.message,
        width: v.videoWidth,
        height: v.videoHeight,
        duration: v.duration,
        video: v.webkitVideoDecodedByteCount,
        audio: v.webkitAudioDecodedByteCount,
      };
    });
    console.log(`   ${JSON.stringify(state)}`);
    assert.strictEqual(state.error, null);
    assert.deepStrictEqual([state.width, state.height], [320, 240]);
    assert.ok(Math.abs(state.duration - 3.003) < 0.05, `duration ${state.duration}`);
    assert.ok(state.video > 0 && state.audio > 0, 'both tracks decoded');
    await player.screenshot({ path: path.join(workDir, 'export-played.png') });
  } finally {
    if (browser) await browser.close();
    studio.child.kill('SIGTERM');
    for (const entry of fs.readdirSync(workDir)) {
      if (entry.startsWith('chromium-profile-')) fs.rmSync(path.join(workDir, entry), { recursive: true, force: true });
    }
  }
  console.log('export browser test passed');
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
