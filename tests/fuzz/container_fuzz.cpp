// libFuzzer target: the payload reader, the integrity record, the name and folder rules and the
// uninstaller's reading of a log line as a path, on any bytes. Besides the sanitizers' findings, a
// broken invariant stops the run.
#include <cstdint>
#include <string>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/names.h"
#include "engine/payload.h"
#include "engine/sha256.h"
#include "engine/uninstall_plan.h"

namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

// Every piece lies in `whole`, right after the one before and the file marker between them; no
// more names than files and one; nothing of a damaged container.
tgw::Integrity ReadAll(std::string_view whole) {
  const tgw::Payload payload = tgw::SplitContainer(whole);
  Require(payload.names.size() <= payload.FileCount() + 1);
  Require(payload.integrity != tgw::Integrity::kDamaged || payload.pieces.empty());
  const char* next = payload.pieces.empty() ? whole.data() : payload.pieces[0].data();
  for (const std::string_view piece : payload.pieces) {
    Require(piece.data() == next && piece.data() >= whole.data() &&
            piece.data() + piece.size() <= whole.data() + whole.size());
    next = piece.data() + piece.size() + tgw::kFileMarker.size();
  }
  for (std::size_t k = 1; k <= payload.FileCount(); ++k) tgw::CheckName(payload.Name(k), 27);
  return payload.integrity;
}

// A good name below "C:\" is a good folder, and a folder is taken as itself. A path has no empty,
// "." or ".." part, and reads back as itself.
void CheckText(const std::wstring& text) {
  if (tgw::CheckName(text, 4) == tgw::NameFault::kNone)
    Require(tgw::AsInstallFolder(L"C:\\" + text).has_value());
  if (const auto folder = tgw::AsInstallFolder(text)) {
    Require(folder->starts_with(text) && tgw::AsInstallFolder(*folder) == *folder);
  }
  const auto path = tgw::ParsePath(text);
  if (!path) return;
  std::wstring joined = path->root;
  for (const std::wstring& part : path->parts) {
    Require(!part.empty() && part != L"." && part != L".." && part.find(L'\\') == part.npos);
    joined += L"\\" + part;
  }
  const auto again = tgw::ParsePath(joined + L"\\");
  Require(again && again->root == path->root && again->parts == path->parts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadAll(bytes);
  // As the packer seals it, behind a record that matches it: intact.
  const std::string start(tgw::kStartMarker.begin(), tgw::kStartMarker.end());
  const std::string record = tgw::FormatIntegrityRecord({size, tgw::Sha256Of(bytes)});
  Require(ReadAll("MZ" + start + record + start + std::string(bytes)) == tgw::Integrity::kIntact);
  if (const auto read = tgw::ParseIntegrityRecord(bytes)) {
    Require(tgw::FormatIntegrityRecord(*read) == bytes.substr(0, tgw::kRecordSize));
  }
  // Each byte a character (as payload names are read), and UTF-16 pairs.
  std::wstring latin1, utf16;
  for (const char c : bytes) latin1 += static_cast<wchar_t>(static_cast<unsigned char>(c));
  for (std::size_t i = 0; i + 1 < size; i += 2)
    utf16 += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  Require(tgw::CheckName(bytes, 27) == tgw::CheckName(latin1, 27));
  CheckText(latin1);
  CheckText(utf16);
  return 0;
}
