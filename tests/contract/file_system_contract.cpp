// What every FileSystem does (see contract.h): what the setup and the uninstaller rely on, with
// the Win32 codes of the failures, which the in-memory file system gives too.

#include <gtest/gtest.h>

#include "contract.h"
#include "status_checks.h"

namespace tgw::testing {

Status FileSystemContract::Store(const std::wstring& path, OpenMode mode, std::string_view bytes,
                                 bool close) {
  auto output = files.OpenOutput(path, mode);
  if (!output) return output.status();
  const Status written = (*output)->WriteBytes(bytes);
  return close ? (*output)->Close() : written;
}

namespace {

using Names = std::set<std::wstring>;
using Lines = std::vector<std::wstring>;

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
      {files.RemoveFile(At(L"folder")), access_denied},
      {files.RemoveFile(At(L"absent")), file_not_found},
      {files.RemoveFile(missing), path_not_found},
      {Store(At(L"folder"), OpenMode::kOutput, "x"), access_denied},
      {Store(At(L"folder"), OpenMode::kReplace, "x"), access_denied},
      {Store(missing, OpenMode::kReplaceAppending, "x"), path_not_found},
      {files.Copy(At(L"absent"), At(L"to")), file_not_found},
      {files.ReadWholeFile(missing).status(), path_not_found},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(FailureOf(rows[i].first), rows[i].second) << "row " << i;
  }
  // Onto itself: the copy holds its source open while the move over it is tried.
  EXPECT_EQ(FailureKind(files.Copy(At(L"file"), At(L"FILE"))), ErrorKind::kInUse);
  EXPECT_EQ(backend->Get(At(L"file")), "x");
  EXPECT_EQ(backend->FileNames(root), Names{L"file"}) << "nothing made, no temporary file left";
}

// Letter case (beyond ASCII too), "/" and doubled separators as Windows reads them; folders are
// made one at a time and removed when empty.
TEST_P(FileSystemContract, PathsFoldersAndFiles) {
  EXPECT_TRUE(Succeeded(files.MakeFolder(At(L"Sub\\"))));
  EXPECT_TRUE(Succeeded(files.MakeFolder(At(L"sub\\Inner"))));
  ASSERT_TRUE(backend->Put(At(L"Sub\\Caf\u00e9.Txt"), "abc"));
  EXPECT_EQ(files.FileLength(root + L"/SUB\\\\caf\u00c9.tXT"), 3u);
  for (const std::wstring& none : {At(L"absent"), At(L"sub"), std::wstring()}) {
    EXPECT_EQ(files.FileLength(none), std::nullopt) << ::testing::PrintToString(none);
    EXPECT_EQ(files.OpenInput(none), nullptr);
    EXPECT_FALSE(files.IsReparsePoint(none));
  }
  EXPECT_TRUE(files.FolderExists(At(L"sub//INNER\\")));
  EXPECT_FALSE(files.FolderExists(At(L"Sub\\Caf\u00e9.txt")));
  EXPECT_TRUE(Succeeded(files.Copy(At(L"SUB\\CAF\u00c9.TXT"), root + L"//sub/copy.txt")));
  EXPECT_EQ(backend->FileNames(At(L"Sub")), (Names{L"caf\u00e9.txt", L"copy.txt"}));
  EXPECT_TRUE(Succeeded(FirstFailure(
      {files.RemoveFolder(At(L"sub\\inner")), files.RemoveFile(At(L"sub\\COPY.txt"))})));
  EXPECT_FALSE(files.FolderExists(At(L"Sub\\Inner")));
  EXPECT_EQ(backend->FileNames(At(L"Sub")), (Names{L"caf\u00e9.txt"}));
}

// The install log: kOutput empties a file, kAppend writes after it (or makes it), and what was
// written is in the file at once, even while it is open or dropped without Close; CR LF, no BOM.
TEST_P(FileSystemContract, WritesInPlaceReachTheFileAtOnce) {
  ASSERT_TRUE(backend->Put(At(L"log.txt"), "a much longer old content\r\n"));
  const std::string line("one\r\n\0\xff", 7);
  for (const OpenMode mode : {OpenMode::kOutput, OpenMode::kAppend}) {
    auto output = files.OpenOutput(At(L"log.txt"), mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"one")));
    EXPECT_TRUE(Succeeded((*output)->WriteBytes(line.substr(5))));
    const auto read = files.ReadWholeFile(At(L"log.txt"));
    ASSERT_TRUE(Succeeded(read));
    EXPECT_EQ(std::string(read->begin(), read->end()),
              mode == OpenMode::kOutput ? line : line + line);
  }
  EXPECT_TRUE(Succeeded(Store(At(L"new.txt"), OpenMode::kAppend, "only")));
  EXPECT_EQ(backend->Get(At(L"new.txt")), "only");
}

