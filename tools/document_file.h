#pragma once

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace pelmora {

// Documents the tools take are a gateway's answers, of a few kilobytes.
inline constexpr std::size_t kLargestDocumentFile = 16 << 20;

// The content of a document named on a tool's command line: a regular file
// (or what a link leads to) of at most kLargestDocumentFile bytes; nothing
// for anything else (a folder, a device, /dev/zero, a 1 GB file), with the
// reason in `why`.
std::optional<std::string> ReadDocumentFile(const std::string& path, std::string& why);

// At most kLargestDocumentFile bytes of `in` to its end; nothing past that.
std::optional<std::string> ReadDocumentStream(std::istream& in, std::string& why);

}  // namespace pelmora
