// libFuzzer target: the payload reader, the integrity record, the name and folder rules and the
// uninstaller's reading of a log line as a path, on any bytes. Besides the sanitizers' findings, a
// broken invariant stops the run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/names.h"
#include "engine/payload.h"
#include "engine/sha256.h"
#include "engine/uninstall_plan.h"

namespace tgw {
namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

// Every piece lies in `whole`, right after the one before and the file marker between them; no
// more names than files and one; nothing of a damaged container.
Integrity ReadAll(std::string_view whole) {
  const Payload payload = SplitContainer(whole);
  Require(payload.names.size() <= payload.FileCount() + 1);
  Require(payload.integrity != Integrity::kDamaged || payload.pieces.empty());
  const char* next = payload.pieces.empty() ? whole.data() : payload.pieces[0].data();
  for (const std::string_view piece : payload.pieces) {
    Require(piece.data() == next && piece.data() >= whole.data() &&
            piece.data() + piece.size() <= whole.data() + whole.size());
    next = piece.data() + piece.size() + kFileMarker.size();
  }
  for (std::size_t k = 1; k <= payload.FileCount(); ++k) CheckName(payload.Name(k), 27);
  return payload.integrity;
}

// A good name below "C:\" is a good folder, and a folder is taken as itself.
void CheckNameAndFolder(const std::wstring& text) {
  if (CheckName(text, 4) == NameFault::kNone) Require(AsInstallFolder(L"C:\\" + text).has_value());
  if (const auto folder = AsInstallFolder(text)) {
    Require(folder->starts_with(text) && folder->size() <= kLongestPath);
    Require(AsInstallFolder(*folder) == *folder);
  }
}

// A log line read as a path has no empty, "." or ".." part; it reads back as itself, and lies
// below a folder exactly when the folder and the name make it up again.
void CheckPath(const std::wstring& text) {
  const auto path = ParsePath(text);
  if (!path) return;
  std::wstring joined = path->root + L"\\";
  for (const std::wstring& part : path->parts) {
    Require(!part.empty() && part != L"." && part != L".." && part.find(L'\\') == part.npos);
    joined += part + L"\\";
  }
  const auto again = ParsePath(joined);
  Require(again && again->root == path->root && again->parts == path->parts);
  static const PathParts kFolder{L"C:", {L"tgw", L"Tagwright"}};
  if (const auto name = NameBelow(*path, kFolder); name && !name->empty()) {
    Require(NameBelow(*ParsePath(L"c:\\TGW\\tagwright\\" + *name), kFolder) == *name);
  }
}

}  // namespace
}  // namespace tgw

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tgw;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadAll(bytes);
  // As the packer seals it, behind a record that matches it: intact.
  const std::string start(kStartMarker.begin(), kStartMarker.end());
  const std::string record = FormatIntegrityRecord({size, Sha256Of(bytes)});
  Require(ReadAll("MZ" + start + record + start + std::string(bytes)) == Integrity::kIntact);
  if (const auto read = ParseIntegrityRecord(bytes)) {
    Require(FormatIntegrityRecord(*read) == bytes.substr(0, kRecordSize));
  }
  // Each byte a character (as payload names are read), and UTF-16 pairs.
  std::wstring latin1, utf16;
  for (const char c : bytes) latin1 += static_cast<wchar_t>(static_cast<unsigned char>(c));
  for (std::size_t i = 0; i + 1 < size; i += 2)
    utf16 += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  Require(CheckName(bytes, 27) == CheckName(latin1, 27));
  for (const std::wstring& text : {latin1, utf16}) {
    CheckNameAndFolder(text);
    CheckPath(text);
  }
  return 0;
}
