#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/file_system_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/runtime_win.h"
#include "status_checks.h"
#include "test_support.h"

namespace tgw {
namespace {

using ::tgw::testing::FailureKind;
using ::tgw::testing::FailureOf;
using ::tgw::testing::ReadRaw;
using ::tgw::testing::Succeeded;
using ::tgw::testing::TempFolder;
using ::tgw::testing::WriteRaw;

using Lines = std::vector<std::wstring>;
using Names = std::set<std::wstring>;

Names NamesIn(const std::wstring& folder) {
  Names names;
  for (const auto& entry : std::filesystem::directory_iterator(folder + L"\\")) {
    names.insert(entry.path().filename().wstring());
  }
  return names;
}

// Opens a file as another program would that lets nobody else open it meanwhile.
win32::UniqueFile HoldWithoutSharing(const std::wstring& path) {
  return win32::UniqueFile(
      CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

// Whether the ANSI code page lacks a character of `text` (or has only a look-alike).
bool AnsiLacks(const std::wstring& text) {
  BOOL lossy = FALSE;
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr,
                             &lossy) == 0 ||
         lossy;
}

// Opens `path` in `mode` and writes `bytes`; then what Close says (an earlier failure included),
// or, for a file dropped without Close, what the write said.
Status Store(FileSystem& files, const std::wstring& path, OpenMode mode, std::string_view bytes,
             bool close = true) {
  auto output = files.OpenOutput(path, mode);
  if (!output) return output.status();
  const Status written = (*output)->WriteBytes(bytes);
  return close ? (*output)->Close() : written;
}

constexpr OpenMode kModes[] = {OpenMode::kOutput, OpenMode::kAppend, OpenMode::kReplace,
                               OpenMode::kReplaceAppending};

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
    EXPECT_TRUE(Succeeded(output));
    if (!output) return {};
    for (const auto line : lines) EXPECT_TRUE(Succeeded((*output)->WriteLine(line)));
    EXPECT_TRUE(Succeeded((*output)->Close()));
    return ReadRaw(path).value_or("(unreadable)");
  }

