#include "print/pdf_fonts.h"

#include <hb.h>

#include <QCryptographicHash>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QTextItem>
#include <QTextLayout>
#include <array>
#include <charconv>
#include <cmath>

#include "print/pdf_font_subset.h"

namespace tarvex {

namespace {

// Characters below this are looked up in an array, the rest in a hash.
constexpr char32_t kArrayChars = 0x3000;
constexpr qint32 kUnknown = -2;

// The order in which glyphs other than code page 1252's characters take a
// block's codes: the control codes first.
constexpr std::array<quint8, 256> kCodeOrder = [] {
  std::array<quint8, 256> order{};
  int n = 0;
  for (int c = 0; c < 0x20; ++c) order[std::size_t(n++)] = quint8(c);
  for (int c = 0x7F; c < 0xA0; ++c) order[std::size_t(n++)] = quint8(c);
  for (int c = 0x20; c < 0x7F; ++c) order[std::size_t(n++)] = quint8(c);
  for (int c = 0xA0; c < 0x100; ++c) order[std::size_t(n++)] = quint8(c);
  return order;
}();

hb_blob_t* blobOf(QByteArray bytes) {
  if (bytes.isEmpty()) return nullptr;
  auto* held = new QByteArray(std::move(bytes));
  return hb_blob_create(held->constData(), unsigned(held->size()), HB_MEMORY_MODE_READONLY, held,
                        [](void* p) { delete static_cast<QByteArray*>(p); });
}

QByteArray num(double v, int decimals = 1) {
  if (std::abs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0;
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  char* e = r.ptr;
  // Trailing zeros of a fraction, and a bare point, say nothing.
  if (decimals > 0) {
    while (e > buf && e[-1] == '0') --e;
    if (e > buf && e[-1] == '.') --e;
  }
  return QByteArray(buf, e - buf);
}

QByteArray hex(quint32 v, int digits) {
  return QByteArray::number(v, 16).toUpper().rightJustified(digits, '0');
}

QByteArray stream(const QByteArray& data, const QByteArray& extra = {}) {
  const QByteArray packed = qCompress(data, 9).mid(4);
  return "<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode" + extra +
         " >>\nstream\n" + packed + "\nendstream";
}

}  // namespace

struct PdfFontSet::Face {
  struct Slot {
    quint32 gid;
    QString text;  // what it reads back as ("" unknown)
    double width;  // 1/1000 em
    int block;     // its font resource among the face's: 256 codes each
    quint8 code;
  };
  struct Block {
    std::array<bool, 256> taken{};
    int cursor = 0;  // into kCodeOrder: the codes before it are taken
    int resource = -1;
  };

