#include "render/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "render/markup.h"

namespace packager::render {

std::string Fixed(double value, int decimals) {
  if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Number(double value) { return Fixed(value, 1); }

std::string Km(std::int64_t metres) { return Fixed(static_cast<double>(metres) / 1000, 3); }

double TextWidth(const std::string& utf8, double size, bool bold) {
  double ems = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;  // inside a character
    if (byte >= 0x80) {
      ems += 0.7;
    } else if (std::string_view("mwMW").find(c) != std::string_view::npos) {
      ems += 0.95;
    } else if (std::string_view(" .,:;'!|()[]iljtfrI-").find(c) != std::string_view::npos) {
      ems += 0.36;
    } else if (c >= 'A' && c <= 'Z') {
      ems += 0.74;
    } else {
      ems += 0.64;
    }
  }
  return ems * size * (bold ? 1.1 : 1.0);
}

std::string Counted(int count, const std::string& thing) {
  std::string text = std::to_string(count);
  text += ' ';
  text += thing;
  if (count != 1) text += 's';
  return text;
}

std::string SvgStart(double width, double height) {
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
  svg += Number(width);
  svg += "\" height=\"";
  svg += Number(height);
  svg += "\" viewBox=\"0 0 ";
  svg += Number(width);
  svg += ' ';
  svg += Number(height);
  svg += "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
  return svg;
}

double DrawLegend(const std::vector<LegendItem>& items, const LegendStyle& style, double width,
                  double pad, double top, std::string& svg) {
  double column = 0;
  for (const LegendItem& item : items) {
    column = std::max(column, 30 + TextWidth(item.words, style.font_size) + style.column_gap);
  }
  const auto columns =
      static_cast<std::size_t>(std::max(1.0, std::floor((width - 2 * pad) / column)));
  svg += "<g class=\"legend\" font-size=\"";
  svg += Fixed(style.font_size, 0);
  svg += "\" fill=\"";
  svg += kLegendInk;
  svg += "\">\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double x = pad + static_cast<double>(i % columns) * column;
    const double y = top + style.first_row + static_cast<double>(i / columns) * 22;
    svg += "<g transform=\"translate(" + Number(x + 12) + "," + Number(y) + ")\">";
    svg += items[i].symbol;
    svg += "</g><text x=\"" + Number(x + 30) + "\" y=\"" + Number(y + 4) + "\">";
    svg += XmlEscaped(items[i].words);
    svg += "</text>\n";
  }
  svg += "</g>\n";
  return static_cast<double>((items.size() + columns - 1) / columns) * 22;
}

}  // namespace packager::render
