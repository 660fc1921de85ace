#pragma once

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
// Messages go out at QoS 0.
class MosquittoBus : public MessageBus {
public:
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
    void set_state(const std::string& text, bool connected);
    void send(mosquitto* client, const BusMessage& message);

    mosquitto* m_client = nullptr;
    std::thread m_starter;
    BusOptions m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_state = "Not started";
    bool m_connected = false;
};

}  // namespace pelmora
