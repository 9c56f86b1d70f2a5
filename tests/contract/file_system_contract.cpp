// What every FileSystem does (see contract.h): the behaviour the setup and the uninstaller rely
// on, with the Win32 codes of the failures, which the in-memory file system gives too.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract.h"
#include "status_checks.h"

namespace tgw::testing {
namespace {

using Lines = std::vector<std::wstring>;
using Names = std::set<std::wstring>;
using ::testing::PrintToString;

constexpr OpenMode kModes[] = {OpenMode::kOutput, OpenMode::kAppend, OpenMode::kReplace,
                               OpenMode::kReplaceAppending};

}  // namespace

Status FileSystemContract::Store(const std::wstring& path, OpenMode mode, std::string_view bytes,
                                 bool close) {
  auto output = files.OpenOutput(path, mode);
  if (!output) return output.status();
  const Status written = (*output)->WriteBytes(bytes);
  return close ? (*output)->Close() : written;
}

std::vector<std::wstring> FileSystemContract::ReadLines(std::string_view bytes) {
  EXPECT_TRUE(backend->Put(At(L"lines.txt"), bytes));
  const auto input = files.OpenInput(At(L"lines.txt"));
  std::vector<std::wstring> lines;
  while (input != nullptr) {
    auto line = input->ReadLine();
    if (!line) break;
    lines.push_back(*std::move(line));
  }
  return lines;
}

namespace {

TEST_P(FileSystemContract, FailuresKeepTheirKindAndCode) {
  ASSERT_TRUE(backend->Put(At(L"file"), "x"));
  ASSERT_TRUE(Succeeded(files.MakeFolder(At(L"folder"))));
  ASSERT_TRUE(backend->Put(At(L"folder\\inside"), "y"));
  const std::wstring missing = At(L"missing\\file");
  const Error file_not_found{ErrorKind::kNotFound, 2}, path_not_found{ErrorKind::kNotFound, 3},
      access_denied{ErrorKind::kAccessDenied, 5};
  const std::pair<Status, Error> rows[] = {
      {files.MakeFolder(At(L"folder")), {ErrorKind::kExists, 183}},
      {files.MakeFolder(missing), path_not_found},
      {files.RemoveFolder(At(L"folder")), {ErrorKind::kOther, 145}},  // not empty
      {files.RemoveFolder(At(L"file")), {ErrorKind::kBadName, 267}},  // not a folder
      {files.RemoveFile(At(L"folder")), access_denied},
      {files.RemoveFile(At(L"absent")), file_not_found},
      {files.RemoveFile(missing), path_not_found},
      {Store(At(L"folder"), OpenMode::kOutput, "x"), access_denied},
      {Store(At(L"folder"), OpenMode::kReplace, "x"), access_denied},
      {files.Copy(At(L"absent"), At(L"to")), file_not_found},
      {files.Copy(At(L"file"), At(L"folder")), access_denied},
      {files.ReadWholeFile(At(L"folder")).status(), access_denied},
      {files.ReadWholeFile(missing).status(), path_not_found},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(FailureOf(rows[i].first), rows[i].second) << "row " << i;
  }
  for (const OpenMode mode : kModes) {
    EXPECT_EQ(FailureOf(files.OpenOutput(missing, mode)), path_not_found);
  }
  // Onto itself: the copy holds its source open while the move over it is tried.
  EXPECT_EQ(FailureKind(files.Copy(At(L"file"), At(L"FILE"))), ErrorKind::kInUse);
  EXPECT_EQ(backend->Get(At(L"file")), "x");
  EXPECT_EQ(backend->FileNames(root), Names{L"file"}) << "nothing made, no temporary file left";
}

TEST_P(FileSystemContract, FoldersFilesAndTheirPathsAsWindowsReadsThem) {
  EXPECT_TRUE(Succeeded(files.MakeFolder(At(L"Sub\\"))));
  EXPECT_TRUE(Succeeded(files.MakeFolder(At(L"sub\\Inner"))));
  ASSERT_TRUE(backend->Put(At(L"Sub\\Caf\u00e9 \u0416.Txt"), "abc"));
  ASSERT_TRUE(backend->Put(At(L"empty.bin"), ""));
  // Letter case, beyond ASCII too; "/" and doubled separators.
  for (const std::wstring& same :
       {At(L"sUB\\CAF\u00c9 \u0436.tXT"), root + L"/Sub\\\\\\Caf\u00e9 \u0416.Txt"}) {
    EXPECT_EQ(files.FileLength(same), 3u) << PrintToString(same);
  }
  EXPECT_EQ(files.FileLength(At(L"empty.bin")), 0u);
  for (const std::wstring& none : {At(L"absent"), At(L"sub"), std::wstring()}) {
    EXPECT_EQ(files.FileLength(none), std::nullopt) << PrintToString(none);
    EXPECT_EQ(files.OpenInput(none), nullptr);
    EXPECT_FALSE(files.IsReparsePoint(none));
  }
  for (const std::wstring& folder : {root, At(L"SUB\\"), At(L"sub//inner")}) {
    EXPECT_TRUE(files.FolderExists(folder)) << PrintToString(folder);
  }
  for (const std::wstring& no_folder : {At(L"empty.bin"), At(L"absent"), std::wstring()}) {
    EXPECT_FALSE(files.FolderExists(no_folder)) << PrintToString(no_folder);
  }
  EXPECT_TRUE(Succeeded(Store(root + L"//sub/New.txt", OpenMode::kReplace, "new")));
  EXPECT_TRUE(Succeeded(files.Copy(root + L"\\\\SUB\\\\NEW.TXT", At(L"Sub\\copy.txt"))));
  EXPECT_EQ(backend->FileNames(At(L"Sub")),
            (Names{L"caf\u00e9 \u0436.txt", L"copy.txt", L"new.txt"}));
  EXPECT_TRUE(Succeeded(files.RemoveFolder(At(L"sub\\inner"))));
  EXPECT_FALSE(files.FolderExists(At(L"Sub\\Inner")));
  EXPECT_TRUE(Succeeded(files.RemoveFile(At(L"EMPTY.bin"))));
  EXPECT_EQ(backend->FileNames(root), Names{});
}

TEST_P(FileSystemContract, ANameWindowsCannotHoldIsMadeNowhere) {
  for (const std::wstring& bad : {std::wstring(), At(std::wstring(L"a.txt\0.exe", 10)), At(L"a?b"),
                                  At(L"a*b"), At(L"a<b"), At(L"a|b"), At(L"a\tb")}) {
    SCOPED_TRACE(PrintToString(bad));
    EXPECT_EQ(FailureOf(files.MakeFolder(bad)), (Error{ErrorKind::kBadName, 123}));
    for (const OpenMode mode : kModes) {
      EXPECT_EQ(FailureKind(Store(bad, mode, "x")), ErrorKind::kBadName);
    }
    EXPECT_FALSE(files.ReadWholeFile(bad).ok());
  }
  EXPECT_EQ(files.RecordablePath(At(std::wstring(L"a\0b", 3))), std::nullopt);
  EXPECT_EQ(backend->FileNames(root), Names{}) << "nothing made, no temporary file left";
}

TEST_P(FileSystemContract, WritesReachTheFileAsTheyAre) {
  const std::string bytes("\0\xff\r\n\n\x1a", 6);
  for (const OpenMode mode : kModes) {
    EXPECT_TRUE(Succeeded(Store(At(L"raw.bin"), mode, bytes)));
    EXPECT_EQ(backend->Get(At(L"raw.bin")), bytes) << static_cast<int>(mode);
    ASSERT_TRUE(Succeeded(files.RemoveFile(At(L"raw.bin"))));
  }
  // kOutput empties a file, kAppend writes after it (and makes a missing one); CR LF, no BOM.
  ASSERT_TRUE(backend->Put(At(L"log.txt"), "a much longer old content\r\n"));
  for (const OpenMode mode : {OpenMode::kOutput, OpenMode::kAppend}) {
    auto output = files.OpenOutput(At(L"log.txt"), mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"one")));
    EXPECT_TRUE(Succeeded((*output)->WriteBytes("two")));
    // The install log: what was written is in the file at once, even while it is open.
    const auto read = files.ReadWholeFile(At(L"log.txt"));
    ASSERT_TRUE(Succeeded(read));
    EXPECT_EQ(std::string(read->begin(), read->end()),
              mode == OpenMode::kOutput ? "one\r\ntwo" : "one\r\ntwoone\r\ntwo");
    if (mode == OpenMode::kOutput) output->reset();  // dropped without Close: kept so far
  }
  EXPECT_EQ(backend->Get(At(L"log.txt")), "one\r\ntwoone\r\ntwo");
  EXPECT_TRUE(Succeeded(Store(At(L"new.txt"), OpenMode::kAppend, "only")));
  EXPECT_EQ(backend->Get(At(L"new.txt")), "only");
}

