// The MQTT bus of the Windows program under Wine, against Debian's broker
// that tests/windows_mqtt_test.sh starts on 127.0.0.1: a reading reaches a
// subscriber, and TLS refuses a certificate Windows does not trust unless
// checking is off.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "mqtt/mosquitto_bus.h"
#include "mqtt/windows_trust.h"

namespace pelmora {
namespace {

int port(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : 0;
}

// Waits up to ten seconds for the bus's state to be `wanted`; the last state seen.
std::string wait_for(const MosquittoBus& bus, const std::string& wanted) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string state = bus.State();
    while (state != wanted && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        state = bus.State();
    }
    return state;
}

// A subscriber to one topic on the plain listener.
struct Subscriber {
    explicit Subscriber(const std::string& topic) : m_client(mosquitto_new(nullptr, true, this)) {
        mosquitto_message_callback_set(m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            const std::lock_guard<std::mutex> lock(s->m_mutex);
            s->m_payload.assign(static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen));
            s->m_got.notify_all();
        });
        mosquitto_connect(m_client, "127.0.0.1", port("PELMORA_BROKER_PORT"), 30);
        mosquitto_subscribe(m_client, nullptr, topic.c_str(), 0);
        mosquitto_loop_start(m_client);
    }
    ~Subscriber() {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
    }
    std::string payload() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_got.wait_for(lock, std::chrono::seconds(10), [this] { return !m_payload.empty(); });
        return m_payload;
    }

    mosquitto* m_client;
    std::mutex m_mutex;
    std::condition_variable m_got;
    std::string m_payload;
};

class Win32Mqtt : public testing::Test {
protected:
    void SetUp() override {
        if (port("PELMORA_BROKER_PORT") == 0) GTEST_SKIP() << "no broker: run it through tests/windows_mqtt_test.sh";
    }
};

TEST_F(Win32Mqtt, AReadingReachesASubscriber) {
    MosquittoBus bus(WindowsTrustContext);
    Subscriber subscriber("pelmora/test/state");
    BusOptions options;
    options.host = "127.0.0.1";
    options.port = port("PELMORA_BROKER_PORT");
    options.client_id = "pelmora-windows-test";
    bus.Start(options);
    ASSERT_EQ(wait_for(bus, "Connected"), "Connected");
    bus.Publish(BusMessage{"pelmora/test/state", R"({"production":3785.0})", true});
    EXPECT_EQ(subscriber.payload(), R"({"production":3785.0})");
    bus.Stop({});
    EXPECT_EQ(bus.State(), "Not started");
}

TEST_F(Win32Mqtt, TlsTrustsWhatWindowsTrusts) {
    struct Row {
        const char* name;
        bool verify;
        bool connects;
    };
    for (const Row& row :
         {Row{"a self-signed certificate, checked", true, false}, Row{"the same, checking off", false, true}}) {
        SCOPED_TRACE(row.name);
        MosquittoBus bus(WindowsTrustContext);
        BusOptions options;
        options.host = "127.0.0.1";
        options.port = port("PELMORA_BROKER_TLS_PORT");
        options.tls = true;
        options.verify_peer = row.verify;
        bus.Start(options);
        const std::string state = wait_for(bus, "Connected");
        EXPECT_EQ(state == "Connected", row.connects) << state;
        if (!row.connects) {
            EXPECT_NE(state.find("certificate verify failed"), std::string::npos) << state;
        }
        bus.Stop({});
    }
}

}  // namespace
}  // namespace pelmora
