#include "packer/packer.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <iomanip>
#include <mutex>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/payload.h"
#include "engine/sha256.h"
#include "packer/failure.h"
#include "packer/files.h"
#include "packer/manifest.h"
#include "packer/marker_guard.h"

namespace tgw::pack {

namespace {

constexpr std::string_view kTrailer = "\r\n";
constexpr std::size_t kMostProblemsShown = 20;

std::string HitMessage(const std::string& label, const MarkerHit& hit) {
  const std::string what =
      std::string(MarkerTitle(hit.marker)) + " at byte " + std::to_string(hit.offset);
  if (!hit.crosses_end) return label + ": holds the " + what;
  return label + ": its end runs into the marker written after it and reads as the " + what;
}

// The manifest lines whose names, joined in the name list, hold a marker.
std::string NameListHitMessage(const std::string& manifest,
                               const std::vector<ManifestEntry>& entries, const MarkerHit& hit) {
  const std::uint64_t last_byte = hit.offset + hit.marker.size() - 1;
  std::size_t first = entries.size() - 1;
  std::size_t last = entries.size() - 1;
  std::uint64_t begin = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::uint64_t end = begin + entries[i].name.size() + 1;  // with its separator
    if (hit.offset >= begin && hit.offset < end) first = i;
    if (last_byte >= begin && last_byte < end) last = i;
    begin = end;
  }
  std::string names;
  for (std::size_t i = first; i <= last; ++i) names += " '" + entries[i].name + "'";
  return manifest + ":" + std::to_string(entries[first].line) + "-" +
         std::to_string(entries[last].line) + ": the names" + names + " run together" +
         (hit.crosses_end ? " with the file marker after the name list" : "") +
         " into the container's " + std::string(MarkerTitle(hit.marker)) +
         "; rename or reorder them";
}

// A file to copy into the output, with its size as found before packing.
struct Source {
  std::string path;
  std::string label;
  std::uint64_t size = 0;
};

using Buffers = std::function<std::span<char>()>;
using Sink = std::function<void(std::string_view)>;

// Copies a file into the output through `write`, each chunk read into a buffer of `buffer`,
// refusing it when the guard finds a marker in it or when its size changes while it is read.
std::uint64_t CopyGuarded(const Source& source, const PackOptions& options,
                          std::u16string_view following, MarkerGuard& guard, const Buffers& buffer,
                          const Sink& write) {
  std::uint64_t copied = 0;
  const FileStat after =
      ForEachChunk(source.path, source.label, buffer, [&](std::string_view chunk) {
        if (const auto hit = guard.Data(chunk)) throw Failure(HitMessage(source.label, *hit));
        write(chunk);
        copied += chunk.size();
        if (options.progress) options.progress(source.path, copied);
      });
  if (copied != source.size || after.size != source.size) {
    throw Failure(source.label + ": changed size while it was packed (" +
                  std::to_string(source.size) + " bytes before, " + std::to_string(copied) +
                  " read, " + std::to_string(after.size) +
                  " after); pack again once it is complete");
  }
  if (const auto hit = guard.EndData(following)) throw Failure(HitMessage(source.label, *hit));
  return copied;
}

// The container body on its way out: written and counted as it comes, and hashed for the
// integrity record on a thread of its own, while the next chunks are read, checked and written.
// The files' chunks are read into the writer's own buffers, each used again only once the hash
// is done with it; other bytes given must stay as they are while the writer lives.
class BodyWriter {
 public:
  BodyWriter(TempOutput& out, std::size_t chunk_size) : out_(out) {
    for (auto& buffer : buffers_) buffer.resize(std::max<std::size_t>(chunk_size, 1));
    hasher_ = std::thread([this] { Hash(); });
  }
  BodyWriter(const BodyWriter&) = delete;
  BodyWriter& operator=(const BodyWriter&) = delete;
  ~BodyWriter() { Stop(); }

