// Starts `scenario-tool lsp` for the texts of a scenario folder: the
// program named by the setting scenarioTool.path, one server for the
// editor's session, started again when the setting changes. The server's
// own settings (scenarioTool.disabledWarnings and the others) go with its
// start and with each change. A program that is not there is said once.
'use strict';
const fs = require('fs');
const path = require('path');
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

// True when the program can be found: a path to a file, or a name found in
// a folder of the PATH (with an extension of PATHEXT on Windows).
function programFound(command) {
  const isFile = (file) => {
    try {
      return fs.statSync(file).isFile();
    } catch (error) {
      return false;
    }
  };
  if (command.includes('/') || command.includes('\\')) return isFile(command);
  const extensions =
    process.platform === 'win32' ? ['', ...(process.env.PATHEXT || '.EXE').split(';')] : [''];
  return (process.env.PATH || '')
    .split(path.delimiter)
    .filter((folder) => folder !== '')
    .some((folder) => extensions.some((extension) => isFile(path.join(folder, command + extension))));
}

// The one message for a program that cannot be started, with the way to
// the setting.
async function cannotStart(command, reason) {
  const choice = await vscode.window.showErrorMessage(
    `${NAME}: could not start "${command} lsp" (${reason}). ` +
      'Set scenarioTool.path to the scenario-tool program, e.g. the full path of ' +
      'scenario-tool.exe in the scenario kit.',
    'Open Settings',
  );
  if (choice === 'Open Settings') {
    vscode.commands.executeCommand('workbench.action.openSettings', 'scenarioTool.path');
  }
}

// The server's settings, as initializationOptions and
// workspace/didChangeConfiguration carry them.
function serverSettings() {
  const settings = vscode.workspace.getConfiguration('scenarioTool');
  const given = {};
  for (const key of ['disabledWarnings', 'warningsAsErrors', 'errorLimit', 'settleDelay', 'packagerTexts']) {
    const value = settings.get(key);
    if (value !== undefined) given[key] = value;
  }
  return { scenarioTool: given };
}

async function start() {
  const command = programPath();
  if (!programFound(command)) {
    // Not started at all: the client library would add a message of its own.
    await cannotStart(command, 'no such program');
    return;
  }
  client = new LanguageClient(
    'scenarioTool',
    NAME,
    { command, args: ['lsp'] },
    {
      documentSelector: LANGUAGES.map((language) => ({ scheme: 'file', language })),
      outputChannel: output,
      initializationOptions: serverSettings(),
    },
  );
  try {
    await client.start();
  } catch (error) {
    client = undefined;
    await cannotStart(command, error.message || error);
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
    vscode.workspace.onDidChangeConfiguration((event) => {
      if (event.affectsConfiguration('scenarioTool.path')) return restart();
      if (event.affectsConfiguration('scenarioTool') && client) {
        return client.sendNotification('workspace/didChangeConfiguration', {
          settings: serverSettings(),
        });
      }
      return undefined;
    }),
  );
  return start();
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate };
