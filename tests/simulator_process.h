#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelmora::test {

// The gateway simulator as a child process on 127.0.0.1 and a port of its
// own choosing; stopped with SIGTERM when the object goes.
class SimulatorProcess {
public:
    explicit SimulatorProcess(std::vector<std::string> args) {
        args.insert(args.begin(), {PELMORA_GATEWAY_BIN, "--port", "0"});
        int out[2];
        if (::pipe(out) != 0) throw std::runtime_error("pipe");
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_port = read_port(out[0]);
        ::close(out[0]);
    }
    ~SimulatorProcess() { stop(); }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Stops the simulator and returns its exit status.
    int stop() {
        if (m_pid <= 0) return m_status;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_status = status;
        return status;
    }

    int port() const { return m_port; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string url() const { return "http://" + address() + "/ivp/meters/readings"; }

private:
    static int read_port(int fd) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (line.find('\n') == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (std::chrono::steady_clock::now() > deadline || ::poll(&p, 1, 100) < 0) break;
            char c;
            if ((p.revents & (POLLIN | POLLHUP)) != 0) {
                if (::read(fd, &c, 1) != 1) break;
                line += c;
            }
        }
        const std::size_t colon = line.rfind(':');
        if (colon == std::string::npos) throw std::runtime_error("simulator did not start: " + line);
        return std::stoi(line.substr(colon + 1));
    }

    pid_t m_pid = -1;
    int m_port = 0;
    int m_status = 0;
};

}  // namespace pelmora::test
