#!/usr/bin/env bash
# Writes the seed corpus of the fuzz harnesses into tests/fuzz/corpus.
#
#   bash tests/fuzz/make_corpus.sh build/bin/scenario-tool
#
# compile_fuzzer: the embedded scenario's two texts, converted as the program
# writes them (Windows-1252, CR LF), and one small scenario for every fault
# code the compile stage can reach, each a line description, the separator
# line "@@@@" and a train description.
# line_fuzzer and train_fuzzer: the line and the train description of each
# compile_fuzzer seed, each text kept once, and one text with a field longer
# than a text of the tables can hold.
# decode_fuzzer: the binary files that scenario-tool compiles from a small
# scenario (the line plan cut down to a few hundred values), and a few files
# that stop each decoder at a different place.
# check_fuzzer: the repository scenario's five texts; its crew documents
# beside a short line and train; texts that try to put markup into the
# report page; and every compile_fuzzer seed but the longest lines, in UTF-8.
# carried_fuzzer: the scenario that scenario-tool package carries for the
# repository scenario (without its trailer), and the smallest scenario.
set -euo pipefail
cd "$(dirname "$0")/../.."
tool=${1:?usage: make_corpus.sh SCENARIO-TOOL}
texts=tests/fuzz/corpus/compile_fuzzer
files=tests/fuzz/corpus/decode_fuzzer
lines=tests/fuzz/corpus/line_fuzzer
trains=tests/fuzz/corpus/train_fuzzer
folders=tests/fuzz/corpus/check_fuzzer
carried=tests/fuzz/corpus/carried_fuzzer
mkdir -p "$texts" "$files" "$lines" "$trains" "$folders" "$carried"

# Text on stdin, one line per line, as the program writes it.
windows() { iconv -f UTF-8 -t WINDOWS-1252 | sed 's/$/\r/'; }

# seed NAME LINE TRAIN: the two texts (plain lines, "\n" between) as one input.
seed() {
  {
    if [ -n "$2" ]; then printf '%s\n' "$2" | windows; fi
    printf '@@@@\r\n'
    if [ -n "$3" ]; then printf '%s\n' "$3" | windows; fi
  } >"$texts/$1"
}

scenario=scenarios/Vardessa_Lontrino_5608
embedded_line=$(cat "$scenario/Vardessa_Lontrino_linea.txt")
embedded_train=$(cat "$scenario/Vardessa_Lontrino_5608-.txt")
seed embedded_scenario "$embedded_line" "$embedded_train"
seed embedded_line "$embedded_line" $'[generale]\n[fine]'
printf '%s\n' "$embedded_line" | windows >"$texts/embedded_line_alone"

general=$'[generale]\nlunghezza percorso,    1000\nprogressiva chilometrica uno,    0,    0,    0
sfondo uno,    1\nsfondo due,    106000\nsfondo tre,    58900
ripetizione segnali 4 codici,    0    ,0\n[curve]'
# A line long enough for the train records, short enough for many runs a second.
long_general=$'[generale]\nlunghezza percorso,    24000\n[curve]'
# Body rows between a general part and "[fine]"; "\n" in the rows is a line end.
line() { printf '%s\n%b\n[fine]' "$general" "$1"; }
long_line() { printf '%s\n%b\n[fine]' "$long_general" "$1"; }
train() { printf '[generale]\n%b\n[fine]' "$1"; }
station() {  # position kind length [column6] [name]
  printf 'stazione, %s, %s, %s, 1, 1, %s, 4,1,0, 2,1,1, 30, 12, 5, 0, %s' \
    "$1" "$2" "$3" "${4:-0}" "${5:-STAZIONE}"
}

# Clean scenarios, each with the features of one part of the formats.
seed clean_general $'preamble, ignored\n[generale]\nlunghezza percorso,    24000
progressiva chilometrica uno,    0,    250,    1\nprogressiva chilometrica due,    0,    0,    0
progressiva chilometrica tre,    0,    0,    0\nsfondo uno,    1\nsfondo due,    106000
sfondo tre,    58900\nripetizione segnali 9 codici,    100    ,200\n[curve]\n[fine]' \
  "$(train 'numero vetture,    3')"
