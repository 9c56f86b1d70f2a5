// The container a setup carries (SHA-256, the integrity record, the reader), and the rules of its
// names and of the install folder.
#include "engine/payload.h"

#include <gtest/gtest.h>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/names.h"
#include "engine/sha256.h"
#include "fakes/platform.h"

namespace tgw {

const std::string kStart = "s/Parcelon/p", kFile = "p/NewFile/p", kImage = "MZ image bytes";
const std::string kBody = "a.txt/b\\c.bin/" + kFile + "AAA" + kFile + "BB" + kFile + "\r\n";
const std::string kTwoFiles = "a.txt/b\\c.bin/|AAA|BB|\r\n|:a.txt,b\\c.bin,,";

std::string Join(const std::vector<std::string_view>& parts, char separator) {
  std::string joined;
  for (const std::string_view part : parts) joined.append(part) += separator;
  return joined;
}

// A container as the packer writes it: image, start marker, integrity record, start marker, body.
std::string Sealed(const std::string& body) {
  return kImage + kStart + FormatIntegrityRecord({body.size(), Sha256Of(body)}) + kStart + body;
}

// FIPS 180-4's examples and lengths at the padding's block ends, whole and in pieces of 1, 2, ...,
// with the processor's SHA instructions (where it has them) and with the portable code.
TEST(Sha256, ExampleVectorsWholeAndInPieces) {
  const std::pair<std::string, const char*> rows[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
  };
  for (const auto& [message, digest] : rows) {
    for (const Sha256Engine engine : {Sha256Engine::kFastest, Sha256Engine::kPortable}) {
      Sha256 hash(engine);
      for (std::size_t at = 0, piece = 1; at < message.size(); at += piece++ % 97) {
        hash.Update(std::string_view(message).substr(at, piece % 97));
      }
      EXPECT_EQ(ToHex(hash.Finish()), digest) << message.size() << " bytes in pieces";
      Sha256 whole(engine);
      whole.Update(message);
      EXPECT_EQ(ToHex(whole.Finish()), digest) << message.size() << " bytes";
    }
  }
}

// "tgw-body <20 digits> sha256 <64 lower-case hex digits>" CR LF, and nothing else.
TEST(IntegrityRecord, FormatsAndReadsBackAndRefusesMalformedLines) {
  const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const auto line = [](std::string_view length, std::string_view digest, const char* end = "\r\n") {
    return "tgw-body " + std::string(length) + " sha256 " + std::string(digest) + end;
  };
  for (const std::uint64_t length : {std::uint64_t{0}, std::uint64_t{3}, UINT64_MAX}) {
    const std::string digits = std::string(20, '0') + std::to_string(length);
    const std::string record = line(digits.substr(digits.size() - 20), abc);
    EXPECT_EQ(FormatIntegrityRecord({length, Sha256Of("abc")}), record);
    const auto read = ParseIntegrityRecord(record + kStart);  // what follows is not read
    EXPECT_TRUE(read && read->body_length == length && read->digest == Sha256Of("abc")) << record;
  }
  // Each refusal of the reader once (that nothing else reads is the fuzz target's round trip).
  const std::string three = "00000000000000000003", zeros(63, '0'), good = line(three, abc);
  for (const std::string& bad :
       {good.substr(0, kRecordSize - 1), line(three, abc, "\n\r"), "TGW-body " + good.substr(9),
        line("0000000000000000000x", abc), line("18446744073709551616", abc),
        "tgw-body " + three + " SHA256 " + abc + "\r\n", line(three, zeros + "A"),
        line(three, zeros + "g")}) {
    EXPECT_FALSE(ParseIntegrityRecord(bad)) << ::testing::PrintToString(bad);
  }
}

// U(nchecked) after the last start marker, I(ntact) when the integrity record holds (what follows
// the body, a signature, is not read), D(amaged) when anything after the first start marker is
// cut or flipped; then the pieces, then the names (at most one more than the files).
TEST(SplitContainer, ReadsEachKindOfContainer) {
  const auto shown = [](std::string_view whole) {
    const Payload payload = SplitContainer(whole);
    return "UID"[static_cast<int>(payload.integrity)] +
           (":" + Join(payload.pieces, '|') + ":" + Join(payload.names, ','));
  };
  const std::string slashes = std::string(50, '/') + kFile + "A" + kFile + "\r\n";
  const std::string fifty = std::string(50, '/') + "|A|\r\n|:," + std::string(49, '/') + ",";
  const std::pair<std::string, std::string> rows[] = {
      {kImage + kStart + kBody, "U:" + kTwoFiles},
      {kStart + kImage + kStart + kStart + kBody, "U:" + kTwoFiles},
      {"MZ plain image", "U:MZ plain image|:MZ plain image,"},
      {"s/parcelon/p" + kFile + "x" + kFile, "U:s/parcelon/p|x||:s,parcelon/p,"},
      {"", "U::"},
      {kStart + "e/" + kFile + kFile + "\r\n", "U:e/||\r\n|:e,,"},
      {kStart + "a/b/" + kFile + "A" + kFile + "B\r\n", "U:a/b/|A|B\r\n|:a,b/,"},
      {kStart + "a/b" + kFile + "A" + kFile + "B" + kFile, "U:a/b|A|B||:a,b,"},
      {kStart + kFile + "A" + kFile + "\r\n", "U:|A|\r\n|:"},
      {kStart + kStart + slashes, "U:" + fifty},
      {Sealed(slashes), "I:" + fifty},
      {Sealed(""), "I::"},
      {Sealed(kBody) + std::string("\0\0sign", 6) + kFile + kStart, "I:" + kTwoFiles},
  };
  for (const auto& [whole, expected] : rows) {
    EXPECT_EQ(shown(whole), expected) << ::testing::PrintToString(whole);
  }
  EXPECT_TRUE(Split("a/b", u"/", 0).empty());  // (the reader asks for one more name than files)
  const std::string whole = Sealed(kBody);
  for (std::size_t at = kImage.size() + kStart.size(); at < whole.size(); ++at) {
    std::string flipped = whole;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x01);
    EXPECT_EQ(shown(flipped), "D::") << "flipped at " << at;
    EXPECT_EQ(shown(whole.substr(0, at + 1)), at + 1 < whole.size() ? "D::" : "I:" + kTwoFiles);
  }
}

