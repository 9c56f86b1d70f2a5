#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace tgw {

class FileSystem;

// An absolute path taken apart as Windows reads it: "/" is "\", doubled separators are one, a "."
// part is dropped and a ".." part takes the part before it away. Letter case is kept.
struct PathParts {
  std::wstring root;                // "D:" or "\\server\share"
  std::vector<std::wstring> parts;  // below the root
};

// `text` as an absolute path; nothing for anything else: empty, relative ("a\b", "..\x"), rooted
// without a drive ("\x", "\??\C:\x"), drive-relative ("D:x"), a UNC path without a share or with
// a server or share that breaks the name rule ("\\?\C:\x", "\\.\COM1"), or one whose ".." climbs
// above its root.
std::optional<PathParts> ParsePath(std::wstring_view text);

// `path`'s parts below `folder`, joined with "\"; empty when it is the folder itself; nothing when
// it lies elsewhere. Roots and parts compare with the ASCII letters in any case, as Windows does
// (it folds more letters than these: a path that differs only in another letter's case counts as
// elsewhere, never the other way round).
std::optional<std::wstring> NameBelow(const PathParts& path, const PathParts& folder);

// Where the uninstaller and the places of the shortcuts and record lie, as the system tells it.
struct UninstallPlaces {
  // The uninstaller's own file, in every form the system gives for it (as started, long, short);
  // the folder of the first is where it reads the install log and the settings file.
  std::vector<std::wstring> program_files;
  std::optional<std::wstring> desktop;   // the user's Desktop folder
  std::optional<std::wstring> programs;  // the user's Programs folder of the Start menu
  std::optional<std::wstring> appdata;   // %APPDATA%, where the per-user record lies
};

// What the uninstaller makes of one line of the install log after its head line.
enum class LineVerdict : std::uint8_t {
  kRemove,    // a file in the install folder, or one of the product's shortcuts
  kProgram,   // the uninstaller itself: removed after it has ended
  kRepeated,  // a file an earlier line names (a reinstall that ended early leaves such lines), or
              // one the uninstaller removes at the end anyway (the settings file, the log)
  kEmpty,
  // Skipped, and named in the final message:
  kNotAPath,  // not an absolute path, a device path, or a name Windows would not take as written
              // (a device name, a part ending in a dot or a space, a stream, a control character)
  kOutside,   // outside the install folder, and no shortcut of the product
  kFolder,    // the install folder itself, or a folder (found when removing)
  kThroughLink,  // lies in or is a junction or symbolic link below its place (found when removing)
};

// Whether a line of this verdict is left alone and named in the final message.
bool IsSkipped(LineVerdict verdict);

struct LogLine {
  std::wstring text;
  LineVerdict verdict;

  friend bool operator==(const LogLine&, const LogLine&) = default;
};

// A file or folder to remove: `place` (with its final backslash) is the folder it lies in or below,
// `name` the rest (empty for the place itself). No part of `name` may be a reparse point.
struct Removal {
  std::wstring place;
  std::wstring name;
  std::wstring line;  // the log line that named it; empty for what the uninstaller removes by rule
  std::wstring Path() const { return place + name; }
};

enum class LogState : std::uint8_t {
  kRead,
  kMissing,      // the install log cannot be read, or it is empty
  kOtherFolder,  // its head line is not the folder the uninstaller lies in
};

struct UninstallPlan {
  LogState log = LogState::kMissing;
  std::optional<Error> log_error;  // why a log that is there cannot be read
  std::wstring folder;             // the folder the uninstaller lies in, with its final backslash
  std::wstring head;               // the log's head line as written
  std::vector<LogLine> lines;      // every line after the head, in order
  // Removed in order: the files the log names, the runtime copies and the per-user record when it
  // names the install folder.
  std::vector<Removal> files;
  // The settings file and the log: removed when every file above is gone, else kept, so that the
  // uninstaller can be run again.
  std::vector<Removal> records;
  // Removed in order when empty: the folder tree, the Programs group, the record's folder, the
  // install folder (which still holds the uninstaller, until it has ended).
  std::vector<Removal> folders;
};

// Reads the install log and the per-user record and decides what to remove. Every line of the log
// is untrusted: only files inside the install folder and the product's shortcuts
// (Desktop\Tagwright.lnk, Programs\Tagwright\*.lnk) are removed.
UninstallPlan PlanUninstall(FileSystem& files, const UninstallPlaces& places);

struct UninstallOutcome {
  struct Failure {
    std::wstring path;
    Error error;
  };
  std::vector<Failure> failed;   // files of the product that could not be removed, and why
  std::vector<LogLine> skipped;  // lines (or, for files removed by rule, paths) left alone
  bool Completed() const { return failed.empty(); }
};

// Removes what the plan lists, when the log was read; a file already gone counts as removed.
// Nothing below a reparse point is removed.
UninstallOutcome RunUninstall(FileSystem& files, const UninstallPlan& plan);

}  // namespace tgw
