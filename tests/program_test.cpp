// The installed program as a user runs it: started on the simulator, ended
// by SIGTERM as a desktop session ends it, with the settings saved.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "mqtt_support.h"
#include "simulator_process.h"
#include "temp_folder.h"
#include "token_support.h"

extern char** environ;

namespace pelmora {
namespace {

using namespace std::chrono_literals;

// Starts `program` with `arguments` offscreen (or on `platform` with no
// display), its settings under `config`, with no desktop secret service;
// what it prints goes to `output` when given.
pid_t start_program(const std::string& program, std::vector<std::string> arguments, const std::filesystem::path& config,
                    const std::string& output = "", const std::string& platform = "offscreen") {
    std::vector<std::string> env_text = {"QT_QPA_PLATFORM=" + platform, "XDG_CONFIG_HOME=" + config.string(),
                                         "XDG_RUNTIME_DIR=" + config.string(),
                                         "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (!entry.starts_with("QT_QPA_PLATFORM=") && !entry.starts_with("XDG_") && !entry.starts_with("DBUS_") &&
            !(platform != "offscreen" && (entry.starts_with("DISPLAY=") || entry.starts_with("WAYLAND_DISPLAY="))))
            env_text.push_back(entry);
    }
    std::vector<char*> env;
    for (std::string& e : env_text) env.push_back(e.data());
    env.push_back(nullptr);
    std::string program_copy = program;
    std::vector<char*> argv = {program_copy.data()};
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
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
    const pid_t pid = start_program(GetParam(), {gateway.address()}, folder.path());
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

// A burst of termination signals during a slow read neither blocks the
// program nor loses the settings: the window closes once the read is over.
TEST(Program, SignalBurstDuringASlowReadClosesAfterTheRead) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    test::SimulatorProcess gateway({"--mode", "delay", "--delay-ms", "3000"});
    const pid_t pid = start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(1500ms);  // the first read is under way
    for (int i = 0; i < 400; ++i) {
        ::kill(pid, i % 2 == 0 ? SIGTERM : SIGINT);
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(wait_for(pid, 10s), 0);
    const std::string saved = test::ReadFile(folder.path() / "Pelmora" / "Pelmora.conf");
    EXPECT_NE(saved.find("IP=" + gateway.address()), std::string::npos) << saved;
}

// Publishing on: the program says it is online, and when it is killed
// outright the broker sends its last will.
TEST(Program, KilledProgramLeavesOfflineAsItsLastWill) {
    test::MosquittoBroker broker;
    test::Subscriber subscriber(broker.port());
    test::SimulatorProcess gateway({"--seed", "4"});
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    std::filesystem::create_directories(folder.path() / "Pelmora");
    std::ofstream(folder.path() / "Pelmora" / "Pelmora.conf")
        << "[Mqtt]\nEnabled=true\nHost=127.0.0.1\nPort=" << broker.port() << "\nDiscovery=false\n";
    const pid_t pid = start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path());
    ASSERT_GT(pid, 0);
    const std::string device = "127_0_0_1_" + std::to_string(gateway.port());
    const std::string availability = "pelmora/" + device + "/availability";
    EXPECT_TRUE(test::WaitForCount(subscriber, availability, 1, std::chrono::seconds(10)));
    EXPECT_TRUE(test::WaitForCount(subscriber, "pelmora/" + device + "/state", 1, std::chrono::seconds(10)));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ASSERT_TRUE(test::WaitForCount(subscriber, availability, 2, std::chrono::seconds(10)));
    const auto said = subscriber.On(availability);
    EXPECT_EQ(said[0].payload, "online");
    EXPECT_EQ(said[1].payload, "offline");
}

// The instance's socket in `folder`, or "" while there is none.
std::string socket_in(const std::filesystem::path& folder, const std::string& program) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("pelmora-" + program + "-") && entry.is_socket()) return entry.path().string();
    }
    return {};
}