TEST_P(FileSystemContract, CloseSucceedsOnceAndWritingAfterItFails) {
  for (const OpenMode mode : kModes) {
    auto output = files.OpenOutput(At(L"closed.txt"), mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"line")));
    EXPECT_TRUE(Succeeded((*output)->Close()));
    const Error closed{ErrorKind::kOther, 6};  // ERROR_INVALID_HANDLE
    EXPECT_EQ(FailureOf((*output)->Close()), closed);
    EXPECT_EQ(FailureOf((*output)->WriteLine(L"late")), closed);
    EXPECT_EQ(backend->Get(At(L"closed.txt")), "line\r\n") << static_cast<int>(mode);
    ASSERT_TRUE(Succeeded(files.RemoveFile(At(L"closed.txt"))));
  }
}

// A replacement takes the target's place at Close, complete; dropped, it leaves the old file.
TEST_P(FileSystemContract, AReplacementTakesTheTargetsPlaceAtCloseOnly) {
  const std::tuple<OpenMode, std::optional<std::string>, std::string> rows[] = {
      {OpenMode::kReplace, "a much longer old content\r\n", "new\r\n"},
      {OpenMode::kReplace, std::nullopt, "new\r\n"},
      {OpenMode::kReplaceAppending, "old without end", "old without endnew\r\n"},
      {OpenMode::kReplaceAppending, std::nullopt, "new\r\n"},
  };
  const std::wstring target = At(L"Settings.dat");
  for (const auto& [mode, old, expected] : rows) {
    SCOPED_TRACE(old.value_or("(absent)"));
    for (const bool close : {false, true}) {
      if (old) {
        ASSERT_TRUE(backend->Put(target, *old));
      }
      auto output = files.OpenOutput(target, mode);
      ASSERT_TRUE(Succeeded(output));
      EXPECT_TRUE(Succeeded((*output)->WriteLine(L"new")));
      EXPECT_EQ(backend->Get(target), old) << "untouched until Close";
      if (close) {
        EXPECT_TRUE(Succeeded((*output)->Close()));
      }
      output->reset();
      EXPECT_EQ(backend->Get(target), close ? expected : old);
      EXPECT_EQ(backend->FileNames(root), old || close ? Names{L"settings.dat"} : Names{});
    }
    ASSERT_TRUE(Succeeded(files.RemoveFile(target)));
  }
  // Copy replaces too.
  ASSERT_TRUE(backend->Put(At(L"source.bin"), "new"));
  ASSERT_TRUE(backend->Put(At(L"target.bin"), "a longer old destination"));
  EXPECT_TRUE(Succeeded(files.Copy(At(L"source.bin"), At(L"target.bin"))));
  EXPECT_EQ(backend->Get(At(L"target.bin")), "new");
}

