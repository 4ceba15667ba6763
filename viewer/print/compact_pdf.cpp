#include "print/compact_pdf.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>
#include <charconv>
#include <cmath>
#include <deque>
#include <future>
#include <vector>

#include "print/pdf_fonts.h"

namespace tarvex {

// Writes the operators of one page at a time into its content; finished
// pages are kept compressed.
class CompactPdfEngine : public QPaintEngine {
 public:
  CompactPdfEngine() : QPaintEngine(AllFeatures) {}

  bool begin(QPaintDevice*) override {
    if (!pageOpen_) startPage();
    return true;
  }
  bool end() override {
    finishPage();
    settle();
    return true;
  }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& state) override {
    const DirtyFlags f = state.state();
    if (f & DirtyPen) pen_ = state.pen();
    if (f & DirtyBrush) brush_ = state.brush();
    if (f & DirtyTransform) transform_ = state.transform();
    if (f & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled)) updateClip();
  }

  void drawPath(const QPainterPath& path) override {
    if (path.isEmpty()) return;
    const bool fill = fills(), stroke = strokes();
    if (!fill && !stroke) return;
    endText();
    addPath(transform_.map(path));
    paint(fill, stroke, path.fillRule() == Qt::OddEvenFill);
  }

  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    if (count < 2) return;
    const bool fill = mode != PolylineMode && fills();
    const bool stroke = strokes();
    if (!fill && !stroke) return;
    endText();
    point(transform_.map(points[0]));
    out_ += "m\n";
    for (int i = 1; i < count; ++i) {
      point(transform_.map(points[i]));
      out_ += "l\n";
    }
    if (mode != PolylineMode) out_ += "h\n";
    paint(fill, stroke, mode == OddEvenMode);
  }
  void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
    std::vector<QPointF> f(points, points + count);
    drawPolygon(f.data(), count, mode);
  }

  void drawLines(const QLineF* lines, int count) override {
    if (!strokes() || count <= 0) return;
    endText();
    std::vector<QLineF> mapped(lines, lines + count);
    for (QLineF& l : mapped) l = transform_.map(l);
    strokeState();
    // A run of lines each the one before moved by the same step (a table's
    // rules) is one line drawn again and again one step further: the
    // repeated operators cost next to nothing compressed.
    auto step = [&](int i) {
      return mapped[std::size_t(i) + 1].p1() - mapped[std::size_t(i)].p1();
    };
    auto sameStep = [&](int i, QPointF d) {
      const QPointF d1 = step(i);
      const QPointF d2 = mapped[std::size_t(i) + 1].p2() - mapped[std::size_t(i)].p2();
      return std::abs(d1.x() - d.x()) < 1e-6 && std::abs(d1.y() - d.y()) < 1e-6 &&
             std::abs(d2.x() - d.x()) < 1e-6 && std::abs(d2.y() - d.y()) < 1e-6;
    };
    int i = 0;
    while (i < count) {
      int end = i + 1;
      if (i + 2 < count && sameStep(i, step(i))) {
        const QPointF d = step(i);
        while (end < count && sameStep(end - 1, d)) ++end;
      }
      if (end - i >= 3) {
        const QPointF d = step(i);
        out_ += "q\n";
        lineOperators(mapped[std::size_t(i)]);
        for (int k = i + 1; k < end; ++k) {
          out_ += "1 0 0 1 ";
          point(d);
          out_ += "cm ";
          lineOperators(mapped[std::size_t(i)]);
        }
        out_ += "Q\n";
      } else {
        for (int k = i; k < end; ++k) lineOperators(mapped[std::size_t(k)]);
      }
      i = end;
    }
  }
  void drawLines(const QLine* lines, int count) override {
    for (int i = 0; i < count; ++i) {
      const QLineF l(lines[i]);
      drawLines(&l, 1);
    }
  }

  void drawRects(const QRectF* rects, int count) override {
    const bool fill = fills(), stroke = strokes();
    if ((!fill && !stroke) || count <= 0) return;
    endText();
    const bool axisAligned = transform_.type() <= QTransform::TxScale;
    for (int i = 0; i < count; ++i) {
      if (axisAligned) {
        const QRectF r = transform_.mapRect(rects[i]);
        point(r.topLeft());
        number(r.width());
        number(r.height());
        out_ += "re\n";
      } else {
        QPainterPath p;
        p.addRect(rects[i]);
        addPath(transform_.map(p));
      }
    }
    paint(fill, stroke, false);
  }
  void drawRects(const QRect* rects, int count) override {
    for (int i = 0; i < count; ++i) {
      const QRectF r(rects[i]);
      drawRects(&r, 1);
    }
  }

  void drawTextItem(const QPointF& p, const QTextItem& item) override {
    if (item.text().isEmpty() || pen_.style() == Qt::NoPen || pen_.color().alpha() == 0) return;
    fonts_.glyphs(item, paintDevice(), glyphs_);
    if (glyphs_.empty()) return;
    if (!inText_) {
      out_ += "BT\n";
      inText_ = true;
      textFont_ = -1;
      textPlain_ = false;
    }
    fillColour(pen_.color());
    // Each piece of one font in a row starts where Qt placed its first
    // glyph; a glyph that lies elsewhere than the one before it ends moves
    // by a TJ adjustment.
    for (std::size_t i = 0; i < glyphs_.size();) {
      const int f = glyphs_[i].font;
      const double size = glyphs_[i].size;
      std::size_t end = i + 1;
      while (end < glyphs_.size() && glyphs_[end].font == f && glyphs_[end].size == size) ++end;
      if (f != textFont_ || size != textSize_) {
        out_ += "/T" + QByteArray::number(f) + ' ';
        number(size, 2);
        out_ += "Tf\n";
        textFont_ = f;
        textSize_ = size;
      }
      moveText(p + QPointF(glyphs_[i].x, 0));
      // Where the glyph after each lies from where the one before it ends,
      // in 1/1000 of the size (a TJ adjustment; the common case: none).
      auto adjustment = [&](std::size_t k) {
        const PdfFontSet::Glyph& g = glyphs_[k - 1];
        return std::round((g.x + g.width * size / 1000 - glyphs_[k].x) * 10000 / size) / 10;
      };
      bool adjusted = false;
      for (std::size_t k = i + 1; k < end && !adjusted; ++k)
        adjusted = std::abs(adjustment(k)) >= 0.5;
      out_ += adjusted ? "[(" : "(";
      for (std::size_t k = i; k < end; ++k) {
        if (adjusted && k > i) {
          const double a = adjustment(k);
          if (std::abs(a) >= 0.5) {
            out_ += ") ";
            out_ += QByteArray::number(a);
            out_ += " (";
          }
        }
        const char c = char(glyphs_[k].code);
        if (c == '(' || c == ')' || c == '\\') out_ += '\\';
        if (c == '\r')
          out_ += "\\r";
        else
          out_ += c;
      }
      out_ += adjusted ? ")]TJ\n" : ")Tj\n";
      i = end;
    }
  }

  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
  void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}

  // ---- Pages -------------------------------------------------------------------

  void startPage() {
    out_.clear();
    resetCache();
    // Device units (pixels at dpi_, y down) to the page's points (y up).
    const double s = 72.0 / dpi_;
    number(s, 6);
    out_ += "0 0 ";
    number(-s, 6);
    out_ += "0 ";
    number(pageHeight_);
    out_ += "cm\n";
    clipOpen_ = false;
    if (!clip_.isEmpty()) openClip();
    pageOpen_ = true;
  }
  void finishPage() {
    if (!pageOpen_) return;
    endText();
    if (clipOpen_) out_ += "Q\n";
    // The page is compressed on a thread of its own while the next one is
    // drawn; one at a time.
    settle();
    const std::size_t index = pages_.size();
    pages_.emplace_back();
    compressing_ = std::async(std::launch::async, [this, index, raw = std::move(out_)] {
      // zlib's format (what FlateDecode reads) after qCompress's 4-byte size.
      pages_[index] = qCompress(raw, 6).mid(4);
    });
    out_ = QByteArray();
    pageOpen_ = false;
  }
  // Waits for the page being compressed.
  void settle() {
    if (compressing_.valid()) compressing_.get();
  }
  void newPage() {
    finishPage();
    startPage();
  }

  double pageWidth_ = 612, pageHeight_ = 792;
  int dpi_ = 96;
  // Finished pages; the last may still be compressed (settle()). A deque:
  // adding a page moves none.
  std::deque<QByteArray> pages_;
  std::future<void> compressing_;
  bool pageOpen_ = false;
  PdfFontSet fonts_;

 private:
  bool fills() const { return brush_.style() != Qt::NoBrush && brush_.color().alpha() > 0; }
  bool strokes() const { return pen_.style() != Qt::NoPen && pen_.color().alpha() > 0; }

  // Coordinates to a tenth of a device unit; factors (scales, matrices,
  // colours) with `decimals`.
  void number(double v, int decimals = 1) {
    if (std::abs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0;
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    char* e = r.ptr;
    // Trailing zeros and a bare point say nothing.
    while (e > buf && e[-1] == '0') --e;
    if (e > buf && e[-1] == '.') --e;
    out_.append(buf, e - buf);
    out_ += ' ';
  }
  void point(const QPointF& p) {
    number(p.x());
    number(p.y());
  }

  void lineOperators(const QLineF& l) {
    point(l.p1());
    out_ += "m ";
    point(l.p2());
    out_ += "l S\n";
  }

  void addPath(const QPainterPath& path) {
    for (int i = 0; i < path.elementCount(); ++i) {
      const QPainterPath::Element& e = path.elementAt(i);
      if (e.isMoveTo()) {
        point(e);
        out_ += "m\n";
      } else if (e.isLineTo()) {
        point(e);
        out_ += "l\n";
      } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
        point(e);
        point(path.elementAt(i + 1));
        point(path.elementAt(i + 2));
        out_ += "c\n";
        i += 2;
      }
    }
  }

  void colour(const QColor& c, const char* op, QColor& last) {
    if (c == last) return;
    last = c;
    for (double v : {c.redF(), c.greenF(), c.blueF()}) number(v, 3);
    out_ += op;
    out_ += '\n';
  }
  void fillColour(const QColor& c) { colour(c.toRgb(), "rg", fillColour_); }

  void paint(bool fill, bool stroke, bool evenOdd) {
    if (fill) fillColour(brush_.color());
    if (stroke) strokeState();
    if (fill && stroke)
      out_ += evenOdd ? "B*\n" : "B\n";
    else if (fill)
      out_ += evenOdd ? "f*\n" : "f\n";
    else
      out_ += "S\n";
  }

  void strokeState() {
    colour(pen_.color().toRgb(), "RG", strokeColour_);
    // A cosmetic pen is as wide on the page whatever the transform.
    const double scale = pen_.isCosmetic() ? 1.0 : std::sqrt(std::abs(transform_.determinant()));
    const double width = std::max(pen_.widthF(), pen_.isCosmetic() ? 1.0 : 0.0) * scale;
    if (width != width_) {
      number(width > 0 ? width : 1, 2);
      out_ += "w\n";
      width_ = width;
    }
    const int cap = pen_.capStyle() == Qt::RoundCap ? 1 : pen_.capStyle() == Qt::SquareCap ? 2 : 0;
    if (cap != cap_) {
      out_ += char('0' + cap);
      out_ += " J\n";
      cap_ = cap;
    }
    const int join = pen_.joinStyle() == Qt::RoundJoin   ? 1
                     : pen_.joinStyle() == Qt::BevelJoin ? 2
                                                         : 0;
    if (join != join_) {
      out_ += char('0' + join);
      out_ += " j\n";
      join_ = join;
    }
    QByteArray dash = "[] 0 d\n";
    if (pen_.style() != Qt::SolidLine) {
      dash = "[";
      const double unit = std::max(width, 1.0);
      QByteArray saved = out_;
      out_.clear();
      for (double v : pen_.dashPattern()) number(v * unit);
      dash += out_ + "] 0 d\n";
      out_ = saved;
    }
    if (dash != dash_) {
      out_ += dash;
      dash_ = dash;
    }
  }

  // Starts the next text line at `p` (device units before the transform).
  void moveText(const QPointF& p) {
    // Glyph space runs up, the page's units down: the text matrix flips.
    const QPointF at = transform_.map(p);
    const double a = transform_.m11(), b = transform_.m12(), c = -transform_.m21(),
                 d = -transform_.m22();
    const bool plain = a == 1 && b == 0 && c == 0 && d == -1;
    if (plain && textPlain_) {
      number(at.x() - textAt_.x());
      number(textAt_.y() - at.y());
      out_ += "Td ";
    } else {
      for (double v : {a, b, c, d}) number(v, 5);
      point(at);
      out_ += "Tm ";
    }
    textPlain_ = plain;
    textAt_ = at;
  }

  void endText() {
    if (!inText_) return;
    out_ += "ET\n";
    inText_ = false;
  }

  void resetCache() {
    strokeColour_ = fillColour_ = QColor();
    width_ = -1;
    cap_ = join_ = -1;
    dash_.clear();
  }

  void updateClip() {
    QPainterPath clip;
    if (painter() && painter()->hasClipping())
      clip = painter()->transform().map(painter()->clipPath());
    if (clip == clip_) return;
    clip_ = clip;
    if (!pageOpen_) return;
    endText();
    // A PDF clip only narrows until the state it was set in is restored.
    if (clipOpen_) {
      out_ += "Q\n";
      clipOpen_ = false;
      resetCache();
    }
    if (!clip_.isEmpty()) openClip();
  }
  void openClip() {
    out_ += "q\n";
    if (clip_.elementCount() == 5 && clip_.boundingRect().isValid() && clip_ == [&] {
          QPainterPath r;
          r.addRect(clip_.boundingRect());
          return r;
        }()) {
      const QRectF r = clip_.boundingRect();
      point(r.topLeft());
      number(r.width());
      number(r.height());
      out_ += "re\n";
    } else {
      addPath(clip_);
    }
    out_ += clip_.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
    clipOpen_ = true;
    resetCache();
  }

  QByteArray out_;
  QPen pen_;
  QBrush brush_;
  QTransform transform_;
  QPainterPath clip_;
  bool clipOpen_ = false;
  QColor strokeColour_, fillColour_;
  double width_ = -1;
  int cap_ = -1, join_ = -1;
  QByteArray dash_;
  bool inText_ = false;
  int textFont_ = -1;
  double textSize_ = 0;
  bool textPlain_ = false;
  QPointF textAt_;
  std::vector<PdfFontSet::Glyph> glyphs_;
};

