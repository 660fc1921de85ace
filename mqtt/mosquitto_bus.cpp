#include "mqtt/mosquitto_bus.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace pelmora {

namespace {

constexpr int kKeepAliveSeconds = 30;

std::string error_text(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(rc);
}

}  // namespace

MosquittoBus::MosquittoBus(TlsContext tls_context) : m_tls_context(std::move(tls_context)) { mosquitto_lib_init(); }

MosquittoBus::~MosquittoBus() {
    Stop({});
    mosquitto_lib_cleanup();
}

void MosquittoBus::set_state(const std::string& text, bool connected) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_state = text;
        m_connected = connected;
    }
    m_changed.notify_all();
}

void MosquittoBus::send(mosquitto* client, const BusMessage& m) {
    // Counted before the library may write it and call on_publish.
    ++m_waiting;
    const int rc = mosquitto_publish(client, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()),
                                     m.payload.data(), 0, m.retain);
    if (rc == MOSQ_ERR_SUCCESS) return;
    --m_waiting;
    // Said where the connection's state shows; the connection itself goes on.
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_state = "A message could not be sent (" + error_text(rc) + ")";
}

void MosquittoBus::on_publish(mosquitto*, void* self, int) {
    auto* bus = static_cast<MosquittoBus*>(self);
    int waiting = bus->m_waiting.load();
    while (waiting > 0 && !bus->m_waiting.compare_exchange_weak(waiting, waiting - 1)) {
    }
}

void MosquittoBus::on_connect(mosquitto* client, void* self, int rc) {
    auto* bus = static_cast<MosquittoBus*>(self);
    if (rc != 0) {
        bus->set_state(mosquitto_connack_string(rc), false);
        return;
    }
    bus->set_state("Connected", true);
    // What waited on the last connection went with it.
    bus->m_waiting = 0;
    for (const BusMessage& m : bus->m_options.on_connect) bus->send(client, m);
}

void MosquittoBus::on_disconnect(mosquitto*, void* self, int rc) {
    auto* bus = static_cast<MosquittoBus*>(self);
    std::string state;
    {
        const std::lock_guard<std::mutex> lock(bus->m_mutex);
        // A refusal said more than the disconnect that follows it.
        if (!bus->m_connected) {
            state = bus->m_state;
        } else if (rc == 0) {
            state = "Disconnected";
        } else {
            state = "Connection lost; trying again";
            if (rc != MOSQ_ERR_CONN_LOST) state += " (" + error_text(rc) + ")";
        }
    }
    bus->set_state(state, false);
}

void MosquittoBus::on_log(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || text == nullptr) return;
    auto* bus = static_cast<MosquittoBus*>(self);
    std::string message = text;
    if (message.starts_with("Error: ")) message.erase(0, 7);
    bus->set_state(message, false);
}

void MosquittoBus::Start(const BusOptions& options) {
    Stop({});
    m_options = options;
    m_client = mosquitto_new(options.client_id.empty() ? nullptr : options.client_id.c_str(), true, this);
    if (m_client == nullptr) {
        set_state("The MQTT client could not be made", false);
        return;
    }
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(m_client, on_connect);
    mosquitto_disconnect_callback_set(m_client, on_disconnect);
    mosquitto_log_callback_set(m_client, on_log);
    mosquitto_publish_callback_set(m_client, on_publish);
    m_waiting = 0;
    mosquitto_reconnect_delay_set(m_client, 1, 60, true);
    const BusMessage& will = options.will;
    if (!will.topic.empty()) {
        if (const int rc = mosquitto_will_set(m_client, will.topic.c_str(), static_cast<int>(will.payload.size()),
                                              will.payload.data(), 0, will.retain);
            rc != MOSQ_ERR_SUCCESS) {
            // Without its will a killed program would be left "online": no connection then.
            mosquitto_destroy(m_client);
            m_client = nullptr;
            set_state("The last will could not be set (" + error_text(rc) + ")", false);
            return;
        }
    }
    if (!options.user.empty()) {
        mosquitto_username_pw_set(m_client, options.user.c_str(),
                                  options.password.empty() ? nullptr : options.password.c_str());
    }
    if (options.tls && m_tls_context) {
        m_context = m_tls_context(options);
        // Without its context the connection would go out without TLS.
        if (!m_context) {
            mosquitto_destroy(m_client);
            m_client = nullptr;
            set_state("TLS could not be set up", false);
            return;
        }
        // The context is used as it is made, not given the library's defaults on top.
        mosquitto_int_option(m_client, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
        mosquitto_void_option(m_client, MOSQ_OPT_SSL_CTX, m_context.get());
    } else if (options.tls) {
        mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (!options.verify_peer) {
            mosquitto_tls_opts_set(m_client, 0, nullptr, nullptr);
            mosquitto_tls_insecure_set(m_client, true);
        }
    }
    set_state("Connecting...", false);
    mosquitto* client = m_client;
    m_starter = std::thread([this, client] {
        const int rc = mosquitto_connect_async(client, m_options.host.c_str(), m_options.port, kKeepAliveSeconds);
        if (rc != MOSQ_ERR_SUCCESS) set_state(error_text(rc), false);
        // The loop also retries a first connect that failed, with the same backoff.
        mosquitto_loop_start(client);
    });
}

void MosquittoBus::Publish(const BusMessage& message) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_connected) return;
    }
    // A broker that does not keep up has the reading dropped, not queued.
    if (m_waiting.load() >= kMostWaiting) return;
    send(m_client, message);
}

void MosquittoBus::Stop(const std::vector<BusMessage>& last) {
    if (m_client == nullptr) return;
    if (m_starter.joinable()) m_starter.join();
    bool connected = false;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        connected = m_connected;
    }
    if (connected) {
        for (const BusMessage& m : last) send(m_client, m);
    }
    mosquitto_disconnect(m_client);
    bool closed = false;
    if (connected) {
        // The queued messages and the disconnect go out before the loop ends.
        std::unique_lock<std::mutex> lock(m_mutex);
        closed = m_changed.wait_for(lock, std::chrono::seconds(1), [this] { return !m_connected; });
    }
    mosquitto_loop_stop(m_client, !closed);
    mosquitto_destroy(m_client);
    m_client = nullptr;
    m_context.reset();
    set_state("Not started", false);
}

std::string MosquittoBus::State() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

}  // namespace pelmora
