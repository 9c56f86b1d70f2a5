// What every FileSystem does (see contract.h). Failures carry the Win32 codes, which the
// in-memory file system gives too.

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

constexpr Error kFileNotFound{ErrorKind::kNotFound, 2};
constexpr Error kPathNotFound{ErrorKind::kNotFound, 3};
constexpr Error kAccessDenied{ErrorKind::kAccessDenied, 5};
constexpr Error kClosed{ErrorKind::kOther, 6};  // ERROR_INVALID_HANDLE
constexpr Error kBadName{ErrorKind::kBadName, 123};
constexpr Error kNotEmpty{ErrorKind::kOther, 145};
constexpr Error kExists{ErrorKind::kExists, 183};
constexpr Error kNotAFolder{ErrorKind::kBadName, 267};    // ERROR_DIRECTORY
constexpr Error kNoMapping{ErrorKind::kNoMapping, 1113};  // ERROR_NO_UNICODE_TRANSLATION

}  // namespace

Status FileSystemContract::Store(const std::wstring& path, OpenMode mode, std::string_view bytes,
                                 bool close) {
  auto output = files.OpenOutput(path, mode);
  if (!output) return output.status();
  const Status written = (*output)->WriteBytes(bytes);
  return close ? (*output)->Close() : written;
}

std::vector<std::wstring> FileSystemContract::ReadLines(std::string_view bytes) {
  const std::wstring path = At(L"lines.txt");
  EXPECT_TRUE(backend->Put(path, bytes));
  auto lines = files.ReadLines(path);
  EXPECT_TRUE(Succeeded(lines));
  return lines.value_or({});
}

std::string FileSystemContract::Written(std::initializer_list<std::wstring_view> lines) {
  const std::wstring path = At(L"written.txt");
  auto output = files.OpenOutput(path, OpenMode::kOutput);
  EXPECT_TRUE(Succeeded(output));
  if (!output) return {};
  for (const auto line : lines) EXPECT_TRUE(Succeeded((*output)->WriteLine(line)));
  EXPECT_TRUE(Succeeded((*output)->Close()));
  return backend->Get(path).value_or("(unreadable)");
}

namespace {

TEST_P(FileSystemContract, FailuresKeepTheirKindAndCode) {
  ASSERT_TRUE(backend->Put(At(L"file"), "x"));
  ASSERT_TRUE(Succeeded(files.MakeFolder(At(L"folder"))));
  ASSERT_TRUE(backend->Put(At(L"folder\\inside"), "y"));
  const std::wstring missing = At(L"missing\\file");
  const struct {
    const char* what;
    Status outcome;
    Error expected;
  } kCases[] = {
      {"MakeFolder of a folder", files.MakeFolder(At(L"folder")), kExists},
      {"MakeFolder of a file", files.MakeFolder(At(L"file")), kExists},
      {"MakeFolder below a missing one", files.MakeFolder(missing), kPathNotFound},
      {"MakeFolder below a file", files.MakeFolder(At(L"file\\inner")), kPathNotFound},
      {"RemoveFolder of a full one", files.RemoveFolder(At(L"folder")), kNotEmpty},
      {"RemoveFolder of a file", files.RemoveFolder(At(L"file")), kNotAFolder},
      {"RemoveFolder of a missing one", files.RemoveFolder(At(L"absent")), kFileNotFound},
      {"RemoveFolder below a missing one", files.RemoveFolder(missing), kPathNotFound},
      {"RemoveFile of a folder", files.RemoveFile(At(L"folder")), kAccessDenied},
      {"RemoveFile of a missing one", files.RemoveFile(At(L"absent")), kFileNotFound},
      {"RemoveFile in a missing folder", files.RemoveFile(missing), kPathNotFound},
      {"kOutput of a folder", files.OpenOutput(At(L"folder"), OpenMode::kOutput).status(),
       kAccessDenied},
      {"kAppend of a folder", files.OpenOutput(At(L"folder"), OpenMode::kAppend).status(),
       kAccessDenied},
      {"kReplaceAppending of a folder",
       files.OpenOutput(At(L"folder"), OpenMode::kReplaceAppending).status(), kAccessDenied},
      // A replacement is written beside the path: its move there fails.
      {"kReplace of a folder", Store(At(L"folder"), OpenMode::kReplace, "x"), kAccessDenied},
      {"Copy of a missing file", files.Copy(At(L"absent"), At(L"to")), kFileNotFound},
      {"Copy from a missing folder", files.Copy(missing, At(L"to")), kPathNotFound},
      {"Copy of a folder", files.Copy(At(L"folder"), At(L"to")), kAccessDenied},
      {"Copy into a missing folder", files.Copy(At(L"file"), missing), kPathNotFound},
      {"Copy over a folder", files.Copy(At(L"file"), At(L"folder")), kAccessDenied},
      {"ReadWholeFile of a folder", files.ReadWholeFile(At(L"folder")).status(), kAccessDenied},
      {"ReadWholeFile of a missing file", files.ReadWholeFile(At(L"absent")).status(),
       kFileNotFound},
      {"ReadWholeFile in a missing folder", files.ReadWholeFile(missing).status(), kPathNotFound},
  };
  for (const auto& c : kCases) EXPECT_EQ(FailureOf(c.outcome), c.expected) << c.what;
  for (const OpenMode mode : kModes) {
    EXPECT_EQ(FailureOf(files.OpenOutput(missing, mode)), kPathNotFound) << static_cast<int>(mode);
  }
  // Onto itself: the copy holds the source open while the move over it is tried.
  EXPECT_EQ(FailureKind(files.Copy(At(L"file"), At(L"FILE"))), ErrorKind::kInUse);
  EXPECT_EQ(backend->Get(At(L"file")), "x");
  EXPECT_EQ(backend->Get(At(L"folder\\inside")), "y");
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"missing"))), false);
  EXPECT_EQ(backend->FileNames(root), Names{L"file"}) << "nothing made, no temporary file left";
}