// A second start of the same program with the same settings shows the
// first one's window and ends at once with status 0; PelmoraB is another
// program and runs beside it; the socket a killed start leaves is taken over.
TEST(Program, OnePollerPerProgramAndSettings) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    test::SimulatorProcess gateway({"--seed", "5"});
    const std::string first_output = (folder.path() / "first.txt").string();
    const pid_t first = start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path(), first_output);
    ASSERT_GT(first, 0);
    for (int i = 0; i < 500 && socket_in(folder.path(), "Pelmora").empty(); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_FALSE(socket_in(folder.path(), "Pelmora").empty());

    const auto asked = std::chrono::steady_clock::now();
    const int second = wait_for(start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path()), 10s);
    ASSERT_TRUE(WIFEXITED(second)) << second;
    EXPECT_EQ(WEXITSTATUS(second), 0);
    std::printf(
        "second start ended after %lld ms\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked).count()));
    for (int i = 0; i < 250 && test::ReadFile(first_output).find("started again") == std::string::npos; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_NE(test::ReadFile(first_output).find("Pelmora: started again: this window is shown instead"),
              std::string::npos);
    EXPECT_EQ(wait_for(start_program(PELMORA_PROGRAM_B, {gateway.address()}, folder.path()), 2s), -1)
        << "PelmoraB kept running beside Pelmora";

    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    ASSERT_FALSE(socket_in(folder.path(), "Pelmora").empty()) << "a killed start leaves its socket";
    const pid_t third = start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path());
    std::this_thread::sleep_for(1500ms);
    const int fourth = wait_for(start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path()), 10s);
    EXPECT_TRUE(WIFEXITED(fourth) && WEXITSTATUS(fourth) == 0) << "the third start took the socket over";
    ::kill(third, SIGTERM);
    EXPECT_EQ(wait_for(third, 10s), 0);
}

// A settings file that is a FIFO blocks nothing: the program starts and
// reads the gateway (which asks for the meter list after its first read).
TEST(Program, SettingsFifoBlocksNothing) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    std::filesystem::create_directories(folder.path() / "Pelmora");
    ASSERT_EQ(::mkfifo((folder.path() / "Pelmora" / "Pelmora.conf").c_str(), 0600), 0);
    test::SimulatorProcess gateway({"--site", "battery"});
    const pid_t pid = start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path());
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 300 && gateway.requests("/ivp/meters") == 0; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_GE(gateway.requests("/ivp/meters"), 1u) << "no read within 6 s";
    ::kill(pid, SIGTERM);
    EXPECT_EQ(wait_for(pid, 10s), 0);
}

// Without a display the program says so in one line and ends non-zero.
TEST(Program, NoDisplayIsSaidInOneLine) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    const std::string output = (folder.path() / "said.txt").string();
    const pid_t pid = start_program(PELMORA_PROGRAM, {"10.1.2.3"}, folder.path(), output, "xcb");
    const int status = wait_for(pid, 10s);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadFile(output),
              "Pelmora: no display found: set DISPLAY (or WAYLAND_DISPLAY), or start it in a desktop session\n");
}

// Of three starts at once exactly one keeps polling; the others show its
// window and end with status 0.
TEST(Program, OneOfSimultaneousStartsPolls) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    test::SimulatorProcess gateway({"--seed", "6"});
    std::vector<pid_t> starts;
    for (int i = 0; i < 3; ++i) starts.push_back(start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path()));
    std::vector<pid_t> running = starts;
    const auto until = std::chrono::steady_clock::now() + 30s;
    while (running.size() > 1 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(100ms);
        std::erase_if(running, [](pid_t pid) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) != pid) return false;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            return true;
        });
    }
    std::this_thread::sleep_for(1s);
    std::erase_if(running, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == pid; });
    EXPECT_EQ(running.size(), 1u);
    for (const pid_t pid : running) {
        ::kill(pid, SIGTERM);
        EXPECT_EQ(wait_for(pid, 10s), 0);
    }
}