TEST_P(FileSystemContract, TextIsInTheAnsiCodePage) {
  const unsigned code_page = backend->AnsiCodePage();
  if (code_page != 1252) GTEST_SKIP() << "expects code page 1252, not " << code_page;
  // Latin letters, and characters Windows-1252 keeps at 0x80 to 0x9F; U+0416 has no place in it.
  const std::wstring text = L"caf\u00e9 \u20ac\u2019\u0152";
  auto output = files.OpenOutput(At(L"ansi.txt"), OpenMode::kOutput);
  ASSERT_TRUE(Succeeded(output));
  EXPECT_TRUE(Succeeded(FirstFailure(
      {(*output)->WriteLine(text), (*output)->WriteLine(L"a\u0416b"), (*output)->Close()})));
  EXPECT_EQ(backend->Get(At(L"ansi.txt")), "caf\xe9 \x80\x92\x8c\r\na?b\r\n");
  EXPECT_EQ(ReadLines("caf\xe9 \x80\x92\x8c\r\n\x81\x9f"), (Lines{text, L"\u0081\u0178"}));
  EXPECT_EQ(files.RecordablePath(At(text)), At(text));
}

TEST_P(FileSystemContract, RecordablePathIsThePathOrItsShortFormOrNothing) {
  EXPECT_EQ(files.RecordablePath(L"C:\\Program Files\\Tagwright\\"),
            L"C:\\Program Files\\Tagwright\\")
      << "whether it exists or not";
  // Cyrillic and accented Latin: no single-byte code page holds both.
  const std::wstring folder = At(L"Tagwright \u0416\u00e9");
  ASSERT_TRUE(Succeeded(files.MakeFolder(folder)));
  const auto recordable = files.RecordablePath(folder);
  if (recordable == folder) GTEST_SKIP() << "the ANSI code page holds the name";
  EXPECT_EQ(files.RecordablePath(At(L"absent \u0416\u00e9")), std::nullopt);
  if (!backend->KeepsShortNames(folder)) {
    EXPECT_EQ(recordable, std::nullopt);
    return;
  }
  ASSERT_TRUE(recordable.has_value());
  EXPECT_EQ(files.RecordablePath(*recordable), *recordable) << "the short form passes";
  EXPECT_TRUE(files.FolderExists(*recordable)) << "and names the folder";
}

