#include "loadcfg/load_config.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tgw::loadcfg {
namespace {

// A small PE32+ file: the headers, then one section of 0x200 bytes at RVA 0x1000 (file offset
// 0x200) whose bytes at RVA 0x1010 are a load-configuration structure of `size` bytes with
// DependentLoadFlags `flags`.
constexpr std::uint64_t kImageBase = 0x140000000;
constexpr std::size_t kPe = 0x80;
constexpr std::size_t kOptional = kPe + 4 + 20;
constexpr std::size_t kChecksum = kOptional + 64;
constexpr std::size_t kLoadConfigEntry = kOptional + 112 + 8 * 10;
constexpr std::uint32_t kStructureRva = 0x1010;
constexpr std::size_t kStructureOffset = 0x210;

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::vector<std::uint8_t> Program(std::uint32_t size = 112, std::uint16_t flags = 0x800) {
  std::vector<std::uint8_t> bytes(0x400, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put(bytes, 0x3C, kPe, 4);
  Put(bytes, kPe, 0x00004550, 4);    // "PE\0\0"
  Put(bytes, kPe + 4, 0x8664, 2);    // x86-64
  Put(bytes, kPe + 4 + 2, 1, 2);     // one section
  Put(bytes, kPe + 4 + 16, 240, 2);  // the optional header's size
  Put(bytes, kOptional, 0x20B, 2);   // PE32+
  Put(bytes, kOptional + 24, kImageBase, 8);
  Put(bytes, kChecksum, 1, 4);         // a checksum the linker wrote
  Put(bytes, kOptional + 108, 16, 4);  // 16 data directories
  const std::size_t section = kOptional + 240;
  Put(bytes, section + 8, 0x200, 4);    // virtual size
  Put(bytes, section + 12, 0x1000, 4);  // RVA
  Put(bytes, section + 16, 0x200, 4);   // size in the file
  Put(bytes, section + 20, 0x200, 4);   // offset in the file
  Put(bytes, kStructureOffset, size, 4);
  Put(bytes, kStructureOffset + 78, flags, 2);
  return bytes;
}

TEST(LoadConfigTest, SymbolAddressReadsTheLinkersMapLine) {
  const std::string map =
      " .rdata$_load_config_used\n"
      "                0x000000014002fac0       0x70 load_config.cpp.obj\n"
      "                0x000000014002fac0                _load_config_used\n"
      "                0x000000014002fb30                _load_config_used_not\n";
  EXPECT_EQ(SymbolAddress(map, kStructureSymbol), 0x14002fac0u);
  EXPECT_THROW(SymbolAddress("0x1000 other\n", kStructureSymbol), Failure);
  EXPECT_THROW(
      SymbolAddress("0x1000 _load_config_used\n0x2000 _load_config_used\n", kStructureSymbol),
      Failure);
}

TEST(LoadConfigTest, AnEmptyDirectoryReadsAsNothing) {
  EXPECT_FALSE(PeImage(Program()).ReadLoadConfig().has_value());
}

TEST(LoadConfigTest, SetPointsTheDirectoryAtTheStructureAndRecomputesTheChecksum) {
  PeImage image(Program());
  const LoadConfig config = image.SetLoadConfigDirectory(kImageBase + kStructureRva);
  EXPECT_EQ(config.rva, kStructureRva);
  EXPECT_EQ(config.size, 112u);
  EXPECT_EQ(config.dependent_load_flags, kSearchSystem32);
  EXPECT_EQ(Get32(image.bytes(), kLoadConfigEntry), kStructureRva);
  EXPECT_EQ(Get32(image.bytes(), kLoadConfigEntry + 4), 112u);
  EXPECT_NE(image.StoredChecksum(), 1u);
  EXPECT_EQ(image.StoredChecksum(), image.ComputeChecksum());

  const std::optional<LoadConfig> read = PeImage(image.bytes()).ReadLoadConfig();
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->rva, kStructureRva);
  EXPECT_EQ(read->dependent_load_flags, kSearchSystem32);
}

TEST(LoadConfigTest, AZeroChecksumStaysZero) {
  std::vector<std::uint8_t> bytes = Program();
  Put(bytes, kChecksum, 0, 4);
  PeImage image(bytes);
  image.SetLoadConfigDirectory(kImageBase + kStructureRva);
  EXPECT_EQ(image.StoredChecksum(), 0u);
}

TEST(LoadConfigTest, ChecksumAddsTheWordsWithTheirCarriesThenTheSize) {
  // The words of Program() but the checksum's: 0x5A4D ("MZ") + 0x80 + 0x4550 ("PE") + 0x8664
  // is 0x12681, folded 0x2682; with the rest (1, 0xF0, 0x20B, 0x4000, 1, 0x10, 0x200, 0x1000,
  // 0x200, 0x200, 0x70, 0x800) 0x87FF; then the size, 0x400.
  EXPECT_EQ(PeImage(Program()).ComputeChecksum(), 0x8BFFu);

  // A last word of 0xC0DE: 0x87FF + 0xC0DE is 0x148DD, folded 0x48DE; then the size, 0x400.
  std::vector<std::uint8_t> bytes = Program();
  Put(bytes, 0x3FE, 0xC0DE, 2);
  EXPECT_EQ(PeImage(bytes).ComputeChecksum(), 0x4CDEu);
  // An odd byte at the end counts as a word's low byte: 0x87FF + 0xAB, then the size, 0x401.
  bytes = Program();
  bytes.push_back(0xAB);
  EXPECT_EQ(PeImage(bytes).ComputeChecksum(), 0x8CABu);
}

TEST(LoadConfigTest, RefusesABadStructureOrAddress) {
  EXPECT_THROW(PeImage(Program(64)).SetLoadConfigDirectory(kImageBase + kStructureRva), Failure)
      << "too small to hold DependentLoadFlags";
  EXPECT_THROW(PeImage(Program(0x1F1)).SetLoadConfigDirectory(kImageBase + kStructureRva), Failure)
      << "one byte past its section's data";
  EXPECT_EQ(PeImage(Program(0x1F0)).SetLoadConfigDirectory(kImageBase + kStructureRva).size, 0x1F0u)
      << "ends exactly at the end of its section's data";
  EXPECT_THROW(PeImage(Program()).SetLoadConfigDirectory(kImageBase + 0x3000), Failure)
      << "in no section";
  EXPECT_THROW(PeImage(Program()).SetLoadConfigDirectory(0x1000), Failure) << "below the base";

  // A directory whose size differs from the structure's Size field.
  std::vector<std::uint8_t> bytes = Program();
  Put(bytes, kLoadConfigEntry, kStructureRva, 4);
  Put(bytes, kLoadConfigEntry + 4, 148, 4);
  EXPECT_THROW(PeImage(bytes).ReadLoadConfig(), Failure);
}

TEST(LoadConfigTest, ReadsTheFlagsAsTheyAre) {
  PeImage image(Program(112, 0));
  EXPECT_EQ(image.SetLoadConfigDirectory(kImageBase + kStructureRva).dependent_load_flags, 0u);
}

// The message PeImage refuses `bytes` with.
std::string Refusal(const std::vector<std::uint8_t>& bytes) {
  try {
    PeImage{bytes};
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "(taken)";
}

TEST(LoadConfigTest, RefusesWhatIsNotA64BitProgram) {
  EXPECT_EQ(Refusal(std::vector<std::uint8_t>(0x20, 0)),
            "not a Windows program (no MS-DOS header)");
  std::vector<std::uint8_t> bytes = Program();
  Put(bytes, kPe, 0, 4);
  EXPECT_EQ(Refusal(bytes), "not a Windows program (no PE signature)");
  bytes = Program();
  bytes.resize(kPe + 4 + 19);  // the file header cut short
  EXPECT_EQ(Refusal(bytes), "not a Windows program (no PE signature)");
  bytes = Program();
  bytes.resize(kPe + 4 + 20);  // the file header whole, nothing after it
  EXPECT_EQ(Refusal(bytes), "the optional header is cut short");
  bytes = Program();
  Put(bytes, kOptional, 0x10B, 2);  // PE32
  EXPECT_EQ(Refusal(bytes), "not a 64-bit (PE32+) program");
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST(LoadConfigTest, CommandLineExitCodes) {
  std::string pattern = ::testing::TempDir() + "tgwloadcfg-XXXXXX";
  const std::filesystem::path dir = ::mkdtemp(pattern.data());
  // Small, so that the stream holds the whole image until it is closed.
  std::vector<std::uint8_t> program = Program();
  program.resize(0x300);
  WriteFile(dir / "setup.exe", program);
  program = Program(112, 0);
  program.resize(0x300);
  WriteFile(dir / "no-flags.exe", program);
  const std::string map = "0x0000000140001010 _load_config_used\n";
  WriteFile(dir / "setup.map", {map.begin(), map.end()});
  const std::string image = (dir / "setup.exe").string();
  const std::string set = "--set " + image + " --map " + (dir / "setup.map").string();

  const struct {
    std::string args;
    int code;
    bool no_room = false;  // no file may grow: the image cannot be written
  } rows[] = {
      {"", 2},
      {"--check", 2},
      {"--check " + image + " " + image, 2},
      {"--set " + image + " --map", 2},
      {"--set " + image + " --check " + (dir / "setup.map").string(), 2},
      {"--check " + image, 1},  // the directory is empty
      {"--set " + image + " --map " + (dir / "none.map").string(), 1},
      {set, 1, true},
      {"--check " + image, 1},
      {set, 0},
      {"--check " + image, 0},
      {"--set " + (dir / "no-flags.exe").string() + " --map " + (dir / "setup.map").string(), 1},
  };
  for (const auto& row : rows) {
    const std::string command = std::string(row.no_room ? "trap '' XFSZ; ulimit -f 0; exec " : "") +
                                TGWLOADCFG_PATH + " " + row.args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.code) << command;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tgw::loadcfg
