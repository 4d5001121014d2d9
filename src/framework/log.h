#pragma once
// The two log line forms: `debug` joins its pieces with ", " on standard error and flushes;
// `echo` writes its pieces back to back on standard output. A sink, when set, receives the
// finished lines instead of the streams (tests read log lines through it).
#include <charconv>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace dx {

namespace logdetail {

inline void append(std::string& out, std::string_view s) { out += s; }
inline void append(std::string& out, const char* s) { out += s; }
inline void append(std::string& out, const std::string& s) { out += s; }
inline void append(std::string& out, char c) { out += c; }
inline void append(std::string& out, bool b) { out += b ? "true" : "false"; }

template <class T>
requires std::is_arithmetic_v<T>
void append(std::string& out, T v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

}  // namespace logdetail

// Builds the text of a log line; exposed so tests can check exact lines.
template <class... A>
std::string joinPieces(std::string_view sep, const A&... pieces) {
  std::string out;
  bool first = true;
  ((first ? (void)(first = false) : logdetail::append(out, sep), logdetail::append(out, pieces)), ...);
  return out;
}

// Text from a file made safe to show on a terminal: control characters and bytes outside
// ASCII as \xHH, and at most maxChars characters of it followed by "..." when it is longer.
inline std::string printable(std::string_view s, size_t maxChars = 120) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < s.size() && i < maxChars; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  if (s.size() > maxChars) out += "...";
  return out;
}

// A number as messages about file values show it: at most six significant digits ("%g").
inline std::string shortNumber(double d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", d);
  return buf;
}

// A number with a fixed count of decimals ("%.*f"), as the panels, tables and records show it.
inline std::string fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

enum class LogStream { debug, echo };

// Receives a finished line without its newline. The trainer logs from several threads, so a
// sink must be safe to call from several threads at once.
using LogSink = std::function<void(LogStream, std::string_view line)>;

struct LogState {
  LogSink sink;  // empty: lines go to the streams
};

inline LogState& logState() {
  static LogState state;
  return state;
}

inline void resetLogState() { logState() = LogState{}; }

namespace logdetail {

inline void emit(LogStream stream, std::string& line) {
  if (const LogSink& sink = logState().sink) {
    sink(stream, line);
    return;
  }
  FILE* file = stream == LogStream::debug ? stderr : stdout;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), file);
  std::fflush(file);
}

}  // namespace logdetail

template <class... A>
void debug(const A&... pieces) {
  std::string line = joinPieces(", ", pieces...);
  logdetail::emit(LogStream::debug, line);
}

template <class... A>
void echo(const A&... pieces) {
  std::string line = joinPieces("", pieces...);
  logdetail::emit(LogStream::echo, line);
}

}  // namespace dx
