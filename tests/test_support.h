#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace pelmora::test {

inline std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(PELMORA_FIXTURES) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace pelmora::test
