#include "engine/format/byte_order.h"
#include "engine/scan/pictures/metafile_format.h"

namespace vlx {
namespace {

constexpr uint32_t kHeaderRecord = 1;
constexpr uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr size_t kSignatureAt = 40;

// An enhanced metafile opens with its header record, which carries the " EMF" mark.
bool HasValidHeader(ByteSpan m) {
  return m.size() >= kSignatureAt + 4 && LoadU32(m.data()) == kHeaderRecord &&
         LoadU32(m.data() + kSignatureAt) == kSignature;
}

}  // namespace

const MetafileFormat kEmfFormat = {"EMF", "emf", HasValidHeader, 0};

}  // namespace vlx