  TempFolder temp_;
  Win32FileSystem files_;
};

// --- Folders ---

TEST_F(FileSystemTest, MakeFolderMakesOneFolderOnce) {
  const std::wstring folder = temp_ / L"made";
  EXPECT_FALSE(files_.FolderExists(folder));
  EXPECT_TRUE(Succeeded(files_.MakeFolder(folder)));
  EXPECT_TRUE(files_.FolderExists(folder));
  EXPECT_EQ(FailureOf(files_.MakeFolder(folder)),
            (Error{ErrorKind::kExists, ERROR_ALREADY_EXISTS}));
}

TEST_F(FileSystemTest, MakeFolderAcceptsATrailingBackslash) {
  EXPECT_TRUE(Succeeded(files_.MakeFolder(temp_ / L"trailing\\")));
  EXPECT_TRUE(files_.FolderExists(temp_ / L"trailing"));
  EXPECT_TRUE(files_.FolderExists(temp_ / L"trailing\\"));
  EXPECT_TRUE(Succeeded(files_.MakeFolder(temp_ / L"trailing\\inner\\")));
  EXPECT_TRUE(files_.FolderExists(temp_ / L"trailing\\inner"));
}

TEST_F(FileSystemTest, RemoveFolderRemovesOnlyAnEmptyFolder) {
  ASSERT_TRUE(Succeeded(files_.MakeFolder(temp_ / L"full")));
  ASSERT_TRUE(WriteRaw(temp_ / L"full\\file", "x"));
  EXPECT_EQ(FailureOf(files_.RemoveFolder(temp_ / L"full")),
            (Error{ErrorKind::kOther, ERROR_DIR_NOT_EMPTY}));
  ASSERT_TRUE(DeleteFileW((temp_ / L"full\\file").c_str()));
  EXPECT_TRUE(Succeeded(files_.RemoveFolder(temp_ / L"full")));
  EXPECT_FALSE(files_.FolderExists(temp_ / L"full"));
}

TEST_F(FileSystemTest, RemoveFileDeletesAFileOrSaysWhyNot) {
  const std::wstring file = temp_ / L"file.txt";
  ASSERT_TRUE(WriteRaw(file, "x"));
  {
    const win32::UniqueFile held = HoldWithoutSharing(file);
    ASSERT_TRUE(held);
    EXPECT_EQ(FailureKind(files_.RemoveFile(file)), ErrorKind::kInUse);
  }
  EXPECT_TRUE(Succeeded(files_.RemoveFile(file)));
  EXPECT_EQ(files_.FileLength(file), std::nullopt);
  EXPECT_EQ(FailureKind(files_.RemoveFile(file)), ErrorKind::kNotFound);
  EXPECT_EQ(FailureKind(files_.RemoveFile(temp_.path())), ErrorKind::kAccessDenied);  // a folder
  EXPECT_TRUE(files_.FolderExists(temp_.path()));
  EXPECT_EQ(FailureKind(files_.RemoveFile(ExecutablePath())), ErrorKind::kInUse);  // running
}

TEST_F(FileSystemTest, NoPlainFileOrFolderIsAReparsePoint) {
  ASSERT_TRUE(WriteRaw(temp_ / L"file.txt", "x"));
  EXPECT_FALSE(files_.IsReparsePoint(temp_ / L"file.txt"));
  EXPECT_FALSE(files_.IsReparsePoint(temp_.path()));
  EXPECT_FALSE(files_.IsReparsePoint(temp_ / L"absent"));
  EXPECT_FALSE(files_.IsReparsePoint(L""));
}

TEST_F(FileSystemTest, FolderExistsOnlyForFolders) {
  ASSERT_TRUE(WriteRaw(temp_ / L"file.txt", "x"));
  EXPECT_TRUE(files_.FolderExists(temp_.path()));
  EXPECT_FALSE(files_.FolderExists(temp_ / L"file.txt"));
  EXPECT_FALSE(files_.FolderExists(temp_ / L"absent"));
  EXPECT_FALSE(files_.FolderExists(L""));
}

// --- What a failure reports ---

TEST_F(FileSystemTest, FailuresKeepTheirKindAndCode) {
  ASSERT_TRUE(WriteRaw(temp_ / L"file", "x"));
  const std::wstring missing = temp_ / L"missing\\file";
  const std::wstring null_name(L"a.txt\0.exe", 10);
  const Error not_found{ErrorKind::kNotFound, ERROR_FILE_NOT_FOUND};
  const Error path_not_found{ErrorKind::kNotFound, ERROR_PATH_NOT_FOUND};
  const Error denied{ErrorKind::kAccessDenied, ERROR_ACCESS_DENIED};
  const Error bad_name{ErrorKind::kBadName, ERROR_INVALID_NAME};
  const struct {
    const char* what;
    Status outcome;
    Error expected;
  } kCases[] = {
      {"MakeFolder on a file",
       files_.MakeFolder(temp_ / L"file"),
       {ErrorKind::kExists, ERROR_ALREADY_EXISTS}},
      {"MakeFolder below a missing one", files_.MakeFolder(missing), path_not_found},
      {"MakeFolder of a null name", files_.MakeFolder(null_name), bad_name},
      {"RemoveFolder of a missing one", files_.RemoveFolder(temp_ / L"absent"), not_found},
      {"kOutput on a folder", Store(files_, temp_.path(), OpenMode::kOutput, "x"), denied},
      {"kReplace of a folder", Store(files_, temp_.path(), OpenMode::kReplace, "x"), denied},
      {"kOutput to a null name", Store(files_, null_name, OpenMode::kOutput, "x"), bad_name},
      {"Copy of a missing source", files_.Copy(temp_ / L"absent", temp_ / L"to"), not_found},
      {"Copy into a missing folder", files_.Copy(temp_ / L"file", missing), path_not_found},
      {"Copy of a null name", files_.Copy(null_name, temp_ / L"to"), bad_name},
      {"ReadWholeFile of a missing file", files_.ReadWholeFile(temp_ / L"absent").status(),
       not_found},
  };
  for (const auto& c : kCases) EXPECT_EQ(FailureOf(c.outcome), c.expected) << c.what;
  for (const OpenMode mode : kModes) {
    EXPECT_EQ(FailureOf(Store(files_, missing, mode, "x")), path_not_found)
        << "in a missing folder, mode " << static_cast<int>(mode);
  }
  EXPECT_EQ(NamesIn(temp_.path()), Names{L"file"}) << "nothing made, no temporary file left";
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
  const std::wstring path = temp_ / std::wstring(L"a.txt\0.exe", 10);
  EXPECT_EQ(files_.FileLength(path), std::nullopt);
  EXPECT_EQ(files_.OpenInput(path), nullptr);
  EXPECT_FALSE(files_.ReadWholeFile(path).ok());
  EXPECT_EQ(files_.RecordablePath(path), std::nullopt);
}

// --- Writing in place ---

TEST_F(FileSystemTest, WriteLineWritesAnsiTextAndCrLfWithoutBom) {
  EXPECT_EQ(WrittenBytes({L"Language=english"}), "Language=english\r\n");
  EXPECT_EQ(WrittenBytes({L"", L"x", L""}), "\r\nx\r\n\r\n");
}

TEST_F(FileSystemTest, WriteBytesWritesTheBytesAsTheyAre) {
  const std::string bytes("\0\xff\r\n\n\x1a", 6);
  const std::wstring path = temp_ / L"raw.bin";
  for (const OpenMode mode : kModes) {
    EXPECT_TRUE(Succeeded(Store(files_, path, mode, bytes)));
    EXPECT_EQ(ReadRaw(path), bytes);
    ASSERT_TRUE(DeleteFileW(path.c_str()));
  }
  EXPECT_TRUE(Succeeded(Store(files_, path, OpenMode::kReplace, "")));
  EXPECT_EQ(ReadRaw(path), "") << "an empty file is made";
}

TEST_F(FileSystemTest, OutputEmptiesAnExistingFileAndAppendWritesAfterIt) {
  const std::wstring path = temp_ / L"log.txt";
  ASSERT_TRUE(WriteRaw(path, "a much longer old content\r\n"));
  EXPECT_TRUE(Succeeded(Store(files_, path, OpenMode::kOutput, "first\r\n")));
  EXPECT_TRUE(Succeeded(Store(files_, path, OpenMode::kAppend, "second\r\n")));
  EXPECT_TRUE(Succeeded(Store(files_, path, OpenMode::kAppend, "third")));
  EXPECT_EQ(ReadRaw(path), "first\r\nsecond\r\nthird");
  EXPECT_TRUE(Succeeded(Store(files_, temp_ / L"new.txt", OpenMode::kAppend, "only")));
  EXPECT_EQ(ReadRaw(temp_ / L"new.txt"), "only") << "kAppend makes a missing file";
}

// The install log: the program may end (ExitProcess) with it open, and what was written must
// be in the file by then, not in a buffer of the process.
TEST_F(FileSystemTest, InPlaceWritesReachTheFileAtOnce) {
  for (const OpenMode mode : {OpenMode::kOutput, OpenMode::kAppend}) {
    const std::wstring path = temp_ / L"open.txt";
    ASSERT_TRUE(WriteRaw(path, ""));
    auto output = files_.OpenOutput(path, mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"one")));
    EXPECT_EQ(ReadRaw(path), "one\r\n");
    EXPECT_TRUE(Succeeded((*output)->WriteBytes("two")));
    EXPECT_EQ(ReadRaw(path), "one\r\ntwo");
    output->reset();  // dropped without Close: kept as far as it got
    EXPECT_TRUE(HoldWithoutSharing(path)) << "no handle is left open";
    EXPECT_EQ(ReadRaw(path), "one\r\ntwo");
  }
}

