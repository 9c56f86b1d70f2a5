#include "engine/uninstall_plan.h"

#include <algorithm>
#include <set>

#include "engine/ascii.h"
#include "engine/names.h"
#include "engine/product.h"
#include "platform/file_system.h"
#include "platform/runtime.h"

namespace tgw {

namespace {

// The application's folder tree below the install folder, deepest first.
constexpr std::wstring_view kTree[] = {
    L"templates", L"plug-ins", L"languages\\english", L"languages\\russian", L"languages",
};
constexpr std::wstring_view kGroup = L"Tagwright";
constexpr std::wstring_view kDesktopShortcut = L"tagwright.lnk";
constexpr std::wstring_view kRecordFolder = L"TGWR";

using ascii::Lowered;
using ascii::SameIgnoringCase;

// The path as text, with a final backslash when `folder`.
std::wstring Text(const PathParts& path, bool folder) {
  std::wstring text = path.root;
  for (const std::wstring& part : path.parts) text.append(L"\\").append(part);
  if (folder || path.parts.empty()) text += L'\\';
  return text;
}

std::optional<PathParts> ParseFolder(const std::optional<std::wstring>& folder) {
  if (!folder) return std::nullopt;
  return ParsePath(*folder);
}

// Decides the lines of one log, in order.
class LogReader {
 public:
  LogReader(const UninstallPlaces& places, const PathParts& folder, std::wstring folder_text)
      : folder_(folder),
        folder_text_(std::move(folder_text)),
        desktop_(ParseFolder(places.desktop)),
        programs_(ParseFolder(places.programs)) {
    // Every form names the same file, in the folder: its long and short names are both its own.
    for (const std::wstring& program : places.program_files) {
      auto parsed = ParsePath(program);
      if (parsed && !parsed->parts.empty()) program_names_.push_back(parsed->parts.back());
    }
    // Removed by rule at the end: a line naming one of these names it again.
    seen_.insert(Lowered(folder_text_ + L"settings.dat"));
    seen_.insert(Lowered(folder_text_ + L"install.log"));
  }

  LineVerdict Decide(std::wstring_view line, std::optional<Removal>& removal) {
    if (line.empty()) return LineVerdict::kEmpty;
    const auto path = ParsePath(line);
    if (!path) return LineVerdict::kNotAPath;
    if (auto name = NameBelow(*path, folder_)) {
      if (name->empty()) return LineVerdict::kFolder;
      if (CheckName(*name, folder_text_.size()) != NameFault::kNone) return LineVerdict::kNotAPath;
      if (!seen_.insert(Lowered(folder_text_ + *name)).second) return LineVerdict::kRepeated;
      for (const std::wstring& program : program_names_) {
        if (SameIgnoringCase(*name, program)) return LineVerdict::kProgram;  // (a name has no "\")
      }
      removal = Removal{folder_text_, std::move(*name), std::wstring(line)};
      return LineVerdict::kRemove;
    }
    const auto shortcut = Shortcut(*path, line);
    if (!shortcut) return LineVerdict::kOutside;
    if (!seen_.insert(Lowered(shortcut->Path())).second) return LineVerdict::kRepeated;
    removal = shortcut;
    return LineVerdict::kRemove;
  }

  bool Seen(std::wstring_view path) const { return seen_.count(Lowered(path)) != 0; }

 private:
  // Desktop\Tagwright.lnk, or Programs\Tagwright\<name>.lnk.
  std::optional<Removal> Shortcut(const PathParts& path, std::wstring_view line) const {
    if (desktop_) {
      if (const auto name = NameBelow(path, *desktop_);
          name && ascii::EqualsIgnoringCase(*name, kDesktopShortcut)) {
        return Removal{Text(*desktop_, true), *name, std::wstring(line)};
      }
    }
    if (!programs_) return std::nullopt;
    const auto name = NameBelow(path, *programs_);
    const std::wstring place = Text(*programs_, true);
    if (!name || CheckName(*name, place.size()) != NameFault::kNone) return std::nullopt;
    const std::size_t slash = name->find(L'\\');
    if (slash == std::wstring::npos || !SameIgnoringCase(name->substr(0, slash), kGroup)) {
      return std::nullopt;
    }
    const std::wstring_view file = std::wstring_view(*name).substr(slash + 1);
    if (file.find(L'\\') != std::wstring_view::npos || file.size() <= 4 ||
        !ascii::EqualsIgnoringCase(file.substr(file.size() - 4), L".lnk")) {
      return std::nullopt;
    }
    return Removal{place, *name, std::wstring(line)};
  }

