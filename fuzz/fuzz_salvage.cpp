// Runs the compound-file salvage over arbitrary bytes: the FAT search, the directory
// listing, the chain reading and the stitching of lost chains (all through the plans
// and their extraction), then the check of the document stream found. Crashes,
// sanitizer reports, spools of the wrong length and checks that pass without their
// evidence are findings.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/job/damaged_file.h"
#include "engine/salvage/presentation_check.h"
#include "engine/salvage/salvage_extraction.h"
#include "engine/salvage/salvage_plan.h"
#include "fuzz/fuzz_input.h"

namespace {

uint64_t LengthOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) __builtin_trap();  // a stream it reported is missing
  return static_cast<uint64_t>(st.st_size);
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::vector<uint8_t> bytes(LengthOf(path));
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
      __builtin_trap();
    std::fclose(f);
  }
  return bytes;
}

void CheckDocument(const vlx::salvage::SalvagedCompound& compound) {
  const vlx::salvage::SalvagedStream* document = compound.Find(u"PowerPoint Document");
  if (document == nullptr) return;
  auto stream = vlx::DamagedFile::Open(document->file);
  if (!stream) __builtin_trap();
  const vlx::salvage::SalvagedStream* user = compound.Find(u"Current User");
  const std::vector<uint8_t> user_bytes =
      user != nullptr ? ReadWhole(user->file) : std::vector<uint8_t>{};
  const vlx::salvage::PresentationCheck check =
      vlx::salvage::CheckPresentation(*stream, user != nullptr ? &user_bytes : nullptr);
  // A verified stream has an edit inside it and names why; a failed one says which check failed.
  if (check.verified != check.failure.empty()) __builtin_trap();
  if (check.verified &&
      (!check.current_edit || *check.current_edit >= stream->GetLength() || check.edits < 1))
    __builtin_trap();
  (void)check.Summary();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = vlx::fuzz::WriteInputFile(data, size);
  auto file = vlx::DamagedFile::Open(input);
  if (!file) __builtin_trap();
  const std::vector<vlx::salvage::SalvagePlan> plans = vlx::salvage::PlanSalvage(*file);
  if (plans.size() > 4) __builtin_trap();
  for (size_t i = 0; i < plans.size(); ++i) {
    const std::string prefix = vlx::fuzz::ScratchFolder() + "p" + std::to_string(i) + "-";
    vlx::salvage::SalvagedCompound compound;
    std::string why;
    if (!vlx::salvage::ExtractSalvage(*file, plans[i], prefix, &compound, &why)) __builtin_trap();
    for (const vlx::salvage::SalvagedStream& s : compound.streams) {
      // Every stream is spooled at most at the size its directory gives; what is cut
      // short of it counts as missing.
      const uint64_t length = LengthOf(s.file);
      if (length > s.item.size || s.missing_bytes > s.item.size) __builtin_trap();
      if (s.item.size - length > s.missing_bytes) __builtin_trap();
      // Spools grow with the file, never with what a damaged entry claims.
      if (length > uint64_t{size} * 2 + 4096) __builtin_trap();
    }
    CheckDocument(compound);
    for (const vlx::salvage::SalvagedStream& s : compound.streams) ::unlink(s.file.c_str());
    ::unlink((prefix + "mini").c_str());
  }
  return 0;
}
