// How the extension's grammars colour single lines of each text: node
// tokens_test.js EXTENSION_DIR. Each case names the grammar, the text, the
// line and the piece of it looked at, and the scope that piece must carry
// (or must not carry, with `not`).
'use strict';
const path = require('path');
const { engine } = require('./textmate.js');

const LINE = 'source.scenario-line';
const TRAIN = 'source.scenario-train';
const CREW = 'source.scenario-crew';
const FOLDER = 'source.scenario-folder';
const generalPart = (line) => `[generale]\n${line}\n[curve]`;
const body = (line) => `[generale]\n[curve]\n${line}`;
const train = (line) => `[generale]\n${line}`;

const cases = [
  // The note before [generale] is not read, whatever it holds.
  [LINE, 'curvas5, 800, 100\n[generale]', 0, 'curvas5', 'comment.block.preamble'],
  [TRAIN, 'velocita, 0, 30\n[GENERALE]', 1, '[GENERALE]', 'entity.name.section'],
  // Keywords only in their part of the line description, in their letter case.
  [LINE, generalPart('Lunghezza PERCORSO, 9000'), 1, 'Lunghezza PERCORSO', 'keyword.other.record.lunghezza-percorso'],
  [LINE, generalPart('SFONDO UNO, 1'), 1, 'SFONDO UNO', 'keyword.other.record', 'not'],
  [LINE, generalPart('progressiva chilometrica due, 0, 0, 0'), 1, 'progressiva chilometrica due', 'keyword.other.record.progressiva-due'],
  [LINE, generalPart('pendenza, 0, 3'), 1, 'pendenza', 'keyword.other.record', 'not'],
  [LINE, body('pendenza, 0, 3'), 2, 'pendenza', 'keyword.other.record.pendenza'],
  [LINE, body('lunghezza percorso, 9000'), 2, 'lunghezza percorso', 'keyword.other.record', 'not'],
  [LINE, body('xCURVAx5, 800, 100'), 2, 'xCURVAx5', 'keyword.other.record.curva'],
  [LINE, body('# curva in galleria'), 2, '# curva in galleria', 'keyword.other.record.curva'],
  [LINE, body('indicatori_vmax, 1050, 125, 135, 140, 0, , , , 0'), 2, 'indicatori_vmax', 'keyword.other.record.indicatori-vmax'],
  [LINE, body('velocita, 0, 30'), 2, 'velocita, 0, 30', 'comment.line.unread'],
  // A field with the separator mark is dropped, keyword or not.
  [LINE, body('pendenza-salita, 0, 3'), 2, 'pendenza-salita', 'comment.line.separator'],
  [LINE, body('[pendenze]'), 2, '[pendenze]', 'entity.name.section'],
  // The general part ends at the first field with both brackets.
  [LINE, '[generale]\n[curve]\nsfondo uno, 1', 2, 'sfondo uno', 'keyword.other.record', 'not'],
  [LINE, '[generale]\n-[x]\nsfondo uno, 1', 2, 'sfondo uno', 'keyword.other.record.sfondo-uno'],
  // Values: numbers as the reader takes them, anything else stands out.
  [LINE, body('pendenza, 4650, -5.5'), 2, '-5.5', 'constant.numeric'],
  [LINE, body('pendenza, 4650, .5'), 2, '.5', 'constant.numeric'],
  [LINE, body('pendenza, 1050m, 5'), 2, '1050m', 'invalid.illegal.not-a-number'],
  [LINE, body('pendenza, 1e3, 5'), 2, '1e3', 'invalid.illegal.not-a-number'],
  [LINE, body('cartello_indicatore, 1450, (P.L.)(Km 1+452)'), 2, '(P.L.)(Km 1+452)', 'string.unquoted.cartello-indicatore-text'],
  [LINE, body('cartello_indicatore, 1450, (Km 1+452)'), 2, 'Km 1+452', 'constant.numeric', 'not'],
  // The train description: every record anywhere after [generale].
  [TRAIN, train('[velocita]'), 1, '[velocita]', 'keyword.other.record.velocita'],
  [TRAIN, train('Numero Vetture, 3'), 1, 'Numero Vetture', 'keyword.other.record.vetture'],
  [TRAIN, train('curva, 200, 300'), 1, 'curva, 200, 300', 'comment.line.unread'],
  [TRAIN, train('stazione, 0, 7, 800, 1, 0, 0, 4,1,0, 2,1,1, 1, 7,45, 0, PIEVE DI CORNALBA'), 1, 'PIEVE DI CORNALBA', 'string.unquoted.stazione-name'],
  [TRAIN, train('orologio, 7   42   0'), 1, '42', 'constant.numeric'],
  // Characters that Windows-1252 cannot hold, and some it can.
  [TRAIN, train('stazione, 0, 7, 800, 1, 0, 0, 4,1,0, 2,1,1, 1, 7,45, 0, CITTÀ → NORD'), 1, '→', 'invalid.illegal.no-windows-1252-byte'],
  [TRAIN, train('stazione, 0, 7, 800, 1, 0, 0, 4,1,0, 2,1,1, 1, 7,45, 0, CITTÀ → NORD'), 1, 'CITTÀ ', 'invalid.illegal', 'not'],
  [LINE, 'Linea € 2027 – “Ł”\n[generale]', 0, 'Ł', 'invalid.illegal.no-windows-1252-byte'],
  [LINE, 'Linea € 2027 – “Ł”\n[generale]', 0, 'Linea € 2027 – “', 'invalid.illegal', 'not'],
  // Crew documents and scenario.txt.
  [CREW, ' | 01| P. DI CORNALBA - S. VITERNO|  7  |', 0, 'P. DI CORNALBA - S. VITERNO', 'entity.name.section.place'],
  [CREW, '  |  5.600 /|\\ PIEVE DI CORNALBA....|  7.50    7.51 |', 0, '5.600', 'constant.numeric.kilometre'],
  [CREW, '  |  5.600 /|\\ PIEVE DI CORNALBA....|  7.50    7.51 |', 0, '7.51', 'constant.numeric.time'],
  [CREW, '  | Dal: 14.12.2026 |', 0, '14.12.2026', 'constant.numeric.date'],
  [CREW, 'Ombrisa (km 0+000) a Ferlina', 0, 'km 0+000', 'constant.numeric.kilometre'],
  [FOLDER, 'name = Ombrisa_Ferlina', 0, 'Ombrisa_Ferlina', 'string.unquoted.value'],
  [FOLDER, 'train = 23 17', 0, '23 17', 'invalid.illegal.value'],
  [FOLDER, 'train = .2317', 0, '.2317', 'invalid.illegal.value'],
  [FOLDER, 'depot = Cornalba', 0, 'depot', 'invalid.illegal.unknown-key'],
];

