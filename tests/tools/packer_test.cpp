// tgwpack: the manifest's rules, the container it writes, its refusals, --list and --verify.
#include "packer/packer.h"

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/names.h"
#include "engine/sha256.h"
#include "packer/manifest.h"
#include "packer/marker_guard.h"
#include "tool_test.h"

namespace tgw::pack {

using testing::Refusal;
using Files = std::vector<std::pair<std::string, std::string>>;  // name, content
const std::string kStart = MarkerBytes(kStartMarker), kFile = MarkerBytes(kFileMarker);

// The manifest's entries as "name@line ...", or its refusal.
std::string Parsed(const std::string& text) {
  std::string parsed;
  const std::string refusal = Refusal([&] {
    for (const ManifestEntry& entry : ParseManifest(text, "m.txt")) {
      parsed += entry.name + "@" + std::to_string(entry.line) + " ";
    }
  });
  return refusal == "(done)" ? parsed : refusal;
}

TEST(ParseManifest, NamesOneFileALineAndRefusesWhatTheContainerOrWindowsCannotHold) {
  const std::string bytes = "m.txt:1: 'a\\x7F\\xC3' holds the byte 0x7F, outside printable ASCII";
  const std::pair<std::string, std::string> rows[] = {
      {"a.txt\r\n\r\nb\\c.txt\n\n \t\r\nd", "a.txt@1 b\\c.txt@3 d@6 "},
      {"x" + kStart, "m.txt:1: 'x" + kStart + "' holds the container's start marker"},
      {kFile + ".txt", "m.txt:1: '" + kFile + ".txt' holds the container's file marker"},
      {"a\x7F\xC3", bytes},
      {"a\tb", "m.txt:1: 'a\\x09b' holds the byte 0x09, outside printable ASCII"},
      {"ok.txt\nbad/name\n",
       "m.txt:2: 'bad/name' " + std::string(DescribeNameFault(NameFault::kReservedCharacter))},
      {"Docs\\AZ.txt\nb\r\ndocs\\az.TXT\n",
       "m.txt:3: 'docs\\az.TXT' is listed twice: line 1 names it too (letter case does not count)"},
      {"x\\y.txt\nX\n", "m.txt:2: 'X' names a file where line 1 needs a folder"},
      {"\n\r\n", "m.txt: lists no files"},
      {"\xEF\xBB\xBF"
       "a.txt",
       "m.txt:1: starts with a UTF-8 byte order mark; save it without one"},
  };
  for (const auto& [text, parsed] : rows) EXPECT_EQ(Parsed(text), parsed);
}

// A fresh folder for each test: product/ holds the files to pack, image.bin the image,
// manifest.txt their names; out/ the output.
class Packer : public testing::ToolTest {
 public:
  Packer() { std::filesystem::create_directory(dir_ / "out"); }

  // Writes the files, their manifest and the image; the options pack them into out/setup.exe.
  PackOptions Prepare(const Files& files, std::string_view image = "MZ image\n") const {
    std::string manifest;
    for (const auto& [name, content] : files) {
      Write(SourcePath("product", name), content);
      manifest += name + "\r\n";
    }
    Write("manifest.txt", manifest);
    Write("image.bin", image);
    return {Path("image.bin"),     Path("product"),   Path("manifest.txt"),
            Path("out/setup.exe"), kDefaultChunkSize, {}};
  }
  // The refusal of packing, and what it left in out/.
  std::string Refused(const PackOptions& options) const {
    std::string left;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ / "out")) {
      left += " " + entry.path().filename().string();
    }
    return Refusal([&] { Pack(options); }) + left;
  }
};

TEST_F(Packer, WritesImageStartMarkerRecordStartMarkerAndBody) {
  // A file marker split between two contents is none: written markers stand between its halves.
  const std::string head = "x" + kFile.substr(0, 7), rest = kFile.substr(7);
  PackOptions options = Prepare({{"a.txt", head}, {"d\\b", ""}, {"c", rest}});
  options.chunk_size = 5;  // written out 5 bytes at a time, the record patched in afterwards
  const PackSummary summary = Pack(options);
  const std::string body = "a.txt/d\\b/c/" + kFile + head + kFile + kFile + rest + kFile + "\r\n";
  const IntegrityRecord record{body.size(), Sha256Of(body)};
  const std::string whole = "MZ image\n" + kStart + FormatIntegrityRecord(record) + kStart + body;
  EXPECT_EQ(Read("out/setup.exe"), whole);
  EXPECT_EQ(
      std::tuple(summary.files, summary.content_bytes, summary.output_bytes, summary.body_sha256),
      std::tuple(3U, 12U, whole.size(), ToHex(record.digest)));
}

