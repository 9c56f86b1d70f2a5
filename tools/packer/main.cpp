// tgwpack: builds, lists and checks the setup executable's payload container.
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <map>
#include <string>

#include "packer/packer.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const char* kUsageText =
    "usage:\n"
    "  tgwpack --pack IMAGE --root DIR --manifest FILE --output OUT\n"
    "      writes OUT: IMAGE followed by the container of the manifest's files\n"
    "  tgwpack --list SETUP\n"
    "      prints the size and name of each file packed in SETUP\n"
    "  tgwpack --verify SETUP --root DIR --manifest FILE\n"
    "      reads SETUP back and checks it holds exactly the manifest's files\n"
    "The manifest names one file a line, relative to DIR, with '\\' between folders.\n";

// "--name value" pairs; false on anything else, a repeated option or a missing value.
bool ParseOptions(int argc, char** argv, std::map<std::string, std::string>& options) {
  for (int i = 1; i < argc; i += 2) {
    if (std::strncmp(argv[i], "--", 2) != 0 || i + 1 >= argc) return false;
    if (!options.emplace(argv[i] + 2, argv[i + 1]).second) return false;
  }
  return true;
}

// Whether `options` holds exactly `names`.
bool HasExactly(const std::map<std::string, std::string>& options,
                std::initializer_list<const char*> names) {
  if (options.size() != names.size()) return false;
  for (const char* name : names) {
    if (options.count(name) == 0) return false;
  }
  return true;
}

int Run(const std::map<std::string, std::string>& options) {
  if (HasExactly(options, {"pack", "root", "manifest", "output"})) {
    tgw::pack::PackOptions pack;
    pack.image = options.at("pack");
    pack.root = options.at("root");
    pack.manifest = options.at("manifest");
    pack.output = options.at("output");
    const tgw::pack::PackSummary summary = tgw::pack::Pack(pack);
    std::cout << "packed " << summary.files << " files (" << summary.content_bytes
              << " bytes) into " << options.at("output") << " (" << summary.output_bytes
              << " bytes); body SHA-256 " << summary.body_sha256 << '\n';
    return 0;
  }
  if (HasExactly(options, {"list"})) {
    tgw::pack::ListSetup(options.at("list"), std::cout);
    return 0;
  }
  if (HasExactly(options, {"verify", "root", "manifest"})) {
    return tgw::pack::VerifySetup(options.at("verify"), options.at("root"), options.at("manifest"),
                                  std::cout)
               ? 0
               : kFailed;
  }
  std::cerr << kUsageText;
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << kUsageText;
    return kUsage;
  }
  try {
    const int code = Run(options);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "tgwpack: cannot write to standard output\n";
      return kFailed;
    }
    return code;
  } catch (const std::exception& e) {
    std::cerr << "tgwpack: " << e.what() << '\n';
    return kFailed;
  }
}