  explicit Face(const QRawFont& font) : raw(font) {
    // HarfBuzz reads the face's tables through Qt's raw font of it, each
    // table once.
    hb = hb_face_create_for_tables(
        [](hb_face_t*, hb_tag_t tag, void* face) {
          return blobOf(static_cast<Face*>(face)->table(tag));
        },
        this, nullptr);
    font_ = hb_font_create(hb);
    upem = std::max(1u, hb_face_get_upem(hb));
    glyphCount = hb_face_get_glyph_count(hb);
    cffOutlines = !table(HB_TAG('C', 'F', 'F', ' ')).isEmpty();
    outlines = cffOutlines || !table(HB_TAG('g', 'l', 'y', 'f')).isEmpty();
    slotOfGid.assign(glyphCount, -1);
    widthOfGid.assign(glyphCount, -1);
    gidOfChar.assign(kArrayChars, kUnknown);
  }
  ~Face() {
    hb_font_destroy(font_);
    hb_face_destroy(hb);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  // A table of the font ("" when it has none), read once.
  QByteArray table(hb_tag_t tag) {
    auto it = tables.find(tag);
    if (it == tables.end()) {
      char name[5] = {};
      hb_tag_to_string(tag, name);
      it = tables.insert(tag, raw.fontTable(name));
    }
    return *it;
  }

  // The glyph the font's character map gives `c`; 0 when it has none.
  quint32 glyphOf(char32_t c) {
    qint32* known = c < kArrayChars ? &gidOfChar[c] : nullptr;
    if (known && *known != kUnknown) return quint32(*known);
    if (!known) {
      const auto it = gidOfWide.constFind(c);
      if (it != gidOfWide.constEnd()) return *it;
    }
    hb_codepoint_t g = 0;
    if (!hb_font_get_nominal_glyph(font_, c, &g) || g >= glyphCount) g = 0;
    if (known)
      *known = qint32(g);
    else
      gidOfWide.insert(c, g);
    return g;
  }
  // The advance of a glyph in 1/1000 em, to a tenth.
  double widthOf(quint32 gid) {
    if (gid >= glyphCount) gid = 0;
    float& w = widthOfGid[gid];
    if (w < 0) {
      const double units = hb_font_get_glyph_h_advance(font_, gid);
      w = float(std::round(units * 10000.0 / upem) / 10.0);
    }
    return w;
  }
  // The slot of a glyph: its font block and code. A glyph the font lacks
  // (0) has a slot for every character drawn with it.
  int slotOf(quint32 gid, QStringView text) {
    if (gid >= glyphCount) gid = 0;
    if (gid == 0) {
      const auto it = notdefSlots.constFind(text.toString());
      if (it != notdefSlots.constEnd()) return *it;
      notdefSlots.insert(text.toString(), int(glyphsUsed.size()));
    } else {
      int& s = slotOfGid[gid];
      if (s >= 0) return s;
      s = int(glyphsUsed.size());
    }
    // A character of code page 1252's range keeps its own code in the
    // first block: a page's text compresses as it would in a one-byte
    // font. Other glyphs take the codes such text leaves free first.
    const char16_t c = text.size() == 1 ? text[0].unicode() : 0;
    int block = 0, code = -1;
    if (c >= 0x20 && c < 0x100 && c != 0x7F && gid != 0 && !blockAt(0).taken[c]) code = c;
    while (code < 0) {
      Block& b = blockAt(block);
      while (b.cursor < 256 && b.taken[kCodeOrder[std::size_t(b.cursor)]]) ++b.cursor;
      if (b.cursor < 256)
        code = kCodeOrder[std::size_t(b.cursor)];
      else
        ++block;
    }
    blockAt(block).taken[std::size_t(code)] = true;
    glyphsUsed.push_back({gid, text.toString(), widthOf(gid), block, quint8(code)});
    return int(glyphsUsed.size()) - 1;
  }
  Block& blockAt(int block) {
    while (blocks.size() <= std::size_t(block)) blocks.emplace_back();
    return blocks[std::size_t(block)];
  }

  QRawFont raw;
  hb_face_t* hb = nullptr;
  hb_font_t* font_ = nullptr;
  unsigned upem = 1000;
  unsigned glyphCount = 0;
  bool cffOutlines = false;
  bool outlines = false;  // glyf or CFF: what a PDF can embed
  std::vector<Block> blocks;
  std::vector<Slot> glyphsUsed;
  std::vector<int> slotOfGid;
  QHash<QString, int> notdefSlots;
  std::vector<float> widthOfGid;
  std::vector<qint32> gidOfChar;
  QHash<char32_t, quint32> gidOfWide;
  QHash<hb_tag_t, QByteArray> tables;
};

PdfFontSet::PdfFontSet() = default;
PdfFontSet::~PdfFontSet() = default;

PdfFontSet::Face& PdfFontSet::faceFor(const QRawFont& raw) {
  for (const auto& f : faces_)
    if (f->raw.familyName() == raw.familyName() && f->raw.styleName() == raw.styleName() &&
        f->raw.weight() == raw.weight() && f->raw.style() == raw.style())
      return *f;
  faces_.push_back(std::make_unique<Face>(raw));
  return *faces_.back();
}

const PdfFontSet::Drawn& PdfFontSet::drawnOf(const QFont& font, const QPaintDevice* device) {
  if (last_ && last_->device == device && *lastFont_ == font) return *last_;
  const QString key = font.key();
  last_ = nullptr;
  for (const auto& d : drawn_)
    if (d->key == key && d->device == device) last_ = d.get();
  if (!last_) {
    // Qt's own layout of a space tells the face and the size.
    QTextLayout layout(QStringLiteral(" "), font, const_cast<QPaintDevice*>(device));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    const QRawFont raw = runs.isEmpty() ? QRawFont::fromFont(font) : runs[0].rawFont();
    drawn_.push_back(std::make_unique<Drawn>(Drawn{key, device, &faceFor(raw), raw.pixelSize()}));
    last_ = drawn_.back().get();
  }
  lastFont_ = std::make_unique<QFont>(font);
  return *last_;
}

PdfFontSet::Glyph PdfFontSet::glyphOf(Face& face, int slot, double x, double size) {
  const Face::Slot& used = face.glyphsUsed[std::size_t(slot)];
  int& resource = face.blocks[std::size_t(used.block)].resource;
  if (resource < 0) resource = resourceCount_++;
  return {resource, used.code, x, used.width, size};
}

void PdfFontSet::glyphs(const QTextItem& item, const QPaintDevice* device,
                        std::vector<Glyph>& out) {
  out.clear();
  const QString text = item.text();
  if (text.isEmpty()) return;
  // Most texts: one face has every character, one glyph a character, and
  // the widths add up to the width Qt laid the text out with.
  const Drawn& drawn = drawnOf(item.font(), device);
  Face& face = *drawn.face;
  const double pixelSize = drawn.size;
  gids_.clear();
  bool whole = !(item.renderFlags() & QTextItem::RightToLeft);
  double width = 0;
  for (auto it = text.cbegin(); whole && it != text.cend();) {
    char32_t c = it->unicode();
    ++it;
    if (QChar::isHighSurrogate(c) && it != text.cend() && it->isLowSurrogate())
      c = QChar::surrogateToUcs4(char16_t(c), (it++)->unicode());
    const quint32 gid = face.glyphOf(c);
    whole = gid != 0;
    gids_.push_back(gid);
    width += face.widthOf(gid);
  }
  // Qt's advances are whole 64ths of a unit.
  if (!whole ||
      std::abs(width * pixelSize / 1000 - item.width()) > 0.02 + double(gids_.size()) / 64) {
    laidOut(item, device, out);
    return;
  }
  double x = 0;
  qsizetype at = 0;
  for (const quint32 gid : gids_) {
    const qsizetype n = text[at].isHighSurrogate() ? 2 : 1;
    const int slot = face.slotOf(gid, QStringView(text).mid(at, n));
    at += n;
    out.push_back(glyphOf(face, slot, x, pixelSize));
    x += out.back().width * pixelSize / 1000;
  }
}

// A text the simple way does not fit: Qt lays it out again, and its glyph
// runs tell the faces (the fallback ones too), glyphs and places.
void PdfFontSet::laidOut(const QTextItem& item, const QPaintDevice* device,
                         std::vector<Glyph>& out) {
  const QString text = item.text();
  QTextLayout layout(text, item.font(), const_cast<QPaintDevice*>(device));
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
  option.setTextDirection(item.renderFlags() & QTextItem::RightToLeft ? Qt::RightToLeft
                                                                      : Qt::LeftToRight);
  layout.setTextOption(option);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e7);
  layout.endLayout();
  if (!line.isValid()) return;
  const QList<QGlyphRun> runs = line.glyphRuns();

