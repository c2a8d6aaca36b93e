#include "compiler/progressive_ordina.h"

#include <array>

#include <gtest/gtest.h>

namespace packager {
namespace {

using Triple = std::array<std::int32_t, 3>;

// Stores "uno", "due", "tre" as read, orders, and returns entries 81 to 83;
// refused tells whether the ordering was refused as a run-time failure.
std::array<Triple, 3> Order(Triple uno, Triple due, Triple tre, bool* refused = nullptr) {
  ScenarioTables tables;
  auto put = [&](int entry, Triple value) {
    tables.scenario_table[entry].start = value[0];
    tables.scenario_table[entry].end = value[1];
    tables.scenario_table[entry].position = value[2];
  };
  put(kProgressiveUnoEntry, uno);
  put(kProgressiveDueEntry, due);
  put(kProgressiveTreEntry, tre);
  try {
    progressive_ordina(tables);
    if (refused != nullptr) *refused = false;
  } catch (const RunFailure&) {
    if (refused == nullptr) throw;
    *refused = true;
  }
  std::array<Triple, 3> result;
  for (int i = 0; i < 3; ++i) {
    const TableEntry& e = tables.scenario_table[kProgressiveTreEntry + i];
    result[i] = {e.start, e.end, e.position};
  }
  return result;
}

const Triple kZero{0, 0, 0};

TEST(ProgressiveOrdinaTest, OrdersByFirstValueLargestFirst) {
  EXPECT_EQ(Order(kZero, kZero, kZero), (std::array{kZero, kZero, kZero}));

  const Triple uno{0, 10, 0}, due{5000, 20, 0}, tre{12000, 30, 0};
  EXPECT_EQ(Order(uno, due, tre), (std::array{tre, due, uno}));
  const Triple big_uno{12000, 10, 0}, small_tre{0, 30, 0};
  EXPECT_EQ(Order(big_uno, due, small_tre), (std::array{big_uno, due, small_tre}));
}

TEST(ProgressiveOrdinaTest, ASharedLargestValueClearsAllThree) {
  EXPECT_EQ(Order({5000, 1, 2}, {0, 3, 4}, {5000, 5, 6}), (std::array{kZero, kZero, kZero}));
}

TEST(ProgressiveOrdinaTest, TiedSmallerRecordsTakeTheHigherEntryFirst) {
  const Triple uno{9000, 1, 0}, due{3000, 2, 0}, tre{3000, 3, 0};
  EXPECT_EQ(Order(uno, due, tre), (std::array{uno, due, tre}));
}

TEST(ProgressiveOrdinaTest, ZeroSumSelectsBySecondValue) {
  const Triple due{0, 100, 0};
  EXPECT_EQ(Order(kZero, due, kZero), (std::array{due, kZero, kZero}));
  // Starts 100, -100 and 0 sum to 0: selected by end; the last test wins.
  const Triple uno{100, 50, 0}, due2{-100, 50, 0}, tre{0, 50, 0};
  EXPECT_EQ(Order(uno, due2, tre), (std::array{uno, due2, tre}));
}

TEST(ProgressiveOrdinaTest, PositionOneAddsAHundredToTheEnd) {
  const auto result = Order({0, 0, 0}, {300, 250, 1}, {100, 7, 0});
  EXPECT_EQ(result[0], (Triple{300, 350, 1}));
  EXPECT_EQ(result[1], (Triple{100, 7, 0}));

  // An end that overflows is refused only after all three records are
  // stored, each in its own slot, and the adjustments before it are made.
  constexpr std::int32_t kLargest = 2147483647;
  bool refused = false;
  const Triple uno{100, 250, 1}, due{300, kLargest, 1}, tre{200, 50, 1};
  EXPECT_EQ(Order(uno, due, tre, &refused),
            (std::array{Triple{300, kLargest, 1}, Triple{200, 50, 1}, Triple{100, 250, 1}}));
  EXPECT_TRUE(refused);
  const Triple first{300, 250, 1}, overflowing{200, kLargest, 1};
  EXPECT_EQ(Order(tre, overflowing, first, &refused),
            (std::array{Triple{300, 350, 1}, Triple{200, 150, 1}, overflowing}));
  EXPECT_TRUE(refused);
}

}  // namespace
}  // namespace packager
