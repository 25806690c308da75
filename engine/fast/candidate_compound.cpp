#include "engine/fast/candidate_compound.h"

#include <map>
#include <vector>

#include "engine/format/text_encoding.h"
#include "engine/job/damaged_file.h"
#include "engine/storage/compound_storage.h"

namespace vlx {
namespace {

using Path = std::vector<std::u16string>;

bool CopyInto(CompoundStream& stream, const std::string& source, std::string* error) {
  auto file = DamagedFile::Open(source, error);
  if (!file) return false;
  std::vector<uint8_t> buffer(size_t{1} << 16);
  for (uint64_t at = 0; at < file->GetLength();) {
    const size_t got = file->ReadAt(at, buffer.data(), buffer.size());
    if (got == 0) break;
    if (!stream.Write(buffer.data(), got)) {
      *error = stream.last_error();
      return false;
    }
    at += got;
  }
  return true;
}

}  // namespace

bool WriteCandidateCompound(const StreamCandidate& candidate, const std::string& path,
                            std::string* error) {
  auto storage = CompoundStorage::Create(path, error);
  if (!storage) return false;
  storage->SetClassId(kRootStorage, candidate.root_clsid);
  std::map<Path, uint32_t> storages{{Path{}, kRootStorage}};
  const auto parent_of = [&](const Path& p) {
    const auto found = storages.find(Path(p.begin(), p.end() - 1));
    return found == storages.end() ? kRootStorage : found->second;
  };
  for (const salvage::CompoundItem& item : candidate.storages) {
    if (item.path.empty()) continue;
    const uint32_t index =
        storage->CreateStorage(Utf16ToUtf8(item.path.back()), parent_of(item.path));
    if (index == kRootStorage) continue;
    storage->SetClassId(index, item.clsid);
    storages[item.path] = index;
  }
  for (const CandidateStream& s : candidate.streams) {
    if (s.path.empty()) continue;
    CompoundStream* stream =
        storage->CreateStreamIn(parent_of(s.path), Utf16ToUtf8(s.path.back()), error);
    if (stream == nullptr || !CopyInto(*stream, s.file, error)) return false;
  }
  return storage->Commit(error);
}

}  // namespace vlx
