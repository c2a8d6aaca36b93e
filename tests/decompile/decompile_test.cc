// Compile, decompile, compile again: the bytes must come back for the
// repository's scenarios and for hundreds of generated ones, odd shapes
// among them; files that do not belong together are refused by name and byte.
#include "decompile/decompile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <set>

#include "compiler/compile_stage.h"
#include "output/binary_files.h"
#include "tables/file_names.h"

namespace packager::decompile {
namespace {

struct Texts {
  std::string name, train, line, train_text;  // Windows-1252, LF
};

// The binary files of the texts, or none when the compile records a fault.
std::optional<BinaryScenario> Compiled(const Texts& texts) {
  ScenarioTables tables;
  tables.scenario_name = texts.name;
  tables.train_number = texts.train;
  MemoryTexts memory;
  memory.Put(LineDescriptionName(texts.name), texts.line);
  memory.Put(TrainDescriptionName(texts.name, texts.train), texts.train_text);
  const CompileOutcome outcome = CompileScenario(tables, memory, 1);
  if (outcome.fault.code != 0 || !outcome.writes_files || outcome.reserved_slot_fault != 0) {
    return std::nullopt;
  }
  return BinaryScenario{{LinePlanFileName(texts.name), EncodeLinePlan(tables.track_plan)},
                        {TrainTableFileName(texts.name, texts.train),
                         EncodeTrainTable(tables.scenario_table)},
                        {RouteGridFileName(texts.name, texts.train),
                         EncodeRouteGrid(tables.route_cells)}};
}

// A scenario of random shape on a short line: every object on a cell of its
// own with room around it, so that most compile without a fault.
class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  Texts Make(int index) {
    const std::int64_t length = 20000 + Pick(0, 40) * 500 + Pick(0, 49);
    last_ = (length + 7000 + 25) / 50;
    taken_.assign(static_cast<std::size_t>(last_ + 1), false);
    Texts texts{"Prova_" + std::to_string(index), std::to_string(100 + index), "", ""};
    std::string& line = texts.line;
    line = "[generale]\nlunghezza percorso, " + std::to_string(length) + "\n";
    const int p[3] = {Pick(0, 3) * 50, Pick(0, 3) * 50, Pick(0, 1)};
    line += "progressiva chilometrica uno, " + std::to_string(p[0]) + ", " +
            std::to_string(p[0] + 100) + ", " + std::to_string(p[2]) + "\n";
    line += "progressiva chilometrica due, " + std::to_string(p[1] * 3 + 50) + ", 0, 0\n";
    line += "progressiva chilometrica tre, 0, 0, 0\n";
    line += "sfondo uno, " + std::to_string(Pick(0, 3)) + "\nsfondo due, 5000\nsfondo tre, 7\n";
    line += Pick(0, 1) ? "ripetizione segnali 9 codici, 1000, 5000\n"
                       : "ripetizione segnali 4 codici, 0, 0\n";
    line += "[curve]\n";
    for (std::int64_t at = Pick(1, 600); at < length; at += Pick(0, 3) == 0 ? 1 : Pick(1, 900)) {
      const std::int64_t bend = Pick(1, 400);
      line += std::string("curva") + (Pick(0, 1) ? "s" : "d") + std::to_string(Pick(1, 6)) + ", " +
              std::to_string(at) + ", " + std::to_string(bend) + "\n";
      at += bend;
    }
    line += "[pendenze]\n";
    for (std::int64_t at = 0; at < length; at += Pick(1, 60) * 50) {
      line += "pendenza, " + std::to_string(at) + ", " + std::to_string(Pick(-30, 30)) + "\n";
    }
    line += "[montagne]\n";
    for (std::int64_t at = Pick(1, 40) * 50; at < length - 3000;) {
      const std::int64_t end = at + Pick(1, 60) * 50;
      line += "montagna, " + std::to_string(at) + ", " + std::to_string(end) + ", " +
              std::to_string(Pick(0, 1) * 10 + Pick(1, 4)) + "\n";
      at = end + (Pick(0, 2) == 0 ? Pick(0, 3) * 50 : Pick(1, 80) * 50);
    }
    line += "[cartelli]\n";
    for (std::int64_t at = 1050; at < length - 500; at += Pick(20, 120) * 50) {
      if (!Take(at / 50 + 1)) continue;
      const int v = Pick(6, 28) * 5;
      line += "indicatori_vmax, " + std::to_string(at) + ", " + std::to_string(v - 10) + ", " +
              std::to_string(v - 5) + ", " + std::to_string(v) + ", " + std::to_string(Pick(0, 3)) +
              (Pick(0, 1) ? ", , , , 0\n" : ", " + std::to_string(v) + ", " + std::to_string(v) +
                                                ", " + std::to_string(v) + ", 1\n");
    }
    line += "[indicazioni]\n";
    for (std::int64_t at = 800; at < length - 500; at += Pick(20, 200) * 50) {
      if (!Take(at / 50 + 1)) continue;
      line += "cartello_indicatore, " + std::to_string(at) + ", (Km " + std::to_string(at / 1000) +
              ")(Località " + std::to_string(Pick(1, 99)) + ")\n";
    }
    line += "[fine]\n";

