// The installed program as a user runs it: started on the simulator, ended
// by SIGTERM as a desktop session ends it, with the settings saved.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "simulator_process.h"
#include "temp_folder.h"

extern char** environ;

namespace pelmora {
namespace {

using namespace std::chrono_literals;

// Starts `program` with `argument` offscreen, its settings under `config`.
pid_t start_program(const std::string& program, const std::string& argument, const std::filesystem::path& config) {
    std::vector<std::string> env_text = {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.string(),
                                         "XDG_RUNTIME_DIR=" + config.string()};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (!entry.starts_with("QT_QPA_PLATFORM=") && !entry.starts_with("XDG_")) env_text.push_back(entry);
    }
    std::vector<char*> env;
    for (std::string& e : env_text) env.push_back(e.data());
    env.push_back(nullptr);
    std::string program_copy = program;
    std::string argument_copy = argument;
    char* argv[] = {program_copy.data(), argument_copy.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, env.data()) != 0) return -1;
    return pid;
}

// Waits for the process to end; -1 when it does not within the time given.
int wait_for(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(20ms);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

class ProgramTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ProgramTest, TerminationSavesTheSettings) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    test::SimulatorProcess gateway({"--seed", "3"});
    const pid_t pid = start_program(GetParam(), gateway.address(), folder.path());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(1500ms);
    ::kill(pid, SIGTERM);
    const int status = wait_for(pid, 10s);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string saved = test::ReadFile(folder.path() / "Pelmora" / "Pelmora.conf");
    EXPECT_NE(saved.find("IP=" + gateway.address()), std::string::npos) << saved;
    EXPECT_NE(saved.find("Top="), std::string::npos) << saved;
}

INSTANTIATE_TEST_SUITE_P(Names, ProgramTest, ::testing::Values(PELMORA_PROGRAM, PELMORA_PROGRAM_B));

}  // namespace
}  // namespace pelmora
