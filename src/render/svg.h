// What every picture of the tool is drawn with: one way of writing numbers,
// one estimate of how wide a text is, one palette, and the parts that every
// picture has (its opening, its legend).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packager::render {

// ---- numbers

// A number with a fixed count of decimals, never "-0": a value that rounds to
// zero is written as zero.
std::string Fixed(double value, int decimals);
// A coordinate or a size in pixels: one decimal.
std::string Number(double value);
// Metres as kilometres to the metre: "12.345".
std::string Km(std::int64_t metres);

// ---- text

// The width of a text in a sans-serif face, a little generous, so that
// labels kept this far apart never touch: capitals and digits are wider
// than small letters, and spaces, brackets and dots narrower.
double TextWidth(const std::string& utf8, double size, bool bold = false);

// A count and its thing: "1 signal", "2 signals".
std::string Counted(int count, const std::string& thing);

// ---- palette

inline constexpr char kPaper[] = "#ffffff";
inline constexpr char kInk[] = "#222222";  // titles, the track
inline constexpr char kLegendInk[] = "#333333";
inline constexpr char kSubtitleInk[] = "#555555";  // subtitles, notes beside labels
inline constexpr char kMuted[] = "#666666";        // scales, kilometre ticks
inline constexpr char kGridColour[] = "#e6e6e6";
inline constexpr char kLeaderColour[] = "#a0a0a0";
inline constexpr char kStationColour[] = "#1f4e9c";
inline constexpr char kStationAreaColour[] = "#c9d8f0";
inline constexpr char kSignalColour[] = "#c62828";
inline constexpr char kWarningColour[] = "#e0a000";  // slowdown warnings, orientation boards
inline constexpr char kSlowdownColour[] = "#e65c00";
inline constexpr char kAbbattimentoColour[] = "#455a64";
inline constexpr char kSpeedColour[] = "#2e7d32";
inline constexpr char kAdhesionColour[] = "#cfd8dc";
inline constexpr char kLowAdhesionColour[] = "#ffcc80";  // below the line's highest adhesion
inline constexpr char kElevationColour[] = "#6d4c41";
inline constexpr char kElevationFill[] = "#efe6e1";
inline constexpr char kRightCurveColour[] = "#00838f";
inline constexpr char kLeftCurveColour[] = "#8e24aa";
inline constexpr char kBeyondLineColour[] = "#9a9a9a";  // the plan past the line's end
inline constexpr char kBeyondAreaColour[] = "#f0f0f0";  // the profile past the line's end

// ---- parts of a picture

// The XML declaration and the opening <svg> of a picture of width by height
// pixels, in the pictures' sans-serif face.
std::string SvgStart(double width, double height);

// A legend: one symbol and its words per item, in columns as wide as the
// widest item (its words, 30 pixels before them and `column_gap` after), as
// many as fit between the paddings of a picture `width` wide. Rows are 22
// pixels apart, the first `first_row` below `top`.
struct LegendItem {
  std::string symbol;  // drawn around (0, 0)
  std::string words;
};
struct LegendStyle {
  double font_size = 12;
  double first_row = 8;
  double column_gap = 20;
};
// Appends the legend to svg and returns its height.
double DrawLegend(const std::vector<LegendItem>& items, const LegendStyle& style, double width,
                  double pad, double top, std::string& svg);

}  // namespace packager::render