// Every record of the grammars, as its rule's comment writes it, is a
// keyword in its own part of its text: the model's spellings, each found.
function recordCases(extensionDir) {
  const found = [];
  const wrap = { 'meta.part.general': generalPart, 'meta.part.body': body, 'meta.part.records': train };
  for (const [scope, file] of [[LINE, 'scenario-line'], [TRAIN, 'scenario-train']]) {
    const grammar = require(path.resolve(extensionDir, 'syntaxes', `${file}.tmLanguage.json`));
    for (const part of grammar.patterns.filter((p) => p.name)) {
      const place = wrap[part.name.replace(/\.scenario-\w+$/, '')];
      for (const { include } of part.patterns) {
        const rule = grammar.repository[include.slice(1)];
        if (!include.startsWith('#record-')) continue;
        const spelling = rule.comment.split(':')[0];
        const kind = include.slice('#record-'.length);
        found.push([scope, place(`${spelling}, 0`), 1 + (place === body), spelling, `keyword.other.record.${kind}`]);
      }
    }
  }
  return found;
}

(async () => {
  const { tokenize } = engine(process.argv[2]);
  const records = recordCases(process.argv[2]);
  if (records.length < 20) throw new Error(`only ${records.length} records in the grammars`);
  cases.push(...records);
  let failures = 0;
  for (const [scope, text, line, piece, expected, not] of cases) {
    const tokens = (await tokenize(scope, text))[line];
    const joined = tokens.map((t) => t.text).join('');
    const start = joined.indexOf(piece);
    // Every token that overlaps the piece must carry the scope (or none may).
    let at = 0;
    const covering = tokens.filter((t) => {
      const from = at;
      at += t.text.length;
      return start >= 0 && from < start + piece.length && at > start;
    });
    const carries = (t) => t.scopes.some((s) => s.startsWith(expected));
    const ok = start >= 0 && (not ? !covering.some(carries) : covering.every(carries));
    if (!ok) {
      failures++;
      console.log(`FAIL ${scope} line ${line} "${piece}" ${not ? 'must not carry' : 'must carry'} ${expected}:`);
      for (const t of covering) console.log(`  "${t.text}" ${t.scopes.join(' ')}`);
    }
  }
  console.log(`${cases.length - failures} of ${cases.length} cases as expected`);
  process.exit(failures === 0 ? 0 : 1);
})().catch((error) => {
  console.log(error.stack || error);
  process.exit(1);
});