TEST_F(FileSystemTest, CloseSucceedsOnceAndWritingAfterItFails) {
  for (const OpenMode mode : kModes) {
    const std::wstring path = temp_ / L"closed.txt";
    auto output = files_.OpenOutput(path, mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"line")));
    EXPECT_TRUE(Succeeded((*output)->Close()));
    EXPECT_FALSE((*output)->Close().ok()) << "closed already";
    EXPECT_FALSE((*output)->WriteLine(L"late").ok());
    EXPECT_FALSE((*output)->WriteBytes("late").ok());
    EXPECT_EQ(ReadRaw(path), "line\r\n");
    ASSERT_TRUE(DeleteFileW(path.c_str()));
  }
}

// --- Replacing ---

TEST_F(FileSystemTest, AReplacementTakesTheTargetsPlaceAtClose) {
  const struct {
    OpenMode mode;
    std::optional<std::string> old;
    std::string expected;
  } kCases[] = {
      {OpenMode::kReplace, "a much longer old content\r\n", "new\r\n"},
      {OpenMode::kReplace, std::nullopt, "new\r\n"},
      {OpenMode::kReplaceAppending, "old\r\n", "old\r\nnew\r\n"},
      {OpenMode::kReplaceAppending, std::nullopt, "new\r\n"},
  };
  const std::wstring target = temp_ / L"Settings.dat";
  for (const auto& c : kCases) {
    const std::string label = c.old.value_or("(absent)");
    if (c.old) {
      ASSERT_TRUE(WriteRaw(target, *c.old));
    }
    auto output = files_.OpenOutput(target, c.mode);
    ASSERT_TRUE(Succeeded(output)) << label;
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"new")));
    EXPECT_EQ(ReadRaw(target), c.old) << "untouched until Close: " << label;
    EXPECT_TRUE(Succeeded((*output)->Close()));
    EXPECT_EQ(ReadRaw(target), c.expected) << label;
    EXPECT_EQ(NamesIn(temp_.path()), Names{L"Settings.dat"}) << label;
    ASSERT_TRUE(DeleteFileW(target.c_str()));
  }
}

