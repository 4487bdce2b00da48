// The program the extension starts, as the ksImageCheck.path setting names it: "~"
// at its start and ${workspaceFolder} / ${userHome} anywhere are expanded, as in
// VS Code's own settings, so that one user setting fits every machine and project.
const path = require('path');

// Returns the expanded path, or throws an Error whose message says what is missing
// (a ${workspaceFolder} with no folder open).
function expandServerPath(value, { home, workspaceFolder }) {
  let expanded = value.trim();
  if (expanded === '~' || expanded.startsWith('~/') || expanded.startsWith('~\\')) {
    expanded = path.join(home, expanded.slice(1));
  }
  return expanded.replace(/\$\{(workspaceFolder|userHome)\}/g, (_, name) => {
    if (name === 'userHome') return home;
    if (!workspaceFolder) {
      throw new Error('${workspaceFolder} が使われていますが、フォルダが開かれていません');
    }
    return workspaceFolder;
  });
}

module.exports = { expandServerPath };