// A first start that answers slowly, or not at all while it is stopped,
// keeps its socket: a second start ends without taking it over. Idle local
// clients and one that sends without a line end are dropped, so the guard
// answers again afterwards.
TEST(Program, AStalledFirstStartKeepsItsSocket) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    test::SimulatorProcess gateway({"--seed", "7"});
    const pid_t first = start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path());
    for (int i = 0; i < 500 && socket_in(folder.path(), "Pelmora").empty(); ++i) std::this_thread::sleep_for(20ms);
    const std::string socket_path = socket_in(folder.path(), "Pelmora");
    ASSERT_FALSE(socket_path.empty());

    std::vector<int> clients;
    for (int i = 0; i < 40; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un where{};
        where.sun_family = AF_UNIX;
        std::snprintf(where.sun_path, sizeof where.sun_path, "%s", socket_path.c_str());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0) clients.push_back(fd);
    }
    const std::string flood(1 << 20, 'x');
    ::fcntl(clients.front(), F_SETFL, O_NONBLOCK);
    EXPECT_LT(::send(clients.front(), flood.data(), flood.size(), MSG_NOSIGNAL), static_cast<ssize_t>(flood.size()))
        << "the first start read all of a line without end";

    ::kill(first, SIGSTOP);
    const int second = wait_for(start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path()), 20s);
    ::kill(first, SIGCONT);
    ASSERT_TRUE(WIFEXITED(second)) << second;
    EXPECT_NE(WEXITSTATUS(second), 0) << "a stopped first start was taken for a crashed one";
    EXPECT_EQ(socket_in(folder.path(), "Pelmora"), socket_path);

    // The idle clients hold the guard's places until it drops them, 2 s after they came.
    std::this_thread::sleep_for(3s);
    const int third = wait_for(start_program(PELMORA_PROGRAM, {gateway.address()}, folder.path()), 20s);
    EXPECT_TRUE(WIFEXITED(third) && WEXITSTATUS(third) == 0) << "the first start answers again";
    for (const int fd : clients) ::close(fd);
    ::kill(first, SIGTERM);
    EXPECT_EQ(wait_for(first, 10s), 0);
}

// A runtime folder others can write, or its group, is not used for the guard.
TEST(Program, AWorldWritableRuntimeFolderIsNotUsed) {
    for (const mode_t mode : {0777, 0720}) {
        test::TempWorkingFolder folder;
        ::chmod(folder.path().c_str(), mode);
        const pid_t pid = start_program(PELMORA_PROGRAM, {"10.1.2.3"}, folder.path());
        std::this_thread::sleep_for(1500ms);
        EXPECT_TRUE(socket_in(folder.path(), "Pelmora").empty()) << std::oct << mode;
        ::kill(pid, SIGTERM);
        EXPECT_EQ(wait_for(pid, 10s), 0);
    }
}

// The guard holds where its usual places fail: a program name too long for a
// socket's address, and a lock path that is a folder (the guard then goes by
// its socket alone and says so).
TEST(Program, TheGuardHoldsWithALongNameOrALockItCannotTake) {
    for (const bool lock_is_folder : {false, true}) {
        test::TempWorkingFolder folder;
        ::chmod(folder.path().c_str(), 0700);
        std::string program = PELMORA_PROGRAM;
        if (!lock_is_folder) {
            program = (folder.path() / ("Pelmora" + std::string(52, 'x'))).string();
            std::filesystem::create_symlink(PELMORA_PROGRAM, program);
        }
        const auto socket = [&] {
            for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
                if (entry.is_socket()) return entry.path().string();
            return std::string();
        };
        const std::string output = (folder.path() / "first.txt").string();
        pid_t first = start_program(program, {"10.1.2.3"}, folder.path(), output);
        for (int i = 0; i < 500 && socket().empty(); ++i) std::this_thread::sleep_for(20ms);
        ASSERT_FALSE(socket().empty()) << lock_is_folder << test::ReadFile(output);
        if (lock_is_folder) {
            const std::string lock = socket() + ".lock";
            ::kill(first, SIGKILL);
            ::waitpid(first, nullptr, 0);
            std::filesystem::remove(lock);
            std::filesystem::create_directory(lock);
            first = start_program(program, {"10.1.2.3"}, folder.path(), output);
            for (int i = 0; i < 250 && test::ReadFile(output).find("socket alone") == std::string::npos; ++i)
                std::this_thread::sleep_for(20ms);
            EXPECT_NE(test::ReadFile(output).find("the one-poller guard cannot take its lock"), std::string::npos)
                << test::ReadFile(output);
            std::this_thread::sleep_for(1000ms);  // the leftover socket is taken over
        }
        const auto asked = std::chrono::steady_clock::now();
        const int second = wait_for(start_program(program, {"10.1.2.3"}, folder.path()), 15s);
        EXPECT_TRUE(WIFEXITED(second) && WEXITSTATUS(second) == 0) << lock_is_folder << " " << second;
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 8s) << "the second start was answered, not timed out";
        ::kill(first, SIGTERM);
        EXPECT_EQ(wait_for(first, 10s), 0);
    }
}

