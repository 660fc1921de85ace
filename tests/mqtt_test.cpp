// Publishing against Debian's mosquitto broker, started by each test on a
// free port of 127.0.0.1: the messages as a subscriber sees them, the broker
// going away and coming back, a refused password, and what a dead broker
// costs the tick.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <set>
#include <thread>

#include "access/json_fields.h"
#include "fakes.h"
#include "loopback_server.h"
#include "mqtt_support.h"
#include "form/memory_controls_view.h"
#include "mqtt/mosquitto_bus.h"
#include "publish/mqtt_messages.h"
#include "publish/publisher.h"
#include "read_fakes.h"
#include "readings/pelmora_read.h"
#include "site/site_equipment.h"
#include "test_support.h"

namespace pelmora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using Reader = test::FakeWindowReader;

MqttSettings on_broker(int port) {
    MqttSettings s;
    s.enabled = true;
    s.host = "127.0.0.1";
    s.port = port;
    return s;
}

const std::string kState = "pelmora/envoy_local/state";
const std::string kAvailability = "pelmora/envoy_local/availability";

// The unique_id of every discovery config received, each checked as JSON
// with the fields Home Assistant needs.
std::set<std::string> unique_ids(test::Subscriber& subscriber) {
    std::set<std::string> ids;
    for (const auto& r : subscriber.All()) {
        if (!r.topic.starts_with("homeassistant/sensor/")) continue;
        const auto fields = ReadJsonObject(r.payload);
        EXPECT_TRUE(fields) << r.payload;
        if (!fields) continue;
        for (const char* key :
             {"unique_id", "name", "state_topic", "value_template", "unit_of_measurement", "availability_topic"}) {
            EXPECT_TRUE(fields->contains(key)) << key << " in " << r.payload;
        }
        // A price has no state class and a share no device class: each has one of them at least.
        EXPECT_TRUE(fields->contains("device_class") || fields->contains("state_class")) << r.payload;
        EXPECT_NE(r.payload.find("\"device\":{\"identifiers\":[\"pelmora_envoy_local\"]"), std::string::npos);
        if (fields->contains("unique_id")) ids.insert(fields->at("unique_id").text);
    }
    return ids;
}

TEST(Mqtt, StateAvailabilityAndDiscoveryReachASubscriber) {
    test::MosquittoBroker broker;
    test::Subscriber subscriber(broker.port());
    MosquittoBus bus;
    Publisher publisher(bus);
    Reader reader(test::ReadFixture("readings.json"));
    std::vector<std::set<std::string>> ids_per_start;
    for (int start = 0; start < 2; ++start) {
        subscriber.Clear();
        publisher.Configure(on_broker(broker.port()), "", "envoy.local");
        ASSERT_TRUE(test::WaitForCount(subscriber, kAvailability, 1, 5s)) << bus.State();
        EXPECT_EQ(bus.State(), "Connected");
        EXPECT_EQ(subscriber.On(kAvailability)[0].payload, "online");
        // The configs go out right after the availability.
        ASSERT_TRUE(subscriber.WaitFor(
            [](const auto& all) {
                return std::count_if(all.begin(), all.end(), [](const auto& r) {
                           return r.topic.starts_with("homeassistant/sensor/pelmora_envoy_local/");
                       }) == 15;
            },
            5s));
        ids_per_start.push_back(unique_ids(subscriber));
        EXPECT_EQ(ids_per_start.back().size(), 15u);
        {
            // Only retained messages reach a subscriber that comes later.
            test::Subscriber late(broker.port());
            EXPECT_TRUE(late.WaitFor([](const auto& all) { return all.size() == 16; }, 5s));
            for (const auto& r : late.All()) EXPECT_TRUE(r.retain) << r.topic;
        }

        const FinishedRead finished = reader.read();
        publisher.OnFinishedRead(finished);
        ASSERT_TRUE(test::WaitForCount(subscriber, kState, 1, 5s));
        const auto state = subscriber.On(kState)[0];
        EXPECT_EQ(state.payload, StatePayload(finished));
        EXPECT_FALSE(state.retain);
        EXPECT_NE(state.payload.find("\"grid_w\":-3339,"), std::string::npos) << state.payload;
        publisher.Close();
        ASSERT_TRUE(test::WaitForCount(subscriber, kAvailability, 2, 5s));
        EXPECT_EQ(subscriber.On(kAvailability)[1].payload, "offline");
    }
    EXPECT_EQ(ids_per_start[0], ids_per_start[1]) << "the unique_ids change between starts";
}