// The body is hashed and searched block by block (kReadBlock): a marker across a block's end,
// right before it or right after it splits as one anywhere else does, and the last block counts.
TEST(SplitContainer, MarkersAtTheEndsOfTheReadBlocksSplitAsAnywhere) {
  const std::string head = "a/b/" + kFile;
  for (std::size_t at = kReadBlock - kFile.size() - 1; at <= kReadBlock + 1; ++at) {
    // The second file marker starts at `at` in the body; a third one after the next block's end.
    const std::string body = head + std::string(at - head.size(), 'p') + kFile +
                             std::string(kReadBlock + 5, 's') + kFile + "\r\n";
    std::string whole = Sealed(body);
    const Payload payload = SplitContainer(whole);
    EXPECT_EQ(payload.integrity, Integrity::kIntact) << at;
    EXPECT_EQ(Join(payload.pieces, '|'), Join(Split(body, kFileMarker), '|')) << at;
    whole[whole.size() - 20] = 'x';  // in the last block
    EXPECT_EQ(SplitContainer(whole).integrity, Integrity::kDamaged) << at;
  }
}

// The running program's own file, mapped; a byte of it that cannot be read gives nothing.
TEST(ReadPayload, MapsTheProgramsFileAndGivesNothingWhenItCannotBeRead) {
  fakes::MemoryFileSystem files;
  fakes::FakeRuntime runtime;
  files.PutFile(runtime.program_file, Sealed(kBody));
  const Payload payload = ReadPayload(files, runtime);
  EXPECT_EQ(Join(payload.pieces, '|') + ":" + Join(payload.names, ','), kTwoFiles);
  const Error read_fault{ErrorKind::kOther, 30};
  files.Fail(runtime.program_file, fakes::MemoryFileSystem::Fault::At::kRead, read_fault);
  EXPECT_EQ(payload.ReadStatus().error(), read_fault);
  const Payload unread = ReadPayload(files, runtime);
  EXPECT_TRUE(unread.pieces.empty());
  EXPECT_EQ(unread.read_error, read_fault);
}