seed clean_capitals $'[GENERALE]\nLUNGHEZZA PERCORSO,    1000\n[curve]\nPENDENZA,  0,  9
CURVAS3,  100,  50\n[fine]' "$(train 'VELOCITA,   0,    30')"
seed clean_line_body "$(line $'[pendenze]\npendenza,  0,  5\npendenza,  2900,  -1
----------\n[curve]\ncurvas5,  800,  100\ncurvad3,  1250,  400\n----\n----\n----
[montagne]\nmontagna,   0,  600,  12\nmontagna,   700,  900,  2\n[cartelli]
indicatori_vmax,  1050,  125,  135,  140,  0,  ,  ,  ,  0
indicatori_vmax,  300,  60,  70,  80,  3\n   97,  50,  40,  2\n[indicazioni]
cartello_indicatore,  1450,   (P.L.    )(Km 1+452)
cartello_indicatore,  2000,   (Vallì)(Km 0+300)\ncartello_indicatore,  2200,   (I--I--I)(I__I__I)')" \
  "$(train '')"
seed clean_train "$(long_line 'montagna, 2900, 3200, 12')" "$(train "numero vetture,    3
percentuale massa frenata,    105\nsabbia,    60\norologio,    12              4             45 
[aderenze]\naderenza,   0,    100\naderenza,   1000,    300\n[vel_limite]\nvelocita,   0,    30
Velocità,    1050,   142\n[stazioni]\n$(station 0 7 800)\n$(station 5000 5 300)
$(station 13400 11 700 1)\n$(station 20000 8 300)\n$(station 25000 25 400 0 'BIVIO - EST')
[rallentamenti]\nrallentamento,   14750,    50,  200, 1,  0,  0
rallentamento,  22000,    30,   50, 0,  1,  0\n[segnali]
segnale,    1750,   2, 4, 1,  0, 0,    2,  2,1,0, 0\nsegnale,    6350,   1, 4, 1,  0, 0,    1,  3,1,0, 0
abbattimento, 3000, 0\nabbattimento, 3100, 170\n[codici]")"
seed clean_no_end "$(printf '%s\npendenza,  0,  2\npendenza,  6000,  -4' "$general")" \
  $'[generale]\n----\nsabbia, 7\nvelocita, 0, 30'
seed clean_bare_last_keyword "$(line '')pendenza" $'[generale]\nsabbia'
seed clean_no_train_header "$(line '')" $'velocita,   0,    30\nstazione, 0, 7, 800'

# One scenario for every fault code; 101 (no line description) cannot be
# reached, as the harness always writes one.
seed error_01_line_too_long $'[generale]\nlunghezza percorso,    1000001\n[curve]\n[fine]' "$(train '')"
seed error_02_progressive $'[generale]\nlunghezza percorso,    24000
progressiva chilometrica uno,    1000,    275,    0\n[curve]\n[fine]' "$(train 'sabbia, 5')"
seed error_03_cab_first $'[generale]\nlunghezza percorso,    1000
ripetizione segnali 4 codici,    10    ,0\n[curve]\n[fine]' "$(train '')"
seed error_04_cab_second $'[generale]\nlunghezza percorso,    1000
ripetizione segnali 4 codici,    0    ,60\n[curve]\n[fine]' "$(train '')"
seed error_05_cab_codes $'[generale]\nlunghezza percorso,    1000
ripetizione segnali codici,    0    ,50\n[curve]\n[fine]' "$(train '')"
seed error_06_board_taken "$(line $'cartello_indicatore,  25,   (F)\ncartello_indicatore,  75,   (G)')" \
  "$(train '')"
seed error_07_abbattimento_taken "$(long_line '')" \
  "$(train $'segnale, 1750, 2, 4, 1, 0, 0, 2, 2, 1, 0, 0\nabbattimento, 1800, 5')"