// The whole command line after the program name is the address text; Qt's
// own options are not taken out of it.
TEST(Program, QtOptionsStayInTheArgumentText) {
    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    const pid_t pid = start_program(PELMORA_PROGRAM, {"-reverse", "10.1.2.3"}, folder.path());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(1000ms);
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_for(pid, 10s), 0);
    const std::string saved = test::ReadFile(folder.path() / "Pelmora" / "Pelmora.conf");
    EXPECT_NE(saved.find("IP=-reverse 10.1.2.3\n"), std::string::npos) << saved;
}

struct TokenFileRow {
    const char* name;
    mode_t mode;
    bool used;
};
class TokenFileTest : public ::testing::TestWithParam<TokenFileRow> {};

// The program with a token file placed by hand, against a gateway that wants
// it: the token is used only from an owner-only file, and its text ends up
// in no file of the program's and in nothing it prints.
TEST_P(TokenFileTest, UsesTheTokenAndKeepsItSecret) {
    const TokenFileRow& row = GetParam();
    const std::string token = test::OwnerToken(std::time(nullptr) + 400 * 86400);
    test::TempWorkingFolder gateway_folder;
    std::ofstream(gateway_folder.path() / "token") << token;
    test::SimulatorProcess gateway({"--tls", "--token-file", (gateway_folder.path() / "token").string(), "--fixed",
                                    std::string(PELMORA_FIXTURES) + "/readings.json"});
    const std::filesystem::path printed = gateway_folder.path() / "printed.txt";

    test::TempWorkingFolder folder;
    ::chmod(folder.path().c_str(), 0700);
    std::filesystem::create_directories(folder.path() / "Pelmora");
    std::ofstream(folder.path() / "Pelmora" / "Pelmora.conf")
        << "[Settings]\nTop=0\nLeft=0\nIP=" << gateway.address() << "\nWrite=1\nOnTop=False\n";
    const std::filesystem::path token_file = folder.path() / "Pelmora" / "token";
    std::ofstream(token_file) << token << "\n";
    ::chmod(token_file.c_str(), row.mode);

    const pid_t pid = start_program(PELMORA_PROGRAM, {}, folder.path(), printed.string());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(3s);
    ::kill(pid, SIGTERM);
    ASSERT_EQ(wait_for(pid, 10s), 0);

    // The design's output file name, relative to the working folder.
    const std::string output = test::ReadFile(folder.path() / "E:\\Meters.txt");
    const std::string said = test::ReadFile(printed);
    if (row.used) {
        EXPECT_EQ(output.find("Wrong/No IP address"), std::string::npos) << output;
        EXPECT_NE(output.find("\r\n3,785.0\r\n"), std::string::npos) << output;  // the fixture's production
        EXPECT_GE(gateway.requests("/ivp/meters/readings"), 1u);
    } else {
        EXPECT_NE(said.find("chmod 600 " + token_file.string()), std::string::npos) << said;
        EXPECT_EQ(gateway.requests("/auth/check_jwt") + gateway.requests("/ivp/meters/readings"), 0u);
    }
    EXPECT_EQ(said.find(token), std::string::npos);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
        if (!entry.is_regular_file() || entry.path() == token_file) continue;
        EXPECT_EQ(test::ReadFile(entry.path()).find(token), std::string::npos) << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TokenFileTest,
                         ::testing::Values(TokenFileRow{"owner_only", 0600, true},
                                           TokenFileRow{"readable_by_others", 0644, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora
