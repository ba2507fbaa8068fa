// Names near a misspelt one, for "did you mean" in usage errors.
#include <algorithm>
#include <cctype>

#include "cli/Cli.h"

namespace {
std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Edits (insert, delete, substitute, swap two neighbours) that turn a into b.
size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

std::string withoutDashes(const std::string& s) {
  const size_t start = s.find_first_not_of('-');
  return start == std::string::npos ? std::string() : s.substr(start);
}

std::vector<std::string> nearestNames(const std::string& typed,
                                      const std::vector<std::string>& names) {
  // Option names compare without their dashes: "-altitude" is near "--altitude".
  const std::string word = lower(withoutDashes(typed));
  // About one slip in three letters; a short word is near only what differs by one.
  const size_t limit = word.size() <= 3 ? 1 : word.size() <= 6 ? 2 : 3;
  size_t best = limit;
  std::vector<std::string> found;
  for (const std::string& name : names) {
    const std::string candidate = lower(withoutDashes(name));
    if (word.empty() || name == typed) continue;
    // The start of a name is what people abbreviate to; it beats any misspelling.
    const bool prefix = word.size() >= 2 && candidate.compare(0, word.size(), word) == 0;
    const size_t distance = prefix ? 0 : editDistance(word, candidate);
    if (distance > best) continue;
    if (distance < best) found.clear();
    best = distance;
    if (std::find(found.begin(), found.end(), name) == found.end()) found.push_back(name);
  }
  return found;
}
}  // namespace

std::string didYouMean(const std::string& typed, const std::vector<std::string>& names) {
  std::vector<std::string> near = nearestNames(typed, names);
  if (near.empty()) return "";
  constexpr size_t kMost = 4;
  if (near.size() > kMost) near.resize(kMost);
  std::string text = "did you mean ";
  for (size_t i = 0; i < near.size(); ++i)
    text += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + near[i];
  return text + "?";
}

std::string unknownName(const std::string& what, const std::string& typed,
                        const std::vector<std::string>& names) {
  std::string text = "unknown " + what + " '" + typed + "'";
  const std::string near = didYouMean(typed, names);
  if (!near.empty()) return text + " (" + near + ")";
  text += "; expected one of";
  for (const std::string& name : names) text += " " + name;
  return text;
}