// The first read with lifetime counters brings one energy sensor per counter,
// each as Home Assistant's Energy dashboard takes it; a counter held back at
// a read is missing from that read's state, so its sensor keeps its value.
TEST(Mqtt, EnergySensorsForTheEnergyDashboard) {
    test::MosquittoBroker broker;
    test::Subscriber subscriber(broker.port());
    MosquittoBus bus;
    Publisher publisher(bus);
    publisher.Configure(on_broker(broker.port()), "", "envoy.local");
    ASSERT_TRUE(test::WaitForCount(subscriber, kAvailability, 1, 5s)) << bus.State();
    FinishedRead finished = Reader(test::ReadFixture("readings.json")).read();
    finished.counters = {8123456.789, 5432109.4, 3210987.6, 10344578.589, std::nullopt, std::nullopt};
    publisher.OnFinishedRead(finished);
    const std::string prefix = "homeassistant/sensor/pelmora_envoy_local/energy_";
    ASSERT_TRUE(subscriber.WaitFor(
        [&](const auto& all) {
            return std::count_if(all.begin(), all.end(),
                                 [&](const auto& r) { return r.topic.starts_with(prefix) && !r.payload.empty(); }) == 4;
        },
        5s));
    std::set<std::string> names;
    for (const auto& r : subscriber.All()) {
        if (!r.topic.starts_with(prefix)) continue;
        const auto fields = ReadJsonObject(r.payload);
        ASSERT_TRUE(fields) << r.payload;
        const std::string name = r.topic.substr(prefix.size(), r.topic.find('/', prefix.size()) - prefix.size());
        names.insert(name);
        EXPECT_EQ(fields->at("device_class").text, "energy");
        EXPECT_EQ(fields->at("unit_of_measurement").text, "kWh");
        EXPECT_EQ(fields->at("state_class").text, "total_increasing");
        EXPECT_EQ(fields->at("state_topic").text, kState);
        EXPECT_NE(fields->at("value_template").text.find("value_json.energy." + name + " "), std::string::npos);
    }
    EXPECT_EQ(names, (std::set<std::string>{"produced", "imported", "exported", "consumed"}));
    EXPECT_EQ(unique_ids(subscriber).size(), 15u + 4u);

    ASSERT_TRUE(test::WaitForCount(subscriber, kState, 1, 5s)) << "the read that brought them, after them";
    finished.counters[0].reset();  // a rise held back
    publisher.OnFinishedRead(finished);
    ASSERT_TRUE(test::WaitForCount(subscriber, kState, 2, 5s));
    const auto states = subscriber.On(kState);
    EXPECT_NE(
        states[0].payload.find(
            ",\"energy\":{\"produced\":8123.457,\"imported\":5432.109,\"exported\":3210.988,\"consumed\":10344.579}}"),
        std::string::npos)
        << states[0].payload;
    EXPECT_NE(states[1].payload.find(",\"energy\":{\"imported\":5432.109,"), std::string::npos) << states[1].payload;
    publisher.Close();
}

