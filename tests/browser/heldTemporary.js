// The part file of a save the studio holds, found among the studio's open
// descriptors: on Linux the safe output writes an unnamed temporary
// (O_TMPFILE), which no folder listing shows and whose link reads
// "/FOLDER/#INODE (deleted)"; where the system cannot, a hidden
// ".NAME.*" file beside the output.
'use strict';

const assert = require('assert');
const fs = require('fs');
const path = require('path');

// The targets of the descriptors process `pid` holds on such part files of
// `name` in `folder`.
function heldTemporaries(pid, folder, name) {
  const descriptors = `/proc/${pid}/fd`;
  const inFolder = fs.realpathSync(folder);
  const found = [];
  for (const fd of fs.readdirSync(descriptors)) {
    let target;
    try {
      target = fs.readlinkSync(path.join(descriptors, fd));
    } catch (error) {
      if (error.code === 'ENOENT') continue;  // closed meanwhile
      throw error;
    }
    if (path.dirname(target) !== inFolder) continue;
    const file = path.basename(target);
    if (/^#\d+ \(deleted\)$/.test(file) || file.startsWith(`.${name}.`)) found.push(target);
  }
  return found;
}

// Waits until the studio holds a part file of `name` open in `folder`.
async function waitForHeldTemporary(pid, folder, name, what) {
  const started = Date.now();
  while (heldTemporaries(pid, folder, name).length === 0) {
    assert.ok(Date.now() - started < 30000, `the ${what} made no part file`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

module.exports = { heldTemporaries, waitForHeldTemporary };
