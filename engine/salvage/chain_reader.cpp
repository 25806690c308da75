#include "engine/salvage/chain_reader.h"

#include <algorithm>

namespace vlx::salvage {

size_t ChainReader::Read(uint64_t offset, uint8_t* out, size_t count) {
  size_t done = 0;
  while (done < count && offset < capacity()) {
    const uint64_t index = offset / unit_;
    const uint64_t within = offset % unit_;
    // Sectors that follow each other in the file are read in one piece.
    uint64_t run_end = index + 1;
    const uint64_t wanted_end = (offset + (count - done) + unit_ - 1) / unit_;
    while (run_end < sectors_.size() && run_end < wanted_end &&
           sectors_[run_end] == sectors_[run_end - 1] + 1)
      ++run_end;
    const size_t take =
        static_cast<size_t>(std::min<uint64_t>((run_end - index) * unit_ - within, count - done));
    const uint64_t sector = sectors_[index] + (header_block_ ? 1 : 0);
    const size_t got = file_.ReadAt(origin_ + sector * unit_ + within, out + done, take);
    missing_ += take - got;
    done += take;
    offset += take;
  }
  return done;
}

}  // namespace vlx::salvage