// With Inverters on, each panel gets a power sensor reading its watts from
// the retained list; switched off, their configs are taken away.
TEST(Mqtt, PanelSensorsOnlyWhenAskedFor) {
    test::MosquittoBroker broker;
    test::Subscriber subscriber(broker.port());
    MosquittoBus bus;
    Publisher publisher(bus);
    MqttSettings settings = on_broker(broker.port());
    settings.inverters = true;
    publisher.Configure(settings, "", "envoy.local");
    ASSERT_TRUE(test::WaitForCount(subscriber, kAvailability, 1, 5s)) << bus.State();
    FinishedRead finished = Reader(test::ReadFixture("readings.json")).read();
    auto equipment = std::make_shared<SiteEquipment>();
    const std::string list = test::ReadFixture("site/fw-8.2.4286-battery-inverters.json");
    AbsurdNotes absurd;
    ASSERT_TRUE(TakeDocument(*equipment, DocumentKind::Inverters, list, 1'800'000'000, absurd));
    finished.equipment = equipment;
    publisher.OnFinishedRead(finished);
    const std::string panels = "homeassistant/sensor/pelmora_envoy_local/panel_";
    const auto count = [&](bool empty) {
        return [&panels, empty](const auto& all) {
            return std::count_if(all.begin(), all.end(), [&](const auto& r) {
                       return r.topic.starts_with(panels) && r.payload.empty() == empty;
                   }) == 35;
        };
    };
    ASSERT_TRUE(subscriber.WaitFor(count(false), 5s));
    const auto config = subscriber.On(panels + "202330057549/config");
    ASSERT_EQ(config.size(), 1u);
    const auto fields = ReadJsonObject(config[0].payload);
    ASSERT_TRUE(fields) << config[0].payload;
    EXPECT_EQ(fields->at("unit_of_measurement").text, "W");
    EXPECT_EQ(fields->at("device_class").text, "power");
    EXPECT_EQ(fields->at("state_topic").text, "pelmora/envoy_local/inverters");
    EXPECT_NE(fields->at("value_template").text.find("'202330057549'"), std::string::npos);
    EXPECT_EQ(unique_ids(subscriber).size(), 15u + 35u);
    ASSERT_TRUE(test::WaitForCount(subscriber, "pelmora/envoy_local/inverters", 1, 5s));
    {
        test::Subscriber late(broker.port());
        ASSERT_TRUE(test::WaitForCount(late, "pelmora/envoy_local/inverters", 1, 5s)) << "the list is retained";
    }

    settings.inverters = false;
    publisher.Configure(settings, "", "envoy.local");
    ASSERT_TRUE(subscriber.WaitFor(count(true), 5s)) << "the panels' configs taken away";
    publisher.Close();
}

// The tariff's prices and today's money as a subscriber sees them, with
// their sensors as Home Assistant's Energy dashboard takes a price.
TEST(Mqtt, PricesAndTodaysMoneyReachASubscriber) {
    test::MosquittoBroker broker;
    test::Subscriber subscriber(broker.port());
    MosquittoBus bus;
    Publisher publisher(bus);
    publisher.set_money([] {
        return std::optional(
            MoneyFields{0.3, 0.08, 1.2, 0.4, 0.8, 2.1, 63.2, 81.0, "2026-12-10T00:00:00+00:00", "EUR"});
    });
    publisher.Configure(on_broker(broker.port()), "", "envoy.local");
    ASSERT_TRUE(test::WaitForCount(subscriber, kAvailability, 1, 5s)) << bus.State();
    publisher.OnFinishedRead(Reader(test::ReadFixture("readings.json")).read());
    ASSERT_TRUE(test::WaitForCount(subscriber, kState, 1, 5s));
    const auto state = ReadJsonObject(subscriber.On(kState)[0].payload);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->at("price_buy").text, "0.3");
    const std::string price = "homeassistant/sensor/pelmora_envoy_local/price_buy/config";
    ASSERT_TRUE(test::WaitForCount(subscriber, price, 1, 5s));
    const auto config = ReadJsonObject(subscriber.On(price).back().payload);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->at("device_class").text, "monetary");
    EXPECT_EQ(config->at("unit_of_measurement").text, "EUR/kWh");
    EXPECT_NE(subscriber.On(kState)[0].payload.find(R"("today":{"bought":1.20,)"), std::string::npos);
    EXPECT_EQ(unique_ids(subscriber).size(), 15u + 5u);
    publisher.Close();
}

