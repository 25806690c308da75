#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/rebuild/picture_selection.h"

namespace vlx {

class RecoveryJob;

// Gives one rebuilt stream only the pictures its records refer to: the blip store at
// [store_offset, store_offset + store_length) of the stream is rewritten in place for
// the references of `referring` (the master and the slides' drawings), and the pictures
// go to the workspace's selected-pictures file. Returns that file's path, or an empty
// string when it cannot be written.
// Every entry of a whole blip-store record, 1-based (what a deck that keeps all the
// pictures its store names refers to).
std::set<uint32_t> EveryEntryOf(std::span<const uint8_t> blip_store);

// The same with the references given.
std::string SelectDocumentPictures(RecoveryJob& job, PictureSource& source,
                                   std::vector<uint8_t>& stream, size_t store_offset,
                                   size_t store_length, const std::set<uint32_t>& references);

std::string SelectDocumentPictures(RecoveryJob& job, PictureSource& source,
                                   std::vector<uint8_t>& stream, size_t store_offset,
                                   size_t store_length,
                                   std::span<const std::span<const uint8_t>> referring);

}  // namespace vlx