    std::string& train = texts.train_text;
    train = "[generale]\nnumero vetture, " + std::to_string(Pick(1, 9)) +
            "\npercentuale massa frenata, " + std::to_string(Pick(60, 140)) +
            "\nsabbia, " + std::to_string(Pick(0, 99)) + "\norologio, " +
            std::to_string(Pick(5, 20)) + " " + std::to_string(Pick(0, 59)) + " " +
            std::to_string(Pick(0, 59)) + "\n";
    train += "[aderenze]\naderenza, 0, 100\n";
    for (std::int64_t at = Pick(10, 200) * 50; at < length; at += Pick(10, 300) * 50) {
      train += "aderenza, " + std::to_string(at) + ", " + std::to_string(Pick(60, 100)) + "\n";
    }
    train += "[vel_limite]\nvelocita, 0, 30\n";
    for (std::int64_t at = 1050; at < length; at += Pick(20, 200) * 50) {
      train += "velocita, " + std::to_string(at) + ", " + std::to_string(Pick(6, 28) * 5) + "\n";
    }
    train += "[stazioni]\n";
    std::int64_t previous_end = -100000, seconds = 8 * 3600;
    int number = 0;
    for (std::int64_t at = 0; at < length - 1000; at += Pick(40, 160) * 50) {
      const int kinds[] = {7, 11, 12, 21, 22, 25, 27, 5, 8};
      const int kind = number == 0 ? 7 : kinds[Pick(0, 8)];
      const std::int64_t size = Pick(2, 8) * 100;
      const int byte4 = Pick(0, 1);
      const std::int64_t start = kind <= 8 ? at - size : at - size / 2;
      const std::int64_t end = kind == 5 || kind == 6 ? at + 150
                               : kind <= 8            ? at + size
                                                      : at + size / 2 + (byte4 ? 50 : 0);
      if (start - 350 < previous_end || end / 50 - 1 <= 1 || (number == 0 && at != 0)) continue;
      if (kind < 25 && !Take(end / 50 - 1)) continue;
      const bool stops = kind < 21 || number == 0;
      seconds += 300;
      train += "stazione, " + std::to_string(at) + ", " + std::to_string(kind) + ", " +
               std::to_string(size) + ", " + std::to_string(Pick(0, 1)) + ", " +
               std::to_string(Pick(0, 1)) + ", " + std::to_string(byte4) + ", 2, 1, 0, 3, 1, 1, " +
               std::to_string(stops ? 30 : 0) + ", " +
               (stops ? std::to_string(seconds / 3600) + ", " + std::to_string(seconds / 60 % 60) +
                            ", " + std::to_string(Pick(0, 59))
                      : "0, 0, 0") +
               ", STAZIONE " + std::to_string(++number) + "\n";
      previous_end = end;
    }
    train += "[rallentamenti]\n";
    for (std::int64_t x = Pick(10, 80) * 50; x < length - 3000; x += Pick(100, 400) * 50) {
      const std::int64_t l = Pick(1, 30) * 50;
      const bool boards = x > 1500 && Pick(0, 1);
      const std::int64_t b = x / 50 + 1, e = (x + l) / 50 + 1, a = b - 24;
      if (!Free(x > 1500 ? a - 25 : b - 21, e + 14)) continue;
      for (std::int64_t c = x > 1500 ? a - 25 : b - 21; c <= e + 14; ++c) Take(c);
      train += "rallentamento, " + std::to_string(x) + ", " + std::to_string(Pick(2, 24) * 5) +
               ", " + std::to_string(l) + ", " + std::to_string(Pick(0, 1)) + ", " +
               std::to_string(boards ? 1 : 0) + ", " + std::to_string(Pick(0, 3) == 0 ? 7 : 0) + "\n";
    }
    train += "[segnali]\n";
    for (std::int64_t at = 400 + Pick(0, 20) * 50; at < length - 200; at += Pick(10, 50) * 50) {
      if (!Free(at / 50 - 1, at / 50 + 2)) continue;
      Take(at / 50 + 1);
      const int sx = Pick(1, 2);
      train += "segnale, " + std::to_string(at) + ", " + std::to_string(sx) + ", " +
               std::to_string(Pick(0, 9)) + ", " + std::to_string(Pick(0, 9)) + ", 0, " +
               std::to_string(Pick(0, 1)) + ", " + std::to_string(Pick(0, 2)) + ", " +
               std::to_string(Pick(0, 9)) + ", 1, 0, " + std::to_string(Pick(0, 1) ? 0 : Pick(101, 255)) +
               "\n";
    }
    train += "[abbattimenti]\n";
    for (std::int64_t at = Pick(20, 200) * 50; at < length - 200; at += Pick(20, 400) * 50) {
      if (!Take(at / 50)) continue;
      train += "abbattimento, " + std::to_string(at) + ", " + std::to_string(Pick(0, 300)) + "\n";
    }
    train += "[fine]\n";
    return texts;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Free(std::int64_t from, std::int64_t to) {
    if (from < 2 || to > last_ - 4) return false;
    for (std::int64_t c = from; c <= to; ++c) {
      if (taken_[static_cast<std::size_t>(c)]) return false;
    }
    return true;
  }
  bool Take(std::int64_t cell) {
    if (!Free(cell - 1, cell + 1)) return false;
    taken_[static_cast<std::size_t>(cell)] = true;
    return true;
  }

