#include "tools/shared/scenario_files.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "compiler/file_names.hpp"
#include "storage/file_error.hpp"
#include "tools/shared/edit_distance.hpp"
#include "tools/shared/refusal.hpp"

namespace borgo::tools {
namespace {

// A folder of any size is looked at only this far, and a handful of names is
// shown: the nearest ones are what an author looks for.
constexpr std::size_t kNamesLookedAt = 10000;
constexpr std::size_t kShown = 5;

// What each file name adds to the names, from compiler/file_names.hpp: a
// line's files put theirs after the line's name, a train's after
// "<line>_<train>".
constexpr std::string_view kBetweenNames = "_";
struct Tails {
  std::string line_description;
  std::string train_description;
  std::string line_file;
  std::string train_file;
  std::string cell_file;
};
Tails tails() {
  const compiler::RouteModel unnamed;
  const auto pair_tail = [](std::string name) { return name.substr(kBetweenNames.size()); };
  return {compiler::line_description_name(unnamed),
          pair_tail(compiler::train_description_name(unnamed)), compiler::line_file_name(unnamed),
          pair_tail(compiler::train_file_name(unnamed)),
          pair_tail(compiler::cell_file_name(unnamed))};
}

bool there(const std::filesystem::path& path) {
  std::error_code failed;
  const bool present = std::filesystem::exists(path, failed);
  if (failed) throw storage::FileError(path, failed.message());
  return present;
}

// The scenario files of a folder, by the names before their tails.
struct FolderNames {
  std::set<std::string> described_lines;  // <line> of each line description
  std::set<std::string> planned_lines;    // <line> of each line file
  std::set<std::string> described_pairs;  // <line>_<train> of each train description
  std::set<std::string> train_files;      // <line>_<train> of each train file
  std::set<std::string> cell_files;       // <line>_<train> of each cell file
  bool cut_short = false;                 // more names than were looked at
};

// The part of `name` before `tail`, when it ends so and something is left.
std::optional<std::string> before_tail(const std::string& name, std::string_view tail) {
  if (name.size() <= tail.size() || !name.ends_with(tail)) return std::nullopt;
  return name.substr(0, name.size() - tail.size());
}

FolderNames names_in(const std::filesystem::path& folder) {
  const Tails tail = tails();
  FolderNames found;
  std::error_code failed;
  std::filesystem::directory_iterator entries(folder, failed);
  std::size_t looked_at = 0;
  for (; !failed && entries != std::filesystem::directory_iterator(); entries.increment(failed)) {
    if (++looked_at > kNamesLookedAt) {
      found.cut_short = true;
      break;
    }
    std::string name;
    try {
      name = entries->path().filename().string();
    } catch (const std::exception&) {
      continue;  // a name the platform's code page cannot hold names no scenario of ours
    }
    if (auto line = before_tail(name, tail.line_description)) {
      found.described_lines.insert(std::move(*line));
    } else if (auto pair = before_tail(name, tail.train_description)) {
      found.described_pairs.insert(std::move(*pair));
    } else if (auto sim = before_tail(name, tail.train_file)) {
      found.train_files.insert(std::move(*sim));
    } else if (auto dat = before_tail(name, tail.cell_file)) {
      // A line file is a cell file too by its name; the line is kept apart.
      if (auto planned = before_tail(name, tail.line_file)) found.planned_lines.insert(*planned);
      found.cell_files.insert(std::move(*dat));
    }
  }
  return found;
}

struct Scenario {
  std::string line;
  std::string train;
};

// The line and train a "<line>_<train>" names. A line's name may hold the
// separator too, so the line is one the folder knows (the line given first,
// then the longest); with `unknown_lines`, a line the folder does not know is
// taken as the one given, or else up to the first separator.
std::optional<Scenario> split_pair(const std::string& pair, const std::set<std::string>& known,
                                   const std::string& given_line, bool unknown_lines) {
  std::optional<Scenario> best;
  std::optional<Scenario> first;
  std::optional<Scenario> as_given;
  for (std::size_t at = pair.find(kBetweenNames); at != std::string::npos;
       at = pair.find(kBetweenNames, at + 1)) {
    Scenario split{pair.substr(0, at), pair.substr(at + kBetweenNames.size())};
    if (split.line.empty() || split.train.empty()) continue;
    if (!first) first = split;
    if (split.line == given_line) as_given = split;
    if (known.contains(split.line)) {
      if (split.line == given_line) return split;
      best = std::move(split);  // later splits are longer lines
    }
  }
  if (best || !unknown_lines) return best;
  return as_given ? as_given : first;
}

struct Candidate {
  Scenario scenario;
  std::string file;
  std::size_t distance = 0;
};

// Scenarios of the same line, or whose names are a few letters away.
class Candidates {
 public:
  explicit Candidates(const ScenarioNames& names) : names_(names) {}

  void consider(const Scenario& scenario, std::string file) {
    const std::size_t distance =
        edit_distance(scenario.line, names_.line) + edit_distance(scenario.train, names_.train);
    if (scenario.line != names_.line && !near(scenario, distance)) return;
    if (!seen_.emplace(scenario.line, scenario.train).second) return;
    found_.push_back({scenario, std::move(file), distance});
  }

