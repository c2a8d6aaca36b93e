#include "decompile/crew_documents.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

namespace packager::decompile {

namespace {

// text after that many blanks. Built up in one string: GCC 12 for Windows
// warns wrongly of an overlapping copy in "literal" + std::string(...).
std::string AfterBlanks(std::size_t blanks, const std::string& text) {
  std::string out(blanks, ' ');
  out += text;
  return out;
}

// 64750 as "64.750".
std::string Km(std::int64_t metres) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%03lld", metres < 0 ? "-" : "",
                static_cast<long long>(std::llabs(metres) / 1000),
                static_cast<long long>(std::llabs(metres) % 1000));
  return text;
}

// The time of day as the sheet gives it, to the minute: "12.05".
std::string Clock(std::int64_t seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(seconds / 3600 % 24),
                static_cast<long long>(seconds / 60 % 60));
  return text;
}

// The text padded with blanks, or cut, to width characters.
std::string Cell(std::string text, std::size_t width, bool right = false) {
  if (text.size() > width) text.resize(width);
  const std::string pad(width - text.size(), ' ');
  return right ? pad + text : text + pad;
}

// A name as a table cell may hold it: no bar.
std::string Plain(std::string name) {
  std::replace(name.begin(), name.end(), '|', '/');
  return name;
}

// "BEFORE - AFTER" within width characters: where the two names are too
// long, words are cut to their first letter and a dot ("P. ZERVINO"), the
// words before a name's last first and the longest of them first, as the
// check reads a word ending in a dot as the start of the station's word.
std::string Between(const std::string& before, const std::string& after, std::size_t width) {
  std::vector<std::vector<std::string>> names(2);
  for (std::size_t n = 0; n < 2; ++n) {
    std::istringstream words(n == 0 ? before : after);
    for (std::string word; words >> word;) names[n].push_back(word);
  }
  const auto joined = [&] {
    std::string text[2];
    for (std::size_t n = 0; n < 2; ++n) {
      for (const std::string& word : names[n]) {
        if (!text[n].empty()) text[n] += ' ';
        text[n] += word;
      }
    }
    return text[0] + " - " + text[1];
  };
  for (std::string text = joined(); text.size() > width; text = joined()) {
    std::string* longest = nullptr;
    for (const bool last : {false, true}) {
      for (std::vector<std::string>& words : names) {
        for (std::size_t w = 0; w < words.size(); ++w) {
          if ((w + 1 == words.size()) != last || words[w].size() <= 2) continue;
          if (longest == nullptr || words[w].size() > longest->size()) longest = &words[w];
        }
      }
      if (longest != nullptr) break;
    }
    if (longest == nullptr) return text;  // cut by the cell
    longest->resize(1);
    *longest += '.';
  }
  return joined();
}

bool Stops(const CrewFacts::Station& station) { return station.seconds != 0; }

std::string FirstName(const CrewFacts& facts) {
  return facts.stations.empty() ? "?" : Plain(facts.stations.front().name);
}
std::string LastName(const CrewFacts& facts) {
  return facts.stations.empty() ? "?" : Plain(facts.stations.back().name);
}

}  // namespace

std::string NotesText(const CrewFacts& facts) {
  std::string text;
  text += "      " + facts.identity.name + "\n";
  text += "Linea " + FirstName(facts) + " - " + LastName(facts) + "\n\n";
  text += "Questi documenti sono stati ricostruiti dai file binari dello scenario: il testo\n"
          "originale delle note non vi e' conservato.\n";
  text += "Stazioni: " + std::to_string(facts.stations.size()) + "; rallentamenti: " +
          std::to_string(facts.slowdowns.size()) + ".\n\n";
  text += "Treno Simulato:\n";
  text += "Treno " + facts.identity.train + " " + FirstName(facts) + " - " + LastName(facts) + "\n";
  text += "Composizione: " + std::to_string(facts.vehicles) + " vetture, massa frenata " +
          std::to_string(facts.braked_mass) + "%.\n";
  return text;
}

