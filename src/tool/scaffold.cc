#include "tool/scaffold.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "tables/file_names.h"

namespace packager::tool {

namespace {

// The texts, with "{name}" and "{train}" standing for the scenario's name and
// train number, and "{train^18}" for the number centred in 18 characters (the
// train box of the timetable sheet). Only the preamble of a description text,
// above its general header, may hold notes: below it every field is read.

constexpr std::string_view kScenarioFile =
    R"(# The scenario of this folder: its name and its train number. Both become
# part of every file name: NAME_linea.txt (the line), NAME_NUMBER-.txt (the
# train) and the three crew documents NAME_NUMBER_note.txt,
# NAME_NUMBER_rallentamenti.txt and NAME_NUMBER_scheda_treno.txt. Renaming
# the scenario means renaming those files too.
#
#   scenario-tool check DIR     every error and warning, in one run
#   scenario-tool report DIR -o report.html
#                               the same, with the line's profile and plan
#
# Lines starting with '#' and blank lines are ignored.

name = {name}
train = {train}
)";

constexpr std::string_view kLineDescription =
    R"(A new line: 6 km from Orsenna to Torre Albina. Everything above the general
header below is ignored: it is the one place for notes. Below it there is
no comment syntax: every field is read, and a note that held "curva" would
start a curve. Fields end at a comma or a line end, numbers at a blank too.
Positions are metres from the start of the line; the grid cells are 50 m.

The general part, up to the first header after it:
  lunghezza percorso, L        the line's length in metres (required, first)
  progressiva chilometrica uno, a, b, c
                               kilometre posts (also due, tre); all 0: none
  sfondo uno, v                the scenery (also due, tre), for the simulator
  ripetizione segnali 4 codici, from, to
                               the cab signalling stretch; 0 0: none
The body, in any order; the headers in brackets are for the eye only:
  curvas3, start, length       a curve: s turns left, d right; the digit
                               1 to 6 is its class, 6 the sharpest
  pendenza, p, g               the gradient from p on, per mille; the
                               first at 0
  montagna, start, end, t      a mountain stretch (a tunnel); t above 10
                               adds markers
  indicatori_vmax, p, vas, vbs, vcs, stripes, vad, vbd, vcd, stripes
                               a speed board: three speeds (steps of 5)
                               and stripes a side; empty fields: no side
  cartello_indicatore, p, (caption)
                               an indicator board; no comma in the caption
The last field of the text is never read: end it with [fine].
[generale]
lunghezza percorso,    6000
progressiva chilometrica uno,    0,    0,    0
progressiva chilometrica due,    0,    0,    0
progressiva chilometrica tre,    0,    0,    0
sfondo uno,    1
sfondo due,    4500
sfondo tre,    2000
ripetizione segnali 4 codici,    0    ,0
[curve]
curvas3,  700,  300
curvad2,  2900,  500
curvas4,  4750,  200
[pendenze]
pendenza,  0,   0
pendenza,  1500,   8
pendenza,  3000,   12
pendenza,  3800,   -6
pendenza,  5600,   0
[montagne]
montagna,   2900,  3500,  11
[cartelli]
indicatori_vmax,  1050,  70,  75,  80,  0,  ,  ,  ,  0
indicatori_vmax,  4700,  50,  55,  60,  1,  ,  ,  ,  0
[indicazioni]
cartello_indicatore,  800,   (I--I--I)(I__I__I)
cartello_indicatore,  2850,   (Galleria)(Monte Sorbo)(m 600)
cartello_indicatore,  5800,   (Torre Albina)
[fine]
)";

constexpr std::string_view kTrainDescription =
    R"(The train on the new line. As in the line description, only this preamble
may hold notes; below the general header every field is read.

  numero vetture, n            the vehicles
  percentuale massa frenata, b the braked mass in per cent
  sabbia, s                    the sand
  orologio, h m s              the clock at the start, before the departure
  aderenza, p, a               the adhesion from p on (100: dry rail)
  velocita, p, v               the speed limit from p on, km/h (steps of 5);
                               one at each speed board, its C speed
  stazione, p, kind, L, c4 ... c13, h, m, s, NAME
                               a station, in running order: p a multiple
                               of 50, L of 100; the time where the train
                               stops, else 0 0 0. Kinds: 7 departure and
                               arrival, 11 a stop, 21 a station passed,
                               25 a halt, 27 a junction
  rallentamento, x, v, l, whole train 0/1, orientation boards 0/1, d_v
                               a slowdown of l metres from x at v km/h;
                               d_v a number for the simulator, mostly 0
  segnale, p, sx, s1, s2, s3, rapp, dx, d1, d2, d3, time
                               a signal, p at least 350 (kinds 1 and 2 a side)
  abbattimento, p, value       an abbattimento point of your own (the
                               packager adds its own around signals)
