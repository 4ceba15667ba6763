#include "print/pdf_font_subset.h"

#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <algorithm>
#include <cctype>

namespace tarvex {

namespace {

// The tables a PDF needs of a font: outlines, metrics, the names. Hinting,
// layout (GSUB, GPOS) and vertical metrics are left out.
constexpr const char* kTables[] = {"CFF ", "glyf", "loca", "head", "hhea", "hmtx",
                                   "maxp", "cmap", "OS/2", "post", "name"};

QByteArray bytesOf(hb_blob_t* blob) {
  unsigned length = 0;
  const char* data = hb_blob_get_data(blob, &length);
  return QByteArray(data, qsizetype(length));
}

}  // namespace

FontSubset subsetFont(const std::function<QByteArray(const char* tag)>& table,
                      const std::vector<quint32>& glyphs) {
  // The font's tables through HarfBuzz's face builder.
  hb_face_t* builder = hb_face_builder_create();
  for (const char* tag : kTables) {
    auto* bytes = new QByteArray(table(tag));
    if (bytes->isEmpty()) {
      delete bytes;
      continue;
    }
    hb_blob_t* b =
        hb_blob_create(bytes->constData(), unsigned(bytes->size()), HB_MEMORY_MODE_READONLY, bytes,
                       [](void* p) { delete static_cast<QByteArray*>(p); });
    hb_face_builder_add_table(builder, hb_tag_from_string(tag, 4), b);
    hb_blob_destroy(b);
  }
  hb_blob_t* whole = hb_face_reference_blob(builder);
  hb_face_destroy(builder);
  hb_face_t* source = hb_face_create(whole, 0);

  FontSubset out;
  hb_subset_input_t* input = hb_subset_input_create_or_fail();
  hb_set_t* glyphSet = hb_subset_input_glyph_set(input);
  hb_set_add(glyphSet, 0);
  for (const quint32 g : glyphs) hb_set_add(glyphSet, g);
  hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING |
                                       HB_SUBSET_FLAGS_NOTDEF_OUTLINE);
  hb_face_t* subset = hb_subset_or_fail(source, input);
  hb_subset_input_destroy(input);
  if (subset) {
    hb_blob_t* program = hb_face_reference_blob(subset);
    out.program = bytesOf(program);
    hb_blob_destroy(program);
    hb_face_destroy(subset);
  } else {
    out.program = bytesOf(whole);
  }

  hb_font_t* font = hb_font_create(source);
  const double scale = 1000.0 / std::max(1u, hb_face_get_upem(source));
  hb_position_t ascent = 0, descent = 0, capHeight = 0;
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &ascent);
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &descent);
  hb_ot_metrics_get_position_with_fallback(font, HB_OT_METRICS_TAG_CAP_HEIGHT, &capHeight);
  out.ascent = ascent * scale;
  out.descent = descent * scale;
  out.capHeight = (capHeight > 0 ? capHeight : ascent) * scale;
  out.italicAngle = hb_style_get_value(font, HB_STYLE_TAG_SLANT_ANGLE);
  double x0 = 0, y0 = descent, x1 = 0, y1 = ascent;
  for (const quint32 g : glyphs) {
    hb_glyph_extents_t e;
    if (!hb_font_get_glyph_extents(font, g, &e)) continue;
    x0 = std::min(x0, double(e.x_bearing));
    x1 = std::max(x1, double(e.x_bearing + e.width));
    y1 = std::max(y1, double(e.y_bearing));
    y0 = std::min(y0, double(e.y_bearing + e.height));
  }
  out.left = x0 * scale;
  out.bottom = y0 * scale;
  out.right = x1 * scale;
  out.top = y1 * scale;
  char name[128] = {};
  unsigned size = sizeof name;
  hb_ot_name_get_utf8(source, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name);
  for (const char* c = name; *c; ++c)
    if (std::isalnum(static_cast<unsigned char>(*c)) || *c == '-') out.postScriptName += *c;
  hb_font_destroy(font);
  hb_face_destroy(source);
  hb_blob_destroy(whole);
  return out;
}

}  // namespace tarvex