TEST_F(FileSystemTest, AFailedReplacementKeepsTheOldFileAndNoTemporaryFile) {
  const std::wstring target = temp_ / L"Tagwright.exe";
  const std::wstring source = temp_ / L"source.bin";
  ASSERT_TRUE(WriteRaw(target, "old"));
  ASSERT_TRUE(WriteRaw(source, "copied"));
  const auto expect_old_kept = [&](const char* what) {
    EXPECT_EQ(ReadRaw(target), "old") << what;
    EXPECT_EQ(NamesIn(temp_.path()), (Names{L"Tagwright.exe", L"source.bin"})) << what;
  };
  for (const OpenMode mode : {OpenMode::kReplace, OpenMode::kReplaceAppending}) {
    EXPECT_TRUE(Succeeded(Store(files_, target, mode, "new", /*close=*/false)));
    expect_old_kept("dropped without Close");
  }
  {
    const win32::UniqueFile holder = HoldWithoutSharing(target);
    ASSERT_TRUE(holder);
    for (const OpenMode mode : {OpenMode::kReplace, OpenMode::kReplaceAppending}) {
      EXPECT_EQ(FailureKind(Store(files_, target, mode, "new")), ErrorKind::kInUse);
    }
    EXPECT_EQ(FailureKind(files_.Copy(source, target)), ErrorKind::kInUse);
  }
  expect_old_kept("target in use");
}

TEST_F(FileSystemTest, CopyMakesOrReplacesTheDestination) {
  const std::wstring source = temp_ / L"source.bin";
  const std::wstring target = temp_ / L"target.bin";
  ASSERT_TRUE(WriteRaw(source, "new"));
  EXPECT_TRUE(Succeeded(files_.Copy(source, target)));
  EXPECT_EQ(ReadRaw(target), "new");
  ASSERT_TRUE(WriteRaw(target, "a longer old destination"));
  EXPECT_TRUE(Succeeded(files_.Copy(source, target)));
  EXPECT_EQ(ReadRaw(target), "new");
  EXPECT_EQ(ReadRaw(source), "new");
  EXPECT_EQ(NamesIn(temp_.path()), (Names{L"source.bin", L"target.bin"}));
}

// --- ANSI code page ---