Every station, speed change and slowdown is also in the crew documents:
scenario-tool check compares them.
[generale]
numero vetture,    2
percentuale massa frenata,    95
sabbia,    40
orologio,    9              58             0
[aderenze]
aderenza,   0,    100
aderenza,   2900,    85
aderenza,   3500,    100
[vel_limite]
velocita,   0,    30
velocita,   1050,   80
velocita,   4700,   60
[stazioni]
stazione,       0,  7,  600,  1, 0, 0,  4,1,0,  2,1,1,    1,  10, 0, 0, ORSENNA
stazione,    1200, 27,  300,  0, 0, 0,  1,1,0,  1,1,0,    0,   0, 0, 0, BIVIO CALVARO
stazione,    2400, 11,  600,  0, 1, 1,  2,1,0,  3,1,1,   30,  10, 5, 0, PIAN DEL MORO
stazione,    3300, 25,  200,  0, 0, 0,  1,1,0,  1,1,0,    0,   0, 0, 0, FERMATA SORBETO
stazione,    4200, 21,  400,  0, 0, 0,  1,1,0,  2,1,0,    0,   0, 0, 0, CASE RIVALTA
stazione,    6600,  7,  400,  1, 0, 0,  4,1,0,  2,1,1,   60,  10,11, 0, TORRE ALBINA
[rallentamenti]
rallentamento,   3600,    40,  300, 1,  1,  0
[segnali]
segnale,     950,   1, 4, 1,  0, 0,    1,  3,1,0, 0
segnale,    1900,   2, 4, 1,  0, 0,    2,  2,1,0, 0
segnale,    3100,   1, 4, 1,  0, 0,    1,  3,1,0, 0
segnale,    5650,   2, 4, 1,  0, 0,    2,  2,1,0, 0
[abbattimenti]
abbattimento,   5000,   180
[codici]
[fine]
)";

constexpr std::string_view kNotes = R"(      VAL CALVARO
Linea Orsenna - Torre Albina

La linea Orsenna - Torre Albina, lunga 6 km, è a semplice binario; le progressive chilometriche hanno origine (km 0+000) nel fabbricato viaggiatori di Orsenna.
Dopo il bivio per Calvaro e la stazione di Pian del Moro la linea sale nella galleria del Monte Sorbo (600 metri), dove l'aderenza è ridotta dall'umidità.
Le velocità massime vanno dai 30 km/h del piazzale di Orsenna agli 80 km/h della piana; dalla curva di Rivalta non si superano i 60 km/h.
Attenzione al rallentamento dopo la fermata di Sorbeto, riportato nel Modulo M. 3 allegato al treno.
Orsenna - Pian del Moro          Blocco elettrico manuale
Pian del Moro - Torre Albina     Blocco automatico a correnti fisse

Treno Simulato:
Treno R {train} ORSENNA - TORRE ALBINA
Composizione: 2 vetture (automotrice e rimorchiata pilota), massa frenata 95%.
Trazione: termica, automotrice diesel in testa al treno.
Personale: macchinista e capotreno.
Buon viaggio!

Autore del percorso
Orsenna
autore@example.org

)";

constexpr std::string_view kSlowdownOrder = R"(
                               Modulo M. 3
                           ORDINE DI RALLENTAMENTO
 ________________________________________________________________________________
  Linea  ORSENNA - TORRE ALBINA

  Si ordina al macchinista del treno {train} di effettuare i seguenti rallentamenti
  _______________________________________________________________________________
 |   |                            |Inizio dopo |          |         |            |
 | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|
 |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |
 |___|____________________________|____________|__________|_________|____________|
 | 01| F. SORBETO - CASE RIVALTA  |      3     |    40    |   300   |    A-I     |
 |* *|* * * * * * * * * * * * * * |* * * * * * |* * * * * |* * * * *|* * * * * * |
 |   |                            |            |          |         |            |
 |   |                            |            |          |         |            |
 |___|____________________________|____________|__________|_________|____________|

              Prescrizioni specifiche
 A - Da rispettare con tutto il treno (per i treni viaggiatori)
 I - Tavole di orientamento sul lato destro
)";