  // Every glyph where Qt placed it.
  struct Laid {
    Face* face;
    quint32 gid;
    double x, size;
    QString reads;  // the text it stands for
  };
  std::vector<Laid> laid;
  for (const QGlyphRun& run : runs) {
    Face* face = &faceFor(run.rawFont());
    const QList<quint32> gids = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < gids.size() && i < positions.size(); ++i)
      laid.push_back({face, gids[i] < face->glyphCount ? gids[i] : 0, positions[i].x(),
                      run.rawFont().pixelSize(), QString()});
  }
  // Each character goes to the glyph Qt put at its place: the last glyph
  // that starts at or before it (from the right in right-to-left text).
  // A ligature gets all its characters, a character no font has the
  // .notdef mark drawn for it.
  const bool rightToLeft = item.renderFlags() & QTextItem::RightToLeft;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i].isLowSurrogate()) continue;
    const double at = line.cursorToX(i);
    Laid* best = nullptr;
    for (Laid& g : laid) {
      const bool before = rightToLeft ? g.x < at - 0.01 : g.x <= at + 0.01;
      if (before && (!best || g.x > best->x)) best = &g;
    }
    if (best) best->reads += text.mid(i, text[i].isHighSurrogate() ? 2 : 1);
  }
  Face* primary = drawnOf(item.font(), device).face;
  for (Laid& g : laid) {
    // A mark placed with no character of its own: what the character map
    // of its face gives the glyph.
    for (qsizetype i = 0; g.reads.isEmpty() && g.gid != 0 && i < text.size(); ++i) {
      const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
      const char32_t u = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
      if (g.face->glyphOf(u) == g.gid) g.reads = text.mid(i, pair ? 2 : 1);
    }
    // A face a PDF cannot embed (no outlines: a bitmap or colour font)
    // shows the first face's .notdef mark instead.
    Face& face = g.face->outlines ? *g.face : *primary;
    const int slot = face.slotOf(g.face->outlines ? g.gid : 0, g.reads);
    out.push_back(glyphOf(face, slot, g.x, g.size));
  }
}