TEST_P(FileSystemContract, FoldersAreMadeOneAtATimeAndRemovedWhenEmpty) {
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"made"))), false);
  EXPECT_TRUE(Succeeded(files.MakeFolder(At(L"made"))));
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"made"))), true);
  EXPECT_TRUE(Succeeded(files.MakeFolder(At(L"made\\inner\\"))));
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"made\\inner"))), true);
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"made\\inner\\"))), true);
  EXPECT_TRUE(Succeeded(files.RemoveFolder(At(L"made\\inner"))));
  EXPECT_TRUE(Succeeded(files.RemoveFolder(At(L"made"))));
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"made"))), false);
}

TEST_P(FileSystemContract, FilesHaveLengthsAndGoWhenRemoved) {
  ASSERT_TRUE(backend->Put(At(L"five.bin"), "12345"));
  ASSERT_TRUE(backend->Put(At(L"empty.bin"), ""));
  EXPECT_EQ(ValueOf(files.FileLength(At(L"five.bin"))), 5u);
  EXPECT_EQ(ValueOf(files.FileLength(At(L"empty.bin"))), 0u);
  EXPECT_EQ(FailureOf(files.FileLength(At(L"absent.bin"))), kFileNotFound);
  EXPECT_EQ(FailureOf(files.FileLength(root)), kAccessDenied) << "a folder is not a file";
  EXPECT_EQ(FailureOf(files.ReadLines(At(L"absent.bin"))), kFileNotFound);
  EXPECT_EQ(FailureOf(files.ReadLines(root)), kAccessDenied);
  EXPECT_EQ(ValueOf(files.FolderExists(root)), true);
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"five.bin"))), false);
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"absent"))), false);
  for (const std::wstring& path : {At(L"five.bin"), root, At(L"absent")}) {
    EXPECT_EQ(ValueOf(files.IsReparsePoint(path)), false) << PrintToString(path);
  }
  EXPECT_TRUE(Succeeded(files.RemoveFile(At(L"five.bin"))));
  EXPECT_EQ(backend->FileNames(root), Names{L"empty.bin"});
}

// --- Paths ---

TEST_P(FileSystemContract, PathsAreReadAsWindowsReadsThem) {
  ASSERT_TRUE(Succeeded(files.MakeFolder(At(L"Sub"))));
  ASSERT_TRUE(backend->Put(At(L"Sub\\Caf\u00e9 \u0416.Txt"), "abc"));
  for (const std::wstring& same : {
           At(L"sUB\\CAF\u00c9 \u0436.tXT"),                 // letter case, beyond ASCII too
           root + L"/Sub\\\\\\Caf\u00e9 \u0416.Txt",         // "/", repeated separators
           At(L".\\Sub\\absent\\..\\Caf\u00e9 \u0416.Txt"),  // "." and ".."
           At(L"Sub.\\Caf\u00e9 \u0416.Txt. ."),             // final dots and spaces
       }) {
    EXPECT_EQ(ValueOf(files.FileLength(same)), 3u) << PrintToString(same);
  }
  EXPECT_FALSE(files.FileLength(At(L"Sub\\Caf\u00e9 \u0416.Txt\\")).ok())
      << "a final backslash names a folder";
  EXPECT_FALSE(files.ReadLines(At(L"Sub\\Caf\u00e9 \u0416.Txt\\")).ok());
  EXPECT_EQ(ValueOf(files.FolderExists(At(L"Sub\\\\"))), true);
  // Written the same way.
  EXPECT_TRUE(Succeeded(Store(root + L"//sub/./New.txt.", OpenMode::kReplace, "new")));
  EXPECT_TRUE(Succeeded(files.Copy(root + L"\\\\SUB\\\\NEW.TXT", At(L"Sub\\copy.txt"))));
  EXPECT_EQ(backend->FileNames(At(L"Sub")),
            (Names{L"caf\u00e9 \u0436.txt", L"copy.txt", L"new.txt"}));
  EXPECT_EQ(backend->Get(At(L"Sub\\copy.txt")), "new");
}

