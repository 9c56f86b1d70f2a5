#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/payload.h"
#include "engine/sha256.h"
#include "packer/failure.h"
#include "packer/files.h"
#include "packer/marker_guard.h"
#include "packer_fixture.h"

namespace tgw::pack {
namespace {

const std::string kStart = MarkerBytes(kStartMarker);
const std::string kFile = MarkerBytes(kFileMarker);

TEST_F(PackerTest, WritesImageStartMarkerRecordStartMarkerAndBody) {
  // A file marker split between two contents is none: written markers stand between its halves.
  const std::string head = "x" + kFile.substr(0, 7);
  const std::string rest = kFile.substr(7);
  const PackOptions options = Prepare({{"a.txt", head}, {"d\\b", ""}, {"c", rest}});
  const PackSummary summary = Pack(options);
  const std::string body = "a.txt/d\\b/c/" + kFile + head + kFile + kFile + rest + kFile + "\r\n";
  const IntegrityRecord record{body.size(), Sha256Of(body)};
  EXPECT_EQ(Read("out/setup.exe"),
            "MZ image\n" + kStart + FormatIntegrityRecord(record) + kStart + body);
  EXPECT_EQ(summary.body_sha256, ToHex(record.digest));
  EXPECT_EQ(summary.files, 3U);
  EXPECT_EQ(summary.content_bytes, 12U);
  EXPECT_EQ(summary.output_bytes, Read("out/setup.exe").size());
}

TEST_F(PackerTest, RandomContentsReadBackWithTheSetupsReader) {
  std::mt19937 random(20240611);
  auto size = [&](std::size_t most) {
    return std::uniform_int_distribution<std::size_t>(0, most)(random);
  };
  Files files;
  for (int i = 0; i < 40; ++i) {
    std::string content;
    for (std::size_t n = size(i % 4 == 0 ? 0 : 300); content.size() < n;) {
      // Bytes of every value, and pieces of the markers that must survive unsplit.
      const std::size_t pick = size(20);
      if (pick == 0)
        content += kFile.substr(0, size(kFile.size() - 1));
      else if (pick == 1)
        content += kStart.substr(1 + size(kStart.size() - 2));
      else
        content += static_cast<char>(size(255));
    }
    if (HoldsMarker(content, kStartMarker) || HoldsMarker(content, kFileMarker)) continue;
    if (content.ends_with(kFile.substr(0, kFile.size() - 1))) continue;
    files.emplace_back("dir" + std::to_string(i % 3) + "\\file" + std::to_string(i) + ".bin",
                       content);
  }
  PackOptions options = Prepare(files, std::string(1000, '\xE9'));
  options.chunk_size = 7;  // many chunk boundaries inside each file
  Pack(options);

  const std::string whole = Read("out/setup.exe");
  EXPECT_TRUE(whole.starts_with(std::string(1000, '\xE9')));
  const Payload payload = SplitContainer(whole);
  EXPECT_EQ(payload.integrity, Integrity::kIntact);
  ASSERT_EQ(payload.FileCount(), files.size());
  for (std::size_t k = 1; k <= files.size(); ++k) {
    EXPECT_EQ(payload.Name(k), files[k - 1].first);
    EXPECT_EQ(payload.Content(k), files[k - 1].second) << files[k - 1].first;
  }
}

// Packs and expects a refusal whose message holds each of `says`, leaving in out/ only `left`.
// Gives the message.
std::string ExpectRefused(const PackerTest& test, const PackOptions& options,
                          std::initializer_list<std::string> says,
                          const std::vector<std::string>& left = {}) {
  std::string message = "(packed)";
  try {
    Pack(options);
  } catch (const Failure& failure) {
    message = failure.what();
  }
  for (const std::string& part : says) EXPECT_NE(message.find(part), std::string::npos) << message;
  EXPECT_EQ(test.Leftovers(), left);
  return message;
}

TEST_F(PackerTest, RefusesAMarkerInAContentAcrossEveryChunkBoundary) {
  for (const std::string& marker : {kStart, kFile}) {
    for (std::size_t at = 0; at < 20; ++at) {
      PackOptions options =
          Prepare({{"ok.txt", "fine"}, {"t\\bad.txt", std::string(at, '-') + marker + "tail"}});
      options.chunk_size = 8;
      const std::string message = ExpectRefused(*this, options, {"'t\\bad.txt'"});
      EXPECT_TRUE(message.ends_with(" at byte " + std::to_string(at))) << message;
    }
  }
}

TEST_F(PackerTest, RefusesAContentEndThatRunsIntoTheFileMarkerAfterIt) {
  // Unguarded, the reader would take a marker one byte before the written one.
  for (const std::string& marker : {kStart, kFile}) {
    const std::string content = "abc" + marker.substr(0, marker.size() - 1);
    ASSERT_EQ(marker.back(), kFile.front());
    ExpectRefused(*this, Prepare({{"x.txt", content}, {"y.txt", "y"}}), {"runs into"});
    ExpectRefused(*this, Prepare({{"y.txt", "y"}, {"x.txt", content}}), {"'x.txt'"});
  }
}

TEST_F(PackerTest, RefusesNamesThatRunTogetherIntoAMarker) {
  // In the name list each name is followed by '/', which the markers hold too.
  ASSERT_EQ(kFile, "p/NewFile/p");
  ASSERT_EQ(kStart, "s/Parcelon/p");
  const struct {
    std::vector<std::string> names;
    std::string message;  // after the manifest's path
  } rows[] = {
      {{"a", "p", "NewFile", "p.txt", "b"},
       ":2-4: the names 'p' 'NewFile' 'p.txt' run together into the container's file marker"},
      {{"xs", "Parcelon", "pq", "z"},
       ":1-3: the names 'xs' 'Parcelon' 'pq' run together into the container's start marker"},
      {{"a", "p", "NewFile"},
       ":2-3: the names 'p' 'NewFile' run together with the file marker after the name list into "
       "the container's file marker"},
  };
  for (const auto& row : rows) {
    Files files;
    for (const std::string& name : row.names) files.emplace_back(name, "");
    const PackOptions options = Prepare(files);
    EXPECT_EQ(ExpectRefused(*this, options, {}),
              options.manifest + row.message + "; rename or reorder them");
  }
}

TEST_F(PackerTest, RefusesAnImageHoldingAMarker) {
  for (const std::string& marker : {kStart, kFile}) {
    PackOptions options = Prepare({{"a.txt", "a"}}, "MZ" + std::string(30, 'x') + marker + "end");
    options.chunk_size = 16;
    ExpectRefused(*this, options, {"image " + options.image + ": holds the"});
  }
}

TEST_F(PackerTest, RefusesMissingOrIrregularFilesAndTheWrongOutput) {
  PackOptions options = Prepare({{"a.txt", "a"}, {"sub\\b.txt", "b"}});
  std::filesystem::remove(Path("product/sub/b.txt"));
  ExpectRefused(*this, options, {"manifest.txt:2: 'sub\\b.txt'"});
  std::filesystem::create_directory(Path("product/sub/b.txt"));
  ExpectRefused(*this, options, {"is not a regular file"});

  options = Prepare({{"a.txt", "a"}});
  std::filesystem::create_hard_link(options.image, Path("out/link.exe"));
  options.output = Path("out/link.exe");
  ExpectRefused(*this, options, {"is the image itself"}, {"link.exe"});
  options.output = options.image;
  ExpectRefused(*this, options, {"is the image itself"}, {"link.exe"});
  options.output = Path("product/a.txt");
  ExpectRefused(*this, options, {"is the output"}, {"link.exe"});
}

TEST_F(PackerTest, ARefusalKeepsAnOlderOutput) {
  const PackOptions options = Prepare({{"a.txt", "a" + kFile}});
  Write("out/setup.exe", "older");
  ExpectRefused(*this, options, {"'a.txt'"}, {"setup.exe"});
  EXPECT_EQ(Read("out/setup.exe"), "older");
}

TEST_F(PackerTest, RefusesASourceThatShrinksOrGrowsWhileItIsPacked) {
  for (const std::uintmax_t new_size : {std::uintmax_t{10}, std::uintmax_t{30}}) {
    PackOptions options = Prepare({{"a.txt", "a"}, {"sub\\b.txt", std::string(20, 'b')}});
    Write("out/setup.exe", "older");
    options.chunk_size = 4;
    // Once the first chunk of b.txt is written, something else cuts it short or adds to it.
    options.progress = [&](const std::string& path, std::uint64_t copied) {
      if (path.ends_with("b.txt") && copied == 4) std::filesystem::resize_file(path, new_size);
    };
    ExpectRefused(*this, options,
                  {"manifest.txt:2: 'sub\\b.txt'", "changed size while it was packed",
                   "20 bytes before, " + std::to_string(new_size) + " read, " +
                       std::to_string(new_size) + " after"},
                  {"setup.exe"});
    EXPECT_EQ(Read("out/setup.exe"), "older");
  }
}

// Runs `run` in a death test with SIGXFSZ ignored, so that a write past a file size limit fails
// with EFBIG; exits 3 after a refusal. An alarm ends a run that retries a failed write forever.
[[noreturn]] void ExitAfter(const std::function<void()>& run) {
  ::signal(SIGXFSZ, SIG_IGN);
  ::alarm(10);
  try {
    run();
  } catch (const Failure& failure) {
    std::fputs(failure.what(), stderr);
    ::_exit(3);
  }
  ::_exit(0);
}

void LimitFileSize(rlim_t bytes) {
  const rlimit limit{bytes, bytes};
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

TEST_F(PackerTest, ReportsAFailedWriteAndRemovesTheTemporaryFile) {
  const PackOptions options = Prepare({{"a.txt", std::string(5000, 'a')}});
  EXPECT_EXIT(ExitAfter([&] {
                LimitFileSize(1000);
                Pack(options);
              }),
              ::testing::ExitedWithCode(3), "cannot write .*setup.exe.tmp-");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});

  // The integrity record is patched in over bytes already written.
  EXPECT_EXIT(ExitAfter([&] {
                TempOutput out(options.output, 0644, 1);
                out.Write(std::string(2000, 'a'));
                LimitFileSize(1000);  // also the limit of the message, written to a file
                out.Patch(1500, "b");
              }),
              ::testing::ExitedWithCode(3), "cannot write .*setup.exe.tmp-");
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(PackerTest, TheOutputGoesOutABufferAtATime) {
  TempOutput out(Path("out/setup.exe"), 0644, 4);
  const auto on_disk = [&] { return Read("out/" + Leftovers().at(0)); };
  out.Write("ab");
  EXPECT_EQ(on_disk(), "");
  out.Write("cd");
  EXPECT_EQ(on_disk(), "abcd");
  out.Write("efghi");  // at least a buffer's size: at once
  EXPECT_EQ(on_disk(), "abcdefghi");
  out.Write("j");
  EXPECT_EQ(on_disk(), "abcdefghi");
  out.Commit();
  EXPECT_EQ(Read("out/setup.exe"), "abcdefghij");
}

}  // namespace
}  // namespace tgw::pack
