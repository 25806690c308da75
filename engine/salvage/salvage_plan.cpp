#include "engine/salvage/salvage_plan.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>

#include "engine/format/byte_order.h"
#include "engine/salvage/compound_marks.h"
#include "engine/salvage/compound_scan.h"
#include "engine/salvage/fat_search.h"
#include "engine/salvage/header_probe.h"
#include "engine/salvage/items_by_content.h"
#include "engine/salvage/mini_fat_choice.h"
#include "engine/salvage/mini_stream_by_content.h"
#include "engine/salvage/sector_chain.h"
#include "engine/salvage/stream_signatures.h"

namespace vlx::salvage {
namespace {

constexpr size_t kMaxAlignments = 4;
constexpr size_t kMaxPlans = 4;

std::atomic<uint64_t> planning_count{0};

// A place where a compound file starts, with what survived of its tables.
struct Origin {
  SectorGeometry geometry;
  std::vector<uint32_t> fat;
  std::vector<uint32_t> unclaimed_pages;
  std::optional<HeaderHints> header;
};

bool SameGeometry(const SectorGeometry& a, const SectorGeometry& b) {
  return a.base == b.base && a.sector_size == b.sector_size;
}

// A content-found FAT completes a header origin that lost its own; variants of one
// geometry stay apart.
void AddOrigin(std::vector<Origin>& origins, Origin origin) {
  for (Origin& known : origins) {
    if (!SameGeometry(known.geometry, origin.geometry) || !known.fat.empty()) continue;
    known.fat = std::move(origin.fat);
    known.unclaimed_pages.insert(known.unclaimed_pages.end(), origin.unclaimed_pages.begin(),
                                 origin.unclaimed_pages.end());
    return;
  }
  origins.push_back(std::move(origin));
}

std::vector<Origin> FindOrigins(DamagedFile& file, CompoundScan& scan) {
  const CompoundMarks& marks = scan.marks;
  std::vector<Origin> origins;
  std::set<std::pair<uint32_t, uint64_t>> alignments;  // (sector size, offset modulo it)
  for (uint64_t offset : marks.signatures) {
    auto hints = ReadHeaderHints(file, offset);
    if (!hints) continue;
    Origin origin;
    origin.geometry = hints->geometry;
    origin.fat = ReadListedFat(file, hints->geometry, hints->fat_sectors).table;
    if (origin.fat.empty())
      alignments.insert({hints->geometry.sector_size, offset % hints->geometry.sector_size});
    origin.header = std::move(hints);
    AddOrigin(origins, std::move(origin));
  }
  for (uint64_t root : marks.root_entries) {
    for (uint32_t size : {4096u, 512u}) alignments.insert({size, root % size});
  }
  std::vector<SectorLayout> layouts;
  for (const auto& [sector_size, alignment] : alignments) {
    if (layouts.size() == kMaxAlignments) break;
    layouts.push_back({sector_size, alignment});
  }
  const std::vector<std::vector<TablePage>> pages = TablePagesOf(file, scan, layouts);
  for (size_t k = 0; k < layouts.size(); ++k) {
    for (RecoveredFat& fat : FatFromPages(file, pages[k], layouts[k])) {
      Origin origin;
      origin.geometry = fat.geometry;
      origin.fat = std::move(fat.table);
      origin.unclaimed_pages = std::move(fat.unclaimed_pages);
      AddOrigin(origins, std::move(origin));
    }
  }
  return origins;
}

// Directory start sectors for an origin: the header's word, then the root entries
// that fall on one of its sector starts. With a FAT, a directory begins a chain: a
// root entry in a sector the FAT calls free, or in the middle of another chain, is an
// old copy and is not taken.
std::vector<uint32_t> DirectoryStarts(const Origin& origin, const CompoundMarks& marks) {
  std::vector<uint32_t> starts;
  if (origin.header && IsRegularSector(origin.header->directory_start))
    starts.push_back(origin.header->directory_start);
  // The sectors some chain of the FAT leads to, found when a root entry needs them.
  std::vector<bool> reached;
  const auto chain_leads_to = [&](uint32_t s) {
    if (reached.empty()) {
      reached.assign(origin.fat.size(), false);
      for (uint32_t value : origin.fat)
        if (IsRegularSector(value) && value < reached.size()) reached[value] = true;
    }
    return reached[s];
  };
  const SectorGeometry& g = origin.geometry;
  for (uint64_t root : marks.root_entries) {
    if (root < g.base + g.sector_size || (root - g.base) % g.sector_size != 0) continue;
    const uint64_t sector = (root - g.base) / g.sector_size - 1;
    if (sector > kMaxRegularSector) continue;
    const auto s = static_cast<uint32_t>(sector);
    const bool chain_head = s < origin.fat.size() && origin.fat[s] != kFree &&
                            origin.fat[s] != kFatMark && !chain_leads_to(s);
    if (origin.fat.empty() || chain_head) starts.push_back(s);
  }
  return starts;
}

// Streams of the listing (and its mini stream) whose FAT chains have exactly the
// length their sizes need.
size_t ChainsThatFit(const DirectoryListing& listing, const SectorGeometry& geometry,
                     const std::vector<uint32_t>& fat, uint32_t cutoff) {
  const auto fits = [&](uint32_t start, uint64_t size) {
    const uint64_t count = (size + geometry.sector_size - 1) / geometry.sector_size;
    return count > 0 && FollowWholeChain(fat, start, count).size() == count;
  };
  size_t fitting = fits(listing.root.start_sector, listing.root.size) ? 1 : 0;
  for (const CompoundItem& item : listing.items)
    if (item.type == EntryType::kStream && item.size >= cutoff &&
        fits(item.start_sector, item.size))
      ++fitting;
  return fitting;
}

std::string Describe(const SalvagePlan& plan) {
  std::string text = "compound file at offset " + std::to_string(plan.geometry.base) + ", " +
                     std::to_string(plan.geometry.sector_size) + "-byte sectors; header " +
                     (plan.header_found ? "found" : "lost") + ", FAT " +
                     (plan.fat.empty() ? "lost" : "found") + ", directory " +
                     (plan.directory_found ? "found" : "lost") + ", mini FAT " +
                     (plan.mini_fat.empty() ? "lost" : "found") + "; " +
                     std::to_string(plan.items.size()) + " elements";
  return text;
}

// Without a directory, the small streams are found in the mini stream by their content;
// the chain that holds the mini stream is no regular stream (its first bytes may read as
// the document's when the document is small).
void AddMiniStreamByContent(DamagedFile& file, const Origin& origin, SalvagePlan& plan) {
  if (origin.header) plan.mini_stream_cutoff = origin.header->mini_stream_cutoff;
  MiniStreamByContent mini =
      FindMiniStreamByContent(file, plan.geometry, plan.fat, plan.mini_stream_cutoff);
  if (mini.mini_stream.size == 0) return;
  plan.mini_stream = mini.mini_stream;
  std::erase_if(plan.items, [&](const CompoundItem& item) {
    return item.start_sector == mini.mini_stream.start_sector;
  });
  for (CompoundItem& item : mini.items) {
    const bool known = std::any_of(plan.items.begin(), plan.items.end(),
                                   [&](const auto& other) { return other.path == item.path; });
    if (!known) plan.items.push_back(std::move(item));
  }
  MiniFatSources sources;
  if (origin.header) {
    sources.header_start = origin.header->mini_fat_start;
    sources.header_sectors = origin.header->mini_fat_sectors;
  }
  sources.table_like_sectors = origin.unclaimed_pages;
  plan.mini_fat = ChooseMiniFat(file, plan, sources);
}

SalvagePlan PlanOrigin(DamagedFile& file, const Origin& origin, const CompoundMarks& marks) {
  SalvagePlan plan;
  plan.geometry = origin.geometry;
  plan.fat = origin.fat;
  plan.header_found = origin.header.has_value();
  if (origin.header) {
    plan.table_sectors = origin.header->fat_sectors;
    if (IsRegularSector(origin.header->directory_start))
      plan.table_sectors.push_back(origin.header->directory_start);
  }
  // Old copies of the directory may survive in other sectors: the one whose chains
  // agree best with the FAT is the file's own. Between copies that agree as well, the
  // header's wins, else the one its writer marked as modified last (the newest save).
  std::optional<DirectoryListing> best;
  size_t best_score = 0;
  bool best_named_by_header = false;
  for (uint32_t start : DirectoryStarts(origin, marks)) {
    DirectoryListing listing = ReadDirectory(file, plan.geometry, plan.fat, start);
    if (listing.root.type != EntryType::kRoot || listing.items.empty()) continue;
    const size_t score =
        1 + ChainsThatFit(listing, plan.geometry, plan.fat, plan.mini_stream_cutoff) +
        2 * StreamsThatBeginRight(file, plan.geometry, plan.fat, listing, plan.mini_stream_cutoff);
    const bool newer = best && score == best_score && !best_named_by_header &&
                       listing.root.modified > best->root.modified;
    if (score > best_score || newer) {
      best_score = score;
      best_named_by_header = origin.header && start == origin.header->directory_start;
      best = std::move(listing);
    }
  }
  if (best) {
    plan.fit_score = best_score;
    plan.directory_modified = best->root.modified;
    plan.directory_found = true;
    plan.root_clsid = best->root.clsid;
    plan.mini_stream.start_sector = best->root.start_sector;
    plan.mini_stream.size = best->root.size;
    plan.items = std::move(best->items);
  }
  if (plan.directory_found) {
    MiniFatSources sources;
    if (origin.header) {
      sources.header_start = origin.header->mini_fat_start;
      sources.header_sectors = origin.header->mini_fat_sectors;
      plan.mini_stream_cutoff = origin.header->mini_stream_cutoff;
    }
    sources.table_like_sectors = origin.unclaimed_pages;
    plan.mini_fat = ChooseMiniFat(file, plan, sources);
  } else if (!plan.fat.empty()) {
    plan.items = ItemsByContent(file, plan.geometry, plan.fat);
    AddMiniStreamByContent(file, origin, plan);
  } else if (origin.header) {
    // A header whose tables lay past the end of a cut file: the streams are found by their
    // records and their sectors placed by them.
    plan.items = ItemsByContentWithoutFat(file, plan.geometry);
  }
  plan.description = Describe(plan);
  return plan;
}

bool HasDocument(const SalvagePlan& plan) {
  return std::any_of(plan.items.begin(), plan.items.end(), [](const CompoundItem& item) {
    return item.path.size() == 1 && item.path[0] == u"PowerPoint Document";
  });
}

// Most complete first: a document stream, a directory, a FAT, more elements; between
// plans as complete, one from a surviving header, then the newest directory (old copies
// of the tables of an earlier save give a plan as complete as the live ones).
bool Better(const SalvagePlan& a, const SalvagePlan& b) {
  const auto key = [](const SalvagePlan& p) {
    return std::make_tuple(HasDocument(p), p.directory_found, p.fit_score, !p.fat.empty(),
                           p.items.size(), p.header_found, p.directory_modified);
  };
  return key(a) > key(b);
}

}  // namespace

std::vector<SalvagePlan> PlanSalvage(DamagedFile& file) {
  planning_count.fetch_add(1, std::memory_order_relaxed);
  // One pass finds the marks and the table pages of the layouts they point at.
  CompoundScan scan = ScanForCompoundFiles(file, kMaxAlignments);
  std::vector<SalvagePlan> plans;
  for (const Origin& origin : FindOrigins(file, scan)) {
    SalvagePlan plan = PlanOrigin(file, origin, scan.marks);
    if (!plan.items.empty()) plans.push_back(std::move(plan));
  }
  std::stable_sort(plans.begin(), plans.end(), Better);
  if (plans.size() > kMaxPlans) plans.resize(kMaxPlans);
  return plans;
}

uint64_t SalvagePlanningCount() {
  return planning_count.load(std::memory_order_relaxed);
}

}  // namespace vlx::salvage
