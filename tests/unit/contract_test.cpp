// The file system and shell contracts (tests/contract) against the in-memory fakes.

#include "contract.h"

#include "fakes/platform.h"

namespace tgw::testing {

// A fresh drive E: with an empty folder on it.
class MemoryBackend final : public Backend {
 public:
  MemoryBackend() { files_.AddFolders(root()); }
  FileSystem& files() override { return files_; }
  Shell& shell() override { return shell_; }
  std::wstring root() override { return L"E:\\Contract"; }
  bool Put(const std::wstring& path, std::string_view bytes) override {
    files_.PutFile(path, bytes);
    return true;
  }
  std::optional<std::string> Get(const std::wstring& path) override {
    return files_.HasFile(path) ? std::optional(files_.Bytes(path)) : std::nullopt;
  }
  std::set<std::wstring> FileNames(const std::wstring& folder) override {
    const std::wstring prefix = fakes::MemoryFileSystem::Key(folder) + L"\\";
    std::set<std::wstring> names;
    for (const std::wstring& key : files_.Files()) {
      if (key.starts_with(prefix) && key.find(L'\\', prefix.size()) == key.npos) {
        names.insert(key.substr(prefix.size()));
      }
    }
    return names;
  }
  unsigned AnsiCodePage() override { return 1252; }
  bool KeepsShortNames(const std::wstring&) override { return false; }

 private:
  fakes::MemoryFileSystem files_;
  fakes::RecordingShell shell_{files_};
};

std::unique_ptr<Backend> NewMemoryBackend() { return std::make_unique<MemoryBackend>(); }
INSTANTIATE_TEST_SUITE_P(Memory, FileSystemContract, ::testing::Values(&NewMemoryBackend));
INSTANTIATE_TEST_SUITE_P(Memory, ShellContract, ::testing::Values(&NewMemoryBackend));

}  // namespace tgw::testing
