#include "host/msg/ComMsgMgr.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>

#include "host/str/HSTJson.h"

namespace ComMsgMgr {
namespace {

std::vector<std::shared_ptr<Sink>>& sinks() {
  static std::vector<std::shared_ptr<Sink>> s;
  return s;
}

std::map<std::string, std::string>& catalogue() {
  static std::map<std::string, std::string> c;
  return c;
}

struct RepeatCount {
  size_t delivered = 0;
  uint64_t withheld = 0;
};

struct RepeatState {
  size_t cap = DEFAULT_REPEAT_CAP;
  std::map<std::string, RepeatCount> counts;
  std::vector<std::string> withheldOrder;
};

RepeatState& repeats() {
  static RepeatState r;
  return r;
}

bool isWithholdable(unsigned mask) { return (mask & MASK_WARNING) && !(mask & MASK_ERROR); }

void withhold(const std::string& id, RepeatCount& c, uint64_t n) {
  if (c.withheld == 0 && n > 0) repeats().withheldOrder.push_back(id);
  c.withheld = c.withheld > UINT64_MAX - n ? UINT64_MAX : c.withheld + n;
}

MismatchHandler& mismatchHandler() {
  static MismatchHandler h = [](const std::string& problem) {
    std::fprintf(stderr, "internal error: %s\n", problem.c_str());
    std::abort();
  };
  return h;
}

std::string argText(const MsgArg& a) {
  switch (a.kind) {
    case MsgArg::INT:
      return std::to_string(a.i);
    case MsgArg::REAL: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%f", a.d);  // what %f shows
      return buf;
    }
    case MsgArg::TEXT:
      return a.s;
  }
  return {};
}

}  // namespace

const char* severityName(unsigned mask) {
  if (mask & MASK_ERROR) return "error";
  if (mask & MASK_WARNING) return "warning";
  return "info";
}

std::string Message::text() const {
  std::string tmpl = catalogueText(id);
  if (tmpl.empty()) {
    // Unknown id: still show every argument rather than lose them.
    std::string out = "message " + id;
    for (const auto& a : args) out += " " + argText(a);
    return out;
  }
  std::string out;
  for (size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] == '{') {
      size_t close = tmpl.find('}', i);
      if (close != std::string::npos && close > i + 1) {
        const std::string num = tmpl.substr(i + 1, close - i - 1);
        // Nine digits at most: a longer number cannot name an argument, and stoul would throw.
        if (num.size() <= 9 &&
            std::all_of(num.begin(), num.end(), [](char c) { return c >= '0' && c <= '9'; })) {
          size_t n = std::stoul(num);
          if (n >= 1 && n <= args.size()) {
            out += argText(args[n - 1]);
            i = close;
            continue;
          }
        }
      }
    }
    out += tmpl[i];
  }
  return out;
}

void addSink(std::shared_ptr<Sink> sink) { sinks().push_back(std::move(sink)); }
void removeSink(const std::shared_ptr<Sink>& sink) {
  auto& s = sinks();
  s.erase(std::remove(s.begin(), s.end(), sink), s.end());
}
void clearSinks() { sinks().clear(); }

StreamSink::StreamSink(std::ostream& log, std::ostream& diag, Format format)
    : log_(log), diag_(diag), format_(format) {}

std::string StreamSink::toText(const Message& msg) {
  // Names from input files may hold control characters: shown escaped, they cannot
  // break the one-line form or drive the terminal.
  std::string text;
  for (char c : msg.text()) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", u);
      text += buf;
    } else {
      text += c;
    }
  }
  return std::string(msg.severity()) + " [" + msg.id + "] " + text;
}

std::string StreamSink::toJson(const Message& msg) {
  std::string out = "{\"id\": " + HSTJson::quote(msg.id) +
                    ", \"severity\": " + HSTJson::quote(msg.severity()) +
                    ", \"mask\": " + std::to_string(msg.mask) + ", \"args\": [";
  for (size_t i = 0; i < msg.args.size(); ++i) {
    if (i) out += ", ";
    const MsgArg& a = msg.args[i];
    if (a.kind == MsgArg::INT)
      out += std::to_string(a.i);
    else if (a.kind == MsgArg::REAL)
      out += HSTJson::number(a.d);
    else
      out += HSTJson::quote(a.s);
  }
  out += "], \"text\": " + HSTJson::quote(msg.text()) + "}";
  return out;
}

void StreamSink::deliver(const Message& msg) {
  std::ostream& os = (msg.mask & (MASK_WARNING | MASK_ERROR)) ? diag_ : log_;
  os << (format_ == JSON ? toJson(msg) : toText(msg)) << '\n';
  os.flush();
}

ScopedCapture::ScopedCapture() : sink_(std::make_shared<CaptureSink>()), saved_(sinks()) {
  sinks().clear();
  sinks().push_back(sink_);
  resetRepeatCounts();
}
ScopedCapture::~ScopedCapture() {
  sinks() = saved_;
  resetRepeatCounts();
}

std::vector<std::string> ScopedCapture::ids() const {
  std::vector<std::string> out;
  for (const auto& m : sink_->messages) out.push_back(m.id);
  return out;
}

void setRepeatCap(size_t cap) { repeats().cap = cap; }
size_t repeatCap() { return repeats().cap; }

bool isCapped(const std::string& id) {
  const RepeatState& r = repeats();
  if (r.cap == 0) return false;
  auto it = r.counts.find(id);
  return it != r.counts.end() && it->second.delivered >= r.cap;
}

void addWithheld(const std::string& id, uint64_t n) { withhold(id, repeats().counts[id], n); }

void flushWithheld() {
  RepeatState& r = repeats();
  std::vector<std::pair<std::string, uint64_t>> told;
  for (const std::string& id : r.withheldOrder) {
    RepeatCount& c = r.counts[id];
    told.emplace_back(id, c.withheld);
    c = RepeatCount();
  }
  r.withheldOrder.clear();
  const long long cap = static_cast<long long>(r.cap);
  for (const auto& t : told) {
    const long long n =
        t.second > static_cast<uint64_t>(LLONG_MAX) ? LLONG_MAX : static_cast<long long>(t.second);
    sendMsg::eval(3, "src/host/msg", __LINE__, "host", MASK_WARNING, "@1-6@%s%d%d", t.first, n,
                  cap);
  }
}

void resetRepeatCounts() {
  repeats().counts.clear();
  repeats().withheldOrder.clear();
}

void registerText(const std::string& id, const std::string& text) { catalogue()[id] = text; }

std::string catalogueText(const std::string& id) {
  auto it = catalogue().find(id);
  return it == catalogue().end() ? std::string() : it->second;
}

std::vector<std::string> catalogueIds() {
  std::vector<std::string> ids;
  for (const auto& kv : catalogue()) ids.push_back(kv.first);
  return ids;
}

MismatchHandler setMismatchHandler(MismatchHandler handler) {
  MismatchHandler old = mismatchHandler();
  mismatchHandler() = std::move(handler);
  return old;
}

namespace detail {

void dispatch(int argc, const char* file, int line, const char* category, unsigned mask,
              const char* format, std::vector<MsgArg>&& args) {
  const std::string fmt = format ? format : "";
  // "@GROUP-NUMBER@" followed by one conversion per argument.
  std::string problem;
  std::string id;
  size_t pos = 0;
  if (fmt.size() < 3 || fmt[0] != '@') {
    problem = "message format \"" + fmt + "\" does not start with an id";
  } else {
    size_t close = fmt.find('@', 1);
    if (close == std::string::npos) {
      problem = "message format \"" + fmt + "\" has no closing @";
    } else {
      id = fmt.substr(1, close - 1);
      pos = close + 1;
    }
  }
  std::vector<char> conv;
  while (problem.empty() && pos < fmt.size()) {
    if (fmt[pos] != '%' || pos + 1 >= fmt.size() ||
        (fmt[pos + 1] != 'd' && fmt[pos + 1] != 's' && fmt[pos + 1] != 'f')) {
      problem = "message format \"" + fmt + "\" has an unknown conversion";
      break;
    }
    conv.push_back(fmt[pos + 1]);
    pos += 2;
  }
  if (problem.empty() && argc != static_cast<int>(args.size()))
    problem = "message " + fmt + " sent with argument count " + std::to_string(argc) + " but " +
              std::to_string(args.size()) + " arguments";
  if (problem.empty() && conv.size() != args.size())
    problem = "message " + fmt + " has " + std::to_string(conv.size()) + " conversions but " +
              std::to_string(args.size()) + " arguments";
  for (size_t i = 0; problem.empty() && i < conv.size(); ++i) {
    const MsgArg::Kind want = conv[i] == 'd'   ? MsgArg::INT
                              : conv[i] == 'f' ? MsgArg::REAL
                                               : MsgArg::TEXT;
    if (args[i].kind != want)
      problem = "message " + fmt + ": argument " + std::to_string(i + 1) +
                " does not match its conversion %" + conv[i];
  }
  if (!problem.empty()) {
    mismatchHandler()(problem + " (" + (file ? file : "") + ":" + std::to_string(line) + ")");
    return;
  }
  RepeatState& rep = repeats();
  // The count line itself (1-6) is never withheld: it is sent once per id and flush.
  if (rep.cap > 0 && isWithholdable(mask) && id != "1-6") {
    RepeatCount& c = rep.counts[id];
    if (c.delivered >= rep.cap) {
      withhold(id, c, 1);
      return;
    }
    ++c.delivered;
  }
  Message msg;
  msg.id = id;
  msg.format = fmt;
  msg.file = file ? file : "";
  msg.line = line;
  msg.category = category ? category : "";
  msg.mask = mask;
  msg.args = std::move(args);
  // Copy: a sink may install or remove sinks while it runs.
  const auto current = sinks();
  for (const auto& s : current) s->deliver(msg);
}

}  // namespace detail
}  // namespace ComMsgMgr
