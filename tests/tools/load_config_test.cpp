// tgwloadcfg: the linker map's address, the load-configuration directory and the PE checksum.
#include "loadcfg/load_config.h"

#include "tool_test.h"

namespace tgw::loadcfg {

using testing::Refusal;

// A small PE32+ file: the headers, then one section of 0x200 bytes at RVA 0x1000 (file offset
// 0x200) whose bytes at RVA 0x1010 are a load-configuration structure of `size` bytes with
// DependentLoadFlags `flags`.
constexpr std::uint64_t kBase = 0x140000000;
constexpr std::size_t kPe = 0x80, kOptional = kPe + 24, kChecksum = kOptional + 64;
constexpr std::size_t kEntry = kOptional + 112 + 8 * 10;  // the load-configuration directory's

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
         std::size_t size = 4) {
  for (std::size_t i = 0; i < size; ++i)
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> Program(std::uint32_t size = 112, std::uint16_t flags = 0x800) {
  std::vector<std::uint8_t> bytes(0x400, 0);
  Put(bytes, 0, 0x5A4D, 2);         // "MZ"
  Put(bytes, 0x3C, kPe);            // where the PE header is
  Put(bytes, kPe, 0x4550);          // "PE\0\0"
  Put(bytes, kPe + 4, 0x18664);     // x86-64, one section
  Put(bytes, kPe + 20, 240, 2);     // the optional header's size
  Put(bytes, kOptional, 0x20B, 2);  // PE32+
  Put(bytes, kOptional + 24, kBase, 8);
  Put(bytes, kChecksum, 1);         // a checksum the linker wrote
  Put(bytes, kChecksum + 4, 2, 2);  // the subsystem after it: GUI
  Put(bytes, kOptional + 108, 16);  // 16 data directories
  // The section's virtual size, RVA, size and offset in the file.
  for (std::size_t i = 0; i < 4; ++i) Put(bytes, kOptional + 248 + 4 * i, i == 1 ? 0x1000 : 0x200);
  Put(bytes, 0x210, size);
  Put(bytes, 0x210 + 78, flags, 2);
  return bytes;
}

// The address a linker's map gives; the directory set to it, the checksum recomputed when the
// linker wrote one, the flags as they are. The checksum: the words of the file with their carries
// folded back in, the checksum's own counted as zero, then the file's size.
TEST(LoadConfig, SetsTheDirectoryFromTheMapAndRecomputesTheChecksum) {
  EXPECT_EQ(SymbolAddress("  0x14002fac0  0x70 load_config.cpp.obj\n  0x000000014002fac0  "
                          "_load_config_used\n 0x14002fb30 _load_config_used_not\n",
                          kStructureSymbol),
            0x14002fac0u);
  EXPECT_EQ(
      Refusal([] { SymbolAddress("0x1000 other\n0x 1 _load_config_used", kStructureSymbol); }),
      "the map does not name _load_config_used");
  EXPECT_EQ(Refusal([] {
              SymbolAddress("0x1000 _load_config_used\n0x2000 _load_config_used\n",
                            kStructureSymbol);
            }),
            "the map gives _load_config_used two addresses: 0x1000 and 0x2000");
  EXPECT_FALSE(PeImage(Program()).ReadLoadConfig().has_value());
  for (const std::uint32_t checksum : {0u, 1u}) {
    std::vector<std::uint8_t> bytes = Program(0x1F0);  // ends at the end of its section's data
    Put(bytes, kChecksum, checksum);
    PeImage image(bytes);
    const LoadConfig config = image.SetLoadConfigDirectory(kBase + 0x1010);
    EXPECT_EQ(image.StoredChecksum(), checksum == 0 ? 0 : image.ComputeChecksum());
    const LoadConfig read = PeImage(image.bytes()).ReadLoadConfig().value_or(LoadConfig{});
    for (const LoadConfig& c : {config, read}) {
      EXPECT_EQ(std::tuple(c.rva, c.size, c.dependent_load_flags),
                std::tuple(0x1010u, 0x1F0u, kSearchSystem32));
    }
  }
  EXPECT_EQ(PeImage(Program(112, 0)).SetLoadConfigDirectory(kBase + 0x1010).dependent_load_flags,
            0);
  // 0x5A4D ("MZ") + 0x80 + 0x4550 ("PE") + 0x8664 is 0x12681, folded 0x2682; with the rest (1,
  // 0xF0, 0x20B, 0x4000, 1, 2, 0x10, 0x200, 0x1000, 0x200, 0x200, 0x70, 0x800) 0x8801; size
  // 0x400. The checksum's own 1 counts as 0, the subsystem's 2 after it does count.
  std::vector<std::uint8_t> bytes = Program();
  EXPECT_EQ(PeImage(bytes).ComputeChecksum(), 0x8C01u);
  bytes.push_back(0xAB);  // an odd byte at the end: a word's low byte, then the size 0x401
  EXPECT_EQ(PeImage(bytes).ComputeChecksum(), 0x8CADu);
  bytes.pop_back();
  Put(bytes, 0x3FE, 0xC0DE, 2);  // 0x8801 + 0xC0DE is 0x148DF, folded 0x48E0; size 0x400
  EXPECT_EQ(PeImage(bytes).ComputeChecksum(), 0x4CE0u);
}

// What is not a 64-bit program, and a structure or address that cannot be the directory's.
TEST(LoadConfig, RefusesWhatCannotBeOrHoldTheDirectory) {
  std::vector<std::uint8_t> mz(0x20, 0), no_pe = Program(), pe32 = Program(), other = Program();
  Put(mz, 0, 0x5A4D, 2);
  Put(no_pe, kPe, 0);
  Put(pe32, kOptional, 0x10B, 2);
  Put(other, kEntry, 0x1010);
  Put(other, kEntry + 4, 0);  // a directory of no bytes is no empty one
  std::vector<std::uint8_t> no_optional = Program();
  no_optional.resize(kPe + 24);
  const std::tuple<std::vector<std::uint8_t>, std::uint64_t, std::string> rows[] = {
      {std::vector<std::uint8_t>(0x40, 0), 0, "not a Windows program (no MS-DOS header)"},
      {mz, 0, "not a Windows program (no MS-DOS header)"},
      {no_pe, 0, "not a Windows program (no PE signature)"},
      {no_optional, 0, "the optional header is cut short"},
      {pe32, 0, "not a 64-bit (PE32+) program"},
      {other, 0, "the load-configuration structure says it has 112 bytes, its directory 0"},
      {Program(64), kBase + 0x1010,
       "the load-configuration structure (64 bytes) is too small to hold DependentLoadFlags"},
      {Program(0x1F1), kBase + 0x1010,
       "the load-configuration directory (RVA 0x1010, 497 bytes) lies outside the sections' data"},
      {Program(), kBase + 0x3000,
       "no section holds the load-configuration structure at RVA 0x3000"},
      {Program(), kBase, "no section holds the load-configuration structure at RVA 0x0"},
      {Program(), 0x1000, "the address 0x1000 is not in the image (based at 0x140000000)"},
  };
  for (const auto& [bytes, address, message] : rows) {
    EXPECT_EQ(Refusal([&] {
                PeImage image(bytes);
                address == 0 ? (void)image.ReadLoadConfig()
                             : (void)image.SetLoadConfigDirectory(address);
              }),
              message);
  }
}

// Exit codes: 0 set and checked, 1 refused or not as it should be, 2 a bad command line.
using LoadConfigFiles = testing::ToolTest;
TEST_F(LoadConfigFiles, CommandLineExitCodes) {
  const auto write = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
    return Write(name, {reinterpret_cast<const char*>(bytes.data()),
                        0x300});  // under 1 KiB: the tool writes it as it closes the file
  };
  const std::string image = write("setup.exe", Program()),
                    no_flags = write("no-flags.exe", Program(112, 0));
  const std::string map = Write("setup.map", "0x0000000140001010 _load_config_used\n");
  const std::string set = "--set " + image + " --map " + map;
  const std::pair<std::string, int> rows[] = {
      {"--check", 2},
      {"--set " + image + " --map", 2},
      {"--set " + image + " --check " + map, 2},
      {"--check " + image, 1},  // the directory is empty
      {"--set " + image + " --map " + Path("none.map"), 1},
      {"trap '' XFSZ; ulimit -f 0; exec " TGWLOADCFG_PATH " " + set, 1},  // no room to write
      {set, 0},
      {"--check " + image, 0},
      {"--set " + no_flags + " --map " + map, 1},
  };
  for (const auto& [args, code] : rows) {
    const std::string command = (args.starts_with("trap") ? "" : TGWLOADCFG_PATH " ") + args;
    EXPECT_EQ(testing::ExitCode(command), code) << command;
  }
}

}  // namespace tgw::loadcfg