  // The nearest first, one a line, each with the options that name it.
  std::string listing(bool cut_short) {
    std::sort(found_.begin(), found_.end(), [](const Candidate& a, const Candidate& b) {
      return std::tie(a.distance, a.file) < std::tie(b.distance, b.file);
    });
    std::string text;
    if (!found_.empty()) text += "\n  that folder holds, nearest first:";
    for (std::size_t i = 0; i < found_.size() && i < kShown; ++i) {
      const Candidate& c = found_[i];
      std::string options;
      if (c.scenario.line != names_.line) options += "--line " + quoted(c.scenario.line);
      if (c.scenario.train != names_.train) {
        options += (options.empty() ? "" : " ") + ("--train " + quoted(c.scenario.train));
      }
      text += "\n    " + c.file + " (" + options + ")";
    }
    if (found_.size() > kShown) {
      text += "\n    and " + std::to_string(found_.size() - kShown) + " more";
    }
    if (cut_short) {
      text += "\n  (only the first " + std::to_string(kNamesLookedAt) +
              " names in that folder were looked at)";
    }
    return text;
  }

 private:
  // A name as a shell takes it back: quoted when it holds more than letters,
  // digits and a few signs.
  static std::string quoted(const std::string& name) {
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
             std::string_view("_.+-,=@%:").find(c) != std::string_view::npos;
    });
    if (plain) return name;
    std::string text = "\"";
    for (const char c : name) {
      if (std::string_view("\"\\$`").find(c) != std::string_view::npos) text += '\\';
      text += c;
    }
    return text + "\"";
  }

  // A letter or two off, or up to a third of the letters: "Borgo" for
  // "Borgo_Mar" is near, "Mare" for "Costa" is not.
  bool near(const Scenario& scenario, std::size_t distance) const {
    const std::size_t letters = std::max(scenario.line.size(), names_.line.size()) +
                                std::max(scenario.train.size(), names_.train.size());
    return distance <= 2 || distance * 3 <= letters;
  }

  const ScenarioNames& names_;
  std::vector<Candidate> found_;
  std::set<std::pair<std::string, std::string>> seen_;
};

void consider_descriptions(Candidates& candidates, const FolderNames& folder,
                           const ScenarioNames& names) {
  const Tails tail = tails();
  for (const std::string& pair : folder.described_pairs) {
    // A train description without its line description would not compile.
    if (auto scenario = split_pair(pair, folder.described_lines, names.line, false)) {
      candidates.consider(*scenario, pair + tail.train_description);
    }
  }
}

void consider_compiled_files(Candidates& candidates, const FolderNames& folder,
                             const ScenarioNames& names) {
  const Tails tail = tails();
  std::set<std::string> known = folder.described_lines;
  known.insert(folder.planned_lines.begin(), folder.planned_lines.end());
  for (const std::string& pair : folder.train_files) {
    if (!folder.cell_files.contains(pair)) continue;
    if (auto scenario = split_pair(pair, known, names.line, true)) {
      candidates.consider(*scenario, pair + tail.train_file);
    }
  }
}

}  // namespace

void check_descriptions_present(const std::filesystem::path& folder, const ScenarioNames& names) {
  const compiler::RouteModel model = names.as_given();
  const std::filesystem::path line = folder / compiler::line_description_name(model);
  const std::filesystem::path train = folder / compiler::train_description_name(model);
  const bool line_there = there(line);
  const bool train_there = there(train);
  if (line_there && train_there) return;
  std::string text = "there is no ";
  if (!line_there) text += "line description '" + line.string() + "'";
  if (!line_there && !train_there) text += " and no ";
  if (!train_there) text += "train description '" + train.string() + "'";
  const FolderNames found = names_in(folder);
  Candidates candidates(names);
  consider_descriptions(candidates, found, names);
  throw Refusal(text + candidates.listing(found.cut_short));
}

DrawingSource check_drawing_source(const std::filesystem::path& folder,
                                   const ScenarioNames& names) {
  const std::filesystem::path line = folder / compiler::line_description_name(names.as_given());
  if (there(line)) {
    check_descriptions_present(folder, names);
    return DrawingSource::kDescriptions;
  }
  std::vector<std::filesystem::path> missing;
  for (const compiler::CompiledFileKind kind :
       {compiler::CompiledFileKind::kItems, compiler::CompiledFileKind::kCells}) {
    std::filesystem::path path = names.compiled_path(folder, kind);
    if (!there(path)) missing.push_back(std::move(path));
  }
  if (missing.empty()) return DrawingSource::kCompiledFiles;
  std::string text = "there is no line description '" + line.string() + "' to compile, and no ";
  for (std::size_t i = 0; i < missing.size(); ++i) {
    text += (i == 0 ? "'" : " or '") + missing[i].string() + "'";
  }
  text += " to draw instead";
  const FolderNames found = names_in(folder);
  Candidates candidates(names);
  consider_descriptions(candidates, found, names);
  consider_compiled_files(candidates, found, names);
  throw Refusal(text + candidates.listing(found.cut_short));
}

}  // namespace borgo::tools
