// The alias file: one "id/*/alias" line per camera, ascending id.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace velmora {

using AliasTable = std::map<std::int32_t, std::string>;  // UTF-8 text

inline constexpr const char* kAliasSeparator = "/*/";

// Adds every well-formed line of the file to `table`. A line without the
// separator or without a decimal id before it is skipped; the alias is
// everything after the first separator (it may contain the separator).
// A missing file leaves the table as it is.
void load_alias_file(const std::string& path, AliasTable& table);

// Writes every entry (empty aliases too) with CR LF line ends.
bool save_alias_file(const std::string& path, const AliasTable& table);

// An alias is one line of the file: line breaks (and NULs, which end the
// text in the file) become spaces. Loading applies it too.
std::string clean_alias(const std::string& text);

}  // namespace velmora
