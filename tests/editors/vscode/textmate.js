// Loads the extension's grammars with the TextMate engine that VS Code uses
// and tokenises texts with them; shared by the token tests and the picture.
'use strict';
const fs = require('fs');
const path = require('path');

function engine(extensionDir) {
  extensionDir = path.resolve(extensionDir);
  const modules = path.join(extensionDir, 'node_modules');
  const textmate = require(path.join(modules, 'vscode-textmate'));
  const oniguruma = require(path.join(modules, 'vscode-oniguruma'));
  const wasm = fs.readFileSync(path.join(modules, 'vscode-oniguruma', 'release', 'onig.wasm'));
  const ready = oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
  const syntaxes = path.join(extensionDir, 'syntaxes');
  const registry = new textmate.Registry({
    onigLib: ready.then(() => ({
      createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
      createOnigString: (text) => new oniguruma.OnigString(text),
    })),
    loadGrammar: async (scopeName) => {
      const file = path.join(syntaxes, scopeName.replace(/^source\./, '') + '.tmLanguage.json');
      if (!fs.existsSync(file)) return null;
      return textmate.parseRawGrammar(fs.readFileSync(file, 'utf8'), file);
    },
  });
  // Every line of the text as a list of tokens {text, scopes}.
  async function tokenize(scopeName, text) {
    const grammar = await registry.loadGrammar(scopeName);
    if (!grammar) throw new Error(`no grammar ${scopeName} in ${syntaxes}`);
    let stack = textmate.INITIAL;
    return text.split('\n').map((line) => {
      const result = grammar.tokenizeLine(line, stack);
      stack = result.ruleStack;
      return result.tokens.map((token) => ({
        text: line.substring(token.startIndex, token.endIndex),
        scopes: token.scopes,
      }));
    });
  }
  return { tokenize };
}

module.exports = { engine };