std::vector<QByteArray> PdfFontSet::objects(int first, QByteArray& dictionary, bool& needsPdf16) {
  std::vector<QByteArray> objects;
  auto next = [&] { return first + int(objects.size()); };
  auto ref = [](int n) { return QByteArray::number(n) + " 0 R"; };
  std::vector<int> resourceObjects(static_cast<std::size_t>(resourceCount_));
  for (std::size_t fi = 0; fi < faces_.size(); ++fi) {
    Face& face = *faces_[fi];
    if (face.glyphsUsed.empty()) continue;

    // The subset, glyph ids kept: a glyph's CID is its id.
    std::vector<quint32> gids;
    for (const Face::Slot& s : face.glyphsUsed) gids.push_back(s.gid);
    const FontSubset sub =
        subsetFont([&](const char* tag) { return face.table(hb_tag_from_string(tag, 4)); }, gids);
    const QByteArray psName = sub.postScriptName.isEmpty()
                                  ? "Font" + QByteArray::number(qulonglong(fi))
                                  : sub.postScriptName;

    // A subset's name starts with six capitals that differ with its glyphs.
    QCryptographicHash tagHash(QCryptographicHash::Sha1);
    tagHash.addData(psName);
    for (const Face::Slot& s : face.glyphsUsed)
      tagHash.addData(QByteArrayView(reinterpret_cast<const char*>(&s.gid), sizeof s.gid));
    QByteArray tag;
    for (const char b : tagHash.result().left(6)) tag += char('A' + static_cast<quint8>(b) % 26);
    const QByteArray baseName = tag + '+' + psName;

    // Widths by glyph id, runs of consecutive ids together.
    std::vector<std::pair<quint32, double>> widths;
    for (const Face::Slot& s : face.glyphsUsed) widths.push_back({s.gid, s.width});
    std::sort(widths.begin(), widths.end());
    widths.erase(std::unique(widths.begin(), widths.end(),
                             [](const auto& a, const auto& b) { return a.first == b.first; }),
                 widths.end());
    QByteArray w = "[";
    for (std::size_t i = 0; i < widths.size();) {
      std::size_t j = i + 1;
      while (j < widths.size() && widths[j].first == widths[j - 1].first + 1) ++j;
      w += QByteArray::number(widths[i].first) + " [";
      for (std::size_t k = i; k < j; ++k) w += num(widths[k].second) + (k + 1 < j ? " " : "");
      w += "] ";
      i = j;
    }
    w += "]";

    const bool cff = face.cffOutlines;
    needsPdf16 |= cff;
    const int cidFont = next();
    objects.push_back("<< /Type /Font /Subtype /" +
                      QByteArray(cff ? "CIDFontType0" : "CIDFontType2") + " /BaseFont /" +
                      baseName +
                      " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                      " /FontDescriptor " +
                      ref(cidFont + 1) + " /DW 1000 /W " + w +
                      (cff ? QByteArray() : QByteArray(" /CIDToGIDMap /Identity")) + " >>");
    const bool italic = face.raw.style() != QFont::StyleNormal || sub.italicAngle != 0;
    objects.push_back("<< /Type /FontDescriptor /FontName /" + baseName + " /Flags " +
                      QByteArray::number(32 + (italic ? 64 : 0)) + " /FontBBox [" +
                      num(sub.left, 0) + ' ' + num(sub.bottom, 0) + ' ' + num(sub.right, 0) + ' ' +
                      num(sub.top, 0) + "] /ItalicAngle " + num(sub.italicAngle) + " /Ascent " +
                      num(sub.ascent, 0) + " /Descent " + num(sub.descent, 0) + " /CapHeight " +
                      num(sub.capHeight, 0) + " /StemV 80 " +
                      (cff ? "/FontFile3 " : "/FontFile2 ") + ref(cidFont + 2) + " >>");
    objects.push_back(
        stream(sub.program, cff ? " /Subtype /OpenType"
                                : " /Length1 " + QByteArray::number(sub.program.size())));

    // Every 256 glyphs: a Type0 font whose one-byte codes its CMap maps to
    // the glyphs' ids, and whose ToUnicode map gives their text.
    for (std::size_t b = 0; b < face.blocks.size(); ++b) {
      if (face.blocks[b].resource < 0) continue;
      std::vector<const Face::Slot*> inBlock;
      for (const Face::Slot& s : face.glyphsUsed)
        if (std::size_t(s.block) == b) inBlock.push_back(&s);
      std::sort(inBlock.begin(), inBlock.end(),
                [](const Face::Slot* x, const Face::Slot* y) { return x->code < y->code; });
      const QByteArray name = baseName + '-' + QByteArray::number(qulonglong(b));
      QByteArray cmap =
          "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
          "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> def\n"
          "/CMapName /" +
          name + " def\n/CMapType 1 def\n1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
      QByteArray toUnicode =
          "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
          "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
          "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
          "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
      for (std::size_t s = 0; s < inBlock.size(); s += 100) {
        const std::size_t end = std::min(inBlock.size(), s + 100);
        cmap += QByteArray::number(qulonglong(end - s)) + " begincidchar\n";
        QByteArray uni;
        int unis = 0;
        for (std::size_t k = s; k < end; ++k) {
          const QByteArray code = '<' + hex(inBlock[k]->code, 2) + '>';
          cmap += code + ' ' + QByteArray::number(inBlock[k]->gid) + '\n';
          const QString& t = inBlock[k]->text;
          if (t.isEmpty()) continue;
          uni += code + " <";
          for (const QChar c : t) uni += hex(c.unicode(), 4);
          uni += ">\n";
          ++unis;
        }
        cmap += "endcidchar\n";
        if (unis > 0)
          toUnicode += QByteArray::number(unis) + " beginbfchar\n" + uni + "endbfchar\n";
      }
      const QByteArray end = "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
      const int type0 = next();
      resourceObjects[std::size_t(face.blocks[b].resource)] = type0;
      objects.push_back("<< /Type /Font /Subtype /Type0 /BaseFont /" + baseName + " /Encoding " +
                        ref(type0 + 1) + " /DescendantFonts [" + ref(cidFont) + "] /ToUnicode " +
                        ref(type0 + 2) + " >>");
      objects.push_back(
          stream(cmap + end,
                 " /Type /CMap /CMapName /" + name +
                     " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"));
      objects.push_back(stream(toUnicode + end));
    }
  }
  dictionary.clear();
  for (std::size_t r = 0; r < resourceObjects.size(); ++r)
    dictionary += "/T" + QByteArray::number(qulonglong(r)) + ' ' + ref(resourceObjects[r]) + ' ';
  return objects;
}

}  // namespace tarvex