// A replacement takes the target's place at Close, complete; dropped, it leaves the old file.
TEST_P(FileSystemContract, AReplacementTakesTheTargetsPlaceAtCloseOnly) {
  const std::tuple<OpenMode, std::optional<std::string>, std::string> rows[] = {
      {OpenMode::kReplace, "a much longer old content\r\n", "new"},
      {OpenMode::kReplace, std::nullopt, "new"},
      {OpenMode::kReplaceAppending, "old\r\n", "old\r\nnew"},
      {OpenMode::kReplaceAppending, std::nullopt, "new"},
  };
  for (const auto& [mode, old, expected] : rows) {
    for (const bool close : {false, true}) {
      if (old) {
        ASSERT_TRUE(backend->Put(At(L"Settings.dat"), *old));
      }
      EXPECT_TRUE(Succeeded(Store(At(L"Settings.dat"), mode, "new", close)));
      EXPECT_EQ(backend->Get(At(L"Settings.dat")), close ? expected : old);
      EXPECT_EQ(backend->FileNames(root).size(), old || close ? 1u : 0u) << "no temporary file";
    }
    ASSERT_TRUE(Succeeded(files.RemoveFile(At(L"Settings.dat"))));
  }
}

// Text in the ANSI code page, "?" for a character it lacks; a line ends at CR LF or a lone CR, not
// at a lone LF, also across the blocks a file is read in; a path the code page cannot hold is
// recorded by its short form, or not at all.
TEST_P(FileSystemContract, TextAndRecordsAreInTheAnsiCodePage) {
  if (backend->AnsiCodePage() != 1252) GTEST_SKIP() << "expects code page 1252";
  auto output = files.OpenOutput(At(L"ansi.txt"), OpenMode::kOutput);
  ASSERT_TRUE(Succeeded(output));
  EXPECT_TRUE(Succeeded(
      FirstFailure({(*output)->WriteLine(L"caf\u00e9 \u20ac\u0416"), (*output)->Close()})));
  EXPECT_EQ(backend->Get(At(L"ansi.txt")), "caf\xe9 \x80?\r\n");
  const auto read_lines = [&](std::string_view bytes) {
    EXPECT_TRUE(backend->Put(At(L"lines.txt"), bytes));
    Lines lines;
    auto input = files.OpenInput(At(L"lines.txt"));
    while (auto line = input ? input->ReadLine() : std::nullopt) lines.push_back(*line);
    return lines;
  };
  const std::string x(65534, 'x');
  const std::pair<std::string, Lines> rows[] = {
      {"caf\xe9 \x80\r\ntwo\r\n", {L"caf\u00e9 \u20ac", L"two"}},
      {"\r\n\r\nx", {L"", L"", L"x"}},  // the last line needs no end
      {"a\nb\r\nc\n", {L"a\nb", L"c\n"}},
      {"a\rb\r\rc\r\n\rd", {L"a", L"b", L"", L"c", L"", L"d"}},
      {"", {}},
      {std::string("a\0b\r\n", 5), {std::wstring(L"a\0b", 3)}},
      {x + "\r\ntail", {std::wstring(x.begin(), x.end()), L"tail"}},
      {x + "x\r\ntail", {std::wstring(x.begin(), x.end()) + L"x", L"tail"}},
      {x + "xx\rtail", {std::wstring(x.begin(), x.end()) + L"xx", L"tail"}},
  };
  for (const auto& [bytes, lines] : rows) EXPECT_EQ(read_lines(bytes), lines) << bytes.size();
  EXPECT_EQ(files.RecordablePath(At(L"caf\u00e9")), At(L"caf\u00e9")) << "whether it exists or not";
  const std::wstring folder = At(L"Tagwright \u0416");
  ASSERT_TRUE(Succeeded(files.MakeFolder(folder)));
  EXPECT_EQ(files.RecordablePath(At(L"absent \u0416")), std::nullopt);
  const auto recordable = files.RecordablePath(folder);
  EXPECT_EQ(recordable.has_value(), backend->KeepsShortNames(folder));
  EXPECT_TRUE(!recordable || files.FolderExists(*recordable)) << "the short form names it";
}

}  // namespace
}  // namespace tgw::testing
