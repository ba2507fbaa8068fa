#include "plot/PlotCanvas.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "host/report/HCRRptText.h"

namespace Plot {

std::optional<Format> formatNamed(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "png") return Format::PNG;
  if (lower == "svg") return Format::SVG;
  if (lower == "pdf") return Format::PDF;
  return std::nullopt;
}

std::optional<Format> formatOfPath(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
  return formatNamed(path.substr(dot + 1));
}

namespace {
// Canvases alive: the font caches are dropped when the last one goes.
int liveCanvases = 0;
}  // namespace

Canvas::Canvas(Format format, int width, int height, std::ostream& out)
    : format_(format), width_(width), height_(height), out_(out) {
  ++liveCanvases;
  switch (format) {
    case Format::PNG:
      surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
      break;
    case Format::SVG:
      surface_ = cairo_svg_surface_create_for_stream(write, this, width, height);
      // Sizes without a unit: the numbers asked for, as in the PNG.
      cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_USER);
      break;
    case Format::PDF:
      surface_ = cairo_pdf_surface_create_for_stream(write, this, width, height);
      break;
  }
  cr_ = cairo_create(surface_);
  cairo_set_source_rgb(cr_, 1, 1, 1);
  cairo_paint(cr_);
  // The charts are laid out for a width of about 1000; a picture of another width scales
  // them with it, within reason, and its height gives them more or less room.
  scale_ = std::clamp(width / 1000.0, 0.6, 4.0);
  cairo_scale(cr_, scale_, scale_);
  cairo_select_font_face(cr_, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
  // cairo and fontconfig keep the fonts they found for the rest of the process; a drawing
  // is done once, and their memory goes back with it (leak checkers see none).
  if (--liveCanvases == 0) {
    cairo_debug_reset_static_data();
    FcFini();
  }
}

cairo_status_t Canvas::write(void* closure, const unsigned char* data, unsigned int length) {
  auto* self = static_cast<Canvas*>(closure);
  if (self->format_ == Format::SVG) {
    self->svg_.append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  }
  self->out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  return self->out_ ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

namespace {
void setFont(cairo_t* cr, const TextStyle& style) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                         style.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, style.size);
}
}  // namespace

double Canvas::textWidth(const std::string& s, const TextStyle& style) {
  setFont(cr_, style);
  cairo_text_extents_t e;
  cairo_text_extents(cr_, s.c_str(), &e);
  return e.x_advance;
}

void Canvas::text(double x, double y, const std::string& s, const TextStyle& style, Align align) {
  if (s.empty()) return;
  const double width = textWidth(s, style);
  // Capital height: places digits and capitals where the eye expects them, whatever the font.
  const double cap = 0.72 * style.size;
  if (format_ == Format::SVG) {
    labels_.push_back({x, y, s, style, align, width});
    return;
  }
  cairo_save(cr_);
  cairo_translate(cr_, x, y);
  cairo_rotate(cr_, -style.angle);
  cairo_move_to(cr_, -align.h * width, cap * (1.0 - align.v));
  if (style.halo) {
    cairo_text_path(cr_, s.c_str());
    cairo_set_source_rgb(cr_, 0.1, 0.1, 0.1);
    cairo_set_line_width(cr_, std::max(2.0, style.size / 4.0));
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr_);
    cairo_set_source_rgb(cr_, style.colour.r, style.colour.g, style.colour.b);
    cairo_fill(cr_);
  } else {
    cairo_set_source_rgb(cr_, style.colour.r, style.colour.g, style.colour.b);
    cairo_show_text(cr_, s.c_str());
  }
  cairo_restore(cr_);
}

void Canvas::line(double x0, double y0, double x1, double y1, Rgb colour, double width,
                  bool dashed) {
  cairo_save(cr_);
  cairo_set_source_rgb(cr_, colour.r, colour.g, colour.b);
  cairo_set_line_width(cr_, width);
  if (dashed) {
    const double dash[] = {6.0, 4.0};
    cairo_set_dash(cr_, dash, 2, 0.0);
  }
  cairo_move_to(cr_, x0, y0);
  cairo_line_to(cr_, x1, y1);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

void Canvas::fillRect(const Rect& r, Rgb colour) {
  cairo_set_source_rgb(cr_, colour.r, colour.g, colour.b);
  cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
  cairo_fill(cr_);
}

void Canvas::strokeRect(const Rect& r, Rgb colour, double width) {
  cairo_set_source_rgb(cr_, colour.r, colour.g, colour.b);
  cairo_set_line_width(cr_, width);
  cairo_rectangle(cr_, r.x, r.y, r.w, r.h);
  cairo_stroke(cr_);
}

bool Canvas::finish() {
  if (finished_) return false;
  finished_ = true;
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) return false;
  cairo_surface_flush(surface_);
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (format_ == Format::PNG) status = cairo_surface_write_to_png_stream(surface_, write, this);
  cairo_surface_finish(surface_);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface_);
  if (format_ == Format::SVG && status == CAIRO_STATUS_SUCCESS) writeSvgText();
  out_.flush();
  return status == CAIRO_STATUS_SUCCESS && out_.good();
}

namespace {
std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string colour(const Rgb& c) {
  const auto byte = [](double v) {
    return std::to_string(static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)));
  };
  return "rgb(" + byte(c.r) + "," + byte(c.g) + "," + byte(c.b) + ")";
}
}  // namespace

void Canvas::writeSvgText() {
  std::string text = "<g font-family=\"sans-serif\"";
  if (scale_ != 1.0) {
    char s[32];
    std::snprintf(s, sizeof s, "%.9g", scale_);
    text += std::string(" transform=\"scale(") + s + ")\"";
  }
  text += ">\n";
  for (const Label& l : labels_) {
    const double cap = 0.72 * l.style.size;
    // The anchor does the horizontal placement, so that a browser's own font lines up too.
    const char* anchor = l.align.h == 0.5 ? "middle" : l.align.h == 1.0 ? "end" : "start";
    const double dx =
        l.align.h == 0.5 || l.align.h == 1.0 || l.align.h == 0.0 ? 0.0 : -l.align.h * l.width;
    text += "<text transform=\"translate(" + num(l.x) + " " + num(l.y) + ")";
    if (l.style.angle != 0.0) text += " rotate(" + num(-l.style.angle * 180.0 / M_PI) + ")";
    text += "\" x=\"" + num(dx) + "\" y=\"" + num(cap * (1.0 - l.align.v)) + "\" font-size=\"" +
            num(l.style.size) + "\" text-anchor=\"" + anchor + "\" fill=\"" +
            colour(l.style.colour) + "\"";
    if (l.style.bold) text += " font-weight=\"bold\"";
    if (l.style.halo)
      text += " stroke=\"rgb(26,26,26)\" stroke-width=\"" + num(std::max(2.0, l.style.size / 4.0)) +
              "\" stroke-linejoin=\"round\" paint-order=\"stroke\"";
    text += ">" + HCRRptText::xml(l.text) + "</text>\n";
  }
  text += "</g>\n";
  const size_t end = svg_.rfind("</svg>");
  svg_.insert(end == std::string::npos ? svg_.size() : end, text);
  out_.write(svg_.data(), static_cast<std::streamsize>(svg_.size()));
}

}  // namespace Plot
