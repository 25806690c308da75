#include "engine/salvage/salvage_extraction.h"

#include <algorithm>
#include <optional>

#include "engine/salvage/mini_stream_stitching.h"
#include "engine/salvage/record_stitching.h"
#include "engine/salvage/sector_chain.h"
#include "engine/salvage/spool_writer.h"

namespace vlx::salvage {
namespace {

constexpr uint64_t kMiniSectorSize = 64;

uint64_t Ceil(uint64_t n, uint64_t unit) {
  return (n + unit - 1) / unit;
}

std::optional<StitchedStream> StitchedKind(const CompoundItem& item) {
  if (item.path.size() != 1) return std::nullopt;
  if (item.path[0] == u"PowerPoint Document") return StitchedStream::kDocument;
  if (item.path[0] == u"Pictures") return StitchedStream::kPictures;
  return std::nullopt;
}

// A stream is spooled at the size its directory entry gives, the bytes its sectors do
// not reach (a cut file) read as zeros and counted as missing; but never with more
// zeros than the damaged file is long: a size beyond that holds none of the file's
// bytes, and spooling it would let a few damaged bytes ("4 GiB") fill the disk.
// A chain that places some sectors twice (stitching wraps at the file's end) holds no
// more of the file's bytes than the file itself.
uint64_t SpooledLength(const ChainReader& reader, uint64_t size, uint64_t file_length) {
  return std::min(size, std::min(reader.capacity(), file_length) + file_length);
}

// Where another stream begins, or a table lies, a stream has left its run of sectors.
std::vector<uint32_t> ForeignTo(const SalvagePlan& plan, const CompoundItem& item) {
  std::vector<uint32_t> foreign = plan.table_sectors;
  for (const CompoundItem& other : plan.items)
    if (other.type == EntryType::kStream && other.size >= plan.mini_stream_cutoff &&
        other.start_sector != item.start_sector)
      foreign.push_back(other.start_sector);
  if (plan.mini_stream.size > 0 && plan.mini_stream.start_sector != item.start_sector)
    foreign.push_back(plan.mini_stream.start_sector);
  return foreign;
}

std::vector<SmallStreamStart> SmallStreams(const SalvagePlan& plan) {
  std::vector<SmallStreamStart> small;
  for (const CompoundItem& item : plan.items)
    if (item.type == EntryType::kStream && item.size > 0 && item.size < plan.mini_stream_cutoff &&
        item.path.size() == 1)
      small.push_back({item.start_sector, item.path[0], item.size});
  return small;
}

}  // namespace

StreamSectors RegularStreamSectors(DamagedFile& file, const SalvagePlan& plan,
                                   const CompoundItem& item, bool* stitched,
                                   DocumentPlacement* document) {
  const auto kind = StitchedKind(item);
  if (kind == StitchedStream::kDocument && document != nullptr && document->placed &&
      document->start_sector == item.start_sector) {
    *stitched = document->stitched;
    return document->sectors;
  }
  const SectorGeometry& g = plan.geometry;
  StreamSectors sectors = ChainSectors(plan.fat, item.start_sector, Ceil(item.size, g.sector_size),
                                       g.SectorCount(file.GetLength()));
  *stitched = false;
  // Where the chain is lost, the document and the pictures place their sectors by their
  // own records.
  if (sectors.guessed > 0 && kind) {
    std::vector<uint32_t> foreign = ForeignTo(plan, item);
    // The document's records place its sectors more surely than picture records (long,
    // with nothing inside) place theirs: the pictures leave the document's sectors alone.
    if (*kind == StitchedStream::kPictures) {
      DocumentPlacement own;
      DocumentPlacement& placement = document != nullptr ? *document : own;
      for (const CompoundItem& other : plan.items)
        if (other.type == EntryType::kStream && other.size >= plan.mini_stream_cutoff &&
            StitchedKind(other) == StitchedStream::kDocument) {
          bool document_stitched = false;
          const StreamSectors placed =
              RegularStreamSectors(file, plan, other, &document_stitched, &placement);
          foreign.insert(foreign.end(), placed.sectors.begin(), placed.sectors.end());
        }
    }
    // A stream's own bytes all lie in the file: the walk covers no more than that.
    sectors = StitchSectors(file, g, item.start_sector, std::min(item.size, file.GetLength()),
                            *kind, foreign, plan.fat);
    *stitched = true;
  }
  if (kind == StitchedStream::kDocument && document != nullptr)
    *document = {true, item.start_sector, *stitched, sectors};
  return sectors;
}

bool ExtractSalvage(DamagedFile& file, const SalvagePlan& plan, const std::string& prefix,
                    SalvagedCompound* out, std::string* error) {
  const SectorGeometry& g = plan.geometry;
  const uint64_t limit = g.SectorCount(file.GetLength());
  out->root_clsid = plan.root_clsid;
  out->description = plan.description;

  // The mini stream first: the small streams are read out of it.
  std::unique_ptr<DamagedFile> mini;
  const bool any_small = std::any_of(plan.items.begin(), plan.items.end(), [&](const auto& item) {
    return item.type == EntryType::kStream && item.size > 0 && item.size < plan.mini_stream_cutoff;
  });
  uint64_t mini_guessed = 0;
  if (any_small && plan.mini_stream.size > 0) {
    StreamSectors sectors = ChainSectors(plan.fat, plan.mini_stream.start_sector,
                                         Ceil(plan.mini_stream.size, g.sector_size), limit);
    // Where its chain is lost, or the table's is an older one (the small streams do not
    // begin where it places them, and do where their first bytes place its sectors),
    // those first bytes place its sectors.
    const std::vector<SmallStreamStart> small = SmallStreams(plan);
    if (plan.directory_found &&
        (sectors.guessed > 0 || !SmallStreamsBeginRight(file, g, sectors.sectors, small))) {
      StreamSectors stitched = StitchMiniStream(file, g, plan.mini_stream.start_sector,
                                                std::min(plan.mini_stream.size, file.GetLength()),
                                                small, ForeignTo(plan, plan.mini_stream));
      if (sectors.guessed > 0 || SmallStreamsBeginRight(file, g, stitched.sectors, small))
        sectors = std::move(stitched);
    }
    mini_guessed = sectors.guessed;
    ChainReader reader = ChainReader::Regular(file, g, std::move(sectors.sectors));
    const std::string path = prefix + "mini";
    if (!SpoolToFile(reader, SpooledLength(reader, plan.mini_stream.size, file.GetLength()), path,
                     error))
      return false;
    mini = DamagedFile::Open(path, error);
    if (!mini) return false;
  }

  DocumentPlacement document;
  size_t index = 0;
  for (const CompoundItem& item : plan.items) {
    if (item.type == EntryType::kStorage) {
      out->storages.push_back(item);
      continue;
    }
    SalvagedStream stream;
    stream.item = item;
    stream.from_directory = plan.directory_found;
    stream.file = prefix + std::to_string(index++);
    const bool small = item.size < plan.mini_stream_cutoff;
    if (small && item.size > 0 && !mini) continue;  // its bytes are lost with the mini stream
    std::optional<ChainReader> reader;
    if (small) {
      StreamSectors sectors =
          ChainSectors(plan.mini_fat, item.start_sector, Ceil(item.size, kMiniSectorSize),
                       Ceil(mini ? mini->GetLength() : 0, kMiniSectorSize));
      stream.guessed_sectors = sectors.guessed + (item.size > 0 ? mini_guessed : 0);
      if (mini) reader.emplace(ChainReader::Mini(*mini, std::move(sectors.sectors)));
    } else {
      StreamSectors sectors = RegularStreamSectors(file, plan, item, &stream.stitched, &document);
      stream.guessed_sectors = sectors.guessed;
      reader.emplace(ChainReader::Regular(file, g, std::move(sectors.sectors)));
    }
    if (reader) {
      if (!SpoolToFile(*reader, SpooledLength(*reader, item.size, file.GetLength()), stream.file,
                       error))
        return false;
      stream.missing_bytes =
          reader->missing() + (item.size > reader->capacity() ? item.size - reader->capacity() : 0);
    } else {
      ChainReader none(file, {}, g.sector_size, g.base, true);
      if (!SpoolToFile(none, 0, stream.file, error)) return false;
    }
    out->streams.push_back(std::move(stream));
  }
  return true;
}

}  // namespace vlx::salvage