CompactPdfDevice::CompactPdfDevice(const QSizeF& pageSize, int dpi)
    : pageSize_(pageSize), dpi_(dpi), engine_(std::make_unique<CompactPdfEngine>()) {
  engine_->pageWidth_ = pageSize.width();
  engine_->pageHeight_ = pageSize.height();
  engine_->dpi_ = dpi;
}

CompactPdfDevice::~CompactPdfDevice() { engine_->settle(); }

QPaintEngine* CompactPdfDevice::paintEngine() const { return engine_.get(); }

void CompactPdfDevice::newPage() { engine_->newPage(); }

int CompactPdfDevice::pageCount() const { return int(engine_->pages_.size()); }

int CompactPdfDevice::metric(PaintDeviceMetric m) const {
  switch (m) {
    case PdmWidth:
      return int(pageSize_.width() * dpi_ / 72.0);
    case PdmHeight:
      return int(pageSize_.height() * dpi_ / 72.0);
    case PdmWidthMM:
      return int(pageSize_.width() * 25.4 / 72.0);
    case PdmHeightMM:
      return int(pageSize_.height() * 25.4 / 72.0);
    case PdmNumColors:
      return INT_MAX;
    case PdmDepth:
      return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return dpi_;
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return int(devicePixelRatioFScale());
    default:
      return 0;
  }
}

