#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/file_system_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/runtime_win.h"
#include "test_support.h"

namespace tgw {
namespace {

using ::tgw::testing::ReadRaw;
using ::tgw::testing::TempFolder;
using ::tgw::testing::WriteRaw;

class FileSystemTest : public ::testing::Test {
 protected:
  // Every line ReadLine gives for a file holding `bytes`, up to the end.
  std::vector<std::wstring> ReadLines(std::string_view bytes) {
    const std::wstring path = temp_ / L"lines.txt";
    EXPECT_TRUE(WriteRaw(path, bytes));
    const auto input = files_.OpenInput(path);
    EXPECT_NE(input, nullptr);
    std::vector<std::wstring> lines;
    if (input == nullptr) return lines;
    while (auto line = input->ReadLine()) lines.push_back(*std::move(line));
    EXPECT_EQ(input->ReadLine(), std::nullopt) << "the end of the file stays the end";
    return lines;
  }

  // Writes `lines` with WriteLine to a new file and returns the file's bytes.
  std::string WrittenBytes(std::initializer_list<std::wstring_view> lines) {
    const std::wstring path = temp_ / L"written.txt";
    auto output = files_.OpenOutput(path, OpenMode::kOutput);
    EXPECT_NE(output, nullptr);
    if (output == nullptr) return {};
    for (const auto line : lines) EXPECT_TRUE(output->WriteLine(line));
    EXPECT_TRUE(output->Close());
    return ReadRaw(path).value_or("(unreadable)");
  }

  // Opens `path` in `mode`, writes `line` and closes the file, expecting each step to work.
  void WriteLineTo(const std::wstring& path, OpenMode mode, std::wstring_view line) {
    auto output = files_.OpenOutput(path, mode);
    ASSERT_NE(output, nullptr);
    EXPECT_TRUE(output->WriteLine(line));
    EXPECT_TRUE(output->Close());
  }

