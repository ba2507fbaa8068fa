// `seufit plot KIND`: the picture options every kind takes, and writing a picture so that
// the output file is replaced only by a complete one.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "cli/Cli.h"
#include "plot/PlotCanvas.h"
#include "shared/fit/run/HAFITRequest.h"

struct PlotOutputText {
  std::string output;
  std::string format;
  std::string width = "1000";
  std::string height = "560";
};
struct PlotOutput {
  std::string path;
  Plot::Format format = Plot::Format::PNG;
  int width = 1000, height = 560;
};

// --output (required), --format, --width, --height, and the common options.
void addPlotOutputOptions(CLI::App* cmd, PlotOutputText& text, CliContext& ctx);
// False after one message per bad value; the picture must not replace a file the request
// reads.
bool parsePlotOutput(const PlotOutputText& text, const HAFITRun::Request& request, PlotOutput& out);
// Draws the picture and writes it; EXIT_OK, or EXIT_NO_RESULT after an error naming the
// file, with the file left as it was.
int writePlot(const PlotOutput& out, const std::function<void(Plot::Canvas&)>& draw);

// "74°W 40°N".
std::string positionText(int longitude, int latitude);

void registerPlotFluxMap(CLI::App* plot, CliContext& ctx);
void registerPlotAltitude(CLI::App* plot, CliContext& ctx);
void registerPlotReport(CLI::App* plot, CliContext& ctx);