  const PathParts& folder_;
  std::wstring folder_text_;
  std::optional<PathParts> desktop_;
  std::optional<PathParts> programs_;
  std::vector<std::wstring> program_names_;  // the uninstaller's file name in each form
  std::set<std::wstring> seen_;              // lower-case paths named so far
};

// The folder of the first form of the program file that lies in the folder the head line names;
// nothing when none does.
std::optional<PathParts> MatchingFolder(const UninstallPlaces& places, const PathParts& head) {
  for (const std::wstring& program : places.program_files) {
    auto folder = ParsePath(program);
    if (!folder || folder->parts.empty()) continue;
    folder->parts.pop_back();
    if (NameBelow(head, *folder) == L"") return folder;
  }
  return std::nullopt;
}

// The per-user record and its folder, when the record's line names the install folder.
void PlanUserRecord(FileSystem& files, const UninstallPlaces& places, const PathParts& folder,
                    UninstallPlan& plan) {
  const auto appdata = ParseFolder(places.appdata);
  if (!appdata) return;
  const std::wstring place = Text(*appdata, true);
  const std::wstring name = std::wstring(kRecordFolder) + L"\\install.log";
  const auto record = files.ReadLines(place + name);
  if (!record || record->empty()) return;
  const auto named = ParsePath(record->front());
  if (!named || NameBelow(*named, folder) != L"") return;
  plan.files.push_back({place, name, {}});
  plan.folders.push_back({place, std::wstring(kRecordFolder), {}});
}

// Whether the removal's name, or a part of it, is a reparse point; the failure when one of them
// cannot be told.
Result<bool> ThroughLink(FileSystem& files, const Removal& removal) {
  for (std::size_t end = 0; end != std::wstring::npos && !removal.name.empty();) {
    end = removal.name.find(L'\\', end + 1);
    const auto link = files.IsReparsePoint(removal.place + removal.name.substr(0, end));
    if (!link.ok() || *link) return link;
  }
  return false;
}

// Removes one file; a failure other than its absence is kept in the outcome.
void RemoveOne(FileSystem& files, const Removal& removal, UninstallOutcome& outcome) {
  const std::wstring shown = removal.line.empty() ? removal.Path() : removal.line;
  const std::wstring path = removal.Path();
  // A path is removed only when it is known to be a file of its own: one that cannot be told
  // is left, with the reason.
  const auto link = ThroughLink(files, removal);
  if (!link.ok()) {
    outcome.failed.push_back({path, link.error()});
    return;
  }
  if (*link) {
    outcome.skipped.push_back({shown, LineVerdict::kThroughLink});
    return;
  }
  const auto folder = files.FolderExists(path);
  if (!folder.ok()) {
    outcome.failed.push_back({path, folder.error()});
    return;
  }
  if (*folder) {
    outcome.skipped.push_back({shown, LineVerdict::kFolder});
    return;
  }
  if (const Status removed = files.RemoveFile(path);
      !removed.ok() && removed.error().kind != ErrorKind::kNotFound) {
    outcome.failed.push_back({path, removed.error()});
  }
}

}  // namespace

std::optional<PathParts> ParsePath(std::wstring_view text) {
  std::wstring path(text);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  std::wstring_view rest = path;
  PathParts parsed;
  if (rest.starts_with(L"\\\\")) {
    rest.remove_prefix(2);
    const std::size_t server_end = rest.find(L'\\');
    if (server_end == std::wstring_view::npos) return std::nullopt;
    const std::wstring_view server = rest.substr(0, server_end);
    rest.remove_prefix(server_end + 1);
    const std::size_t share_end = rest.find(L'\\');
    const std::wstring_view share = rest.substr(0, share_end);
    rest = share_end == std::wstring_view::npos ? std::wstring_view() : rest.substr(share_end + 1);
    // "?" and "." (the raw and device forms) break the rule, as do device names.
    if (CheckName(server, 0) != NameFault::kNone || CheckName(share, 0) != NameFault::kNone) {
      return std::nullopt;
    }
    parsed.root = L"\\\\" + std::wstring(server) + L"\\" + std::wstring(share);
  } else if (StartsWithDriveRoot(rest)) {
    parsed.root = std::wstring(rest.substr(0, 2));
    rest.remove_prefix(3);
  } else {
    return std::nullopt;
  }
  while (!rest.empty()) {
    const std::size_t end = rest.find(L'\\');
    const std::wstring_view part = rest.substr(0, end);
    rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (parsed.parts.empty()) return std::nullopt;
      parsed.parts.pop_back();
      continue;
    }
    parsed.parts.emplace_back(part);
  }
  return parsed;
}