TEST_P(FileSystemContract, ANameWindowsCannotHoldNamesNothingAndIsMadeNowhere) {
  ASSERT_TRUE(backend->Put(At(L"a.txt"), "abc"));
  const std::wstring with_null = At(std::wstring(L"a.txt\0.exe", 10));
  for (const std::wstring& bad : {std::wstring(), with_null, At(L"a?b"), At(L"a*b"), At(L"a<b"),
                                  At(L"a>b"), At(L"a|b"), At(L"a\"b"), At(L"a\tb")}) {
    SCOPED_TRACE(PrintToString(bad));
    EXPECT_EQ(FailureOf(files.MakeFolder(bad)), kBadName);
    for (const OpenMode mode : kModes) {
      EXPECT_EQ(FailureOf(Store(bad, mode, "x")), kBadName) << static_cast<int>(mode);
    }
    EXPECT_EQ(FailureOf(files.Copy(At(L"a.txt"), bad)), kBadName);
    EXPECT_EQ(FailureOf(files.Copy(bad, At(L"to.txt"))), kBadName);
    EXPECT_EQ(FailureOf(files.RemoveFile(bad)), kBadName);
    EXPECT_EQ(FailureOf(files.RemoveFolder(bad)), kBadName);
    EXPECT_EQ(FailureOf(files.FileLength(bad)), kBadName);
    EXPECT_EQ(FailureOf(files.FolderExists(bad)), kBadName);
    EXPECT_EQ(FailureOf(files.IsReparsePoint(bad)), kBadName);
    EXPECT_FALSE(files.ReadLines(bad).ok());
    EXPECT_FALSE(files.ReadWholeFile(bad).ok());
  }
  EXPECT_EQ(FailureOf(files.RecordablePath(with_null)), kBadName);
  EXPECT_EQ(backend->FileNames(root), Names{L"a.txt"}) << "nothing made, no temporary file left";
}

// --- Writing ---

TEST_P(FileSystemContract, LinesAndBytesAreWrittenAsTheyAre) {
  EXPECT_EQ(Written({L"Language=english"}), "Language=english\r\n") << "CR LF, no BOM";
  EXPECT_EQ(Written({L"", L"x", L""}), "\r\nx\r\n\r\n");
  const std::string bytes("\0\xff\r\n\n\x1a", 6);
  for (const OpenMode mode : kModes) {
    EXPECT_TRUE(Succeeded(Store(At(L"raw.bin"), mode, bytes)));
    EXPECT_EQ(backend->Get(At(L"raw.bin")), bytes) << static_cast<int>(mode);
    ASSERT_TRUE(Succeeded(files.RemoveFile(At(L"raw.bin"))));
  }
  EXPECT_TRUE(Succeeded(Store(At(L"raw.bin"), OpenMode::kReplace, "")));
  EXPECT_EQ(backend->Get(At(L"raw.bin")), "") << "an empty file is made";
}

TEST_P(FileSystemContract, OutputEmptiesAnExistingFileAndAppendWritesAfterIt) {
  const std::wstring path = At(L"log.txt");
  ASSERT_TRUE(backend->Put(path, "a much longer old content\r\n"));
  EXPECT_TRUE(Succeeded(Store(path, OpenMode::kOutput, "first\r\n")));
  EXPECT_TRUE(Succeeded(Store(path, OpenMode::kAppend, "second\r\n")));
  EXPECT_TRUE(Succeeded(Store(path, OpenMode::kAppend, "third")));
  EXPECT_EQ(backend->Get(path), "first\r\nsecond\r\nthird");
  EXPECT_TRUE(Succeeded(Store(At(L"new.txt"), OpenMode::kAppend, "only")));
  EXPECT_EQ(backend->Get(At(L"new.txt")), "only") << "kAppend makes a missing file";
}