  // The buffer for the next chunk.
  std::span<char> Buffer() {
    next_ = (next_ + 1) % buffers_.size();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return hashed_ >= hashed_before_reuse_[next_]; });
    return buffers_[next_];
  }

  void Write(std::string_view bytes) {
    out_.Write(bytes);
    length_ += bytes.size();
    {
      const std::lock_guard lock(mutex_);
      waiting_.push_back(bytes);
      if (bytes.data() == buffers_[next_].data()) hashed_before_reuse_[next_] = given_ + 1;
      ++given_;
    }
    changed_.notify_all();
  }

  IntegrityRecord Finish() {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return hashed_ == given_; });
    }
    Stop();
    return {length_, hash_.Finish()};
  }

 private:
  void Hash() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;  // what is left is not needed (the packing failed, or is done)
      const std::string_view piece = waiting_.front();
      lock.unlock();
      hash_.Update(piece);
      lock.lock();
      waiting_.pop_front();
      ++hashed_;
      changed_.notify_all();
    }
  }

  void Stop() {
    if (!hasher_.joinable()) return;
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    hasher_.join();
  }

  TempOutput& out_;
  std::uint64_t length_ = 0;
  std::array<std::vector<char>, 4> buffers_;
  std::size_t next_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string_view> waiting_;  // given, not hashed yet
  std::uint64_t given_ = 0;               // pieces given
  std::uint64_t hashed_ = 0;              // pieces hashed
  // How many pieces must be hashed before each buffer is read into again.
  std::array<std::uint64_t, 4> hashed_before_reuse_{};
  bool stopping_ = false;
  Sha256 hash_;
  std::thread hasher_;
};

// The container of a setup, read with the setup's own reader.
Payload ReadContainer(const std::string& setup, std::string_view whole) {
  if (!HoldsMarker(whole, kStartMarker)) {
    throw Failure(setup + ": holds no container (no start marker)");
  }
  return SplitContainer(whole);
}

// The integrity record after the first start marker of `whole`; nothing when there is none.
std::optional<IntegrityRecord> RecordOf(std::string_view whole) {
  const std::size_t first = FindMarker(whole, kStartMarker);
  if (first == std::string_view::npos) return std::nullopt;
  return ParseIntegrityRecord(whole.substr(first + kStartMarker.size()));
}

// Why the setup's reader finds `whole` damaged.
std::string DamageOf(std::string_view whole) {
  const auto record = RecordOf(whole);
  if (!record) return "its integrity record is cut short or unreadable";
  const std::string_view after =
      whole.substr(FindMarker(whole, kStartMarker) + kStartMarker.size() + kRecordSize);
  const std::string start = MarkerBytes(kStartMarker);
  if (!after.starts_with(start)) {
    return "the start marker after its integrity record is cut short or changed";
  }
  const std::string_view body = after.substr(start.size());
  const std::string length = std::to_string(record->body_length);
  if (body.size() < record->body_length) {
    return "its body is cut short: " + std::to_string(body.size()) + " of the " + length +
           " bytes its integrity record gives";
  }
  const std::string digest = ToHex(Sha256Of(body.substr(0, record->body_length)));
  return "its body differs from its integrity record: the " + length + " bytes have SHA-256 " +
         digest + ", the record says " + ToHex(record->digest);
}

