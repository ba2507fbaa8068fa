// Message manager of the host: every diagnostic and listing goes through
// ComMsgMgr::sendMsg::eval, which checks the arguments against the format's
// conversions, looks the text up in the catalogue and hands the message to the
// installed sinks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace ComMsgMgr {

// Severity masks.
constexpr unsigned MASK_INFO = 0x4000000;
constexpr unsigned MASK_WARNING = 0x8000000;
constexpr unsigned MASK_ERROR = 0x20000000;

const char* severityName(unsigned mask);

struct MsgArg {
  enum Kind { INT, REAL, TEXT } kind = INT;
  long long i = 0;
  double d = 0.0;
  std::string s;
};

struct Message {
  std::string id;      // "65-172"
  std::string format;  // "@65-172@%d%s%d%d%d%d"
  std::string file;
  int line = 0;
  std::string category;
  unsigned mask = 0;
  std::vector<MsgArg> args;
  std::string severity() const { return severityName(mask); }
  // The catalogue text with the arguments filled in.
  std::string text() const;
};

class Sink {
 public:
  virtual ~Sink() = default;
  virtual void deliver(const Message& msg) = 0;
};

// Sinks are tried in order of installation; every sink gets every message.
void addSink(std::shared_ptr<Sink> sink);
void removeSink(const std::shared_ptr<Sink>& sink);
void clearSinks();

// Writes one line per message: "warning [65-172] text", or a JSON object per line.
class StreamSink : public Sink {
 public:
  enum Format { TEXT, JSON };
  // Info messages go to `log`, warnings and errors to `diag`.
  StreamSink(std::ostream& log, std::ostream& diag, Format format);
  void deliver(const Message& msg) override;
  static std::string toJson(const Message& msg);
  static std::string toText(const Message& msg);

 private:
  std::ostream& log_;
  std::ostream& diag_;
  Format format_;
};

// Keeps every message; tests assert on it.
class CaptureSink : public Sink {
 public:
  void deliver(const Message& msg) override { messages.push_back(msg); }
  std::vector<Message> messages;
};

// Installs a CaptureSink for the lifetime of the object, replacing all other sinks.
class ScopedCapture {
 public:
  ScopedCapture();
  ~ScopedCapture();
  ScopedCapture(const ScopedCapture&) = delete;
  ScopedCapture& operator=(const ScopedCapture&) = delete;
  const std::vector<Message>& messages() const { return sink_->messages; }
  std::vector<std::string> ids() const;
  void clear() { sink_->messages.clear(); }

 private:
  std::shared_ptr<CaptureSink> sink_;
  std::vector<std::shared_ptr<Sink>> saved_;
};

// Repeated warnings: past the first `cap` warnings of one id, further ones are not
// delivered but counted, and flushWithheld() tells each count in one warning (1-6).
// Errors and information are never withheld. A cap of 0 delivers everything.
constexpr size_t DEFAULT_REPEAT_CAP = 50;
void setRepeatCap(size_t cap);
size_t repeatCap();
// True when the next warning of that id would be withheld.
bool isCapped(const std::string& id);
// Counts n warnings of that id as withheld without building them (saturating).
void addWithheld(const std::string& id, uint64_t n);
// One warning per id with withheld warnings, in the order the ids were first withheld;
// the counts start again from zero.
void flushWithheld();
// Forgets what was delivered and withheld (each capture starts afresh).
void resetRepeatCounts();

// Catalogue: message id -> text. Placeholders {1}, {2}, ... stand for the arguments.
void registerText(const std::string& id, const std::string& text);
std::string catalogueText(const std::string& id);  // empty when unknown
std::vector<std::string> catalogueIds();

// Called when a call's arguments do not match its format. The default handler
// prints the problem and aborts, like a failed assertion; tests install one that throws.
using MismatchHandler = std::function<void(const std::string& problem)>;
MismatchHandler setMismatchHandler(MismatchHandler handler);

namespace detail {
void dispatch(int argc, const char* file, int line, const char* category, unsigned mask,
              const char* format, std::vector<MsgArg>&& args);

template <typename T>
MsgArg toArg(const T& v) {
  using D = std::decay_t<T>;
  MsgArg a;
  if constexpr (std::is_same_v<D, bool>) {
    static_assert(!std::is_same_v<D, bool>, "bool is not a message argument");
  } else if constexpr (std::is_integral_v<D> || std::is_enum_v<D>) {
    a.kind = MsgArg::INT;
    a.i = static_cast<long long>(v);
  } else if constexpr (std::is_floating_point_v<D>) {
    a.kind = MsgArg::REAL;
    a.d = static_cast<double>(v);
  } else if constexpr (std::is_same_v<D, std::string>) {
    a.kind = MsgArg::TEXT;
    a.s = v;
  } else if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>) {
    const char* p = v;  // a string literal arrives as a reference to its array
    a.kind = MsgArg::TEXT;
    a.s = p ? p : "(null)";
  } else {
    static_assert(sizeof(D) == 0, "message arguments are integers, reals or strings");
  }
  return a;
}
}  // namespace detail

struct sendMsg {
  // argc: the number of arguments after the format. Mismatches between argc, the
  // format's conversions (%d, %s, %f) and the arguments' types go to the mismatch handler.
  template <typename... A>
  static void eval(int argc, const char* file, int line, const char* category, unsigned mask,
                   const char* format, const A&... args) {
    std::vector<MsgArg> v;
    v.reserve(sizeof...(A));
    (v.push_back(detail::toArg(args)), ...);
    detail::dispatch(argc, file, line, category, mask, format, std::move(v));
  }
};

// Host diagnostics (group 1) without spelling out the mask each time.
template <typename... A>
void hostError(const char* format, const A&... args) {
  sendMsg::eval(static_cast<int>(sizeof...(A)), "src/host", 0, "host", MASK_ERROR, format, args...);
}
template <typename... A>
void hostWarning(const char* format, const A&... args) {
  sendMsg::eval(static_cast<int>(sizeof...(A)), "src/host", 0, "host", MASK_WARNING, format,
                args...);
}
template <typename... A>
void hostInfo(const char* format, const A&... args) {
  sendMsg::eval(static_cast<int>(sizeof...(A)), "src/host", 0, "host", MASK_INFO, format, args...);
}

}  // namespace ComMsgMgr
