#pragma once

#include <mosquitto.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loopback_server.h"

namespace pelmora::test {

// A port on 127.0.0.1 that was free a moment ago.
inline int FreePort() {
    LoopbackListener listener;
    return listener.port();
}

// Debian's mosquitto broker on 127.0.0.1, with a configuration file of our
// own: anonymous, or with one user and password. Stop and Start keep the port.
class MosquittoBroker {
public:
    explicit MosquittoBroker(std::string user = {}, std::string password = {}) : m_port(FreePort()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "pelmora-broker-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
        // Started as root, the broker reads its files as the mosquitto user.
        ::chmod(m_folder.c_str(), 0755);
        std::ofstream conf(m_folder / "mosquitto.conf");
        conf << "listener " << m_port << " 127.0.0.1\npersistence false\nlog_dest none\n";
        if (user.empty()) {
            conf << "allow_anonymous true\n";
        } else {
            const std::string file = (m_folder / "passwords").string();
            const std::string command = "mosquitto_passwd -b -c '" + file + "' '" + user + "' '" + password + "'";
            if (std::system(command.c_str()) != 0) throw std::runtime_error("mosquitto_passwd failed");
            conf << "allow_anonymous false\npassword_file " << file << "\n";
        }
        conf.close();
        Start();
    }
    ~MosquittoBroker() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    int port() const { return m_port; }

    void Start() {
        const std::string conf = (m_folder / "mosquitto.conf").string();
        std::string program = "/usr/sbin/mosquitto";
        std::string flag = "-c";
        std::string conf_copy = conf;
        char* argv[] = {program.data(), flag.data(), conf_copy.data(), nullptr};
        if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) m_pid = -1;
        // Ready once it accepts connections.
        for (int i = 0; i < 250; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(static_cast<std::uint16_t>(m_port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            if (up) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    int m_port;
    std::filesystem::path m_folder;
    pid_t m_pid = -1;
};

// Subscribes to every topic and keeps what arrives, retained flags included.
class Subscriber {
public:
    struct Received {
        std::string topic;
        std::string payload;
        bool retain;
    };

    explicit Subscriber(int port, std::string user = {}, std::string password = {}) {
        mosquitto_lib_init();
        m_client = mosquitto_new(nullptr, true, this);
        if (!user.empty()) mosquitto_username_pw_set(m_client, user.c_str(), password.c_str());
        mosquitto_connect_callback_set(m_client, [](mosquitto* client, void*, int rc) {
            if (rc == 0) mosquitto_subscribe(client, nullptr, "#", 0);
        });
        mosquitto_subscribe_callback_set(m_client, [](mosquitto*, void* self, int, int, const int*) {
            auto* s = static_cast<Subscriber*>(self);
            const std::lock_guard<std::mutex> lock(s->m_mutex);
            s->m_subscribed = true;
            s->m_arrived.notify_all();
        });
        mosquitto_message_callback_set(m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            const std::lock_guard<std::mutex> lock(s->m_mutex);
            s->m_received.push_back(
                {m->topic, std::string(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)),
                 m->retain});
            s->m_arrived.notify_all();
        });
        mosquitto_connect(m_client, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_client);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_arrived.wait_for(lock, std::chrono::seconds(5), [this] { return m_subscribed; });
    }
    ~Subscriber() {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
        mosquitto_lib_cleanup();
    }
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    // Waits until `enough` holds for what has arrived, for `limit` at most.
    bool WaitFor(const std::function<bool(const std::vector<Received>&)>& enough, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, limit, [&] { return enough(m_received); });
    }
    // The messages on `topic` so far.
    std::vector<Received> On(const std::string& topic) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Received> found;
        for (const Received& r : m_received) {
            if (r.topic == topic) found.push_back(r);
        }
        return found;
    }
    std::vector<Received> All() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    void Clear() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_received.clear();
    }

private:
    mosquitto* m_client = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Received> m_received;
    bool m_subscribed = false;
};

// Waits until at least `n` messages arrived on `topic`.
inline bool WaitForCount(Subscriber& s, const std::string& topic, std::size_t n, std::chrono::milliseconds limit) {
    return s.WaitFor(
        [&](const std::vector<Subscriber::Received>& all) {
            std::size_t count = 0;
            for (const auto& r : all) count += r.topic == topic;
            return count >= n;
        },
        limit);
}

}  // namespace pelmora::test
