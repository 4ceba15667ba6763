// A font cut to the glyphs a PDF draws of it by HarfBuzz's subsetter, and
// what the PDF's font descriptor says of it (pdf_fonts.h).
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>
#include <vector>

namespace tarvex {

struct FontSubset {
  // The font file: the glyphs asked for and .notdef, each under its own
  // glyph id, hinting left out; the whole font when HarfBuzz cannot cut it.
  QByteArray program;
  QByteArray postScriptName;  // letters, digits and '-' only; "" when it has none
  // In 1/1000 em.
  double ascent = 0, descent = 0, capHeight = 0;
  double left = 0, bottom = 0, right = 0, top = 0;  // the box around the glyphs asked for
  double italicAngle = 0;                           // degrees
};

// The subset of the font whose tables `table` gives (an empty array for a
// table the font lacks), keeping `glyphs`.
FontSubset subsetFont(const std::function<QByteArray(const char* tag)>& table,
                      const std::vector<quint32>& glyphs);

}  // namespace tarvex