seed error_08_station_position "$(long_line '')" "$(train "$(station 13425 11 400)")"
seed error_09_station_length "$(long_line '')" "$(train "$(station 13400 11 750)")"
boards=$(for i in $(seq 0 19); do echo "cartello_indicatore, $((23000 + 100 * i)), (B)"; done)
stations=$(for i in $(seq 0 58); do station $((2000 + 400 * i)) 25 0; echo; done)
seed error_10_too_many_stations "$(long_line "$boards")" "$(train "$stations")"
seed error_11_signal_before_warning "$(line '')" "$(train $'segnale, 700, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0
segnale, 650, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nsegnale, 600, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0
rallentamento, 2000, 50, 200, 0, 0, 0')"
seed error_12_no_room_before_slowdown "$(line '')" "$(train $'segnale, 4700, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0
segnale, 4650, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nsegnale, 4600, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0
rallentamento, 4950, 50, 200, 0, 0, 0')"
seed error_13_no_room_inside_slowdown "$(line '')" "$(train $'segnale, 5300, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0
segnale, 5350, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nsegnale, 5400, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0
rallentamento, 4950, 50, 1500, 0, 0, 0')"
seed error_15_beyond_grid_line "$(long_line $'cartello_indicatore,  30901,   (F)\npendenza,  500,  3')" \
  "$(train '')"
seed error_15_beyond_grid_train "$(long_line '')" "$(train "velocita, 0, 30
$(station 30250 11 400)")"
seed error_16_signal_taken "$(long_line '')" "$(train $'segnale, 1750, 2, 4, 1, 0, 0, 2, 2, 1, 0, 0
segnale, 1760, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nvelocita, 0, 30')"
seed error_17_warning_taken "$(line '')" \
  "$(train $'rallentamento, 5000, 50, 100, 0, 0, 0\nrallentamento, 5000, 50, 100, 0, 0, 0')"
seed error_18_slowdown_start_taken "$(line '')" \
  "$(train $'segnale, 1000, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nrallentamento, 1000, 50, 200, 1, 0, 0')"
seed error_19_slowdown_end_taken "$(line '')" \
  "$(train $'segnale, 1200, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nrallentamento, 1000, 50, 200, 1, 0, 0')"
seed error_20_orientation_taken "$(line '')" \
  "$(train $'segnale, 1700, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0\nrallentamento, 3000, 50, 200, 0, 1, 0')"
seed error_21_speed_board_taken "$(line $'cartello_indicatore,  25,   (F)
indicatori_vmax,  75,  100,  ,\n  ,  0,  ,  ,  ,  0')" "$(train '')"
seed error_22_station_spacing "$(long_line '')" "$(train "$(station 0 7 800)
$(station 1400 11 600)")"
seed error_24_station_too_early "$(long_line '')" "$(train "$(station 0 11 100)")"
seed error_25_empty_line "" "$(train '')"
seed error_25_not_a_number "$(line 'pendenza,  1oo,  3')" "$(train '')"
seed error_25_values_past_end "$(line '')pendenza,  100" "$(train '')"
seed error_25_speed_board_too_fast "$(line 'indicatori_vmax,  300,  2000,  ,  ,  0,  ,  ,  ,  0')" \
  "$(train '')"
seed error_25_negative_board "$(line 'cartello_indicatore,  -100,   (F)')" "$(train '')"
seed error_25_mountain_beyond "$(line 'montagna,   7000,  99000,  1')" "$(train '')"
seed error_25_curve_beyond "$(line 'curvad2,  7500,  900')" "$(train '')"
mountains=$(for i in $(seq 0 80); do echo "montagna,   $((300 * i)),  $((300 * i + 100)),  1"; done)
seed error_25_too_many_mountains \
  "$(printf '[generale]\nlunghezza percorso,    24000\n[curve]\n%s\n[fine]' "$mountains")" "$(train '')"
seed error_25_sand_too_large "$(long_line '')" "$(train $'orologio, 12, 4, 45\nsabbia, 40000')"
seed error_25_station_beyond "$(long_line '')" "$(train "$(station 30000 7 1500)")"
seed error_25_slowdown_beyond "$(long_line '')" "$(train 'rallentamento, 30000, 50, 5000, 0, 0, 0')"
seed error_26_no_line_length $'[generale]\nsfondo uno,    1\n[curve]\npendenza,  0,  1\n[fine]' \
  "$(train '')"