TEST_F(FileSystemTest, AnAnsiCharacterRoundTrips) {
  // U+00E9 LATIN SMALL LETTER E WITH ACUTE: 0xE9 in code page 1252.
  const std::wstring text = L"caf\u00e9 cr\u00e8me";
  if (AnsiLacks(text)) GTEST_SKIP() << "the ANSI code page " << GetACP() << " lacks these letters";

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

TEST_F(FileSystemTest, RecordablePathOfAnAsciiPathIsThePath) {
  EXPECT_EQ(files_.RecordablePath(temp_.path()), temp_.path());
  EXPECT_EQ(files_.RecordablePath(L"C:\\Program Files\\Tagwright\\"),
            L"C:\\Program Files\\Tagwright\\")
      << "whether it exists or not";
}

TEST_F(FileSystemTest, RecordablePathOfANameTheCodePageLacksIsItsShortForm) {
  // Cyrillic and accented Latin: no single-byte code page holds both.
  const std::wstring folder = temp_ / L"Tagwright \u0416\u00e9";
  if (!AnsiLacks(folder)) GTEST_SKIP() << "the ANSI code page " << GetACP() << " holds the name";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(WriteRaw(folder + L"\\inside.txt", "x"));
  wchar_t short_form[MAX_PATH] = {};
  if (GetShortPathNameW(folder.c_str(), short_form, MAX_PATH) == 0 || folder == short_form) {
    GTEST_SKIP() << "the volume keeps no short names";
  }

  const auto recordable = files_.RecordablePath(folder);
  ASSERT_TRUE(recordable.has_value());
  EXPECT_FALSE(AnsiLacks(*recordable)) << "the short form passes the code page";
  EXPECT_EQ(files_.FileLength(*recordable + L"\\inside.txt"), 1u) << "and names the folder";
  EXPECT_EQ(files_.RecordablePath(temp_ / L"absent \u0416\u00e9"), std::nullopt)
      << "a missing path has no short form";
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

// --- Whole files ---

TEST_F(FileSystemTest, ReadWholeFileGivesEveryByte) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(WriteRaw(temp_ / L"data.bin", bytes));
  ASSERT_TRUE(WriteRaw(temp_ / L"empty.bin", ""));
  const auto data = files_.ReadWholeFile(temp_ / L"data.bin");
  ASSERT_TRUE(Succeeded(data));
  EXPECT_EQ(*data, std::vector<char>(bytes.begin(), bytes.end()));
  const auto empty = files_.ReadWholeFile(temp_ / L"empty.bin");
  ASSERT_TRUE(Succeeded(empty));
  EXPECT_TRUE(empty->empty());
  EXPECT_FALSE(files_.ReadWholeFile(temp_.path()).ok());
}

TEST_F(FileSystemTest, ReadWholeFileReadsTheRunningProgram) {
  const std::wstring program = Win32Runtime().ProgramFile();
  const auto bytes = files_.ReadWholeFile(program);
  ASSERT_TRUE(Succeeded(bytes));
  ASSERT_GE(bytes->size(), 2u);
  EXPECT_EQ((*bytes)[0], 'M');
  EXPECT_EQ((*bytes)[1], 'Z');
  EXPECT_EQ(files_.FileLength(program), bytes->size());
}

TEST_F(FileSystemTest, ReadWholeFileReadsAFileOpenForWriting) {
  const std::wstring path = temp_ / L"busy.txt";
  auto output = files_.OpenOutput(path, OpenMode::kOutput);
  ASSERT_TRUE(Succeeded(output));
  EXPECT_TRUE(Succeeded((*output)->WriteBytes("busy")));
  const auto bytes = files_.ReadWholeFile(path);
  ASSERT_TRUE(Succeeded(bytes));
  EXPECT_EQ(*bytes, (std::vector<char>{'b', 'u', 's', 'y'}));
}

// --- A full disk: the tiny drive T: that tiny_drive.sh mounts ---

TEST(DiskFullTest, AReplacementLargerThanTheFreeSpaceFailsAndKeepsTheOldFile) {
  const auto free = ::tgw::testing::EmptiedTinyDrive();
  if (!free) GTEST_SKIP() << ::tgw::testing::kNoTinyDrive;
  const std::string big(*free + 64 * 1024, 'x');
  const TempFolder temp;
  const std::wstring target = L"T:\\Tagwright.exe";
  ASSERT_TRUE(WriteRaw(temp / L"big.bin", big));
  ASSERT_TRUE(WriteRaw(target, "old"));
  Win32FileSystem files;
  const struct {
    const char* what;
    Status outcome;
  } kCases[] = {
      {"kReplace", Store(files, target, OpenMode::kReplace, big)},
      {"kReplaceAppending", Store(files, target, OpenMode::kReplaceAppending, big)},
      {"Copy", files.Copy(temp / L"big.bin", target)},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FailureOf(c.outcome), (Error{ErrorKind::kDiskFull, ERROR_DISK_FULL})) << c.what;
  }
  EXPECT_EQ(ReadRaw(target), "old");
  EXPECT_EQ(NamesIn(L"T:"), Names{L"Tagwright.exe"}) << "no temporary file";
  (void)::tgw::testing::EmptiedTinyDrive();
}

}  // namespace
}  // namespace tgw