namespace {

// A text string: literal when it is plain ASCII, else UTF-16 with its
// byte order mark.
QByteArray pdfString(const QString& text) {
  const bool ascii = std::all_of(text.begin(), text.end(),
                                 [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
  if (!ascii) {
    QByteArray out = "<FEFF";
    for (const QChar c : text) out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
    return out + '>';
  }
  QByteArray out = "(";
  for (const QChar c : text) {
    if (c == u'(' || c == u')' || c == u'\\') out += '\\';
    out += char(c.unicode());
  }
  return out + ')';
}

}  // namespace

QByteArray CompactPdfDevice::document(const QString& title, const QString& creator) const {
  engine_->settle();
  const auto& pages = engine_->pages_;
  const int n = int(pages.size());
  // Objects: 1 catalog, 2 page tree, 3 information, 4 the resources every
  // page shares, then a page and its content for every page (the page size
  // is the tree's, inherited), then the fonts.
  QByteArray fontDictionary;
  bool pdf16 = false;
  const std::vector<QByteArray> fonts = engine_->fonts_.objects(5 + 2 * n, fontDictionary, pdf16);
  QByteArray pdf = pdf16 ? "%PDF-1.6\n%\xE2\xE3\xCF\xD3\n" : "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<qsizetype> offsets;
  auto object = [&](const QByteArray& body) {
    offsets.push_back(pdf.size());
    pdf += QByteArray::number(qsizetype(offsets.size())) + " 0 obj\n" + body + "\nendobj\n";
  };
  object("<< /Type /Catalog /Pages 2 0 R >>");
  QByteArray kids;
  for (int i = 0; i < n; ++i) kids += QByteArray::number(5 + 2 * i) + " 0 R ";
  const QByteArray media = "[0 0 " + QByteArray::number(pageSize_.width()) + ' ' +
                           QByteArray::number(pageSize_.height()) + ']';
  object("<< /Type /Pages /Count " + QByteArray::number(n) + " /MediaBox " + media + " /Kids [" +
         kids + "] >>");
  object("<< /Title " + pdfString(title) + " /Creator " + pdfString(creator) + " /Producer " +
         pdfString(creator) + " >>");
  object("<< /Font << " + fontDictionary + ">> >>");
  for (int i = 0; i < n; ++i) {
    object("<< /Type /Page /Parent 2 0 R /Resources 4 0 R /Contents " +
           QByteArray::number(6 + 2 * i) + " 0 R >>");
    const QByteArray& content = pages[std::size_t(i)];
    object("<< /Length " + QByteArray::number(content.size()) +
           " /Filter /FlateDecode >>\nstream\n" + content + "\nendstream");
  }
  for (const QByteArray& f : fonts) object(f);
  const qsizetype xref = pdf.size();
  pdf += "xref\n0 " + QByteArray::number(qsizetype(offsets.size()) + 1) + "\n0000000000 65535 f \n";
  for (qsizetype o : offsets) pdf += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
  pdf += "trailer\n<< /Size " + QByteArray::number(qsizetype(offsets.size()) + 1) +
         " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace tarvex
