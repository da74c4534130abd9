// `clipreel studio` as the browser tests run it: its log appended to a file,
// the save of one name held at its start (--hold-saves, an option the help
// leaves out) so that a test can press Cancel while it runs, and the address
// it prints.
'use strict';

const { spawn } = require('child_process');
const fs = require('fs');

// Starts `clipreel studio files... [--port port]`. Returns the child, a
// promise of how it exited and a promise of the address it prints first.
function startStudio(clipreel, files, { port, logFile, heldSave }) {
  const log = fs.openSync(logFile, 'a');
  const options = [...(port ? ['--port', String(port)] : []), ...(heldSave ? ['--hold-saves', heldSave] : [])];
  const child = spawn(clipreel, ['studio', ...files, ...options], { stdio: ['ignore', 'pipe', log] });
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

module.exports = { startStudio };