// A broker that stops leaves the reads at their pace; publishing resumes
// within the backoff once it is back.
TEST(Mqtt, BrokerGoneAndBack) {
    test::MosquittoBroker broker;
    MosquittoBus bus;
    Publisher publisher(bus);
    Reader reader(test::ReadFixture("readings.json"));
    publisher.Configure(on_broker(broker.port()), "", "envoy.local");
    // Reads are dropped until the connection is up, so read until one arrives.
    auto read_until_published = [&](test::Subscriber& subscriber, Clock::duration limit) {
        const auto deadline = Clock::now() + limit;
        while (subscriber.On(kState).empty() && Clock::now() < deadline) {
            publisher.OnFinishedRead(reader.read());
            std::this_thread::sleep_for(100ms);
        }
        return !subscriber.On(kState).empty();
    };
    {
        test::Subscriber subscriber(broker.port());
        ASSERT_TRUE(read_until_published(subscriber, 5s)) << bus.State();
    }
    broker.Stop();
    Clock::duration slowest{};
    for (int i = 0; i < 20; ++i) {
        const auto begin = Clock::now();
        publisher.OnFinishedRead(reader.read());
        slowest = std::max(slowest, Clock::now() - begin);
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_LT(slowest, 50ms) << "a read waited for the broker";
    EXPECT_NE(bus.State(), "Connected");
    broker.Start();
    test::Subscriber subscriber(broker.port());
    // The backoff after one second of absence is 1, 2, then 4 s.
    EXPECT_TRUE(read_until_published(subscriber, 15s)) << bus.State();
    EXPECT_EQ(bus.State(), "Connected");
}

struct PasswordRow {
    const char* name;
    const char* password;
    const char* state;
};
class MqttPasswordTest : public ::testing::TestWithParam<PasswordRow> {};

TEST_P(MqttPasswordTest, StateSaysSo) {
    test::MosquittoBroker broker("solar", "right");
    MosquittoBus bus;
    Publisher publisher(bus);
    MqttSettings s = on_broker(broker.port());
    s.user = "solar";
    publisher.Configure(s, GetParam().password, "envoy.local");
    const auto deadline = Clock::now() + 5s;
    while (bus.State().find(GetParam().state) == std::string::npos && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    EXPECT_NE(bus.State().find(GetParam().state), std::string::npos) << bus.State();
}

INSTANTIATE_TEST_SUITE_P(Rows, MqttPasswordTest,
                         ::testing::Values(PasswordRow{"right", "right", "Connected"},
                                           PasswordRow{"wrong", "wrong", "not authorised"}),
                         [](const auto& info) { return std::string(info.param.name); });

// A will or a message the library refuses (a topic beyond MQTT's bound) is
// said in the connection's state; without its will the bus does not connect.
TEST(Mqtt, RefusedWillAndMessageAreSaid) {
    test::MosquittoBroker broker;
    MosquittoBus bus;
    BusOptions options;
    options.host = "127.0.0.1";
    options.port = broker.port();
    options.will = {std::string(70000, 'w'), "offline", true};
    bus.Start(options);
    EXPECT_NE(bus.State().find("The last will could not be set"), std::string::npos) << bus.State();
    options.will = {"pelmora/t/availability", "offline", true};
    bus.Start(options);
    const auto deadline = Clock::now() + 5s;
    while (bus.State() != "Connected" && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    ASSERT_EQ(bus.State(), "Connected");
    bus.Publish({std::string(70000, 't'), "{}", false});
    EXPECT_NE(bus.State().find("A message could not be sent"), std::string::npos) << bus.State();
    bus.Stop({});
}

// Publishing to a broker that is not there costs a read no more than 1 ms
// over publishing off.
TEST(Mqtt, DeadBrokerCostsTheReadNothing) {
    Reader reader(test::ReadFixture("readings.json"));
    auto median_read = [&](Publisher& publisher) {
        std::vector<Clock::duration> took;
        for (int i = 0; i < 200; ++i) {
            const auto begin = Clock::now();
            publisher.OnFinishedRead(reader.read());
            took.push_back(Clock::now() - begin);
        }
        std::nth_element(took.begin(), took.begin() + 100, took.end());
        return took[100];
    };
    test::RecordingBus off_bus;
    Publisher off(off_bus);
    const auto without = median_read(off);
    MosquittoBus bus;
    Publisher dead(bus);
    dead.Configure(on_broker(test::FreePort()), "", "envoy.local");
    const auto with = median_read(dead);
    EXPECT_LT(with - without, 1ms) << "off " << without.count() << " ns, dead broker " << with.count() << " ns";
    dead.Close();
}

// A broker that takes the connection and then reads nothing more: what
// Publish is handed waits in memory only a few messages deep.
TEST(Mqtt, StalledBrokerQueuesNothing) {
    test::LoopbackListener listener;
    const int small = 4096;
    ::setsockopt(listener.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::atomic<bool> done{false};
    std::thread broker([&] {
        const int client = ::accept(listener.fd(), nullptr, nullptr);
        if (client < 0) return;
        char connect[1024];
        (void)::read(client, connect, sizeof connect);
        const unsigned char connack[] = {0x20, 0x02, 0x00, 0x00};
        (void)::write(client, connack, sizeof connack);
        while (!done) std::this_thread::sleep_for(10ms);
        ::close(client);
    });
    auto resident = [] {
        std::ifstream statm("/proc/self/statm");
        long size = 0, pages = 0;
        statm >> size >> pages;
        return pages * ::sysconf(_SC_PAGESIZE);
    };
    {
        MosquittoBus bus;
        BusOptions options;
        options.host = "127.0.0.1";
        options.port = listener.port();
        bus.Start(options);
        const auto until = Clock::now() + 10s;
        while (bus.State() != "Connected" && Clock::now() < until) std::this_thread::sleep_for(10ms);
        ASSERT_EQ(bus.State(), "Connected");
        const long before = resident();
        // One message handed over and over, so that only what the bus keeps can grow.
        const BusMessage reading{"pelmora/stalled/state", std::string(2048, 'x'), false};
        for (int i = 0; i < 20000; ++i) bus.Publish(reading);  // 40 MB
        std::this_thread::sleep_for(200ms);
        const long grown = resident() - before;
        EXPECT_LT(grown, 16L << 20) << grown << " bytes kept for a broker that reads nothing";
        done = true;
        bus.Stop({});
    }
    done = true;
    broker.join();
}

}  // namespace
}  // namespace pelmora
