#pragma once

// An independent reader of PowerPoint 97-2003 streams for the end-to-end checks. It
// shares no code with the engine: it follows the current user's edit chain to the live
// document, lists its slides and their texts, and lists the pictures' data.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/compound_damage.h"

namespace vlx::e2e {

using StreamMap = std::map<std::string, std::vector<unsigned char>>;

struct PresentationFacts {
  int slide_count = 0;
  std::vector<std::string> slide_texts;  // distinct normalised paragraphs of the slides
  std::vector<Bytes> pictures;           // each blip's picture data, in stream order
};

// The facts of an intact presentation's streams; nullopt when its edit chain or its
// document cannot be followed.
std::optional<PresentationFacts> ReadPresentationFacts(const StreamMap& streams);

// Every text atom anywhere in a document stream, as normalised paragraphs joined by '\n'.
std::string AllDocumentText(const Bytes& document_stream);

// Splits text at paragraph and line breaks, collapses white space, drops empty parts.
std::vector<std::string> NormalisedParagraphs(const std::string& utf8);

// The picture bytes of one blip record body (after its identifiers and tag or metafile
// header); empty when the record is not a blip.
Bytes BlipData(const Bytes& stream, size_t record_offset);

}  // namespace vlx::e2e