  std::mt19937 random_;
  std::int64_t last_ = 0;
  std::vector<bool> taken_;
};

TEST(DecompileTest, GeneratedScenariosComeBackByteForByte) {
  const auto begin = std::chrono::steady_clock::now();
  int compiled = 0, identical = 0;
  std::set<std::string> notes;
  // DECOMPILE_COUNT=N runs N scenarios instead of the 300 of CI.
  const int count = std::getenv("DECOMPILE_COUNT") ? std::atoi(std::getenv("DECOMPILE_COUNT")) : 300;
  for (int index = 0; index < count; ++index) {
    Generator generator(static_cast<unsigned>(index));
    const Texts texts = generator.Make(index);
    const auto binaries = Compiled(texts);
    if (!binaries) continue;
    ++compiled;
    const Decompiled decompiled = Decompile(*binaries);
    const auto mismatch = RoundTripMismatch(decompiled, *binaries);
    identical += mismatch ? 0 : 1;
    if (mismatch && std::getenv("DECOMPILE_SHOW")) std::cout << *mismatch << "\n" << texts.line;
    notes.insert(decompiled.notes.begin(), decompiled.notes.end());
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  std::cout << compiled << " generated scenarios compiled, " << identical
            << " byte-identical after decompiling, in " << seconds << " s\n";
  EXPECT_GE(compiled * 3, count * 2);
  EXPECT_EQ(identical, compiled);
}

TEST(DecompileTest, RepositoryScenariosComeBackByteForByte) {
  const std::vector<std::string> folders = {REFERENCE_SCENARIO_DIR,
                                            TEST_SCENARIOS_DIR "/Prova_Collina_4711",
                                            TEST_SCENARIOS_DIR "/Rovesca_Pianalto_3152"};
  for (const std::string& folder : folders) {
    const ScenarioFolder scenario = ReadScenarioFolder(folder);
    const Texts texts{scenario.identity.name, scenario.identity.train,
                      FileBytes(scenario.line_description), FileBytes(scenario.train_description)};
    const auto binaries = Compiled(texts);
    ASSERT_TRUE(binaries) << folder;
    const Decompiled decompiled = Decompile(*binaries);
    EXPECT_EQ(RoundTripMismatch(decompiled, *binaries), std::nullopt) << folder;
  }
}

// Files that only an unusual text makes: written as such a text, with a note.
TEST(DecompileTest, OddFilesComeBackWithANote) {
  const std::string line =
      "[generale]\nlunghezza percorso, 20000\n[curve]\n[montagne]\n"
      "montagna, 1000, 2000, 1\nmontagna, 0, 0, 0\nmontagna, 2050, 3000, 2\n"
      "montagna, 3160, 3900, 2\nmontagna, 5000, 6000, 7\nmontagna, 7000, 7400, -250\n"
      "montagna, 8000, 8400, -240\n[cartelli]\nindicatori_vmax, 10200, 80, 90, 100, 1, , , , 0\n"
      "[fine]\n";
  const std::string train =
      "[generale]\nvelocita, 0, 30\nvelocita, 26900, 50\nvelocita, 26900, 60\n"
      "velocita, 26900, 70\nsegnale, 5000, 2, 1, 1, 0, 0, 0, 1, 1, 0, 300\n"
      "stazione, 10000, 11, 600, 0, 0, 0, 2, 1, 0, 3, 1, 1, 30, 8, 10, 0, B\n[fine]\n";
  const struct {
    const char* what;
    const char* note;  // words of the note expected
  } kCases[] = {{"a stretch within 150 m of the one before, not type 3", "reset"},
                {"speeds in the grid's last three cells", "last three cells"},
                {"a mountain type above 10 without markers", "one byte"},
                {"a signal time below 101", "raises to 101"},
                {"a speed board under a stop point", "lies on a speed board's speeds"}};
  const auto binaries = Compiled({"Strana", "9", line, train});
  ASSERT_TRUE(binaries);
  const Decompiled decompiled = Decompile(*binaries);
  EXPECT_EQ(RoundTripMismatch(decompiled, *binaries), std::nullopt);
  for (const auto& c : kCases) {
    bool found = false;
    for (const std::string& note : decompiled.notes) {
      found = found || note.find(c.note) != std::string::npos;
    }
    EXPECT_TRUE(found) << c.what;
  }
  // The same said at the record: a separator line just before it, which
  // the reading drops.
  const struct {
    const char* what;
    const char* file;
    const char* note;    // words of the note
    const char* record;  // the start of the line after it
  } kAtRecords[] = {
      {"a reset record", "Strana_linea.txt", "a reset record", "montagna,   0,  0,  0"},
      {"a stretch late in its cell", "Strana_linea.txt", "late in its cell", "montagna,   3174,"},
      {"a wrapped mountain type", "Strana_linea.txt", "the type below is -240",
       "montagna,   8000,  8400,  -240"},
      {"speeds repeated at the last position", "Strana_9-.txt",
       "speed records below repeat the position 26900 m", "velocita,   26900,"},
      {"a wrapped signal time", "Strana_9-.txt", "the time below is 300", "segnale,"},
      {"a speed board under a stop point", "Strana_linea.txt", "lies under the stop point",
       "indicatori_vmax,  10200,  0,  90,  100,  1,"},
  };
  for (const auto& c : kAtRecords) {
    const std::string& text = decompiled.files.at(c.file);
    const std::size_t note = text.find(c.note);
    ASSERT_NE(note, std::string::npos) << c.what << "\n" << text;
    const std::size_t line = text.rfind('\n', note) + 1, next = text.find('\n', note) + 1;
    EXPECT_EQ(text.compare(line, 9, "-- note: "), 0) << c.what;
    EXPECT_EQ(text.substr(line, next - line).find(','), std::string::npos) << c.what;
    EXPECT_EQ(text.compare(next, std::string(c.record).size(), c.record), 0)
        << c.what << ": " << text.substr(line, 200);
  }
}

// A line whose records need more lines than a text of a scenario folder
// holds (as many as the packager carries) comes back only as the two
// description texts, and the folder form says what to do.
TEST(DecompileTest, ALineTooLongForAFolderComesBackAsTheDescriptions) {
  Texts texts{"Lunga", "1", "[generale]\nlunghezza percorso, 120000\n[curve]\n",
              "[generale]\n[vel_limite]\nvelocita, 0, 100\n[fine]\n"};
  for (int i = 0; i < 1100; ++i) {
    texts.line += "curvas1, " + std::to_string(100 + i * 100) + ", 50\n";
  }
  texts.line += "[fine]\n";
  const auto binaries = Compiled(texts);
  ASSERT_TRUE(binaries);
  const Decompiled decompiled = Decompile(*binaries);
  const auto refused = RoundTripMismatch(decompiled, *binaries, TextForm::kScenarioFolder);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->rfind("Lunga_linea.txt would need 11", 0), 0u) << *refused;
  EXPECT_NE(refused->find("--texts"), std::string::npos) << *refused;
  EXPECT_EQ(RoundTripMismatch(decompiled, *binaries, TextForm::kDescriptions), std::nullopt);
}

// Files that do not decode or do not belong together: the file and the byte.
TEST(DecompileTest, RefusesFilesThatDoNotBelongTogether) {
  const ScenarioFolder scenario = ReadScenarioFolder(REFERENCE_SCENARIO_DIR);
  Texts texts{scenario.identity.name, scenario.identity.train, FileBytes(scenario.line_description),
              FileBytes(scenario.train_description)};
  const BinaryScenario good = *Compiled(texts);
  Generator generator(7);
  const BinaryScenario other = *Compiled(generator.Make(7));
  struct Case {
    const char* what;
    BinaryScenario files;
    std::string expected;  // the start of the message
  };
  std::vector<Case> cases;
  cases.push_back({"grid cut short", good, "Vardessa_Lontrino_5608.dat: byte 39300:"});
  cases.back().files.route_grid.bytes.resize(39307);
  cases.push_back({"grid of another line", good, "Vardessa_Lontrino_5608.dat: byte 0: the route grid has"});
  cases.back().files.route_grid.bytes = other.route_grid.bytes;
  cases.push_back({"train table given as the grid", good, "Vardessa_Lontrino_5608.dat: byte 16: cell 1 lacks"});
  cases.back().files.route_grid.bytes = good.train_table.bytes.substr(0, 2955);
  cases.push_back({"plan of another line", good, "Vardessa_Lontrino_linea.dat: byte 0: the line plan has"});
  cases.back().files.line_plan.bytes = other.line_plan.bytes;
  cases.push_back({"grid of another train", good, "Vardessa_Lontrino_5608.dat: byte 18: the competition code"});
  cases.back().files.route_grid.bytes[18] ^= 1;
  cases.push_back({"odd plan tag", good, "Vardessa_Lontrino_linea.dat: byte 0:"});
  cases.back().files.line_plan.bytes[0] = 9;
  for (const Case& c : cases) {
    try {
      Decompile(c.files);
      ADD_FAILURE() << c.what << ": decompiled";
    } catch (const DecompileError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.expected, 0), 0u) << c.what << ": " << error.what();
    }
  }
}

// A byte no text gives: the round trip names the file, offset, cell and member.
TEST(DecompileTest, RoundTripNamesTheFirstByteItCannotGiveBack) {
  const ScenarioFolder scenario = ReadScenarioFolder(REFERENCE_SCENARIO_DIR);
  BinaryScenario files = *Compiled({scenario.identity.name, scenario.identity.train,
                                    FileBytes(scenario.line_description),
                                    FileBytes(scenario.train_description)});
  files.route_grid.bytes[100 * 15 + 9] = 7;  // a signal time on an empty cell
  const Decompiled decompiled = Decompile(files);
  const auto mismatch = RoundTripMismatch(decompiled, files);
  ASSERT_TRUE(mismatch);
  EXPECT_EQ(mismatch->rfind("Vardessa_Lontrino_5608.dat: byte 1509: cell 100 (5000 m), member "
                            "signal_time: the texts give byte 00, the file holds byte 07", 0),
            0u)
      << *mismatch;
}

}  // namespace
}  // namespace packager::decompile
