// The fonts a PDF's text is drawn in (compact_pdf.h): every font face a
// text uses as Qt lays it out, Qt's font fallback included, with the glyphs
// used of it and the text each glyph stands for. At the end each face is
// embedded as a subset of its used glyphs (HarfBuzz's subsetter, glyph ids
// kept), with its widths and a ToUnicode map, so the text reads back as it
// was given. A character no installed font has is drawn as the .notdef
// mark of the font Qt chose and still reads back as itself.
//
// Codes are one byte: the glyphs of a face are numbered in the order they
// are first drawn, and every 256 of them are one font resource (a Type0
// font with its own CMap and ToUnicode map over the face's one CIDFont), so
// the text of a page costs what it costs in a single-byte font.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

class QFont;
class QPaintDevice;
class QRawFont;
class QTextItem;

namespace tarvex {

class PdfFontSet {
 public:
  PdfFontSet();
  ~PdfFontSet();
  PdfFontSet(const PdfFontSet&) = delete;
  PdfFontSet& operator=(const PdfFontSet&) = delete;

  // One glyph of a drawn text.
  struct Glyph {
    int font;      // the font resource: /T<font> in the page's resources
    quint8 code;   // its code in that font
    double x;      // its origin along the baseline from the text's start, device units
    double width;  // its advance in the PDF, 1/1000 of the font size
    double size;   // the font size Qt drew it at, device units a em
  };

  // The glyphs of `item` as Qt laid it out on `device`, in drawing order,
  // into `out` (cleared first).
  void glyphs(const QTextItem& item, const QPaintDevice* device, std::vector<Glyph>& out);

  // The PDF objects of every font, numbered from `first` on; `dictionary`
  // receives the body of the resources' /Font dictionary ("/T0 12 0 R
  // ..."). Throws RuntimeError when a font cannot be subset. `needsPdf16`
  // is set when a font is embedded as OpenType (CFF outlines).
  std::vector<QByteArray> objects(int first, QByteArray& dictionary, bool& needsPdf16);

 private:
  struct Face;
  // A font as drawn on a device: its first face and the size Qt gives it
  // there (a whole number of pixels when it was asked for in points).
  struct Drawn {
    QString key;  // QFont::key()
    const QPaintDevice* device;
    Face* face;
    double size;
  };
  const Drawn& drawnOf(const QFont& font, const QPaintDevice* device);
  Face& faceFor(const QRawFont& raw);
  Glyph glyphOf(Face& face, int slot, double x, double size);
  void laidOut(const QTextItem& item, const QPaintDevice* device, std::vector<Glyph>& out);

  std::vector<std::unique_ptr<Face>> faces_;
  int resourceCount_ = 0;  // font resources handed out
  // The last font asked for: texts come in runs of one font.
  std::unique_ptr<QFont> lastFont_;
  const Drawn* last_ = nullptr;
  std::vector<std::unique_ptr<Drawn>> drawn_;
  std::vector<quint32> gids_;  // scratch
};

}  // namespace tarvex