// What the integrity record says about a setup that is not damaged.
std::string IntegrityLine(const Payload& payload, std::string_view whole) {
  if (payload.integrity != Integrity::kIntact) {
    return "no integrity record (an older setup): its body is read unchecked";
  }
  const auto record = RecordOf(whole);
  const std::uint64_t end =
      FindMarker(whole, kStartMarker) + 2 * kStartMarker.size() + kRecordSize + record->body_length;
  std::string line = "integrity record: the body's " + std::to_string(record->body_length) +
                     " bytes match SHA-256 " + ToHex(record->digest);
  if (end < whole.size()) {
    line += "; the " + std::to_string(whole.size() - end) +
            " bytes after it (such as a signature) are ignored";
  }
  return line;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// Where the content of `path` first differs from `packed`; empty when it does not.
std::string CompareContent(const std::string& path, const std::string& label,
                           std::string_view packed) {
  std::size_t pos = 0;
  std::optional<std::size_t> differs_at;
  ForEachChunk(path, label, kDefaultChunkSize, [&](std::string_view chunk) {
    if (!differs_at) {
      const std::string_view part = packed.substr(std::min(pos, packed.size()), chunk.size());
      const auto first = std::mismatch(chunk.begin(), chunk.end(), part.begin(), part.end()).first;
      if (first != chunk.end()) differs_at = pos + static_cast<std::size_t>(first - chunk.begin());
    }
    pos += chunk.size();
  });
  if (pos != packed.size()) {
    return "holds " + std::to_string(packed.size()) + " bytes, " + path + " " + std::to_string(pos);
  }
  if (differs_at) return "differs from " + path + " at byte " + std::to_string(*differs_at);
  return {};
}

std::vector<std::string> Differences(const Payload& payload, std::string_view whole,
                                     const std::string& root, const std::string& manifest,
                                     const std::vector<ManifestEntry>& entries) {
  std::vector<std::string> problems;
  if (payload.pieces.size() < 2) {
    problems.push_back("the container holds no file marker");
    return problems;
  }
  const std::string start = MarkerBytes(kStartMarker);
  const auto body = static_cast<std::size_t>(payload.pieces.front().data() - whole.data());
  const std::string doubled = start + start;
  // The reader has checked the markers around an integrity record.
  if (payload.integrity == Integrity::kUnchecked &&
      (body < doubled.size() || whole.substr(body - doubled.size(), doubled.size()) != doubled)) {
    problems.push_back("the container does not begin with the start marker twice");
  }
  const std::size_t count = payload.FileCount();
  if (count != entries.size()) {
    problems.push_back("holds " + std::to_string(count) + " files, the manifest lists " +
                       std::to_string(entries.size()));
  }
  if (payload.names.size() != count + 1 || !payload.names.back().empty()) {
    problems.push_back("the name list holds " + std::to_string(payload.names.size()) +
                       " parts for " + std::to_string(count) + " files; it must end with '/'");
  }
  for (std::size_t k = 1; k <= std::max(count, entries.size()); ++k) {
    const std::string file = "file " + std::to_string(k);
    if (k > count) {
      problems.push_back(file + " " + Quoted(entries[k - 1].name) + " is missing");
      continue;
    }
    const std::string name = payload.HasName(k) ? Quoted(payload.Name(k)) : "(no name)";
    if (k > entries.size()) {
      problems.push_back(file + " " + name + " is not in the manifest");
      continue;
    }
    const ManifestEntry& entry = entries[k - 1];
    if (!payload.HasName(k) || payload.Name(k) != entry.name) {
      problems.push_back(file + " is named " + name + ", the manifest's line " +
                         std::to_string(entry.line) + " says " + Quoted(entry.name));
    }
    const std::string differs =
        CompareContent(SourcePath(root, entry.name), Describe(manifest, entry), payload.Content(k));
    if (!differs.empty()) problems.push_back(file + " " + Quoted(entry.name) + " " + differs);
  }
  if (payload.pieces.back() != kTrailer) {
    problems.push_back("the container does not end with CR LF after the closing file marker");
  }
  return problems;
}

}  // namespace

