// Starts `scenario-tool lsp` for the texts of a scenario folder: the
// program named by the setting scenarioTool.path, one server for the
// editor's session, started again when the setting changes.
'use strict';
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

const LANGUAGES = ['scenario-line', 'scenario-train', 'scenario-crew', 'scenario-folder'];
const NAME = 'Scenario texts';

let client;
let output;

function programPath() {
  const configured = vscode.workspace.getConfiguration('scenarioTool').get('path');
  return typeof configured === 'string' && configured.trim() !== ''
    ? configured.trim()
    : 'scenario-tool';
}

async function start() {
  const command = programPath();
  client = new LanguageClient(
    'scenarioTool',
    NAME,
    { command, args: ['lsp'] },
    {
      documentSelector: LANGUAGES.map((language) => ({ scheme: 'file', language })),
      outputChannel: output,
    },
  );
  try {
    await client.start();
  } catch (error) {
    client = undefined;
    const choice = await vscode.window.showErrorMessage(
      `${NAME}: could not start "${command} lsp" (${error.message || error}). ` +
        'Set scenarioTool.path to the scenario-tool program, e.g. the full path of ' +
        'scenario-tool.exe in the scenario kit.',
      'Open Settings',
    );
    if (choice === 'Open Settings') {
      vscode.commands.executeCommand('workbench.action.openSettings', 'scenarioTool.path');
    }
  }
}

async function stop() {
  if (!client) return;
  const running = client;
  client = undefined;
  try {
    await running.stop();
  } catch (error) {
    output.appendLine(`stopping the language server: ${error.message || error}`);
  }
}

// Restarts run one after the other: two quick changes of the setting must
// not leave two servers running.
let restarting = Promise.resolve();
function restart() {
  restarting = restarting.then(async () => {
    await stop();
    await start();
  });
  return restarting;
}

function activate(context) {
  output = vscode.window.createOutputChannel(NAME);
  context.subscriptions.push(
    output,
    vscode.commands.registerCommand('scenarioTool.restartServer', restart),
    vscode.workspace.onDidChangeConfiguration((event) =>
      event.affectsConfiguration('scenarioTool.path') ? restart() : undefined,
    ),
  );
  return start();
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate };
