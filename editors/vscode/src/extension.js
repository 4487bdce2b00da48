// Starts `ks-image-check --lsp` for the .ks scripts of the opened folder; the client
// library does the rest (diagnostics, quick fixes, hover, definition, references,
// links, completion).
const os = require('os');
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');
const { expandServerPath } = require('./server_path');

let client;

// The setting is machine-scoped: only the user's own settings choose the program,
// never a repository's .vscode/settings.json.
function serverCommand() {
  const configured =
    vscode.workspace.getConfiguration('ksImageCheck').get('path') || 'ks-image-check';
  const folders = vscode.workspace.workspaceFolders;
  return expandServerPath(configured, {
    home: os.homedir(),
    workspaceFolder: folders && folders.length > 0 ? folders[0].uri.fsPath : undefined,
  });
}

async function startClient() {
  let command;
  try {
    command = serverCommand();
    const server = { command, args: ['--lsp'], transport: TransportKind.stdio };
    client = new LanguageClient('ksImageCheck', 'ks-image-check', server, {
      // By language, and by file name too: other extensions also claim .ks files.
      documentSelector: [
        { scheme: 'file', language: 'ks' },
        { scheme: 'file', pattern: '**/*.ks' },
      ],
    });
    await client.start();
  } catch (error) {
    client = undefined;
    vscode.window.showErrorMessage(
      `ks-image-check を起動できません (${command || '?'}): ${error.message}` +
        ' 設定 ksImageCheck.path を確かめてください。',
    );
  }
}

async function stopClient() {
  const running = client;
  client = undefined;
  if (running) await running.stop();
}

async function restartClient() {
  await stopClient();
  await startClient();
}

function activate(context) {
  context.subscriptions.push(
    vscode.commands.registerCommand('ksImageCheck.restartServer', restartClient),
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('ksImageCheck.path')) restartClient();
    }),
  );
  return startClient();
}

function deactivate() {
  return stopClient();
}

module.exports = { activate, deactivate };