// The install log: the program may end with it open, and what was written must be in the file
// by then; the log reads itself back while open.
TEST_P(FileSystemContract, InPlaceWritesReachTheFileAtOnce) {
  for (const OpenMode mode : {OpenMode::kOutput, OpenMode::kAppend}) {
    const std::wstring path = At(L"open.txt");
    ASSERT_TRUE(backend->Put(path, ""));
    auto output = files.OpenOutput(path, mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"one")));
    EXPECT_EQ(backend->Get(path), "one\r\n");
    EXPECT_TRUE(Succeeded((*output)->WriteBytes("two")));
    const auto read = files.ReadWholeFile(path);
    ASSERT_TRUE(Succeeded(read));
    EXPECT_EQ(std::string(read->begin(), read->end()), "one\r\ntwo");
    output->reset();  // dropped without Close: kept as far as it got
    EXPECT_EQ(backend->Get(path), "one\r\ntwo");
  }
}

TEST_P(FileSystemContract, CloseSucceedsOnceAndWritingAfterItFails) {
  for (const OpenMode mode : kModes) {
    auto output = files.OpenOutput(At(L"closed.txt"), mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"line")));
    EXPECT_TRUE(Succeeded((*output)->Close()));
    EXPECT_EQ(FailureOf((*output)->Close()), kClosed);
    EXPECT_EQ(FailureOf((*output)->WriteLine(L"late")), kClosed);
    EXPECT_EQ(FailureOf((*output)->WriteBytes("late")), kClosed);
    EXPECT_EQ(backend->Get(At(L"closed.txt")), "line\r\n") << static_cast<int>(mode);
    ASSERT_TRUE(Succeeded(files.RemoveFile(At(L"closed.txt"))));
  }
}

// --- Replacing ---

TEST_P(FileSystemContract, AReplacementTakesTheTargetsPlaceAtClose) {
  const struct {
    OpenMode mode;
    std::optional<std::string> old;
    std::string expected;
  } kCases[] = {
      {OpenMode::kReplace, "a much longer old content\r\n", "new\r\n"},
      {OpenMode::kReplace, std::nullopt, "new\r\n"},
      {OpenMode::kReplaceAppending, "old\r\n", "old\r\nnew\r\n"},
      {OpenMode::kReplaceAppending, "old without end", "old without endnew\r\n"},
      {OpenMode::kReplaceAppending, std::nullopt, "new\r\n"},
  };
  const std::wstring target = At(L"Settings.dat");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.old.value_or("(absent)"));
    if (c.old) {
      ASSERT_TRUE(backend->Put(target, *c.old));
    }
    auto output = files.OpenOutput(target, c.mode);
    ASSERT_TRUE(Succeeded(output));
    EXPECT_TRUE(Succeeded((*output)->WriteLine(L"new")));
    EXPECT_EQ(backend->Get(target), c.old) << "untouched until Close";
    EXPECT_TRUE(Succeeded((*output)->Close()));
    EXPECT_EQ(backend->Get(target), c.expected);
    EXPECT_EQ(backend->FileNames(root), Names{L"settings.dat"});
    ASSERT_TRUE(Succeeded(files.RemoveFile(target)));
  }
}

TEST_P(FileSystemContract, AReplacementDroppedWithoutCloseLeavesTheOldFile) {
  ASSERT_TRUE(backend->Put(At(L"Tagwright.exe"), "old"));
  for (const OpenMode mode : {OpenMode::kReplace, OpenMode::kReplaceAppending}) {
    EXPECT_TRUE(Succeeded(Store(At(L"Tagwright.exe"), mode, "new", /*close=*/false)));
    EXPECT_EQ(backend->Get(At(L"Tagwright.exe")), "old");
    EXPECT_EQ(backend->FileNames(root), Names{L"tagwright.exe"}) << "no temporary file left";
  }
}

TEST_P(FileSystemContract, CopyMakesOrReplacesTheDestination) {
  const std::wstring source = At(L"source.bin");
  const std::wstring target = At(L"target.bin");
  ASSERT_TRUE(backend->Put(source, "new"));
  EXPECT_TRUE(Succeeded(files.Copy(source, target)));
  EXPECT_EQ(backend->Get(target), "new");
  ASSERT_TRUE(backend->Put(target, "a longer old destination"));
  EXPECT_TRUE(Succeeded(files.Copy(source, target)));
  EXPECT_EQ(backend->Get(target), "new");
  EXPECT_EQ(backend->Get(source), "new");
  EXPECT_EQ(backend->FileNames(root), (Names{L"source.bin", L"target.bin"}));
}