std::string SlowdownOrderText(const CrewFacts& facts) {
  std::string text;
  text += "\n                               Modulo M. 3\n"
          "                           ORDINE DI RALLENTAMENTO\n"
          " ________________________________________________________________________________\n";
  text += "  Linea  " + FirstName(facts) + " - " + LastName(facts) + "\n\n";
  text += "  Si ordina al macchinista del treno " + facts.identity.train +
          " di effettuare i seguenti rallentamenti\n";
  text += "  _______________________________________________________________________________\n"
          " |   |                            |Inizio dopo |          |         |            |\n"
          " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|\n"
          " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |\n"
          " |___|____________________________|____________|__________|_________|____________|\n";
  int number = 0;
  for (const CrewFacts::Slowdown& slowdown : facts.slowdowns) {
    std::string before = "?", after = "?";
    for (const CrewFacts::Station& station : facts.stations) {
      if (station.position <= slowdown.start) before = Plain(station.name);
      if (station.position > slowdown.start && after == "?") after = Plain(station.name);
    }
    char row[256];
    std::snprintf(row, sizeof row, " | %02d| %s|%s|%s|%s|%s|\n", ++number,
                  Cell(Between(before, after, 27), 27).c_str(), Cell(AfterBlanks(1, Km(slowdown.start)), 12).c_str(),
                  Cell(std::to_string(slowdown.speed) + "    ", 10, true).c_str(),
                  Cell(std::to_string(slowdown.length) + "   ", 9, true).c_str(),
                  Cell(std::string("    ") + (slowdown.whole_train ? "A-" : "") +
                           (slowdown.orientation_boards ? "I" : "H"), 12).c_str());
    text += row;
  }
  text += " |___|____________________________|____________|__________|_________|____________|\n\n"
          "              Prescrizioni specifiche\n"
          " A - Da rispettare con tutto il treno (per i treni viaggiatori)\n"
          " I - Tavole di orientamento sul lato destro\n"
          " H - Senza tavole di orientamento\n";
  return text;
}

std::string TimetableSheetText(const CrewFacts& facts) {
  const std::string& train = facts.identity.train;
  std::string text =
      "\n\n"
      "   __________________________________________________________________________________________________\n"
      "  | Fascicolo Linee            |      Treno       |      Scheda n\xB0 1/1       | Sigla di Composizione |\n"
      "  |                            |                  |                          |                       |\n";
  const std::size_t before = (18 - std::min<std::size_t>(train.size(), 18) + 1) / 2;
  text += "  | " + Cell(facts.identity.name, 27) + "|" +
          Cell(std::string(before, ' ') + train, 18) + "| Da: " + Cell(FirstName(facts), 21) +
          "|" + Cell(std::to_string(facts.braked_mass) + "%", 17, true) + "      |\n";
  text += "  |                            |                  | A:  " + Cell(LastName(facts), 21) +
          "|                       |\n";
  text += "  |____________________________|__________________|__________________________|_______________________|\n\n"
          "   ____________________________________________________________________________________________\n"
          "  | Vel.| Vel.|  Prog                           |               |Rec|Bin.Dx|SRS| Simbologia|SRS|\n"
          "  | Max.|Marc.|   Km.           Localita'       |     Orario    |   |V. Max| SX|           | DX|\n"
          "  |_____|_____|_________________________________|_______________|___|______|___|___________|___|\n";
  // The rows by position: stations and speed changes, a station's row
  // carrying the speed that changes there.
  struct Row {
    std::string speed;
    const CrewFacts::Station* station = nullptr;
  };
  std::multimap<std::int64_t, Row> rows;
  std::map<std::int64_t, std::int64_t> speed_at;
  for (const CrewFacts::Speed& speed : facts.speeds) speed_at[speed.position] = speed.speed;
  for (const CrewFacts::Station& station : facts.stations) {
    rows.insert({station.position, Row{"", &station}});
  }
  for (const auto& [position, speed] : speed_at) {
    const auto found = rows.find(position);
    if (found != rows.end()) {
      found->second.speed = std::to_string(speed);
    } else {
      rows.insert({position, Row{std::to_string(speed), nullptr}});
    }
  }
  const std::size_t last_station = facts.stations.size();
  std::size_t station_number = 0;
  for (const auto& [position, row] : rows) {
    std::string name, times;
    if (row.station != nullptr) {
      ++station_number;
      const bool stops = Stops(*row.station);
      name = std::string(row.station->kind >= 25 ? " |_ " : "/|\\ ") + Plain(row.station->name);
      if (stops) {
        name += " ...";  // the dots that pad the name of a stop
        while (name.size() < 24) name += '.';
        times = station_number == last_station ? AfterBlanks(1, Clock(row.station->seconds))
                                               : AfterBlanks(8, Clock(row.station->seconds));
      }
    } else {
      name = " |  Velocita'";
    }
    text += "  |" + Cell(row.speed, 4, true) + " |     |" + Cell(AfterBlanks(1, Km(position)), 8, true) + " " +
            Cell(name, std::max<std::size_t>(24, name.size())) + "|" + Cell(times, 15) + "|   |      |                   |\n";
  }
  text += "  |_____|_____|_________________________________|_______________|___|______|___________________|\n";
  return text;
}

}  // namespace packager::decompile