// Where the reader would see a marker that was not written as one, across every chunk boundary.
TEST_F(Packer, RefusesAMarkerTheReaderWouldTakeAndLeavesNothing) {
  for (const std::u16string_view marker16 : {kStartMarker, kFileMarker}) {
    const std::string marker = MarkerBytes(marker16), title(MarkerTitle(marker16));
    for (std::size_t at = 0; at < 20; ++at) {
      PackOptions options = Prepare({{"ok", "fine"}, {"t\\b", std::string(at, '-') + marker}});
      options.chunk_size = 8;
      EXPECT_EQ(Refused(options), Path("manifest.txt") + ":2: 't\\b' (" + Path("product/t/b") +
                                      "): holds the " + title + " at byte " + std::to_string(at));
    }
    // Unguarded, the reader would take a marker one byte before the written one.
    const std::string end = "abc" + marker.substr(0, marker.size() - 1);
    EXPECT_EQ(Refused(Prepare({{"x", end}, {"y", "y"}})),
              Path("manifest.txt") + ":1: 'x' (" + Path("product/x") +
                  "): its end runs into the marker written after it and reads as the " + title +
                  " at byte 3");
    PackOptions options = Prepare({{"a", "a"}}, "MZ" + std::string(30, 'x') + marker + "end");
    options.chunk_size = 16;
    EXPECT_EQ(Refused(options), "image " + options.image + ": holds the " + title + " at byte 32");
  }
  // In the name list each name is followed by '/', which the markers hold too.
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{"a", "p", "NewFile", "p.txt", "b"},
       ":2-4: the names 'p' 'NewFile' 'p.txt' run together into the container's file marker"},
      {{"xs", "Parcelon", "pq", "z"},
       ":1-3: the names 'xs' 'Parcelon' 'pq' run together into the container's start marker"},
      {{"a", "p", "NewFile"},
       ":2-3: the names 'p' 'NewFile' run together with the file marker after the name list into "
       "the container's file marker"},
  };
  for (const auto& [names, message] : rows) {
    Files files;
    for (const std::string& name : names) files.emplace_back(name, "");
    EXPECT_EQ(Refused(Prepare(files)), Path("manifest.txt") + message + "; rename or reorder them");
  }
}

TEST_F(Packer, RefusesMissingOrIrregularFilesAndTheWrongOutputAndKeepsAnOlderOutput) {
  PackOptions options = Prepare({{"a.txt", "a"}, {"sub\\b.txt", "b"}});
  const std::string b = Path("manifest.txt") + ":2: 'sub\\b.txt' (" + Path("product/sub/b.txt");
  std::filesystem::remove(Path("product/sub/b.txt"));
  EXPECT_EQ(Refused(options),
            b + "): cannot open " + Path("product/sub/b.txt") + ": No such file or directory");
  std::filesystem::create_directory(Path("product/sub/b.txt"));
  EXPECT_EQ(Refused(options), b + "): " + Path("product/sub/b.txt") + " is not a regular file");
  options = Prepare({{"a.txt", "a"}});
  options.output = options.image;
  EXPECT_EQ(Refused(options), "output " + options.image + ": is the image itself");
  options.output = Path("product/a.txt");
  EXPECT_EQ(Refused(options), Path("manifest.txt") + ":1: 'a.txt' (" + Path("product/a.txt") +
                                  "): is the output " + options.output);
  // A source that shrinks or grows once its first chunk is written; an older output stays.
  for (const std::uintmax_t size : {std::uintmax_t{10}, std::uintmax_t{30}}) {
    options = Prepare({{"a.txt", "a"}, {"b.txt", std::string(20, 'b')}});
    Write("out/setup.exe", "older");
    options.chunk_size = 4;
    options.progress = [&](const std::string& path, std::uint64_t copied) {
      if (path.ends_with("b.txt") && copied == 4) std::filesystem::resize_file(path, size);
    };
    const std::string n = std::to_string(size);
    EXPECT_EQ(Refused(options), Path("manifest.txt") + ":2: 'b.txt' (" + Path("product/b.txt") +
                                    "): changed size while it was packed (20 bytes before, " + n +
                                    " read, " + n + " after); pack again once it is complete " +
                                    "setup.exe");
    EXPECT_EQ(Read("out/setup.exe"), "older");
  }
}

const Files kFiles = {{"readme.txt", "Read me first.\r\n"},
                      {"languages\\english\\about.lng", std::string(1234, 'a')},
                      {"templates\\empty.htm", ""}};

// The setup as an older packer wrote it: the start marker twice, no integrity record.
std::string WithoutRecord(const std::string& setup) {
  const std::size_t record = setup.find(kStart) + kStart.size();
  return setup.substr(0, record) + setup.substr(record + kRecordSize);
}

