// The client, extension.js, with stand-ins for VS Code and the language
// client library: node client_test.js EXTENSION_DIR. It must start the
// program of the setting as `PROGRAM lsp` for every language package.json
// contributes, start it again when the setting changes, and say what to do
// when the program cannot be started.
'use strict';
const Module = require('module');
const path = require('path');
const assert = require('assert');

const fs = require('fs');
const os = require('os');

const extensionDir = path.resolve(process.argv[2]);
// The programs the steps name, in a folder put first on the PATH.
const programs = fs.mkdtempSync(path.join(os.tmpdir(), 'client_test_'));
for (const name of ['scenario-tool', 'first-tool', 'second-tool', 'kit-tool']) {
  fs.writeFileSync(path.join(programs, name), '', { mode: 0o755 });
  fs.writeFileSync(path.join(programs, name + '.EXE'), '', { mode: 0o755 });
}
process.env.PATH = programs + path.delimiter + (process.env.PATH || '');
const manifest = require(path.join(extensionDir, 'package.json'));

const world = { setting: undefined, clients: [], errors: [], listeners: [], commands: {}, failStart: false };
class FakeClient {
  constructor(id, name, server, options) {
    Object.assign(this, { id, server, options, running: false });
    world.clients.push(this);
  }
  async start() {
    if (world.failStart) throw new Error('spawn scenario-tool ENOENT');
    this.running = true;
  }
  async stop() {
    this.running = false;
  }
}
const vscode = {
  workspace: {
    getConfiguration: (section) => ({ get: (key) => (section === 'scenarioTool' && key === 'path' ? world.setting : undefined) }),
    onDidChangeConfiguration: (listener) => world.listeners.push(listener),
  },
  window: {
    createOutputChannel: () => ({ appendLine() {}, dispose() {} }),
    showErrorMessage: async (message, ...choices) => {
      world.errors.push({ message, choices });
      return undefined;
    },
  },
  commands: {
    registerCommand: (name, run) => (world.commands[name] = run),
    executeCommand: () => {},
  },
};
const stand_ins = { vscode, 'vscode-languageclient/node': { LanguageClient: FakeClient } };
const load = Module._load;
Module._load = function (request, ...rest) {
  return request in stand_ins ? stand_ins[request] : load.call(this, request, ...rest);
};
const extension = require(path.join(extensionDir, manifest.main));
const settingChanged = () =>
  Promise.all(world.listeners.map((l) => l({ affectsConfiguration: (s) => s === 'scenarioTool.path' })));
const last = () => world.clients[world.clients.length - 1];

const steps = [
  ['the default program for every contributed language', async () => {
    await extension.activate({ subscriptions: [] });
    assert.deepStrictEqual(last().server, { command: 'scenario-tool', args: ['lsp'] });
    const selected = last().options.documentSelector.map((s) => s.language).sort();
    assert.deepStrictEqual(selected, manifest.contributes.languages.map((l) => l.id).sort());
    assert.ok(last().running);
  }],
  ['a changed setting starts the new program and stops the old', async () => {
    const old = last();
    world.setting = `  ${path.join(programs, 'kit-tool')} `;
    await settingChanged();
    assert.strictEqual(last().server.command, path.join(programs, 'kit-tool'));
    assert.ok(!old.running && last().running);
  }],
  ['two quick changes leave one server running', async () => {
    world.setting = 'first-tool';
    const first = settingChanged();
    world.setting = 'second-tool';
    await Promise.all([first, settingChanged()]);
    assert.deepStrictEqual(world.clients.filter((c) => c.running).length, 1);
  }],
  ['the restart command is the one package.json names', async () => {
    const command = manifest.contributes.commands[0].command;
    const before = world.clients.length;
    await world.commands[command]();
    assert.strictEqual(world.clients.length, before + 1);
  }],
  ['a program not found: one message naming the setting, no client', async () => {
    const clients = world.clients.length;
    const errors = world.errors.length;
    world.setting = 'no-such-tool';
    await settingChanged();
    assert.strictEqual(world.clients.length, clients);
    assert.strictEqual(world.errors.length, errors + 1);
    const { message, choices } = world.errors[world.errors.length - 1];
    assert.match(message, /no-such-tool lsp/);
    assert.deepStrictEqual(choices, ['Open Settings']);
  }],
  ['the server settings go with the start', async () => {
    world.setting = 'scenario-tool';
    await settingChanged();
    assert.deepStrictEqual(last().options.initializationOptions, { scenarioTool: {} });
  }],
  ['a program that cannot start: a message naming the setting', async () => {
    world.failStart = true;
    world.setting = 'first-tool';
    await settingChanged();
    const { message, choices } = world.errors[world.errors.length - 1];
    assert.match(message, /first-tool lsp/);
    assert.match(message, /scenarioTool\.path/);
    assert.deepStrictEqual(choices, ['Open Settings']);
    await extension.deactivate();
  }],
];

(async () => {
  let failures = 0;
  for (const [name, step] of steps) {
    try {
      await step();
    } catch (error) {
      failures++;
      console.log(`FAIL ${name}: ${error.message}`);
    }
  }
  console.log(`${steps.length - failures} of ${steps.length} steps as expected`);
  process.exit(failures === 0 ? 0 : 1);
})();