PackSummary Pack(const PackOptions& options) {
  const std::vector<ManifestEntry> entries = ReadManifest(options.manifest);
  const std::string image_label = "image " + options.image;
  const FileStat image = StatRegularFile(options.image, image_label);
  const std::optional<FileStat> old_output = StatIfExists(options.output);
  if (old_output && !old_output->regular) {
    throw Failure("output " + options.output + ": exists and is not a regular file");
  }
  if (old_output && old_output->SameFileAs(image)) {
    throw Failure("output " + options.output + ": is the image itself");
  }
  // Check every file before writing anything.
  std::vector<Source> sources;
  for (const ManifestEntry& entry : entries) {
    const std::string path = SourcePath(options.root, entry.name);
    const std::string label = Describe(options.manifest, entry) + " (" + path + ")";
    const FileStat source = StatRegularFile(path, label);
    if (old_output && old_output->SameFileAs(source)) {
      throw Failure(label + ": is the output " + options.output);
    }
    sources.push_back({path, label, source.size});
  }

  TempOutput out(options.output, image.mode, options.chunk_size);
  MarkerGuard guard;
  std::vector<char> image_buffer(std::max<std::size_t>(options.chunk_size, 1));
  CopyGuarded(
      {options.image, image_label, image.size}, options, kStartMarker, guard,
      [&] { return std::span<char>(image_buffer); },
      [&](std::string_view bytes) { out.Write(bytes); });
  const std::string start = MarkerBytes(kStartMarker);
  const std::string file_marker = MarkerBytes(kFileMarker);
  out.Write(start);
  // The record holds the body's length and digest, known once the body is written: a
  // placeholder of the record's size stands in for it until then.
  const std::uint64_t record_at = out.written();
  out.Write(FormatIntegrityRecord({}));
  out.Write(start);

  std::string name_list;  // made before the writer, which hashes it until it goes
  for (const ManifestEntry& entry : entries) name_list += entry.name + kNameSeparator;
  BodyWriter body(out, options.chunk_size);
  auto hit = guard.Data(name_list);
  if (!hit) hit = guard.EndData(kFileMarker);
  if (hit) throw Failure(NameListHitMessage(options.manifest, entries, *hit));
  body.Write(name_list);

  PackSummary summary;
  for (const Source& source : sources) {
    body.Write(file_marker);
    summary.content_bytes += CopyGuarded(
        source, options, kFileMarker, guard, [&] { return body.Buffer(); },
        [&](std::string_view bytes) { body.Write(bytes); });
  }
  body.Write(file_marker);
  body.Write(kTrailer);
  const IntegrityRecord record = body.Finish();
  out.Patch(record_at, FormatIntegrityRecord(record));
  summary.files = entries.size();
  summary.output_bytes = out.written();
  summary.body_sha256 = ToHex(record.digest);
  out.Commit();
  return summary;
}

void ListSetup(const std::string& setup, std::ostream& out) {
  const MappedFile file(setup);
  const Payload payload = ReadContainer(setup, file.bytes());
  if (payload.integrity == Integrity::kDamaged) {
    throw Failure(setup + ": DAMAGED: " + DamageOf(file.bytes()));
  }
  std::uint64_t total = 0;
  for (std::size_t k = 1; k <= payload.FileCount(); ++k) total += payload.Content(k).size();
  const auto width = static_cast<int>(std::max<std::size_t>(7, std::to_string(total).size()));
  for (std::size_t k = 1; k <= payload.FileCount(); ++k) {
    out << std::setw(width) << payload.Content(k).size() << "  "
        << (payload.HasName(k) ? payload.Name(k) : "(no name)") << '\n';
  }
  out << std::setw(width) << total << "  total in " << payload.FileCount() << " files\n";
  out << IntegrityLine(payload, file.bytes()) << '\n';
}

bool VerifySetup(const std::string& setup, const std::string& root, const std::string& manifest,
                 std::ostream& out) {
  const std::vector<ManifestEntry> entries = ReadManifest(manifest);
  const MappedFile file(setup);
  const Payload payload = ReadContainer(setup, file.bytes());
  if (payload.integrity == Integrity::kDamaged) {
    out << "DAMAGED: " << setup << ": " << DamageOf(file.bytes()) << '\n';
    return false;
  }
  const std::vector<std::string> problems =
      Differences(payload, file.bytes(), root, manifest, entries);
  if (problems.empty()) {
    out << "OK: " << setup << " holds the " << entries.size() << " files of " << manifest
        << " in order\n";
  } else {
    out << "DIFFERS: " << setup << " does not match " << manifest << ":\n";
    for (std::size_t i = 0; i < std::min(problems.size(), kMostProblemsShown); ++i) {
      out << "  " << problems[i] << '\n';
    }
    if (problems.size() > kMostProblemsShown) {
      out << "  and " << problems.size() - kMostProblemsShown << " more\n";
    }
  }
  out << IntegrityLine(payload, file.bytes()) << '\n';
  return problems.empty();
}

}  // namespace tgw::pack