constexpr std::string_view kTimetableSheet = R"(

   __________________________________________________________________________________________________
  | Fascicolo Linee            |      Treno       |      Scheda n° 1/1       | Sigla di Composizione |
  |                            |                  |                          |                       |
  | VAL CALVARO                |{train^18}| Da: ORSENNA              |           95%         |
  | Linea Orsenna - T. Albina  |                  | A:  TORRE ALBINA         |                       |
  |____________________________|__________________|__________________________|_______________________|
  | Validità           | Termine Scheda | Classificazione | Massa Bloccata |     Int. alla Sigla     |
  |                    |                |                 |                |                         |
  | Dal: 14.12.2026    |  TORRE ALBINA  |        R        |   2 veicoli    |     TMV 2 - cod. 17     |
  |                    |                |                 |                |                         |
  |____________________|________________|_________________|________________|_________________________|

   ____________________________________________________________________________________________
  | Vel.| Vel.|  Prog                           |               |Rec|Bin.Dx|SRS| Simbologia|SRS|
  | Max.|Marc.|   Km.           Localita'       |     Orario    |   |V. Max| SX|           | DX|
  |_____|_____|_________________________________|_______________|___|______|___|___________|___|
  |  30 |  30 |  0.000 /|\ ORSENNA..............|         10.00 |   |  30  |  1                |
  |  80 |  75 |  1.050  |  Uscita Orsenna       |     10.01     |   |      |                   |
  |     |     |  1.200 _|/ BIVIO CALVARO        |     10.02     |   |      |                   |
  |     |     |  2.400 /|\ PIAN DEL MORO........| 10.04   10.05 |0.5|  60  |                   |
  |     |     |  3.300  |_ FERMATA SORBETO      |     10.06     |   |  /   |                   |
  |     |     |  4.200 /|\ CASE RIVALTA         |     10.07     |   |  30  |                   |
  |  60 |  55 |  4.700  |  Curva di Rivalta     |     10.08     |   |      |                   |
  |     |     |  6.600 /|\ TORRE ALBINA.........| 10.11         |   |  30  |  1                |
  |_____|_____|_________________________________|_______________|___|______|___________________|
)";

// The text with its placeholders filled in.
std::string Filled(std::string_view text, const ScenarioIdentity& identity) {
  std::string filled;
  filled.reserve(text.size() + 64);
  while (!text.empty()) {
    const std::size_t open = text.find('{');
    const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
    if (close == std::string_view::npos) {
      filled += text;
      break;
    }
    filled += text.substr(0, open);
    const std::string_view key = text.substr(open + 1, close - open - 1);
    if (key == "name") {
      filled += identity.name;
    } else if (key == "train") {
      filled += identity.train;
    } else if (key == "train^18") {
      constexpr std::size_t kBox = 18;  // wider than the longest train number
      const std::size_t before = (kBox - identity.train.size() + 1) / 2;
      filled.append(before, ' ');
      filled += identity.train;
      filled.append(kBox - before - identity.train.size(), ' ');
    } else {
      filled += text.substr(open, close - open + 1);
    }
    text.remove_prefix(close + 1);
  }
  return filled;
}

}  // namespace

FolderFiles ScaffoldFiles(const ScenarioIdentity& identity) {
  static_assert(kMaxTrainLength + 2 <= 18, "the sheet's train box holds every train number");
  const std::string& name = identity.name;
  const std::string& train = identity.train;
  return {
      {kScenarioFileName, Filled(kScenarioFile, identity)},
      {LineDescriptionName(name), Filled(kLineDescription, identity)},
      {TrainDescriptionName(name, train), Filled(kTrainDescription, identity)},
      {NotesName(name, train), Filled(kNotes, identity)},
      {SlowdownOrderName(name, train), Filled(kSlowdownOrder, identity)},
      {TimetableSheetName(name, train), Filled(kTimetableSheet, identity)},
  };
}

}  // namespace packager::tool
