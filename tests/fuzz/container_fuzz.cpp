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

// Reads `whole` as the setup does: every piece and name lies in it, each piece right after the
// one before and the file marker between them, no more names than files and one, nothing of a
// damaged container; and walks every name and content.
Integrity ReadAll(std::string_view whole) {
  const Payload payload = SplitContainer(whole);
  const auto within = [whole](std::string_view part) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
  };
  Require(payload.names.size() <= payload.FileCount() + 1);
  Require(payload.integrity != Integrity::kDamaged ||
          payload.pieces.size() + payload.names.size() == 0);
  for (std::size_t i = 0; i < payload.pieces.size(); ++i) {
    Require(within(payload.pieces[i]));
    Require(i == 0 || payload.pieces[i].data() == payload.pieces[i - 1].data() +
                                                      payload.pieces[i - 1].size() +
                                                      kFileMarker.size());
  }
  for (const std::string_view name : payload.names) Require(within(name));
  for (std::size_t k = 1; k <= payload.FileCount(); ++k) {
    Require(payload.HasName(k) == (k - 1 < payload.names.size()));
    CheckName(payload.Name(k), 27);
    Require(payload.Content(k).size() <= whole.size());
  }
  return payload.integrity;
}

// A good name below "C:\" is a good folder and the other way round; a folder is taken as itself.
void CheckNameAndFolder(const std::wstring& text) {
  const NameFault fault = CheckName(text, 4);
  Require(!DescribeNameFault(fault).empty());
  const auto folder = AsInstallFolder(L"C:\\" + text);
  if (fault == NameFault::kNone) Require(folder == L"C:\\" + text + L"\\");
  if (folder && !text.empty() && text.back() != L'\\') Require(fault == NameFault::kNone);
  if (const auto as_is = AsInstallFolder(text)) {
    Require(as_is->starts_with(text) && as_is->back() == L'\\' && as_is->size() <= kLongestPath);
    Require(AsInstallFolder(*as_is) == *as_is);
  }
}

// A log line as the uninstaller reads it: no empty, "." or ".." part, nor a separator in a part;
// it reads back as itself, and lies below a folder exactly when the folder and the name make it.
void CheckPath(const std::wstring& text) {
  const auto path = ParsePath(text);
  if (!path) return;
  Require(path->root.size() == 2 || path->root.starts_with(L"\\\\"));
  std::wstring joined = path->root + L"\\";
  for (const std::wstring& part : path->parts) {
    Require(!part.empty() && part != L"." && part != L".." &&
            part.find_first_of(L"\\/") == std::wstring::npos);
    joined += part + L"\\";
  }
  const auto again = ParsePath(joined);
  Require(again && again->root == path->root && again->parts == path->parts);
  Require(NameBelow(*path, *path) == L"");
  static const PathParts kFolder{L"C:", {L"tgw", L"Tagwright"}};
  if (const auto name = NameBelow(*path, kFolder); name && !name->empty()) {
    const auto rebuilt = ParsePath(L"c:\\TGW\\tagwright\\" + *name);
    Require(rebuilt && NameBelow(*rebuilt, kFolder) == *name);
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
  const std::string sealed = "MZ" + start + FormatIntegrityRecord({size, Sha256Of(bytes)}) + start;
  Require(ReadAll(sealed + std::string(bytes)) == Integrity::kIntact);
  // A record that reads formats back as itself.
  if (const auto record = ParseIntegrityRecord(bytes)) {
    Require(FormatIntegrityRecord(*record) == bytes.substr(0, kRecordSize));
  }
  // Each byte a character (as payload names are read), and UTF-16 pairs.
  std::wstring latin1, utf16;
  for (const char c : bytes) latin1 += static_cast<wchar_t>(static_cast<unsigned char>(c));
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    utf16 += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  }
  Require(CheckName(bytes, 27) == CheckName(latin1, 27));
  for (const std::wstring& text : {latin1, utf16}) {
    CheckNameAndFolder(text);
    CheckPath(text);
  }
  return 0;
}
