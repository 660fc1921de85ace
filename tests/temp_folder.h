#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pelmora::test {

// A fresh folder under the system's temporary folder that is made the
// working folder for the test's lifetime and removed afterwards.
class TempWorkingFolder {
public:
    TempWorkingFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelmora-test-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~TempWorkingFolder() {
        std::error_code ignored;
        std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempWorkingFolder(const TempWorkingFolder&) = delete;
    TempWorkingFolder& operator=(const TempWorkingFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    std::size_t file_count() const {
        std::size_t n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            (void)entry;
            ++n;
        }
        return n;
    }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace pelmora::test
