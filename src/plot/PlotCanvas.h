// A picture drawn with cairo and written as PNG, SVG or PDF into a stream. Knows nothing
// of what it shows: the charts in PlotCharts.h draw on it. In SVG, text stays text: each
// label is an SVG <text> element over the drawing (selectable, searchable, read aloud),
// not the outlines of its glyphs.
#pragma once

#include <cairo.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Plot {

enum class Format { PNG, SVG, PDF };
// "png", "svg" or "pdf" (any case), or nothing.
std::optional<Format> formatNamed(const std::string& name);
// The format a path's extension names, or nothing.
std::optional<Format> formatOfPath(const std::string& path);

struct Rgb {
  double r, g, b;
};
constexpr Rgb kBlack{0.0, 0.0, 0.0};
constexpr Rgb kWhite{1.0, 1.0, 1.0};
constexpr Rgb kInk{0.13, 0.13, 0.13};
constexpr Rgb kGrey{0.55, 0.55, 0.55};
constexpr Rgb kLightGrey{0.88, 0.88, 0.88};

struct Rect {
  double x, y, w, h;
  double right() const { return x + w; }
  double bottom() const { return y + h; }
};

// Text placement: the point is at the text's left (0), centre (0.5) or right (1), and at
// its top (0), middle (0.5) or baseline-free bottom (1).
struct Align {
  double h = 0.0;
  double v = 1.0;
};

struct TextStyle {
  double size = 12.0;
  bool bold = false;
  Rgb colour = kInk;
  double angle = 0.0;  // radians, counter-clockwise on the page
  // A contrasting outline that keeps the text readable over a colour map.
  bool halo = false;
};

class Canvas {
 public:
  Canvas(Format format, int width, int height, std::ostream& out);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() { return cr_; }
  // The drawing's size in its own units: the picture's pixels divided by scale(), so that
  // text, lines and margins grow with the picture (a picture 1000 wide has scale 1).
  double width() const { return width_ / scale_; }
  double height() const { return height_ / scale_; }
  double scale() const { return scale_; }

  void text(double x, double y, const std::string& s, const TextStyle& style, Align align = {});
  double textWidth(const std::string& s, const TextStyle& style);
  void line(double x0, double y0, double x1, double y1, Rgb colour, double width,
            bool dashed = false);
  void fillRect(const Rect& r, Rgb colour);
  void strokeRect(const Rect& r, Rgb colour, double width);

  // Completes the picture and writes it; false when cairo or the stream failed.
  bool finish();

 private:
  static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length);
  void writeSvgText();

  struct Label {
    double x, y;
    std::string text;
    TextStyle style;
    Align align;
    double width;
  };
  std::vector<Label> labels_;  // SVG: the text, written as elements at the end
  std::string svg_;            // SVG: cairo's drawing, completed by the labels

  Format format_;
  int width_, height_;
  double scale_ = 1.0;
  std::ostream& out_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool finished_ = false;
};

}  // namespace Plot