TEST_F(Packer, ListPrintsSizesNamesTotalAndTheIntegrityRecordOrWhyItIsDamaged) {
  Pack(Prepare(kFiles));
  const std::string setup = Read("out/setup.exe");
  const std::string body = setup.substr(setup.rfind(kStart) + kStart.size());
  const std::size_t after_record = setup.find(kStart) + kStart.size() + kRecordSize;
  const std::string listed =
      "     16  readme.txt\n   1234  languages\\english\\about.lng\n      0  templates\\empty.htm\n"
      "   1250  total in 3 files\n";
  const std::string record = "integrity record: the body's " + std::to_string(body.size()) +
                             " bytes match SHA-256 " + ToHex(Sha256Of(body));
  std::string marker = setup;
  marker[after_record] = 'S';
  const std::string damaged = Path("out/setup.exe") + ": DAMAGED: ";
  // (An older setup's and a changed one's are Verify's.)
  const std::pair<std::string, std::string> rows[] = {
      {setup, listed + record + "\n"},
      {setup + "signature",
       listed + record + "; the 9 bytes after it (such as a signature) are ignored\n"},
      {setup.substr(0, setup.size() - 1),
       damaged + "its body is cut short: " + std::to_string(body.size() - 1) + " of the " +
           std::to_string(body.size()) + " bytes its integrity record gives"},
      {setup.substr(0, after_record - 1),
       damaged + "its integrity record is cut short or unreadable"},
      {marker, damaged + "the start marker after its integrity record is cut short or changed"},
      {"MZ", Path("out/setup.exe") + ": holds no container (no start marker)"},
  };
  for (const auto& [bytes, shown] : rows) {
    Write("out/setup.exe", bytes);
    std::ostringstream out;
    const std::string refusal = Refusal([&] { ListSetup(Path("out/setup.exe"), out); });
    EXPECT_EQ(refusal == "(done)" ? out.str() : refusal, shown);
  }
}

// "OK: ..." and the integrity line when the setup holds the manifest's files, else what differs.
TEST_F(Packer, VerifyComparesTheSetupWithTheManifestsFiles) {
  const std::string setup = Path("out/setup.exe"), manifest = Path("manifest.txt");
  const auto verified = [&] {
    std::ostringstream out;
    const bool ok = VerifySetup(setup, Path("product"), manifest, out);
    EXPECT_EQ(ok, out.str().starts_with("OK"));
    return out.str();
  };
  const std::string differs = "DIFFERS: " + setup + " does not match " + manifest + ":\n  ";
  Pack(Prepare(kFiles));
  std::string packed = Read("out/setup.exe");
  Write("out/setup.exe", WithoutRecord(packed));
  EXPECT_EQ(verified(), "OK: " + setup + " holds the 3 files of " + manifest +
                            " in order\nno integrity record (an older setup): its body is read "
                            "unchecked\n");
  Write("out/setup.exe", WithoutRecord(packed).substr(0, packed.size() - kRecordSize - 2));
  EXPECT_TRUE(verified().starts_with(
      differs + "the container does not end with CR LF after the closing file marker\n"));
  packed[packed.find(std::string(1234, 'a')) + 1000] = 'b';
  Write("out/setup.exe", packed);
  EXPECT_TRUE(verified().starts_with("DAMAGED: " + setup + ": its body differs from"));
  Pack(Prepare({kFiles[0], kFiles[2]}));
  Prepare(kFiles);
  Write(SourcePath("product", kFiles[0].first), "Read me first!\r\n");
  EXPECT_TRUE(verified().starts_with(
      differs + "holds 2 files, the manifest lists 3\n  file 1 'readme.txt' differs from " +
      Path("product/readme.txt") +
      " at byte 13\n  file 2 is named 'templates\\empty.htm', the "
      "manifest's line 2 says 'languages\\english\\about.lng'\n  file 2 "
      "'languages\\english\\about.lng' holds 0 bytes, " +
      Path("product/languages/english/about.lng") +
      " 1234\n  file 3 'templates\\empty.htm' is missing\nintegrity record: "));
  Pack(Prepare(kFiles));
  Prepare({kFiles[0], kFiles[1]});
  EXPECT_TRUE(verified().starts_with(differs + "holds 3 files, the manifest lists 2\n  file 3 "
                                               "'templates\\empty.htm' is not in the manifest\n"));
}

// tgwpack's exit codes: 0 done, 1 refused or damaged or differing, 2 a bad command line.
TEST_F(Packer, CommandLineExitCodes) {
  const PackOptions options = Prepare({{"a.txt", "a"}, {"b.txt", "b" + kFile}});
  const std::string paths = " --root " + options.root + " --manifest " + options.manifest;
  const std::string pack = "--pack " + options.image + paths + " --output " + options.output;
  const std::string list = "--list " + options.output,
                    verify = "--verify " + options.output + paths;
  const auto run = [](const std::string& args) {
    return testing::ExitCode(TGWPACK_PATH " " + args);
  };
  EXPECT_EQ(run(pack), 1);
  Write("product/b.txt", "b");
  for (const std::string& args : {pack, list, verify}) EXPECT_EQ(run(args), 0) << args;
  for (const std::string& args : {std::string("--list"), "list " + options.output,
                                  list + " --list x", "--pack " + options.image + paths}) {
    EXPECT_EQ(run(args), 2) << args;
  }
  Write("product/b.txt", "c");
  EXPECT_EQ(run(verify), 1);
}

}  // namespace tgw::pack
