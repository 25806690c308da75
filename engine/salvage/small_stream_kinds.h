#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/salvage/record_extent.h"

namespace vlx::salvage {

// How the small streams of a presentation file begin: what their first bytes say of
// their kind. Each test reads at most kSmallStreamProbe bytes.
inline constexpr size_t kSmallStreamProbe = 64;

// A Current User record: its type and one of the two header tokens.
bool BeginsCurrentUser(const uint8_t* bytes);

// The name of the property set stream these bytes begin (the summary or the document
// summary, by the first section's format); empty when they begin neither.
std::u16string PropertySetName(const uint8_t* bytes);

// The length of the property set stream read gives, of the two kinds: where its last
// section ends. 0 when it is neither kind or a section lies past limit bytes; name is
// set to its stream's.
uint64_t PropertySetLength(const StreamReader& read, uint64_t limit, std::u16string* name);

// The length a Current User stream has, told by its first kSmallStreamProbe bytes: the
// record, and the user's name in UTF-16 after it when the record ends with the release
// version (its length is the fixed fields and the 8-bit name).
uint64_t CurrentUserLength(const uint8_t* bytes);

// The length of a stream of the named kind beginning with these kSmallStreamProbe
// bytes, when they tell it: a Current User's, or a property set's of one section
// whose size lies among them. nullopt when they do not.
std::optional<uint64_t> LengthFromBeginning(const std::u16string& name, const uint8_t* bytes);

// Whether bytes begin a stream of the named kind; nullopt when the name is not of a
// kind known by its first bytes.
std::optional<bool> BeginsAs(const std::u16string& name, const uint8_t* bytes);

}  // namespace vlx::salvage