  TempFolder temp_;
  Win32FileSystem files_;
};

using Lines = std::vector<std::wstring>;

// --- Folders ---

TEST_F(FileSystemTest, MakeFolderMakesOneFolderOnce) {
  const std::wstring folder = temp_ / L"made";
  EXPECT_FALSE(files_.FolderExists(folder));
  EXPECT_TRUE(files_.MakeFolder(folder));
  EXPECT_TRUE(files_.FolderExists(folder));
  EXPECT_FALSE(files_.MakeFolder(folder)) << "the folder exists already";
}

TEST_F(FileSystemTest, MakeFolderFailsWhenTheParentIsMissing) {
  const std::wstring folder = temp_ / L"missing\\child";
  EXPECT_FALSE(files_.MakeFolder(folder));
  EXPECT_FALSE(files_.FolderExists(folder));
  EXPECT_FALSE(files_.FolderExists(temp_ / L"missing")) << "no parent is made on the way";
}

TEST_F(FileSystemTest, MakeFolderAcceptsATrailingBackslash) {
  EXPECT_TRUE(files_.MakeFolder(temp_ / L"trailing\\"));
  EXPECT_TRUE(files_.FolderExists(temp_ / L"trailing"));
  EXPECT_TRUE(files_.FolderExists(temp_ / L"trailing\\"));
  EXPECT_TRUE(files_.MakeFolder(temp_ / L"trailing\\inner\\"));
  EXPECT_TRUE(files_.FolderExists(temp_ / L"trailing\\inner"));
}

TEST_F(FileSystemTest, MakeFolderFailsWhereAFileIs) {
  ASSERT_TRUE(WriteRaw(temp_ / L"file", "x"));
  EXPECT_FALSE(files_.MakeFolder(temp_ / L"file"));
}

TEST_F(FileSystemTest, FolderExistsOnlyForFolders) {
  ASSERT_TRUE(WriteRaw(temp_ / L"file.txt", "x"));
  EXPECT_TRUE(files_.FolderExists(temp_.path()));
  EXPECT_FALSE(files_.FolderExists(temp_ / L"file.txt"));
  EXPECT_FALSE(files_.FolderExists(temp_ / L"absent"));
  EXPECT_FALSE(files_.FolderExists(L""));
}

// --- File length and paths ---

TEST_F(FileSystemTest, FileLengthOfPresentAbsentAndEmptyFiles) {
  ASSERT_TRUE(WriteRaw(temp_ / L"five.bin", "12345"));
  ASSERT_TRUE(WriteRaw(temp_ / L"empty.bin", ""));
  EXPECT_EQ(files_.FileLength(temp_ / L"five.bin"), 5u);
  EXPECT_EQ(files_.FileLength(temp_ / L"empty.bin"), 0u);
  EXPECT_EQ(files_.FileLength(temp_ / L"absent.bin"), std::nullopt);
  EXPECT_EQ(files_.FileLength(temp_.path()), std::nullopt) << "a folder is not a file";
}

TEST_F(FileSystemTest, PathsIgnoreLetterCase) {
  ASSERT_TRUE(WriteRaw(temp_ / L"MixedCase.Txt", "abc"));
  EXPECT_EQ(files_.FileLength(temp_ / L"mixedcase.txt"), 3u);
  EXPECT_EQ(files_.FileLength(temp_ / L"MIXEDCASE.TXT"), 3u);
}

TEST_F(FileSystemTest, APathWithANullCharacterNamesNoFile) {
  ASSERT_TRUE(WriteRaw(temp_ / L"a.txt", "abc"));
  std::wstring path = temp_ / L"a.txt";
  path += L'\0';
  path += L".exe";
  EXPECT_EQ(files_.FileLength(path), std::nullopt);
  EXPECT_EQ(files_.OpenInput(path), nullptr);
  EXPECT_EQ(files_.ReadWholeFile(path), std::nullopt);
  EXPECT_FALSE(files_.Copy(path, temp_ / L"b.txt"));
}

// --- Writing ---

TEST_F(FileSystemTest, WriteLineWritesAnsiTextAndCrLfWithoutBom) {
  const std::string bytes = WrittenBytes({L"Language=english"});
  EXPECT_EQ(bytes.size(), 18u);
  EXPECT_EQ(bytes, "Language=english\r\n");
  EXPECT_EQ(WrittenBytes({L"", L"x", L""}), "\r\nx\r\n\r\n");
}

TEST_F(FileSystemTest, WriteBytesWritesTheBytesAsTheyAre) {
  const std::wstring path = temp_ / L"raw.bin";
  auto output = files_.OpenOutput(path, OpenMode::kOutput);
  ASSERT_NE(output, nullptr);
  const std::string bytes("\0\xff\r\n\n\x1a", 6);
  EXPECT_TRUE(output->WriteBytes(bytes));
  EXPECT_TRUE(output->WriteBytes(""));
  EXPECT_TRUE(output->Close());
  EXPECT_EQ(ReadRaw(path), bytes);
}

TEST_F(FileSystemTest, OpenOutputEmptiesAnExistingFile) {
  const std::wstring path = temp_ / L"log.txt";
  ASSERT_TRUE(WriteRaw(path, "a much longer old content\r\n"));
  auto output = files_.OpenOutput(path, OpenMode::kOutput);
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(files_.FileLength(path), 0u) << "emptied when opened";
  EXPECT_TRUE(output->WriteLine(L"new"));
  EXPECT_TRUE(output->Close());
  EXPECT_EQ(ReadRaw(path), "new\r\n");
}

TEST_F(FileSystemTest, AppendWritesAfterTheExistingContent) {
  const std::wstring path = temp_ / L"log.txt";
  ASSERT_TRUE(WriteRaw(path, "first\r\n"));
  WriteLineTo(path, OpenMode::kAppend, L"second");
  WriteLineTo(path, OpenMode::kAppend, L"third");
  EXPECT_EQ(ReadRaw(path), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(FileSystemTest, AppendCreatesAMissingFile) {
  const std::wstring path = temp_ / L"new.txt";
  WriteLineTo(path, OpenMode::kAppend, L"only");
  EXPECT_EQ(ReadRaw(path), "only\r\n");
}

TEST_F(FileSystemTest, OpenOutputFailsInAMissingFolder) {
  EXPECT_EQ(files_.OpenOutput(temp_ / L"missing\\log.txt", OpenMode::kOutput), nullptr);
  EXPECT_EQ(files_.OpenOutput(temp_ / L"missing\\log.txt", OpenMode::kAppend), nullptr);
  EXPECT_FALSE(files_.FolderExists(temp_ / L"missing"));
}

TEST_F(FileSystemTest, OpenOutputFailsOnAFolder) {
  EXPECT_EQ(files_.OpenOutput(temp_.path(), OpenMode::kOutput), nullptr);
  EXPECT_EQ(files_.OpenOutput(temp_.path(), OpenMode::kAppend), nullptr);
}

TEST_F(FileSystemTest, CloseReportsSuccessOnceAndWritingAfterItFails) {
  auto output = files_.OpenOutput(temp_ / L"closed.txt", OpenMode::kOutput);
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->WriteLine(L"line"));
  EXPECT_TRUE(output->Close());
  EXPECT_FALSE(output->Close()) << "closed already";
  EXPECT_FALSE(output->WriteLine(L"late"));
  EXPECT_FALSE(output->WriteBytes("late"));
  EXPECT_EQ(ReadRaw(temp_ / L"closed.txt"), "line\r\n");
}

// The program may end (ExitProcess) with files open: what was written must be in the file,
// not in a buffer of the process.
TEST_F(FileSystemTest, WrittenLinesReachTheFileBeforeClose) {
  const std::wstring path = temp_ / L"open.txt";
  auto output = files_.OpenOutput(path, OpenMode::kOutput);
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->WriteLine(L"one"));
  EXPECT_EQ(ReadRaw(path), "one\r\n");
  EXPECT_TRUE(output->WriteBytes("two"));
  EXPECT_EQ(ReadRaw(path), "one\r\ntwo");
}

TEST_F(FileSystemTest, TheDestructorClosesTheFile) {
  const std::wstring path = temp_ / L"dropped.txt";
  {
    auto output = files_.OpenOutput(path, OpenMode::kOutput);
    ASSERT_NE(output, nullptr);
    EXPECT_TRUE(output->WriteLine(L"kept"));
  }
  // Exclusive access succeeds only when no handle is left open.
  EXPECT_TRUE(win32::UniqueFile(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr)));
  EXPECT_EQ(ReadRaw(path), "kept\r\n");
}

// --- ANSI code page ---

TEST_F(FileSystemTest, AnAnsiCharacterRoundTrips) {
  // U+00E9 LATIN SMALL LETTER E WITH ACUTE: 0xE9 in code page 1252.
  const std::wstring text = L"caf\u00e9 cr\u00e8me";
  BOOL lossy = FALSE;
  char probe[16];
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, probe, sizeof probe, nullptr,
                      &lossy);
  if (lossy) {
    GTEST_SKIP() << "the ANSI code page " << GetACP() << " lacks these letters";
  }

