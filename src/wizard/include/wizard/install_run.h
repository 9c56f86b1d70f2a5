#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"

namespace tgw {

class FileSystem;
class Runtime;
class Shell;
class Toolkit;

// The most bytes of a payload file the run hands to one write.
inline constexpr std::size_t kWritePiece = std::size_t{4} << 20;

// What the installation reaches the outside world through.
struct Platform {
  Toolkit& ui;
  Runtime& runtime;
  FileSystem& files;
  Shell& shell;
};

// A step of the run that did not complete, and why.
struct Shortfall {
  enum class Step : std::uint8_t {
    kReadSetup,    // the setup could not read its own file
    kFolder,       // the install folder could not be made, or is no absolute folder
    kFiles,        // payload files not written in full (or refused): `failed` of them
    kLog,          // the install log could not be opened, written or closed
    kSettings,     // the settings line
    kRuntimeCopy,  // a runtime component, `name`
    kShortcut,     // a shortcut, `name`
    kUserRecord,   // the per-user record of the install folder
  };
  Step step;
  Error error;             // for kFiles, the first failure's
  std::wstring name;       // kRuntimeCopy, kShortcut
  std::size_t failed = 0;  // kFiles

  friend bool operator==(const Shortfall&, const Shortfall&) = default;
};

// How the run went. Unless the setup file is damaged or the folder is refused, a failed run
// still goes through every step and ends on the completion page; the wizard tells the user
// from this what did not complete.
struct InstallOutcome {
  bool damaged = false;        // the setup file failed its integrity check: nothing was written
  bool stopped = false;        // an unexpected failure (out of memory) ended the run early
  std::size_t file_count = 0;  // files the setup carries
  std::vector<Shortfall> shortfalls;  // in run order

  bool Completed() const { return !damaged && !stopped && file_count > 0 && shortfalls.empty(); }
};

// The installation: reads the wizard's fields, makes the folder tree, unpacks the
// payload, writes the records and shortcuts, and keeps the progress page moving,
// pumping events between its steps. Ends on the completion page (ShowCompletionPage).
InstallOutcome StartInstalation(const Platform& platform, std::int32_t& stage);

// Next captioned "Finish", `stage` 5, the progress page swapped for the completion page.
void ShowCompletionPage(Toolkit& ui, std::int32_t& stage);

}  // namespace tgw