// A line ends at CR LF or a lone CR, not at a lone LF; also across the usual read blocks.
TEST_P(FileSystemContract, ReadLineEndsALineAtCrLfOrALoneCr) {
  const std::pair<std::string_view, Lines> rows[] = {
      {"one\r\ntwo\r\n", {L"one", L"two"}},
      {"\r\n\r\nx\r\n", {L"", L"", L"x"}},
      {"a\nb\r\nc\n", {L"a\nb", L"c\n"}},
      {"a\rb\r\rc", {L"a", L"b", L"", L"c"}},
      {"a\r\n\rb", {L"a", L"", L"b"}},
      {"x\r\nabc", {L"x", L"abc"}},  // the last line needs no end
      {"", {}},
      {std::string_view("a\0b\x1a\r\n", 6), {std::wstring(L"a\0b\x1a", 4)}},
  };
  for (const auto& [bytes, lines] : rows) {
    EXPECT_EQ(ReadLines(bytes), lines) << PrintToString(std::string(bytes));
  }
  for (std::size_t length = 65533; length <= 65538; ++length) {
    for (const char* end : {"\r\ntail", "\rtail"}) {
      EXPECT_EQ(ReadLines(std::string(length, 'x') + end),
                (Lines{std::wstring(length, L'x'), L"tail"}))
          << length;
    }
  }
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(backend->Put(At(L"data.bin"), bytes));
  const auto data = files.ReadWholeFile(At(L"data.bin"));
  ASSERT_TRUE(Succeeded(data));
  EXPECT_EQ(*data, std::vector<char>(bytes.begin(), bytes.end()));
}

}  // namespace
}  // namespace tgw::testing
