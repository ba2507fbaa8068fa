#include "plot/PlotAxes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Plot {

double Scale::fraction(double v) const {
  if (log) return (std::log10(v) - std::log10(lo)) / (std::log10(hi) - std::log10(lo));
  return (v - lo) / (hi - lo);
}

namespace {
// 10^k, exact for the powers a double holds exactly and correctly rounded below 1.
double power10(int k) {
  double p = 1.0;
  for (int i = 0; i < std::abs(k); ++i) p *= 10.0;
  return k >= 0 ? p : 1.0 / p;
}

// m x 10^k computed so that 0.3 is the double nearest 0.3, not 3 x 0.1.
double scaled(double m, int k) { return k >= 0 ? m * power10(k) : m / power10(-k); }

// The tick step for `span` split into about `wanted` parts: (1, 2 or 5) x 10^k.
void niceStep(double span, int wanted, double& mantissa, int& exponent) {
  const double raw = span / wanted;
  exponent = static_cast<int>(std::floor(std::log10(raw)));
  const double norm = raw / power10(exponent);
  mantissa = norm < 1.5 ? 1.0 : norm < 3.5 ? 2.0 : norm < 7.5 ? 5.0 : 10.0;
}

std::string tidyExponent(std::string s) {
  const size_t e = s.find('e');
  if (e == std::string::npos) return s;
  std::string mant = s.substr(0, e), exp = s.substr(e + 1);
  const bool negative = exp[0] == '-';
  exp = exp.substr(1);
  while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
  return mant + "e" + (negative ? "-" : "") + exp;
}
}  // namespace

std::vector<double> linearTicks(double lo, double hi, int wanted) {
  std::vector<double> out;
  if (!(hi > lo) || !std::isfinite(lo) || !std::isfinite(hi)) return out;
  double m;
  int k;
  niceStep(hi - lo, wanted, m, k);
  const double step = scaled(m, k);
  const auto first = static_cast<long long>(std::ceil(lo / step - 1e-9));
  const auto last = static_cast<long long>(std::floor(hi / step + 1e-9));
  for (long long i = first; i <= last; ++i) out.push_back(scaled(m * static_cast<double>(i), k));
  return out;
}

std::vector<double> logTicks(double lo, double hi) {
  std::vector<double> out;
  if (!(lo > 0.0) || !(hi > lo) || !std::isfinite(hi)) return out;
  const auto kLo = static_cast<int>(std::floor(std::log10(lo)));
  const auto kHi = static_cast<int>(std::ceil(std::log10(hi)));
  const auto inside = [&](double v) { return v >= lo * (1 - 1e-12) && v <= hi * (1 + 1e-12); };
  for (int k = kLo; k <= kHi; ++k)
    if (inside(power10(k))) out.push_back(power10(k));
  if (out.size() >= 3) return out;
  out.clear();
  for (int k = kLo; k <= kHi; ++k)
    for (double m : {1.0, 2.0, 5.0})
      if (inside(scaled(m, k))) out.push_back(scaled(m, k));
  if (out.size() >= 3) return out;
  return linearTicks(lo, hi, 5);
}

std::vector<double> ticksOf(const Scale& s) {
  return s.log ? logTicks(s.lo, s.hi) : linearTicks(s.lo, s.hi);
}

void niceRange(double& lo, double& hi, bool log) {
  if (log) {
    const auto kLo = static_cast<int>(std::floor(std::log10(lo)));
    double below = scaled(1.0, kLo);
    for (double m : {2.0, 5.0})
      if (scaled(m, kLo) <= lo) below = scaled(m, kLo);
    const auto kHi = static_cast<int>(std::floor(std::log10(hi)));
    double above = scaled(10.0, kHi);
    for (double m : {5.0, 2.0, 1.0})
      if (scaled(m, kHi) >= hi) above = scaled(m, kHi);
    lo = below;
    hi = above;
    return;
  }
  lo = std::min(0.0, lo);
  if (!(hi > lo)) hi = lo + 1.0;
  double m;
  int k;
  niceStep(hi - lo, 5, m, k);
  hi = scaled(m * std::ceil(hi / scaled(m, k) - 1e-9), k);
}

std::string tickText(double v) { return figureText(v, 6); }

std::string figureText(double v, int digits) {
  if (v == 0.0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  return tidyExponent(buf);
}

namespace {
const TextStyle kTickStyle{11.0, false, kInk, 0.0, false};
const TextStyle kTitleStyle{12.5, false, kInk, 0.0, false};
}  // namespace

void drawXAxis(Canvas& c, const Rect& frame, const Scale& x, const std::string& title, bool grid) {
  for (double t : ticksOf(x)) {
    const double px = x.at(t);
    if (grid) c.line(px, frame.y, px, frame.bottom(), kLightGrey, 1.0);
    c.line(px, frame.bottom(), px, frame.bottom() + 5, kInk, 1.0);
    c.text(px, frame.bottom() + 8, tickText(t), kTickStyle, {0.5, 0.0});
  }
  c.text(frame.x + frame.w / 2, frame.bottom() + 28, title, kTitleStyle, {0.5, 0.0});
}

void drawYAxis(Canvas& c, const Rect& frame, const Scale& y, const std::string& title, bool grid) {
  double widest = 0.0;
  for (double t : ticksOf(y)) {
    const double py = y.at(t);
    if (grid) c.line(frame.x, py, frame.right(), py, kLightGrey, 1.0);
    c.line(frame.x - 5, py, frame.x, py, kInk, 1.0);
    const std::string label = tickText(t);
    widest = std::max(widest, c.textWidth(label, kTickStyle));
    c.text(frame.x - 8, py, label, kTickStyle, {1.0, 0.5});
  }
  TextStyle rotated = kTitleStyle;
  rotated.angle = M_PI / 2;
  c.text(frame.x - widest - 16, frame.y + frame.h / 2, title, rotated, {0.5, 1.0});
}

}  // namespace Plot
