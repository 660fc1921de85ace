#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace pelmora::test {

// The gateway simulator as a child process on 127.0.0.1, on a port of its own
// choosing unless the arguments name one; stopped with SIGTERM when the
// object goes. Its standard output is kept in a file for output().
class SimulatorProcess {
public:
    explicit SimulatorProcess(std::vector<std::string> args) {
        if (std::find(args.begin(), args.end(), "--port") == args.end()) args.insert(args.begin(), {"--port", "0"});
        args.insert(args.begin(), PELMORA_GATEWAY_BIN);
        char pattern[] = "/tmp/pelmora-simulator-XXXXXX";
        const int out = ::mkstemp(pattern);
        if (out < 0) throw std::runtime_error("mkstemp");
        m_output_path = pattern;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out, STDOUT_FILENO);
            ::close(out);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out);
        m_port = read_port();
    }
    ~SimulatorProcess() {
        stop();
        ::unlink(m_output_path.c_str());
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Stops the simulator and returns its exit status; one that has not
    // ended 10 s after SIGTERM is killed, so that no test waits for ever.
    int stop() {
        if (m_pid <= 0) return m_status;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_pid = -1;
        m_status = status;
        return status;
    }

    int port() const { return m_port; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string url() const { return "http://" + address() + "/ivp/meters/readings"; }
    std::string https_url() const { return "https://" + address() + "/ivp/meters/readings"; }

    // Everything the simulator has printed so far.
    std::string output() const {
        std::ifstream in(m_output_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // How many logged requests went to `path`.
    std::size_t requests(const std::string& path) const {
        const std::string text = output();
        const std::string needle = "request GET " + path + " ";
        std::size_t count = 0;
        for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
        return count;
    }

private:
    int read_port() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string text = output();
            const std::size_t line = text.find("listening on ");
            const std::size_t end = text.find('\n', line);
            if (line != std::string::npos && end != std::string::npos) {
                const std::string first = text.substr(line, end - line);
                return std::stoi(first.substr(first.rfind(':') + 1));
            }
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        throw std::runtime_error("simulator did not start: " + output());
    }

    pid_t m_pid = -1;
    int m_port = 0;
    int m_status = 0;
    std::string m_output_path;
};

}  // namespace pelmora::test