  const std::string bytes = WrittenBytes({text});
  if (GetACP() == 1252) {
    EXPECT_EQ(bytes, "caf\xe9 cr\xe8me\r\n");
  }
  EXPECT_EQ(ReadLines(bytes), Lines{text});
}

TEST_F(FileSystemTest, ACharacterOutsideTheCodePageIsReplaced) {
  if (GetACP() != 1252) {
    GTEST_SKIP() << "expects code page 1252, not " << GetACP();
  }
  // U+0416 CYRILLIC CAPITAL LETTER ZHE has no place in code page 1252.
  EXPECT_EQ(WrittenBytes({L"a\u0416b"}), "a?b\r\n");
}

// --- Reading lines ---

TEST_F(FileSystemTest, ReadLineSplitsAtCrLf) {
  EXPECT_EQ(ReadLines("one\r\ntwo\r\n"), (Lines{L"one", L"two"}));
  EXPECT_EQ(ReadLines("\r\n\r\nx\r\n"), (Lines{L"", L"", L"x"}));
}

TEST_F(FileSystemTest, ReadLineKeepsALoneLf) {
  EXPECT_EQ(ReadLines("a\nb\r\nc\n"), (Lines{L"a\nb", L"c\n"}));
  EXPECT_EQ(ReadLines("\n"), (Lines{L"\n"}));
}

TEST_F(FileSystemTest, ReadLineEndsALineAtALoneCr) {
  EXPECT_EQ(ReadLines("a\rb\r\rc"), (Lines{L"a", L"b", L"", L"c"}));
  EXPECT_EQ(ReadLines("a\r"), (Lines{L"a"}));
  EXPECT_EQ(ReadLines("a\r\n\rb"), (Lines{L"a", L"", L"b"}));
}

TEST_F(FileSystemTest, ReadLineGivesTheLastLineWithoutTerminator) {
  EXPECT_EQ(ReadLines("abc"), (Lines{L"abc"}));
  EXPECT_EQ(ReadLines("x\r\nabc"), (Lines{L"x", L"abc"}));
}

TEST_F(FileSystemTest, ReadLineGivesNothingForAnEmptyFile) { EXPECT_EQ(ReadLines(""), Lines{}); }

