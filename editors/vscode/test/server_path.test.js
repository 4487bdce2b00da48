// node --test: the expansion of the ksImageCheck.path setting.
const assert = require('node:assert');
const path = require('node:path');
const test = require('node:test');
const { expandServerPath } = require('../src/server_path');

const places = { home: '/home/me', workspaceFolder: '/work/game' };

test('expands ~ and the variables VS Code users write', () => {
  const cases = [
    ['ks-image-check', 'ks-image-check'],
    ['  /opt/kic/ks-image-check ', '/opt/kic/ks-image-check'],
    ['~', path.join('/home/me', '')],
    ['~/bin/ks-image-check', path.join('/home/me', '/bin/ks-image-check')],
    ['${userHome}/bin/kic', '/home/me/bin/kic'],
    ['${workspaceFolder}/tools/ks-image-check', '/work/game/tools/ks-image-check'],
    ['${workspaceFolder}/${workspaceFolder}', '/work/game//work/game'],
    ['/a/~/b', '/a/~/b'],
    ['~user/bin', '~user/bin'],
    ['${unknown}/x', '${unknown}/x'],
  ];
  for (const [value, expected] of cases) {
    assert.strictEqual(expandServerPath(value, places), expected, value);
  }
});

test('a workspace folder asked for with none open is an error', () => {
  assert.throws(
    () => expandServerPath('${workspaceFolder}/kic', { home: '/home/me' }),
    /workspaceFolder/,
  );
});
