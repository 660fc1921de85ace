#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/message_bus.h"

struct mosquitto;

namespace pelmora {

// The message bus on libmosquitto: the client's network loop runs on its own
// thread (mosquitto_loop_start); Start hands the connect to a short-lived
// thread of its own, so that a slow name lookup never holds the caller.
// Messages go out at QoS 0. At most kMostWaiting published messages wait
// to be written to the socket; past that, Publish drops them, so a slow
// broker costs no memory.
class MosquittoBus : public MessageBus {
public:
    static constexpr int kMostWaiting = 4;

    MosquittoBus();
    ~MosquittoBus() override;
    MosquittoBus(const MosquittoBus&) = delete;
    MosquittoBus& operator=(const MosquittoBus&) = delete;

    void Start(const BusOptions& options) override;
    void Publish(const BusMessage& message) override;
    void Stop(const std::vector<BusMessage>& last) override;
    std::string State() const override;

private:
    static void on_connect(mosquitto* client, void* self, int rc);
    static void on_disconnect(mosquitto* client, void* self, int rc);
    static void on_log(mosquitto* client, void* self, int level, const char* text);
    static void on_publish(mosquitto* client, void* self, int mid);
    void set_state(const std::string& text, bool connected);
    void send(mosquitto* client, const BusMessage& message);

    mosquitto* m_client = nullptr;
    std::thread m_starter;
    BusOptions m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_state = "Not started";
    bool m_connected = false;
    std::atomic<int> m_waiting{0};  // handed to the library, not yet written out
};

}  // namespace pelmora
