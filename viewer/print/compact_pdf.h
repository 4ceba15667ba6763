// A paint device that writes a small PDF: text as one string a drawn text
// in the fonts Qt laid it out with (Qt's font fallback included), each
// embedded as a subset of the glyphs used with a ToUnicode map
// (pdf_fonts.h); lines, rectangles and paths as PDF path operators; each
// page's content compressed. QPdfWriter places every glyph with an operator
// of its own (about 2 bytes a glyph compressed); a report of a hundred
// thousand table rows is then several times larger than the same pages
// written here.
//
// What it draws: pens (width, colour, cap, join, dashes), solid brushes,
// any transform, clipping, text of any script a font installed has (a
// character none has shows the font's .notdef mark and still reads back as
// itself). Pictures (pixmaps, images) and gradients are not drawn; opacity
// is ignored, and fully transparent pens and brushes paint nothing.
#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSizeF>
#include <QString>
#include <memory>

namespace tarvex {

class CompactPdfEngine;

class CompactPdfDevice : public QPaintDevice {
 public:
  // Pages of `pageSize` points (1/72 inch). The device's units are pixels
  // at `dpi` dots per inch (QPainter coordinates, font metrics).
  explicit CompactPdfDevice(const QSizeF& pageSize, int dpi = 96);
  ~CompactPdfDevice() override;
  CompactPdfDevice(const CompactPdfDevice&) = delete;
  CompactPdfDevice& operator=(const CompactPdfDevice&) = delete;

  // Ends the current page and starts the next; the painter stays active.
  void newPage();
  // The document: every page drawn, after the painter has ended. `title`
  // and `creator` go to its information dictionary.
  QByteArray document(const QString& title, const QString& creator) const;
  int pageCount() const;

  QPaintEngine* paintEngine() const override;

 protected:
  int metric(PaintDeviceMetric metric) const override;

 private:
  QSizeF pageSize_;
  int dpi_;
  std::unique_ptr<CompactPdfEngine> engine_;
};

}  // namespace tarvex
