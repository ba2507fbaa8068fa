// seufit plot flux-map|altitude|report: pictures of the flux and of a report's figures.
#include <exception>

#include "cli/CliPlot.h"
#include "cli/CliRequest.h"
#include "host/msg/ComMsgMgr.h"
#include "host/stream/HUTFileWriteStream.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
struct PlotTexts {
  PlotTexts() {
    using ComMsgMgr::registerText;
    registerText("1-97", "cannot draw {1}: {2}; the file was left as it was");
    registerText("1-98", "{1}: the report has no {2} to plot");
  }
} plotTexts;

// Pictures from a thumbnail to a poster; larger ones would take gigabytes as PNG.
constexpr long long kMinSize = 200, kMaxSize = 8000;
}  // namespace

void addPlotOutputOptions(CLI::App* cmd, PlotOutputText& text, CliContext& ctx) {
  addCommonOptions(cmd, ctx);
  cmd->add_option("-o,--output", text.output, "The picture file, replaced only when complete")
      ->type_name("FILE")
      ->required();
  cmd->add_option("--format", text.format,
                  "png, svg or pdf (default: from the output file's extension)")
      ->type_name("FORMAT")
      ->default_str(text.format);
  cmd->add_option("--width", text.width, "Width in pixels (points in a PDF), 200 to 8000")
      ->type_name("W")
      ->default_str(text.width);
  cmd->add_option("--height", text.height, "Height in pixels (points in a PDF), 200 to 8000")
      ->type_name("H")
      ->default_str(text.height);
}

bool parsePlotOutput(const PlotOutputText& text, const HAFITRun::Request& request,
                     PlotOutput& out) {
  using HAFITRun::usageError;
  bool ok = true;
  out.path = text.output;
  if (text.output.empty()) {
    usageError("--output", "a file path", text.output);
    ok = false;
  } else if (!text.format.empty()) {
    if (const auto f = Plot::formatNamed(text.format)) {
      out.format = *f;
    } else {
      usageError("--format", "png, svg or pdf", text.format);
      ok = false;
    }
  } else if (const auto f = Plot::formatOfPath(text.output)) {
    out.format = *f;
  } else {
    usageError("--output", "a file name ending in .png, .svg or .pdf, or --format", text.output);
    ok = false;
  }
  const std::string range =
      "a whole number from " + std::to_string(kMinSize) + " to " + std::to_string(kMaxSize);
  if (const auto w = HAFITRun::Numbers::parseInteger(text.width, kMinSize, kMaxSize)) {
    out.width = static_cast<int>(*w);
  } else {
    usageError("--width", range, text.width);
    ok = false;
  }
  if (const auto h = HAFITRun::Numbers::parseInteger(text.height, kMinSize, kMaxSize)) {
    out.height = static_cast<int>(*h);
  } else {
    usageError("--height", range, text.height);
    ok = false;
  }
  return ok && HAFITRun::outputIsNotAnInput("--output", out.path, HAFITRun::inputsOf(request));
}

int writePlot(const PlotOutput& out, const std::function<void(Plot::Canvas&)>& draw) {
  HUTFileWriteStream stream;
  stream.open(out.path, std::ios_base::out);
  if (!stream.is_open()) return EXIT_NO_RESULT;  // told by the stream
  bool drawn = false;
  {
    Plot::Canvas canvas(out.format, out.width, out.height, stream);
    draw(canvas);
    drawn = canvas.finish();
  }
  if (!drawn) {
    // A write error was told by the stream; a drawing error is told here.
    if (stream.error().empty())
      ComMsgMgr::hostError("@1-97@%s%s", out.path, std::string("the drawing failed"));
    stream.discard();
    return EXIT_NO_RESULT;
  }
  return stream.close() ? EXIT_OK : EXIT_NO_RESULT;
}

std::string positionText(int longitude, int latitude) {
  const auto deg = [](int v, const char* positive, const char* negative) {
    return std::to_string(v < 0 ? -v : v) + "\u00b0" + (v < 0 ? negative : v > 0 ? positive : "");
  };
  return deg(longitude, "E", "W") + " " + deg(latitude, "N", "S");
}

void registerPlotCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "plot",
      "Draw a picture (PNG, SVG or PDF): the flux on a world map (flux-map), the flux by "
      "altitude (altitude), or a design's FIT (report DESIGN)");
  registerPlotFluxMap(cmd, ctx);
  registerPlotAltitude(cmd, ctx);
  registerPlotReport(cmd, ctx);
  requireSubcommand(cmd, "kind");
}