// --- The ANSI code page ---

TEST_P(FileSystemContract, TextIsInTheAnsiCodePage) {
  const unsigned code_page = backend->AnsiCodePage();
  if (code_page != 1252) GTEST_SKIP() << "expects code page 1252, not " << code_page;
  // Latin letters, and characters Windows-1252 keeps at 0x80 to 0x9F; U+0416 CYRILLIC CAPITAL
  // LETTER ZHE has no place in it.
  const std::wstring text = L"caf\u00e9 cr\u00e8me \u20ac\u2019\u0152";
  EXPECT_EQ(Written({text, L"a\u0416b"}), "caf\xe9 cr\xe8me \x80\x92\x8c\r\na?b\r\n");
  EXPECT_EQ(ReadLines("caf\xe9 cr\xe8me \x80\x92\x8c\r\n\x81\x9f"), (Lines{text, L"\u0081\u0178"}));
  EXPECT_EQ(ValueOf(files.RecordablePath(At(L"Ann\u2019s caf\u00e9"))),
            At(L"Ann\u2019s caf\u00e9"));
}

TEST_P(FileSystemContract, RecordablePathIsThePathOrItsShortFormOrNothing) {
  EXPECT_EQ(ValueOf(files.RecordablePath(root)), root);
  EXPECT_EQ(ValueOf(files.RecordablePath(L"C:\\Program Files\\Tagwright\\")),
            L"C:\\Program Files\\Tagwright\\")
      << "whether it exists or not";
  // Cyrillic and accented Latin: no single-byte code page holds both.
  const std::wstring folder = At(L"Tagwright \u0416\u00e9");
  ASSERT_TRUE(Succeeded(files.MakeFolder(folder)));
  ASSERT_TRUE(backend->Put(folder + L"\\inside.txt", "x"));
  const auto recordable = ValueOf(files.RecordablePath(folder));
  if (recordable == folder) GTEST_SKIP() << "the ANSI code page holds the name";
  EXPECT_EQ(FailureOf(files.RecordablePath(At(L"absent \u0416\u00e9"))), kFileNotFound)
      << "a missing path has no short form";
  if (!backend->KeepsShortNames(folder)) {
    EXPECT_EQ(FailureOf(files.RecordablePath(folder)), kNoMapping);
    return;
  }
  ASSERT_TRUE(recordable.has_value());
  EXPECT_EQ(ValueOf(files.RecordablePath(*recordable)), *recordable) << "the short form passes";
  EXPECT_EQ(ValueOf(files.FileLength(*recordable + L"\\inside.txt")), 1u) << "and names the folder";
}

// --- Reading ---

TEST_P(FileSystemContract, ReadLinesEndsALineAtCrLfOrALoneCrButNotAtALoneLf) {
  const struct {
    std::string_view bytes;
    Lines lines;
  } kCases[] = {
      {"one\r\ntwo\r\n", {L"one", L"two"}},
      {"\r\n\r\nx\r\n", {L"", L"", L"x"}},
      {"a\nb\r\nc\n", {L"a\nb", L"c\n"}},
      {"\n", {L"\n"}},
      {"a\rb\r\rc", {L"a", L"b", L"", L"c"}},
      {"a\r", {L"a"}},
      {"a\r\n\rb", {L"a", L"", L"b"}},
      {"abc", {L"abc"}},  // the last line needs no end
      {"x\r\nabc", {L"x", L"abc"}},
      {"", {}},
      {std::string_view("a\0b\tc\x1a\r\n", 8), {std::wstring(L"a\0b\tc\x1a", 6)}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ReadLines(c.bytes), c.lines) << PrintToString(std::string(c.bytes));
  }
}

TEST_P(FileSystemContract, ReadWholeFileGivesEveryByte) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(backend->Put(At(L"data.bin"), bytes));
  ASSERT_TRUE(backend->Put(At(L"empty.bin"), ""));
  const auto data = files.ReadWholeFile(At(L"data.bin"));
  ASSERT_TRUE(Succeeded(data));
  EXPECT_EQ(*data, std::vector<char>(bytes.begin(), bytes.end()));
  const auto empty = files.ReadWholeFile(At(L"empty.bin"));
  ASSERT_TRUE(Succeeded(empty));
  EXPECT_TRUE(empty->empty());
}

}  // namespace
}  // namespace tgw::testing
