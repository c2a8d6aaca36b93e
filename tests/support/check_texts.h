// Small description texts that tests of the checker share: the heads of a
// line and a train description, and a pair of texts with faults in both.
#pragma once

#include <string>

namespace packager::test_support {

inline constexpr char kLineHead[] = "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n";
inline constexpr char kTrainHead[] = "[generale]\r\nvelocita, 0, 100\r\naderenza, 0, 100\r\n";

// Faults in both texts: two of the line description with a curve between
// them, which is read only with the line plan, then a curve without a class;
// in the train description a signal on the line's board (the note names the
// line's record), a field that fails, a warning, a signal on a signal.
inline const std::string kFaultyLine =
    "[generale]\r\nlunghezza percorso, 5000\r\n[curve]\r\ncartello_indicatore, 2000, (F)\r\n"
    "pendenza, 90000, 3\r\ncurvad2, 500, 100\r\ncurva, 700, 100\r\npendenza, 91000, 3\r\n"
    "pendenza, 1000, 3\r\n";
inline const std::string kFaultyTrain =
    std::string(kTrainHead) + "segnale, 2000, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n" +
    "segnale, 1x, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\nstazzione, 3000\r\n" +
    "segnale, 2500, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\nsegnale, 2500, 1, 4, 1, 0, 0, 1, 3, 1, 0, 0\r\n";

}  // namespace packager::test_support
