// Publishing without a broker: the device id, the [Mqtt] settings and their
// checks, the state and discovery messages from real reads, and what the
// publisher hands the bus when.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include <simdjson.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <thread>

#include "fakes/fixed_wall_clock.h"
#include "access/json_fields.h"
#include "fakes.h"
#include "posix/file_secret_store.h"
#include "publish/broker_password.h"
#include "temp_folder.h"
#include "form/memory_controls_view.h"
#include "fakes/memory_settings_store.h"
#include "publish/device_id.h"
#include "publish/mqtt_messages.h"
#include "publish/publish_page_model.h"
#include "publish/publisher.h"
#include "site/document_kind.h"
#include "site/site_equipment.h"
#include "read_fakes.h"
#include "readings/pelmora_read.h"
#include "site/site_meters.h"
#include "site/site_reading.h"
#include "test_support.h"

namespace pelmora {
namespace {

TEST(DeviceId, LowerCaseAndUnderscores) {
    EXPECT_EQ(DeviceId("envoy.local"), "envoy_local");
    EXPECT_EQ(DeviceId("Envoy-1.LAN:8080"), "envoy-1_lan_8080");
    EXPECT_EQ(DeviceId("a b/#+\xC3\xA9"), "a_b_____");
}

struct ProblemRow {
    const char* name;
    void (*change)(MqttSettings&);
    const char* problem;  // a part of the message, or "" for none
};
class MqttSettingsProblemTest : public ::testing::TestWithParam<ProblemRow> {};

TEST_P(MqttSettingsProblemTest, RefusesWithAClearMessage) {
    MqttSettings s;
    s.enabled = true;
    s.host = "broker.lan";
    GetParam().change(s);
    const std::string problem = MqttSettingsProblem(s);
    if (std::string(GetParam().problem).empty()) {
        EXPECT_EQ(problem, "");
    } else {
        EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MqttSettingsProblemTest,
    ::testing::Values(
        ProblemRow{"fine", [](MqttSettings&) {}, ""},
        ProblemRow{"host_with_blanks", [](MqttSettings& s) { s.host = "my broker"; }, "blanks"},
        ProblemRow{"no_host", [](MqttSettings& s) { s.host = ""; }, "host name"},
        ProblemRow{"no_host_while_off",
                   [](MqttSettings& s) {
                       s.host = "";
                       s.enabled = false;
                   },
                   ""},
        ProblemRow{"port_zero", [](MqttSettings& s) { s.port = 0; }, "1 to 65535"},
        ProblemRow{"port_too_large", [](MqttSettings& s) { s.port = 65536; }, "1 to 65535"},
        ProblemRow{"prefix_hash", [](MqttSettings& s) { s.prefix = "home/#"; }, "\"#\" or \"+\""},
        ProblemRow{"prefix_plus", [](MqttSettings& s) { s.prefix = "a+b"; }, "\"#\" or \"+\""},
        ProblemRow{"discovery_prefix_plus", [](MqttSettings& s) { s.discovery_prefix = "+"; }, "discovery prefix"},
        ProblemRow{"prefix_c1_control",
                   [](MqttSettings& s) {
                       s.prefix =
                           "a\xC2\x85"
                           "b";
                   },
                   "control characters"},
        ProblemRow{"prefix_not_utf8", [](MqttSettings& s) { s.prefix = "a\xC3"; }, "control characters"},
        ProblemRow{"prefix_surrogate", [](MqttSettings& s) { s.prefix = "\xED\xA0\x80"; }, "control characters"},
        ProblemRow{"prefix_overlong_slash", [](MqttSettings& s) { s.prefix = "a\xC0\xAF"; }, "control characters"},
        ProblemRow{"prefix_70000_bytes", [](MqttSettings& s) { s.prefix = std::string(70000, 'p'); }, "too long"},
        ProblemRow{"device_id_100_kb", [](MqttSettings& s) { s.device_id = std::string(100000, 'd'); },
                   "The device id is too long"},
        ProblemRow{"prefix_quote_and_accent", [](MqttSettings& s) { s.prefix = "my\"home/\xC3\xA9t\xC3\xA9"; }, ""},
        ProblemRow{"discovery_prefix_nonchar", [](MqttSettings& s) { s.discovery_prefix = "ha\xEF\xBF\xBF"; },
                   "discovery prefix must be text"},
        ProblemRow{"discovery_prefix_fdd0", [](MqttSettings& s) { s.discovery_prefix = "\xEF\xB7\x90"; },
                   "non-characters"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MqttSettings, HandWrittenGroupIsReadAndSavedBack) {
    MemorySettingsStore store;
    store.values["Pelmora/Mqtt/Enabled"] = "true";
    store.values["Pelmora/Mqtt/Host"] = "10.0.0.5";
    store.values["Pelmora/Mqtt/Port"] = "8883";
    store.values["Pelmora/Mqtt/Tls"] = "true";
    store.values["Pelmora/Mqtt/Prefix"] = "solar";
    store.values["Pelmora/Mqtt/Discovery"] = "false";
    store.values["Pelmora/Mqtt/VerifyPeer"] = "maybe";  // unreadable: the default stays
    const MqttSettings s = LoadMqttSettings(store, "Pelmora");
    EXPECT_TRUE(s.enabled);
    EXPECT_EQ(s.host, "10.0.0.5");
    EXPECT_EQ(s.port, 8883);
    EXPECT_TRUE(s.tls);
    EXPECT_TRUE(s.verify_peer);
    EXPECT_EQ(s.prefix, "solar");
    EXPECT_FALSE(s.discovery);
    EXPECT_EQ(s.discovery_prefix, "homeassistant");
    MemorySettingsStore saved;
    SaveMqttSettings(saved, "Pelmora", s);
    EXPECT_EQ(LoadMqttSettings(saved, "Pelmora"), s);
    for (const auto& [key, value] : saved.values) EXPECT_TRUE(key.starts_with("Pelmora/Mqtt/")) << key;
}

// A port written by hand that is not one is refused, not taken for 1883.
TEST(MqttSettings, HandWrittenPortThatIsNotOneIsRefused) {
    for (const char* port : {"99999", "0", "-5", "18x3"}) {
        MemorySettingsStore store;
        store.values["Pelmora/Mqtt/Host"] = "broker.lan";
        store.values["Pelmora/Mqtt/Port"] = port;
        const MqttSettings s = LoadMqttSettings(store, "Pelmora");
        EXPECT_NE(MqttSettingsProblem(s).find("1 to 65535"), std::string::npos) << port;
    }
    MemorySettingsStore none;
    EXPECT_EQ(LoadMqttSettings(none, "Pelmora").port, 1883) << "missing keeps the default";
}

// Removing a password that is not there is no failure, with or without a
// secret store that answers; a hand-written file's line end is not part of
// the password.
TEST(BrokerPassword, RemovesWhatIsNotThereAndTrimsALineEnd) {
    test::TempWorkingFolder folder;
    test::SilentSecretStore keychain;
    const std::string path = (folder.path() / "mqtt-password").string();
    FileSecretStore file(path);
    BrokerPassword password(keychain, file);
    EXPECT_EQ(password.Save(""), "");
    for (const char* written : {"s3cret\n", "s3cret\r\n", "s3cret"}) {
        std::ofstream(path, std::ios::trunc) << written;
        ::chmod(path.c_str(), 0600);
        EXPECT_EQ(password.Load(), "s3cret") << written;
    }
    EXPECT_EQ(password.Save(""), "");
    EXPECT_EQ(password.Load(), "");
}

// Texts with quotes and backslashes give payloads that parse and read back.
TEST(DiscoveryMessages, QuotesAndBackslashesReadBack) {
    MqttSettings s;
    s.prefix = "my\"home";
    const std::string address = "gw\"\\1";
    const std::vector<BusMessage> configs = DiscoveryMessages(s, DeviceId(address), address);
    ASSERT_FALSE(configs.empty());
    simdjson::dom::parser parser;
    for (const BusMessage& m : configs) {
        simdjson::dom::element config;
        ASSERT_EQ(parser.parse(m.payload).get(config), simdjson::SUCCESS) << m.payload;
        EXPECT_EQ(std::string_view(config["state_topic"]), "my\"home/gw__1/state");
        EXPECT_EQ(std::string_view(config["device"]["name"]), "Solar gateway gw\"\\1");
    }
    simdjson::dom::element error;
    ASSERT_EQ(parser.parse(ErrorPayload("a \"quoted\" \\ path\n")).get(error), simdjson::SUCCESS);
    EXPECT_EQ(std::string_view(error["error"]), "a \"quoted\" \\ path\n");
}

// One read of a document through the read routine, as numbers.
FinishedRead read_of(const std::string& document) { return test::FakeWindowReader(document).read(); }

std::string imported(std::string document) {
    for (const auto& [from, to] :
         std::vector<std::pair<std::string, std::string>>{{"-3338.951", "512.345"}, {"-1100.662", "100.26"}}) {
        for (std::size_t at = document.find(from); at != std::string::npos; at = document.find(from, at))
            document.replace(at, from.size(), to);
    }
    return document;
}

struct StateRow {
    const char* name;
    std::string document;
    std::string expected;
};
class StatePayloadTest : public ::testing::TestWithParam<StateRow> {};

// The figures the window shows, with the grid's sign: export negative.
TEST_P(StatePayloadTest, CarriesTheWindowsFigures) {
    EXPECT_EQ(StatePayload(read_of(GetParam().document)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StatePayloadTest,
    ::testing::Values(
        StateRow{"export", test::ReadFixture("readings.json"),
                 "{\"time\":\"2023-11-14T22:13:20Z\",\"epoch\":1700000000,\"production_w\":3785,"
                 "\"consumption_w\":446,\"grid_w\":-3339,\"phases\":["
                 "{\"solar_w\":1165,\"grid_w\":-1100.7,\"amps\":-4.6,\"volts\":231.1},"
                 "{\"solar_w\":1183.8,\"grid_w\":-1160.5,\"amps\":-4.9,\"volts\":231.4},"
                 "{\"solar_w\":1436.2,\"grid_w\":-1078,\"amps\":-4.5,\"volts\":233.6}],\"turnaround_ms\":87}"},
        StateRow{"import", imported(test::ReadFixture("readings.json")),
                 "{\"time\":\"2023-11-14T22:13:20Z\",\"epoch\":1700000000,\"production_w\":3785,"
                 "\"consumption_w\":4297.3,\"grid_w\":512.3,\"phases\":["
                 "{\"solar_w\":1165,\"grid_w\":100.3,\"amps\":-4.6,\"volts\":231.1},"
                 "{\"solar_w\":1183.8,\"grid_w\":-1160.5,\"amps\":-4.9,\"volts\":231.4},"
                 "{\"solar_w\":1436.2,\"grid_w\":-1078,\"amps\":-4.5,\"volts\":233.6}],\"turnaround_ms\":87}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscoveryMessages, OneRetainedConfigPerFigureWithUniqueIds) {
    MqttSettings s;
    const std::vector<BusMessage> configs = DiscoveryMessages(s, "envoy_local", "envoy.local");
    ASSERT_EQ(configs.size(), 15u);
    std::set<std::string> ids;
    for (const BusMessage& m : configs) {
        EXPECT_TRUE(m.retain);
        EXPECT_TRUE(m.topic.starts_with("homeassistant/sensor/pelmora_envoy_local/")) << m.topic;
        EXPECT_TRUE(m.topic.ends_with("/config")) << m.topic;
        const auto fields = ReadJsonObject(m.payload);
        ASSERT_TRUE(fields) << m.payload;
        ids.insert(fields->at("unique_id").text);
        EXPECT_EQ(fields->at("state_topic").text, "pelmora/envoy_local/state");
        EXPECT_EQ(fields->at("availability_topic").text, "pelmora/envoy_local/availability");
        EXPECT_EQ(fields->at("state_class").text, "measurement");
        EXPECT_TRUE(fields->at("value_template").text.starts_with("{{ value_json.")) << m.payload;
    }
    EXPECT_EQ(ids.size(), 15u);
    EXPECT_EQ(configs[14].payload.find("\"unit_of_measurement\":\"V\",\"device_class\":\"voltage\""),
              configs[14].payload.find("\"unit_of_measurement\""));
    for (const BusMessage& m : DiscoveryMessages(s, "envoy_local", "envoy.local", true)) EXPECT_EQ(m.payload, "");
}

class PublisherTest : public ::testing::Test {
protected:
    test::RecordingBus bus;
    Publisher publisher{bus};
    MqttSettings settings = [] {
        MqttSettings s;
        s.enabled = true;
        s.host = "127.0.0.1";
        return s;
    }();
};

TEST_F(PublisherTest, OffMakesNoConnection) {
    settings.enabled = false;
    publisher.Configure(settings, "", "envoy.local");
    publisher.OnFinishedRead(read_of(test::ReadFixture("readings.json")));
    EXPECT_TRUE(bus.started.empty());
    EXPECT_TRUE(bus.published.empty());
}

TEST_F(PublisherTest, ConnectsWithWillAndSendsStateOrError) {
    publisher.Configure(settings, "secret", "envoy.local");
    ASSERT_EQ(bus.started.size(), 1u);
    const BusOptions& o = bus.started[0];
    EXPECT_EQ(o.password, "secret");
    EXPECT_EQ(o.will, (BusMessage{"pelmora/envoy_local/availability", "offline", true}));
    ASSERT_EQ(o.on_connect.size(), 16u);
    EXPECT_EQ(o.on_connect[0], (BusMessage{"pelmora/envoy_local/availability", "online", true}));

    publisher.OnFinishedRead(read_of(test::ReadFixture("readings.json")));
    publisher.OnFinishedRead(read_of(""));
    ASSERT_EQ(bus.published.size(), 2u);
    EXPECT_EQ(bus.published[0].topic, "pelmora/envoy_local/state");
    EXPECT_FALSE(bus.published[0].retain);
    EXPECT_EQ(bus.published[1],
              (BusMessage{"pelmora/envoy_local/error", "{\"error\":\"Wrong/No IP address\"}", false}));

    publisher.Close();
    ASSERT_EQ(bus.stopped_with.size(), 1u);
    EXPECT_EQ(bus.stopped_with[0], (std::vector<BusMessage>{{"pelmora/envoy_local/availability", "offline", true}}));
}

TEST_F(PublisherTest, DiscoveryOffOrANewDeviceRemovesEveryOldConfig) {
    publisher.Configure(settings, "", "envoy.local");
    settings.discovery = false;
    publisher.Configure(settings, "", "envoy.local");
    ASSERT_EQ(bus.stopped_with.size(), 1u);
    EXPECT_EQ(bus.stopped_with[0].size(), 16u);  // 15 empty configs, then offline
    EXPECT_EQ(bus.stopped_with[0][0].payload, "");
    EXPECT_EQ(bus.started.back().on_connect.size(), 1u);

    settings.discovery = true;
    publisher.Configure(settings, "", "envoy.local");
    FinishedRead counted = read_of(test::ReadFixture("readings.json"));
    counted.counters = {1000.0, 2000.0, 3000.0, 1000.0, std::nullopt, std::nullopt};
    publisher.OnFinishedRead(counted);
    settings.device_id = "garage";
    publisher.Configure(settings, "", "envoy.local");
    const std::vector<BusMessage>& removed = bus.stopped_with.back();
    ASSERT_EQ(removed.size(), 20u) << "15 figures and 4 energy sensors, then the availability";
    for (std::size_t i = 0; i + 1 < removed.size(); ++i) {
        EXPECT_TRUE(removed[i].topic.starts_with("homeassistant/sensor/pelmora_envoy_local/")) << removed[i].topic;
        EXPECT_EQ(removed[i].payload, "");
    }
    EXPECT_TRUE(removed[18].topic.ends_with("/energy_consumed/config"));
    EXPECT_EQ(removed.back(), (BusMessage{"pelmora/envoy_local/availability", "", true}))
        << "the old device's retained availability is cleared";
    EXPECT_EQ(bus.started.back().will.topic, "pelmora/garage/availability");
}

// The first read that succeeds fixes the device, which a later address
// keeps with all its entities; only the device's name follows the address.
TEST_F(PublisherTest, AnAddressChangeKeepsTheDevice) {
    std::vector<std::string> kept;
    publisher.set_device_keeper([&kept](const std::string& id) { kept.push_back(id); });
    publisher.Configure(settings, "", "envoy.local");
    publisher.OnFinishedRead(read_of(test::ReadFixture("readings.json")));
    EXPECT_EQ(kept, std::vector<std::string>{"envoy_local"});
    FinishedRead moved = read_of(test::ReadFixture("readings.json"));
    moved.address = "10.0.0.9";
    publisher.OnFinishedRead(moved);
    publisher.OnFinishedRead(moved);
    EXPECT_EQ(kept.size(), 1u);
    EXPECT_TRUE(bus.stopped_with.back().empty()) << "renamed without an offline or a removal";
    EXPECT_EQ(bus.started.back().will.topic, "pelmora/envoy_local/availability");
    EXPECT_NE(bus.started.back().on_connect[1].payload.find(R"("name":"Solar gateway 10.0.0.9")"), std::string::npos);
    EXPECT_NE(bus.started.back().on_connect[1].payload.find(R"("unique_id":"pelmora_envoy_local_production")"),
              std::string::npos);
    EXPECT_EQ(bus.published.back().topic, "pelmora/envoy_local/state");
}

// With an interval, states and errors go out at most once an interval by
// the clock; with the default of a second, every read goes out.
TEST(PublisherInterval, StatesAtMostOnceAnInterval) {
    for (const int interval : {1, 10}) {
        test::RecordingBus bus;
        FixedWallClock clock(1'800'000'000);
        Publisher publisher(bus, &clock);
        MqttSettings s;
        s.enabled = true;
        s.host = "127.0.0.1";
        s.interval = interval;
        s.device_id = "envoy_local";
        publisher.Configure(s, "", "envoy.local");
        const FinishedRead read = read_of(test::ReadFixture("readings.json"));
        for (int i = 0; i < 30; ++i) {
            publisher.OnFinishedRead(read);
            publisher.OnFinishedRead(read);
            clock.set(clock.EpochSeconds() + 1);
        }
        EXPECT_EQ(bus.published.size(), interval == 1 ? 60u : 3u) << interval;
    }
}

// Half-typed addresses whose reads fail leave nothing on the broker: the
// device moves only after a read there succeeded.
TEST_F(PublisherTest, OnlyAnAddressThatWasReadBecomesTheDevice) {
    publisher.Configure(settings, "", "127.0.0.1");
    for (const char* typing : {"127.0.0.1:5", "127.0.0.1:53", "127.0.0.1:5398"}) {
        FinishedRead failed = read_of("");
        failed.address = typing;
        publisher.OnFinishedRead(failed);
    }
    EXPECT_EQ(bus.started.size(), 1u);
    EXPECT_TRUE(bus.stopped_with.empty());
    EXPECT_TRUE(bus.published.empty());
    FinishedRead good = read_of(test::ReadFixture("readings.json"));
    good.address = "127.0.0.1:5398";
    publisher.OnFinishedRead(good);
    ASSERT_EQ(bus.started.size(), 2u);
    EXPECT_EQ(bus.started.back().will.topic, "pelmora/127_0_0_1_5398/availability");

    settings.prefix = "solar";
    publisher.Configure(settings, "", "127.0.0.1:5398");
    EXPECT_EQ(bus.stopped_with.back().back(), (BusMessage{"pelmora/127_0_0_1_5398/availability", "", true}));
}

// A battery site adds its figures after the spec's, which keep their
// meaning, and its sensors join the discovery from the first such read.
TEST_F(PublisherTest, ABatterySiteAddsItsFiguresAndSensors) {
    const std::string document = test::ReadFixture("site/fw-8.2.4286-battery.json");
    FinishedRead read = read_of(document);
    SiteReader reader;
    read.site = reader.Read(*ParseSiteMeters(test::ReadFixture("site/fw-8.2.4286-battery-meters.json")), document);
    ASSERT_TRUE(read.site);
    const std::string state = StatePayload(read);
    EXPECT_NE(state.find("\"consumption_w\":8880.5,"), std::string::npos) << state;
    EXPECT_TRUE(
        state.ends_with(",\"turnaround_ms\":87,\"battery_w\":-7083.656,\"load_w\":1796.865,\"meters\":"
                        "{\"production\":7131.017,\"net-consumption\":1749.504,\"storage\":-7083.656}}"))
        << state;
    read.site.reset();
    EXPECT_TRUE(StatePayload(read).ends_with(",\"turnaround_ms\":87}")) << "no site, no change";
    read.site = reader.Read(*ParseSiteMeters(R"([{"eid":704643328,"state":"enabled","measurementType":"production",)"
                                             R"("phaseCount":2}])"),
                            document);
    ASSERT_TRUE(read.site);
    EXPECT_TRUE(StatePayload(read).ends_with(",\"turnaround_ms\":87}")) << "nothing more, no change";
    read.site.reset();

    publisher.Configure(settings, "", read.address);
    ASSERT_EQ(bus.started.back().on_connect.size(), 16u);
    read.site = reader.Read(*ParseSiteMeters(test::ReadFixture("site/fw-8.2.4286-battery-meters.json")), document);
    publisher.OnFinishedRead(read);
    publisher.OnFinishedRead(read);
    ASSERT_EQ(bus.started.size(), 2u) << "one reconnect for the new sensors";
    EXPECT_TRUE(bus.stopped_with.back().empty()) << "the sensors stay available across it";
    const std::vector<BusMessage>& configs = bus.started.back().on_connect;
    // Availability, three figures, two phases (the site has two), the
    // battery and the house load, phase 3's configs taken away, the state.
    ASSERT_EQ(configs.size(), 19u);
    EXPECT_TRUE(configs[12].topic.ends_with("/battery/config"));
    for (std::size_t i = 14; i < 18; ++i) {
        EXPECT_TRUE(configs[i].topic.find("/phase3_") != std::string::npos) << configs[i].topic;
        EXPECT_EQ(configs[i].payload, "");
    }
    EXPECT_NE(
        configs[13].payload.find(
            R"("value_template":"{{ value_json.load_w if value_json.load_w is defined else states(entity_id) }}")"),
        std::string::npos);
    EXPECT_NE(StatePayload(read).find(R"("phases":[{"solar_w":)"), std::string::npos);
    EXPECT_EQ(StatePayload(read).find(R"(,{"solar_w":)", StatePayload(read).find(R"(,{"solar_w":)") + 1),
              std::string::npos)
        << "two phases sent, not three";
    EXPECT_EQ(configs[18], (BusMessage{"pelmora/envoy_local/state", StatePayload(read), false}))
        << "the read that brought the sensors goes out after their configs";
}

// The gateway's documents beside the readings: the battery object and the
// grid switch in the state, the inverters and the gateway retained, their
// sensors discovered once, with the firmware and serial on the device.
TEST_F(PublisherTest, TheDocumentsBesideTheReadings) {
    auto equipment = std::make_shared<SiteEquipment>();
    AbsurdNotes absurd;
    for (const char* name :
         {"ensemble-inventory.json", "ensemble-secctrl.json", "inverters.json", "info.xml", "tariff.json"}) {
        const std::string text = test::ReadFixture(std::string("site/fw-8.2.4286-battery-") + name);
        ASSERT_TRUE(TakeDocument(*equipment, KindOfDocument(text), text, 1'800'000'000, absurd)) << name;
    }
    FinishedRead read = read_of(test::ReadFixture("readings.json"));
    const std::string plain = StatePayload(read);
    read.equipment = equipment;
    EXPECT_EQ(StatePayload(read), plain.substr(0, plain.size() - 1) +
                                      R"(,"battery":{"soc":46,"available_kwh":11.6,"capacity_kwh":25.0,)"
                                      R"("reserve":20,"mode":"self-consumption"},"grid_connected":true})");

    publisher.Configure(settings, "", read.address);
    publisher.OnFinishedRead(read);
    publisher.OnFinishedRead(read);
    ASSERT_EQ(bus.started.size(), 2u) << "one reconnect for the new sensors";
    std::map<std::string, BusMessage> sent;
    for (const BusMessage& m : bus.started.back().on_connect) sent[m.topic] = m;
    const BusMessage& inverters = sent.at("pelmora/envoy_local/inverters");
    EXPECT_TRUE(inverters.retain);
    EXPECT_TRUE(inverters.payload.starts_with(
        R"([{"serial":"202330057549","watts":184,"max_watts":335,"reported":"2024-08-06T17:54:11Z"},)"))
        << inverters.payload;
    EXPECT_EQ(sent.at("pelmora/envoy_local/gateway").payload,
              R"({"serial":"123456789012","part":"800-00664-r05","firmware":"D8.2.4286"})");
    const std::string charge = sent.at("homeassistant/sensor/pelmora_envoy_local/battery_charge/config").payload;
    EXPECT_NE(charge.find(R"("unit_of_measurement":"%","device_class":"battery")"), std::string::npos) << charge;
    EXPECT_NE(charge.find(R"("sw_version":"D8.2.4286","serial_number":"123456789012")"), std::string::npos);
    EXPECT_NE(sent.at("homeassistant/sensor/pelmora_envoy_local/battery_available/config")
                  .payload.find(R"("device_class":"energy_storage")"),
              std::string::npos);
    EXPECT_NE(sent.at("homeassistant/binary_sensor/pelmora_envoy_local/grid_connected/config")
                  .payload.find(R"("device_class":"power")"),
              std::string::npos);
    EXPECT_EQ(bus.published.size(), 1u) << "the second read's state only: the documents had not changed";
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(),
                            [](const auto& m) { return m.first.find("/panel_") != std::string::npos; }),
              0)
        << "no panel sensors unless asked for";
}

// With a tariff, the state carries the prices now and today's money, and
// discovery the two prices, today's net cost and savings (totals that start
// again at local midnight) and self-sufficiency.
TEST_F(PublisherTest, TheTariffsPricesAndTodaysMoney) {
    MoneyFields money{0.364451, 0, 1.234, 0.45, 0.784, 2.1, 63.24, 81.0, "2026-12-10T00:00:00+01:00", "USD"};
    publisher.set_money([&] { return std::optional(money); });
    const FinishedRead read = read_of(test::ReadFixture("readings.json"));
    publisher.Configure(settings, "", read.address);
    publisher.OnFinishedRead(read);
    publisher.OnFinishedRead(read);
    ASSERT_EQ(bus.started.size(), 2u) << "one reconnect for the money's sensors";
    const std::string plain = StatePayload(read);
    ASSERT_EQ(bus.published.size(), 1u);
    EXPECT_EQ(bus.published[0].payload,
              plain.substr(0, plain.size() - 1) +
                  R"(,"price_buy":0.36445,"price_sell":0,"today":{"bought":1.23,"sold":0.45,"net":0.78,)"
                  R"("savings":2.10,"self_sufficiency":63.2,"self_consumption":81.0,)"
                  R"("last_reset":"2026-12-10T00:00:00+01:00"}})");
    std::map<std::string, std::string> sent;
    for (const BusMessage& m : bus.started.back().on_connect) sent[m.topic] = m.payload;
    const std::string price = sent.at("homeassistant/sensor/pelmora_envoy_local/price_buy/config");
    EXPECT_NE(price.find(R"("unit_of_measurement":"USD/kWh","device_class":"monetary","suggested)"), std::string::npos)
        << price << ": a price has no state class";
    const std::string net = sent.at("homeassistant/sensor/pelmora_envoy_local/net_cost_today/config");
    EXPECT_NE(net.find(R"("unit_of_measurement":"USD","device_class":"monetary","state_class":"total",)"
                       R"("last_reset_value_template":"{{ value_json.today.last_reset }}")"),
              std::string::npos)
        << net;
    EXPECT_NE(sent.at("homeassistant/sensor/pelmora_envoy_local/self_sufficiency_today/config")
                  .find(R"("unit_of_measurement":"%","state_class":"measurement")"),
              std::string::npos);
    money.currency = "EUR";
    publisher.OnFinishedRead(read);
    EXPECT_EQ(bus.started.size(), 3u) << "a new currency, a new unit";
}

// A battery that shows in every other read changes neither the phases sent
// nor the sensors: one reconnect, then steady states. The phases are the
// larger of the two meters' counts.
TEST_F(PublisherTest, ABatteryComingAndGoingChangesNothing) {
    const std::string document = test::ReadFixture("site/fw-8.2.4286-battery.json");
    SiteReader reader;
    FinishedRead with_battery = read_of(document);
    with_battery.site =
        reader.Read(*ParseSiteMeters(test::ReadFixture("site/fw-8.2.4286-battery-meters.json")), document);
    ASSERT_TRUE(with_battery.site && with_battery.site->has_more());
    std::vector<MeterReading>& meters = with_battery.site->meters;
    ASSERT_EQ(meters[0].meter.type, MeterType::Production);
    meters[0].meter.phase_count = 1;  // production on one phase, the grid on two
    SiteReading plain = *with_battery.site;
    std::erase_if(plain.meters, [](const MeterReading& m) { return m.meter.type == MeterType::Storage; });
    plain.battery_w.reset();
    FinishedRead without = read_of(document);
    without.site = std::move(plain);
    ASSERT_FALSE(without.site->has_more());

    publisher.Configure(settings, "", with_battery.address);
    for (int i = 0; i < 12; ++i) publisher.OnFinishedRead(i % 2 == 0 ? with_battery : without);
    EXPECT_EQ(bus.started.size(), 2u) << "one reconnect for the battery, none after";
    std::vector<std::size_t> phases_sent;
    for (const BusMessage& m : bus.published) {
        if (!m.topic.ends_with("/state")) continue;
        const std::string& p = m.payload;
        const std::size_t from = p.find("\"phases\":[");
        phases_sent.push_back(from == std::string::npos ? 0u : [&] {
            std::size_t n = 0;
            for (std::size_t at = p.find("solar_w", from); at < p.find(']', from); at = p.find("solar_w", at + 1)) ++n;
            return n;
        }());
    }
    EXPECT_EQ(phases_sent, std::vector<std::size_t>(11, 2u));
}

}  // namespace
}  // namespace pelmora

namespace pelmora {
namespace {

// The Publish page's flow: the kept password the store tells of and what a
// save leaves kept, "Saved." until the connection moves on from where it
// was saved, and a field in the wrong that keeps nothing.
TEST(PublishPageModel, KeptPasswordAndTheSavedMessage) {
    test::TempWorkingFolder folder;
    MemorySettingsStore settings;
    test::SilentSecretStore keychain;
    FileSecretStore file{(folder.path() / "mqtt-password").string()};
    BrokerPassword password{keychain, file};
    ASSERT_EQ(password.Save("secret"), "");
    test::RecordingBus bus;
    Publisher publisher{bus};
    PublishPageModel model(PublishServices{settings, password, publisher, bus}, [] { return "envoy.local"; });
    for (int i = 0; i < 300 && !model.password_kept(); ++i) {
        model.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(model.password_kept()) << "the store told of it";
    PublishForm form = model.loaded();
    form.enabled = true;
    form.host = "127.0.0.1";
    form.user = "solar";
    bus.state = "Connecting...";
    ASSERT_TRUE(model.Save(form));
    EXPECT_EQ(model.message(), "Saved.");
    EXPECT_TRUE(model.password_kept()) << "an empty field keeps it";
    bus.state = "Connected";
    model.Tick();
    EXPECT_EQ(model.message(), "Saved.") << "the outcome of Connecting...";
    bus.state = "Connection lost; trying again";
    model.Tick();
    EXPECT_EQ(model.message(), "");
    form.user.clear();
    ASSERT_TRUE(model.Save(form));
    EXPECT_FALSE(model.password_kept()) << "no user, no password";
    form.port = "70000";
    EXPECT_FALSE(model.Save(form));
    EXPECT_NE(model.message().find("1 to 65535"), std::string::npos) << model.message();
}

}  // namespace
}  // namespace pelmora