std::optional<std::wstring> NameBelow(const PathParts& path, const PathParts& folder) {
  if (!SameIgnoringCase(path.root, folder.root) || path.parts.size() < folder.parts.size()) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < folder.parts.size(); ++i) {
    if (!SameIgnoringCase(path.parts[i], folder.parts[i])) return std::nullopt;
  }
  std::wstring name;
  for (std::size_t i = folder.parts.size(); i < path.parts.size(); ++i) {
    if (!name.empty()) name += L'\\';
    name += path.parts[i];
  }
  return name;
}

bool IsSkipped(LineVerdict verdict) {
  switch (verdict) {
    case LineVerdict::kNotAPath:
    case LineVerdict::kOutside:
    case LineVerdict::kFolder:
    case LineVerdict::kThroughLink:
      return true;
    case LineVerdict::kRemove:
    case LineVerdict::kProgram:
    case LineVerdict::kRepeated:
    case LineVerdict::kEmpty:
      break;
  }
  return false;
}

UninstallPlan PlanUninstall(FileSystem& files, const UninstallPlaces& places) {
  UninstallPlan plan;
  if (places.program_files.empty()) return plan;
  const std::wstring& program = places.program_files.front();
  plan.folder = FolderOf(program);
  if (!plan.folder.ends_with(L'\\')) plan.folder += L'\\';

  auto log = files.ReadLines(plan.folder + L"install.log");
  if (!log) {
    if (log.error().kind != ErrorKind::kNotFound) plan.log_error = log.error();
    return plan;
  }
  if (log->empty()) return plan;
  plan.head = std::move(log->front());
  const auto head_path = ParsePath(plan.head);
  const auto folder = head_path ? MatchingFolder(places, *head_path) : std::nullopt;
  if (!folder) {
    plan.log = LogState::kOtherFolder;
    return plan;
  }
  plan.log = LogState::kRead;
  const std::wstring place = Text(*folder, true);

  LogReader reader(places, *folder, place);
  for (auto line = log->begin() + 1; line != log->end(); ++line) {
    std::optional<Removal> removal;
    const LineVerdict verdict = reader.Decide(*line, removal);
    if (removal) plan.files.push_back(std::move(*removal));
    plan.lines.push_back({std::move(*line), verdict});
  }
  for (const std::wstring_view runtime : product::kRuntimeComponents) {
    if (!reader.Seen(place + std::wstring(runtime))) {
      plan.files.push_back({place, std::wstring(runtime), {}});
    }
  }
  plan.records = {{place, L"Settings.dat", {}}, {place, L"install.log", {}}};

  for (const std::wstring_view tree_folder : kTree) {
    plan.folders.push_back({place, std::wstring(tree_folder), {}});
  }
  if (const auto programs = ParseFolder(places.programs)) {
    plan.folders.push_back({Text(*programs, true), std::wstring(kGroup), {}});
  }
  PlanUserRecord(files, places, *folder, plan);
  plan.folders.push_back({place, {}, {}});
  return plan;
}

UninstallOutcome RunUninstall(FileSystem& files, const UninstallPlan& plan) {
  UninstallOutcome outcome;
  if (plan.log != LogState::kRead) return outcome;
  for (const LogLine& line : plan.lines) {
    if (IsSkipped(line.verdict)) outcome.skipped.push_back(line);
  }
  for (const Removal& file : plan.files) RemoveOne(files, file, outcome);
  if (outcome.Completed()) {
    for (const Removal& record : plan.records) RemoveOne(files, record, outcome);
  }
  for (const Removal& folder : plan.folders) {
    if (const auto link = ThroughLink(files, folder); link.ok() && !*link) {
      (void)files.RemoveFolder(folder.Path());
    }
  }
  return outcome;
}

}  // namespace tgw
