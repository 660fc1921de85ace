#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
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
// broker costs no memory. TLS trusts the system's certificates, or the
// context `tls_context` makes for the options, where it is given.
class MosquittoBus : public MessageBus {
public:
    static constexpr int kMostWaiting = 4;
    // An OpenSSL SSL_CTX for a connection with these options, or none.
    using TlsContext = std::function<std::shared_ptr<void>(const BusOptions&)>;

    explicit MosquittoBus(TlsContext tls_context = {});
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

    TlsContext m_tls_context;
    std::shared_ptr<void> m_context;  // the TLS context the client was given
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