seed error_27_slowdown_too_short "$(long_line '')" "$(train "$(station 0 7 800)
rallentamento, 5000, 50, 10, 0, 0, 0")"
seed post_pass_search_stops_at_grid_end "$(line '')" "$(train 'rallentamento, 7000, 50, 450, 0, 0, 0')"
seed error_102_no_general_header $'lunghezza percorso,    1000\n[fine]' "$(train '')"
seed error_103_curve_class "$(line $'curvad7,  100,  50\npendenza,  0,  1')" "$(train '')"
seed error_1250_marker_slot "$(line 'pendenza,  0,   0')" \
  "$(train $'velocita,   0,    30\n[segnali]\nsegnale,    0,   1, 4, 0,  0, 0,    0,  0,0,0, 0')"
seed error_1251_code_slot "$(line '')" "$(train 'rallentamento, -50, 0, 60, 0, 0, 7')"

# Paths of the post-pass and limits of the readers that no fault above takes.
signal() { printf 'segnale, %s, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0' "$1"; }
seed post_pass_lowers_the_point_before "$(line '')" "$(train "$(signal 700)\n$(signal 600)
abbattimento, 700, 200\nrallentamento, 2000, 50, 200, 0, 0, 0")"
seed post_pass_lowers_the_point_two_before "$(line '')" "$(train "$(signal 700)\n$(signal 650)
abbattimento, 650, 200\nrallentamento, 2000, 50, 200, 0, 0, 0")"
seed post_pass_point_two_before_signal_after_end \
  "$(line 'indicatori_vmax,  1300,  100,  ,  ,  0,  ,  ,  ,  0')" \
  "$(train "$(signal 1350)\nrallentamento, 1000, 50, 200, 0, 0, 0")"
seed error_13_no_room_before_signal_after_end \
  "$(line 'indicatori_vmax,  1300,  100,  ,  ,  0,  ,  ,  ,  0')" \
  "$(train "$(signal 1350)\nabbattimento, 1300, 0\nrallentamento, 1000, 50, 200, 0, 0, 0")"
seed error_28_walk_inside_leaves_grid "$(line '')" \
  "$(train "rallentamento, 1000, 50, 200, 0, 0, 0\n$(station 1200 11 200)")"
seed error_28_walk_to_end_leaves_grid "$(line '')" \
  "$(train "rallentamento, 1000, 120, 200, 0, 0, 0\n$(station 1200 11 200)")"
seed error_103_plan_passes_limit $'[generale]\nlunghezza percorso,    1000000\n[curve]
curvad1,  999000,  2000\n[fine]' "$(train '')"
board_rows=$(for i in $(seq 0 81); do echo "cartello_indicatore,  $((200 + 100 * i)),   (B)"; done)
seed error_25_too_many_boards "$(printf '[generale]\nlunghezza percorso,    10000\n[curve]\n%s\n[fine]' \
  "$board_rows")" "$(train '')"
seed error_25_station_time_too_large "$(long_line '')" \
  "$(train 'stazione, 2900, 12, 1000, 0, 0, 0, 1,1,0, 4,1,1, 0, 999999, 0, 0, STAZIONE A')"
seed error_25_speed_too_large "$(long_line '')" "$(train $'velocita, 0, 2000\nvelocita, 1000, 30')"
seed error_25_progressive_end_too_large $'[generale]\nlunghezza percorso,    1000
progressiva chilometrica uno,    0,    2147483600,    1\n[curve]\n[fine]' "$(train '')"

