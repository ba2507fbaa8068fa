// Axis ticks and ranges, tick texts, formats by name and the colour map's stops.
#include <gtest/gtest.h>

#include <sstream>

#include "plot/PlotAxes.h"
#include "plot/PlotCharts.h"

namespace {
using Ticks = std::vector<double>;

TEST(PlotAxes, LinearTicksAreWholeStepsOfOneTwoOrFive) {
  EXPECT_EQ(Plot::linearTicks(0, 24384), (Ticks{0, 5000, 10000, 15000, 20000}));
  EXPECT_EQ(Plot::linearTicks(0, 80000),
            (Ticks{0, 10000, 20000, 30000, 40000, 50000, 60000, 70000, 80000}));
  // Below 1 each tick is the double nearest its decimal, not a sum of steps.
  EXPECT_EQ(Plot::linearTicks(0, 1, 5), (Ticks{0, 0.2, 0.4, 0.6, 0.8, 1}));
  EXPECT_EQ(Plot::linearTicks(-0.35, 0.3), (Ticks{-0.3, -0.2, -0.1, 0, 0.1, 0.2, 0.3}));
  EXPECT_TRUE(Plot::linearTicks(1, 1).empty());
}

TEST(PlotAxes, LogTicksFallBackWhenFewDecadesFit) {
  EXPECT_EQ(Plot::logTicks(0.5, 500), (Ticks{1, 10, 100}));
  EXPECT_EQ(Plot::logTicks(1e-5, 1e-3), (Ticks{1e-5, 1e-4, 1e-3}));
  EXPECT_EQ(Plot::logTicks(2, 60), (Ticks{2, 5, 10, 20, 50}));
  // Not even three 1-2-5 steps inside: linear ticks.
  EXPECT_EQ(Plot::logTicks(70, 350), (Ticks{100, 150, 200, 250, 300, 350}));
  EXPECT_TRUE(Plot::logTicks(0, 10).empty());
}

TEST(PlotAxes, NiceRangesEncloseTheData) {
  double lo = 0.96, hi = 330;
  Plot::niceRange(lo, hi, true);
  EXPECT_EQ(lo, 0.5);
  EXPECT_EQ(hi, 500);
  lo = 3;
  hi = 8126;
  Plot::niceRange(lo, hi, true);
  EXPECT_EQ(lo, 2);
  EXPECT_EQ(hi, 10000);
  lo = 5;
  hi = 752.732;
  Plot::niceRange(lo, hi, false);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 800);
}

TEST(PlotAxes, ScalesMapEndsToPixels) {
  const Plot::Scale log{1, 1000, true, 500, 200};
  EXPECT_EQ(log.at(1), 500);
  EXPECT_EQ(log.at(1000), 200);
  EXPECT_DOUBLE_EQ(log.at(10), 400);
  const Plot::Scale lin{0, 80000, false, 78, 968};
  EXPECT_EQ(lin.at(40000), 523);
}

TEST(PlotAxes, TextsAreShortAndExact) {
  EXPECT_EQ(Plot::tickText(0), "0");
  EXPECT_EQ(Plot::tickText(20000), "20000");
  EXPECT_EQ(Plot::tickText(0.2), "0.2");
  EXPECT_EQ(Plot::tickText(1e-5), "1e-5");
  EXPECT_EQ(Plot::tickText(1e7), "1e7");
  EXPECT_EQ(Plot::figureText(752.732), "752.7");
  EXPECT_EQ(Plot::figureText(0.0123456), "0.01235");
}

TEST(PlotCanvas, FormatsByNameAndExtension) {
  EXPECT_EQ(Plot::formatNamed("SVG"), Plot::Format::SVG);
  EXPECT_EQ(Plot::formatOfPath("out/map.Png"), Plot::Format::PNG);
  EXPECT_EQ(Plot::formatOfPath("a.pdf"), Plot::Format::PDF);
  EXPECT_FALSE(Plot::formatOfPath("out.d/map"));
  EXPECT_FALSE(Plot::formatOfPath("map.jpeg"));
}

TEST(PlotCharts, ColourMapRunsThroughItsStops) {
  const auto same = [](double t, double r, double g, double b) {
    const Plot::Rgb c = Plot::colourAt(t);
    return c.r == r / 255 && c.g == g / 255 && c.b == b / 255;
  };
  EXPECT_TRUE(same(0, 68, 1, 84));
  EXPECT_TRUE(same(0.5, 38, 130, 142));
  EXPECT_TRUE(same(1, 253, 231, 37));
  EXPECT_TRUE(same(7, 253, 231, 37));
  EXPECT_TRUE(same(-1, 68, 1, 84));
}

TEST(PlotCanvas, AFailedStreamFailsTheWrite) {
  std::ostringstream good, bad;
  bad.setstate(std::ios::badbit);
  {
    Plot::Canvas c(Plot::Format::SVG, 300, 200, good);
    Plot::drawTitle(c, "title");
    EXPECT_TRUE(c.finish());
  }
  EXPECT_EQ(good.str().rfind("<?xml", 0), 0u);
  Plot::Canvas c(Plot::Format::PNG, 300, 200, bad);
  EXPECT_FALSE(c.finish());
}
}  // namespace