TEST_F(FileSystemTest, ReadLineKeepsOtherBytes) {
  EXPECT_EQ(ReadLines(std::string_view("a\0b\tc\x1a\r\n", 8)),
            (Lines{std::wstring(L"a\0b\tc\x1a", 6)}));
}

// Lines longer than any read buffer, with the CR LF pair falling on every position around
// the usual block sizes.
TEST_F(FileSystemTest, ReadLineHandlesLinesAcrossReadBlocks) {
  for (const std::size_t block : {std::size_t{4096}, std::size_t{65536}}) {
    for (std::size_t length = block - 3; length <= block + 2; ++length) {
      const std::string line(length, 'x');
      const std::wstring wide_line(length, L'x');
      EXPECT_EQ(ReadLines(line + "\r\ntail"), (Lines{wide_line, L"tail"})) << length;
      EXPECT_EQ(ReadLines(line + "\r\n"), (Lines{wide_line})) << length;
      EXPECT_EQ(ReadLines(line + "\rtail"), (Lines{wide_line, L"tail"})) << length;
    }
  }
  const std::string big(300000, 'y');
  EXPECT_EQ(ReadLines(big + "\r\n" + big),
            (Lines{std::wstring(300000, L'y'), std::wstring(300000, L'y')}));
}

TEST_F(FileSystemTest, OpenInputFailsForMissingFilesAndFolders) {
  EXPECT_EQ(files_.OpenInput(temp_ / L"absent.txt"), nullptr);
  EXPECT_EQ(files_.OpenInput(temp_.path()), nullptr);
}

// --- Copying and whole files ---

TEST_F(FileSystemTest, CopyMakesOrReplacesTheDestination) {
  const std::wstring source = temp_ / L"source.bin";
  const std::wstring target = temp_ / L"target.bin";
  ASSERT_TRUE(WriteRaw(source, "new"));
  EXPECT_TRUE(files_.Copy(source, target));
  EXPECT_EQ(ReadRaw(target), "new");

  ASSERT_TRUE(WriteRaw(target, "a longer old destination"));
  EXPECT_TRUE(files_.Copy(source, target));
  EXPECT_EQ(ReadRaw(target), "new");
  EXPECT_EQ(ReadRaw(source), "new");
}

TEST_F(FileSystemTest, CopyFailsForAMissingSourceOrFolder) {
  const std::wstring target = temp_ / L"target.bin";
  ASSERT_TRUE(WriteRaw(target, "kept"));
  EXPECT_FALSE(files_.Copy(temp_ / L"absent.bin", target));
  EXPECT_EQ(ReadRaw(target), "kept");
  ASSERT_TRUE(WriteRaw(temp_ / L"source.bin", "x"));
  EXPECT_FALSE(files_.Copy(temp_ / L"source.bin", temp_ / L"missing\\target.bin"));
}

TEST_F(FileSystemTest, ReadWholeFileGivesEveryByte) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(WriteRaw(temp_ / L"data.bin", bytes));
  ASSERT_TRUE(WriteRaw(temp_ / L"empty.bin", ""));
  EXPECT_EQ(files_.ReadWholeFile(temp_ / L"data.bin"),
            std::vector<char>(bytes.begin(), bytes.end()));
  EXPECT_EQ(files_.ReadWholeFile(temp_ / L"empty.bin"), std::vector<char>{});
  EXPECT_EQ(files_.ReadWholeFile(temp_ / L"absent.bin"), std::nullopt);
  EXPECT_EQ(files_.ReadWholeFile(temp_.path()), std::nullopt);
}

TEST_F(FileSystemTest, ReadWholeFileReadsTheRunningProgram) {
  const std::wstring program = Win32Runtime().ProgramFile();
  const auto bytes = files_.ReadWholeFile(program);
  ASSERT_TRUE(bytes.has_value());
  ASSERT_GE(bytes->size(), 2u);
  EXPECT_EQ((*bytes)[0], 'M');
  EXPECT_EQ((*bytes)[1], 'Z');
  EXPECT_EQ(files_.FileLength(program), bytes->size());
}

TEST_F(FileSystemTest, ReadWholeFileReadsAFileOpenForWriting) {
  const std::wstring path = temp_ / L"busy.txt";
  auto output = files_.OpenOutput(path, OpenMode::kOutput);
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->WriteBytes("busy"));
  EXPECT_EQ(files_.ReadWholeFile(path), (std::vector<char>{'b', 'u', 's', 'y'}));
}

}  // namespace
}  // namespace tgw
