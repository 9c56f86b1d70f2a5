// tgwloadcfg: points a 64-bit Windows program's load-configuration directory at the structure
// the program defines, and checks that the structure asks the loader to take the DLLs the program
// imports from the system folder only (DependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32).
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "loadcfg/load_config.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "usage:\n"
    "  tgwloadcfg --set IMAGE --map MAP\n"
    "      points IMAGE's load-configuration directory at the structure _load_config_used,\n"
    "      whose address MAP (the GNU ld map of IMAGE's link) gives, then checks it as --check\n"
    "  tgwloadcfg --check IMAGE\n"
    "      fails unless the directory is set, points at a whole structure and its\n"
    "      DependentLoadFlags are LOAD_LIBRARY_SEARCH_SYSTEM32 (0x800)\n";

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw tgw::loadcfg::Failure("cannot open " + path);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw tgw::loadcfg::Failure("cannot read " + path);
  return bytes;
}

tgw::loadcfg::PeImage ReadImage(const std::string& path) {
  const std::vector<char> bytes = ReadFile(path);
  try {
    return tgw::loadcfg::PeImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  } catch (const tgw::loadcfg::Failure& failure) {
    throw tgw::loadcfg::Failure(path + ": " + failure.what());
  }
}

// Replaces `path` by `bytes`: written beside it, then renamed over it.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = path + ".tgwloadcfg";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw tgw::loadcfg::Failure("cannot write " + temporary);
  }
  // Keep the permissions (the executable bits) of the file replaced.
  std::error_code error;
  std::filesystem::permissions(temporary, std::filesystem::status(path).permissions(), error);
  std::filesystem::rename(temporary, path, error);
  if (error) throw tgw::loadcfg::Failure("cannot replace " + path + ": " + error.message());
}

int Check(const std::string& path, const tgw::loadcfg::PeImage& image) {
  const std::optional<tgw::loadcfg::LoadConfig> config = image.ReadLoadConfig();
  if (!config) {
    std::cerr << path << ": the load-configuration directory is empty\n";
    return kFailed;
  }
  std::cout << path << ": load configuration at RVA 0x" << std::hex << config->rva << std::dec
            << ", " << config->size << " bytes, DependentLoadFlags 0x" << std::hex
            << config->dependent_load_flags << std::dec << "\n";
  if (config->dependent_load_flags != tgw::loadcfg::kSearchSystem32) {
    std::cerr << path << ": DependentLoadFlags should be 0x800 (LOAD_LIBRARY_SEARCH_SYSTEM32)\n";
    return kFailed;
  }
  return 0;
}

int Run(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--set") == 0 && std::strcmp(argv[3], "--map") == 0) {
    const std::string path = argv[2];
    const std::vector<char> map = ReadFile(argv[4]);
    const std::uint64_t address = tgw::loadcfg::SymbolAddress(
        std::string_view(map.data(), map.size()), tgw::loadcfg::kStructureSymbol);
    tgw::loadcfg::PeImage image = ReadImage(path);
    image.SetLoadConfigDirectory(address);
    WriteFile(path, image.bytes());
    return Check(path, image);
  }
  if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
    return Check(argv[2], ReadImage(argv[2]));
  }
  std::cerr << kUsageText;
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "tgwloadcfg: " << error.what() << "\n";
    return kFailed;
  }
}
