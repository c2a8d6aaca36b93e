// Writes an HTML page of texts coloured by the extension's grammars with the
// colours of VS Code's default dark theme, for a look or a picture:
//   node render_excerpt.js EXTENSION_DIR OUT.html SCOPE=FILE...
// e.g. source.scenario-line=tests/editors/vscode/snapshots/Ombrisa_Ferlina_linea.txt
// headless Chromium then takes its picture:
//   chromium --headless --screenshot=OUT.png --window-size=980,1200 OUT.html
'use strict';
const fs = require('fs');
const path = require('path');
const { engine } = require('./textmate.js');

// The most specific rule wins: the longest scope prefix that matches.
const COLOURS = {
  comment: '#6a9955',
  keyword: '#569cd6',
  'keyword.operator': '#d4d4d4',
  'constant.numeric': '#b5cea8',
  string: '#ce9178',
  'entity.name.section': '#4ec9b0',
  'entity.other.attribute-name': '#9cdcfe',
  'markup.heading': '#569cd6',
  'markup.underline.link': '#3794ff',
  invalid: '#f44747',
  punctuation: '#808080',
};

function colourOf(scopes) {
  let best = '';
  for (const scope of scopes) {
    for (const prefix of Object.keys(COLOURS)) {
      if ((scope === prefix || scope.startsWith(prefix + '.')) && prefix.length > best.length) {
        best = prefix;
      }
    }
  }
  return best ? COLOURS[best] : null;
}

const escape = (text) =>
  text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');

(async () => {
  const [extensionDir, out, ...pieces] = process.argv.slice(2);
  const { tokenize } = engine(extensionDir);
  let html =
    '<!doctype html><meta charset="utf-8"><style>body{background:#1f1f1f;color:#d4d4d4;' +
    'margin:0;padding:12px 16px;font:13px/19px "DejaVu Sans Mono",monospace}' +
    'h1{font:bold 12px sans-serif;color:#9d9d9d;margin:14px 0 4px}pre{margin:0}' +
    '.invalid{text-decoration:wavy underline #f44747}</style>';
  for (const piece of pieces) {
    const [scope, file] = piece.split('=');
    html += `<h1>${escape(path.basename(file))}</h1><pre>`;
    const text = fs.readFileSync(file, 'utf8').replace(/\n$/, '');
    for (const tokens of await tokenize(scope, text)) {
      for (const token of tokens) {
        const colour = colourOf(token.scopes);
        const invalid = token.scopes.some((s) => s.startsWith('invalid.'));
        html += colour
          ? `<span style="color:${colour}"${invalid ? ' class="invalid"' : ''}>${escape(token.text)}</span>`
          : escape(token.text);
      }
      html += '\n';
    }
    html += '</pre>';
  }
  fs.writeFileSync(out, html);
})().catch((error) => {
  console.error(error.stack || error);
  process.exit(1);
});
