#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "packer/manifest.h"
#include "packer/packer.h"

namespace tgw::pack {

using Files = std::vector<std::pair<std::string, std::string>>;  // name, content

// A fresh folder for each test: product/ holds the files to pack, image.bin the image,
// manifest.txt their names; outputs go to out/.
class PackerTest : public ::testing::Test {
 public:
  PackerTest() {
    std::string pattern = ::testing::TempDir() + "tgwpack-XXXXXX";
    dir_ = ::mkdtemp(pattern.data());
    std::filesystem::create_directory(dir_ / "out");
  }
  ~PackerTest() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }

  void Write(const std::string& relative, std::string_view bytes) const {
    const auto path = dir_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string Read(const std::string& relative) const {
    std::string bytes(std::filesystem::file_size(dir_ / relative), '\0');
    std::ifstream(dir_ / relative, std::ios::binary)
        .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }

  // Writes the files, their manifest and the image; the options pack them into out/setup.exe.
  PackOptions Prepare(const Files& files, std::string_view image = "MZ image\n") const {
    std::string manifest;
    for (const auto& [name, content] : files) {
      Write(SourcePath("product", name), content);
      manifest += name + "\r\n";
    }
    Write("manifest.txt", manifest);
    Write("image.bin", image);
    PackOptions options;
    options.image = Path("image.bin");
    options.root = Path("product");
    options.manifest = Path("manifest.txt");
    options.output = Path("out/setup.exe");
    return options;
  }

  // What a refused run left in out/.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "out")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::filesystem::path dir_;
};

}  // namespace tgw::pack
