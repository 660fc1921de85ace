// Reads the output file over and over until told to stop, counting the reads
// that did not find exactly four CR LF lines; writes "reads bad" to RESULT.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::string file = argv[1], stop = argv[2], result = argv[3];
    long reads = 0, bad = 0;
    while (!std::filesystem::exists(stop)) {
        std::ifstream in(file, std::ios::binary);
        if (in) {
            const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::size_t lines = 0;
            bool clean = content.size() >= 2 && content.ends_with("\r\n");
            for (std::size_t i = 0; i < content.size(); ++i) {
                if (content[i] == '\n') {
                    ++lines;
                    if (i == 0 || content[i - 1] != '\r') clean = false;
                }
            }
            ++reads;
            if (lines != 4 || !clean) ++bad;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::ofstream(result) << reads << " " << bad << "\n";
    return 0;
}