# The two halves of every compile seed, split at the separator line.
declare -A kept
keep_once() {  # FILE: writes stdin into FILE, unless a file of its folder holds the same bytes
  cat >"$1"
  local sum
  sum=$(md5sum <"$1")
  sum="$(dirname "$1") ${sum%% *}"
  if [ -n "${kept[$sum]:-}" ]; then rm "$1"; else kept[$sum]=1; fi
}
rm -f "$lines"/* "$trains"/*
for input in "$texts"/*; do
  name=$(basename "$input")
  keep_once "$lines/$name" < <(sed '/^@@@@\r$/,$d' "$input")
  keep_once "$trains/$name" < <(sed '0,/^@@@@\r$/d' "$input")
done
long_text=$(printf '%*s' 70000 '' | tr ' ' B)
printf '%s\n' "$(long_line "cartello indicatore,  5000, $long_text")" | windows \
  >"$lines/board_text_longer_than_65535"

# The binary files of a small scenario; the line plan only in part, as
# decoding prefixes of whole values gives plans as well.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
line $'pendenza,  0,  5\ncurvas5,  800,  100\nmontagna,   0,  600,  12
indicatori_vmax,  1050,  125,  135,  140,  0,  ,  ,  ,  0\ncartello_indicatore,  1450,   (Vallì)' |
  windows >"$work/S_linea.txt"
train "aderenza,   0,    100
velocita,   0,    30\n$(station 2900 12 1000 0 'STAZIONE A')\nsegnale,    1750,   2, 4, 1,  0, 0,    2,  2,1,0, 0
rallentamento,   4750,    50,  200, 1,  0,  0\nabbattimento, 6000, 170" | windows >"$work/S_1-.txt"
"$tool" compile "$work" --name S --train 1 >/dev/null
cp "$work/S_1.dat" "$files/route_grid"
cp "$work/S_1.sim" "$files/train_table"
head -c $((8 + 10 * 298)) "$work/S_linea.dat" >"$files/line_plan_head"
tail -c $((10 * 98 + 4)) "$work/S_linea.dat" >"$files/line_plan_tail"
head -c 16 "$work/S_1.dat" >"$files/route_grid_cut_in_a_cell"
head -c 40 "$work/S_1.sim" >"$files/train_table_cut_in_an_entry"
printf '\x02\x00\x01\x00\x09\x00' >"$files/line_plan_unknown_tag"
printf '\x05\x00\x00\x00\x00\x00\x00\x00\xf0\x7f\x00\x00' >"$files/line_plan_infinity"

# The five texts of a scenario folder as one check_fuzzer input, each text
# followed by the separator line but the last.
folder_seed() {  # NAME LINE TRAIN NOTES SLOWDOWNS SHEET (files)
  local name=$1
  shift
  for text in "$@"; do
    cat "$text"
    if [ -n "$(tail -c 1 "$text")" ]; then echo; fi
    if [ "$text" != "${!#}" ]; then printf '@@@@\n'; fi
  done >"$folders/$name"
}
rm -f "$folders"/*
crew=("$scenario"/Vardessa_Lontrino_5608_{note,rallentamenti,scheda_treno}.txt)
folder_seed repository_scenario "$scenario/Vardessa_Lontrino_linea.txt" \
  "$scenario/Vardessa_Lontrino_5608-.txt" "${crew[@]}"
long_line "$(station 0 7 800)" >"$work/short_line.txt"
train "velocita,   0,    30\n$(station 0 7 800)\n$(station 13400 11 700 1)
rallentamento,   14750,    50,  200, 1,  0,  0" >"$work/short_train.txt"
folder_seed crew_documents_of_another_train "$work/short_line.txt" "$work/short_train.txt" \
  "${crew[@]}"
markup='<zq a="1">&amp;</zq>'
long_line "cartello_indicatore,  5000,   ($markup)(Km 5+000)\n$markup, 5" >"$work/markup_line.txt"
train "velocita,   0,    30\n$(station 0 7 800 0 "$markup")\n$markup, 1
rallentamento,   14750,    50,  200, 1,  0,  0" >"$work/markup_train.txt"
printf '%s\n' "Treno R 5608 $markup" >"$work/markup_notes.txt"
printf '%s\n' " | 01| $markup |     14     |    50    |   200   |    A-H     |" \
  >"$work/markup_slowdowns.txt"
printf '%s\n' "|  30 |  30 |  0.000 /|\\ $markup.....|         12.05 |   |  30  |  1  |" \
  >"$work/markup_sheet.txt"
folder_seed markup_in_every_text "$work"/markup_{line,train,notes,slowdowns,sheet}.txt
printf 'sfondo uno, \xe2\x86\x92\n' >"$work/not_1252.txt"  # U+2192
folder_seed folder_refused_not_1252 "$work/not_1252.txt" "$work/short_train.txt"
for input in "$texts"/*; do
  case $(basename "$input") in embedded_*|error_103_plan_passes_limit) continue ;; esac
  iconv -f WINDOWS-1252 -t UTF-8 <"$input" >"$folders/$(basename "$input")"
done

# The scenario that a packager carries: the bytes before the trailer, whose
# third field (bytes 16 to 23 of the last 32) is their length.
rm -f "$carried"/*
"$tool" package "$scenario" --target linux-x86_64 -o "$work/packager" >/dev/null
size=$(tail -c 16 "$work/packager" | head -c 8 | od -An -t u8 | tr -d ' ')
tail -c $((size + 32)) "$work/packager" | head -c "$size" >"$carried/repository_scenario"
# "S", train "1", five texts of no line.
{ printf '\x01\x00\x00\x00S\x01\x00\x00\x001'; head -c 20 /dev/zero; } >"$carried/smallest_scenario"

# lsp_fuzzer: each protocol transcript of tests/lsp/transcripts as the byte
# stream it sends (a text given by the name of a reference scenario file
# filled in from it; "${dir}" written as the mark the harness fills), and one stream
# of every request and notification the server takes, in turn.
lsp=tests/fuzz/corpus/lsp_fuzzer
mkdir -p "$lsp"
rm -f "$lsp"/*
python3 - "$scenario" "$lsp" <<'PYTHON'
import json, pathlib, sys
scenario, corpus = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])

def filled(message):
    if isinstance(message, dict):
        text = message.get("text")
        if isinstance(text, dict) and (scenario / text.get("of", "")).is_file():
            body = (scenario / text["of"]).read_text(encoding="utf-8")
            for old, new in text.get("replace", []):
                body = body.replace(old, new)
            message = dict(message, text=body)
        return {key: filled(value) for key, value in message.items()}
    if isinstance(message, list):
        return [filled(value) for value in message]
    return message

def stream(messages):
    data = b""
    for message in messages:
        if isinstance(message, dict) and "settle" in message:
            continue
        if isinstance(message, dict) and "raw" in message:
            data += message["raw"].encode()
            continue
        body = json.dumps(filled(message)).encode()
        data += b"Content-Length: %d\r\n\r\n" % len(body) + body
    return data

for path in sorted(pathlib.Path("tests/lsp/transcripts").glob("*.json")):
    transcript = path.read_text(encoding="utf-8")
    messages = json.loads(transcript.replace("${dir}", "file:///dev/shm/lsp_fuzzer-XXXXXXXXXX"))["messages"]
    (corpus / ("transcript_" + path.stem.replace("-", "_"))).write_bytes(stream(messages))

train = "file:///dev/shm/lsp_fuzzer-XXXXXXXXXX/Vardessa_Lontrino_5608-.txt"
sheet = "file:///dev/shm/lsp_fuzzer-XXXXXXXXXX/Vardessa_Lontrino_5608_scheda_treno.txt"
text = (scenario / "Vardessa_Lontrino_5608-.txt").read_text(encoding="utf-8")
at = {"line": 20, "character": 12}
span = {"start": {"line": 0, "character": 0}, "end": {"line": 60, "character": 0}}
def request(number, method, uri, **params):
    return {"jsonrpc": "2.0", "id": number, "method": method,
            "params": dict(textDocument={"uri": uri}, **params)}
every = [
    {"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}},
    {"jsonrpc": "2.0", "method": "initialized", "params": {}},
    {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
        "uri": train, "languageId": "scenario", "version": 1, "text": text}}},
    request(2, "textDocument/hover", train, position=at),
    request(3, "textDocument/completion", train, position=at),
    request(4, "textDocument/codeAction", train, range=span, context={"diagnostics": []}),
    request(5, "textDocument/documentSymbol", train),
    request(6, "textDocument/inlayHint", train, range=span),
    request(7, "textDocument/definition", sheet, position={"line": 8, "character": 4}),
    {"jsonrpc": "2.0", "method": "textDocument/didChange", "params": {
        "textDocument": {"uri": train, "version": 2},
        "contentChanges": [{"text": text.replace("segnale,    3800", "segnale,    3850")}]}},
    {"jsonrpc": "2.0", "method": "textDocument/didSave", "params": {"textDocument": {"uri": train}}},
    {"jsonrpc": "2.0", "method": "textDocument/didClose", "params": {"textDocument": {"uri": train}}},
    {"jsonrpc": "2.0", "id": 8, "method": "shutdown"},
    {"jsonrpc": "2.0", "method": "exit"},
]
(corpus / "every_method").write_bytes(stream(every))
PYTHON
