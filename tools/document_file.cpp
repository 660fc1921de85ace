#include "tools/document_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace pelmora {

std::optional<std::string> ReadDocumentFile(const std::string& path, std::string& why) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        why = error ? error.message() : "not a regular file";
        return std::nullopt;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestDocumentFile) {
        why = error ? error.message() : "larger than " + std::to_string(kLargestDocumentFile >> 20) + " MiB";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = "cannot be opened";
        return std::nullopt;
    }
    return ReadDocumentStream(in, why);
}

std::optional<std::string> ReadDocumentStream(std::istream& in, std::string& why) {
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kLargestDocumentFile) {
            why = "larger than " + std::to_string(kLargestDocumentFile >> 20) + " MiB";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        why = "cannot be read";
        return std::nullopt;
    }
    return text;
}

}  // namespace pelmora