// Names and the fault each has below a folder of 27 characters (the default install folder).
TEST(CheckName, TheRuleForPayloadNames) {
  using enum NameFault;
  std::vector<std::pair<NameFault, std::vector<std::string>>> rows = {
      {kDeviceName,
       {"CON", "prn", "Aux.txt", "NUL", "nul.tar.gz", "NUL .txt", "a\\AUX.txt\\b", "docs\\con",
        "CONIN$", "conout$.log", "COM\xB9", "com\xB2.txt", "x\\LpT\xB3"}},
      {kEmpty, {""}},
      {kRooted, {"\\x", "\\\\srv\\share\\x"}},
      {kEmptyPart, {"a\\\\b", "a\\"}},
      {kDotOrSpaceEnd, {"a.", "a ", "a.\\b", "a\\b .", "..", "a\\..\\b", ".\\x"}},
      {kReservedCharacter, {"c:x", "file.txt:stream:$DATA"}},
      {kControlCharacter, {}},
      {kPartTooLong, {"a\\" + std::string(256, 'p')}},
      {kPathTooLong, {std::string(233, 'p'), std::string(100, 'p') + "\\" + std::string(140, 'q')}},
      {kNone,
       {std::string(232, 'p'), ".htaccess", "x..y", " leading space", "con_x.txt", "conx",
        "com10.txt", "lpt.txt", "COM\xB4", "languages\\english\\about.lng",
        "a=b+c,d;e[f]{g}'h!@#$%&~^`.txt"}},  // every other printable character
  };
  for (const std::string stem : {"COM", "lpt", "Com"}) {
    for (char digit = '0'; digit <= '9'; ++digit) rows[0].second.push_back("d\\" + stem + digit);
  }
  for (const char c : std::string_view("<>:\"|?*/")) rows[5].second.push_back({'a', c});
  for (char c = 0; c < 0x20; ++c) rows[6].second.push_back({'a', c, 'b'});
  for (const auto& [fault, names] : rows) {
    for (const std::string& name : names) {  // each byte a character: "\xB9" is "¹"
      EXPECT_EQ(CheckName(name, 27), fault) << ::testing::PrintToString(name.substr(0, 40)) << ": "
                                            << DescribeNameFault(CheckName(name, 27));
    }
  }
  // A part too long, or a folder too long for any name.
  const std::tuple<std::string, std::size_t, NameFault> lengths[] = {
      {std::string(255, 'p'), 0, NameFault::kNone},
      {std::string(256, 'p'), 0, kPartTooLong},
      {"x", 258, kNone},
      {"x", 259, kPathTooLong},
      {"x", SIZE_MAX, kPathTooLong}};
  for (const auto& [name, folder, fault] : lengths) EXPECT_EQ(CheckName(name, folder), fault);
}

TEST(AsInstallFolder, AbsoluteFoldersOnlyWithAFinalBackslash) {
  const std::wstring part255(255, L'p');
  for (const std::wstring& folder : std::initializer_list<std::wstring>{
           L"c:\\program files\\Tagwright\\", L"D:\\x\\", L"\\\\server\\share\\",
           L"\\\\server\\share\\sub dir\\", L"C:\\" + part255 + L"\\"}) {  // 259 characters
    EXPECT_EQ(AsInstallFolder(folder), folder);
    EXPECT_EQ(AsInstallFolder(folder.substr(0, folder.size() - 1)), folder);
  }
  EXPECT_EQ(AsInstallFolder(L"C:\\"), L"C:\\");
  // clang-format off
  const std::wstring refused[] = {
      L"", L"x", L"program files\\x", L"\\x", L"D:", L"D:x", L"1:\\x", L"C:/x", L"\\\\.\\C:\\",
      L"\\\\?\\C:\\x", L"\\\\server", L"\\\\server\\", L"\\\\server\\\\share", L"\\\\\\share",
      L"C:\\a\\CON\\b", L"C:\\a\\com1.txt", L"\\\\server\\nul", L"C:\\a.\\b", L"C:\\a \\b",
      L"C:\\..\\b", L"C:\\\\a", L"C:\\a\\\\b", L"C:\\a\\\\", L"C:\\a|b", L"C:\\a\tb",
      L"C:\\" + part255 + L"x", L"C:\\" + part255 + L"\\x",
      L"C:\\" + std::wstring(200, L'p') + L"\\" + std::wstring(60, L'q')};
  // clang-format on
  for (const std::wstring& folder : refused) {
    EXPECT_EQ(AsInstallFolder(folder), std::nullopt) << folder.size() << " characters";
  }
}

}  // namespace tgw
