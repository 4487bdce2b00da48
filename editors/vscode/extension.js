// Starts `ks-image-check --lsp` for the .ks scripts of the opened folder; the client
// library does the rest (diagnostics, quick fixes, hover, definition, completion).
const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const program = vscode.workspace.getConfiguration('ksImageCheck').get('path');
  const server = { command: program, args: ['--lsp'], transport: TransportKind.stdio };
  client = new LanguageClient('ksImageCheck', 'ks-image-check', server, {
    documentSelector: [{ scheme: 'file', language: 'ks' }],
  });
  context.subscriptions.push(client);
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
