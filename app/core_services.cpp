#include "app/core_services.h"

#include "access/pinned_key.h"
#include "app/side_token_request.h"
#include "access/token_text.h"
#include "desktop/desktop_settings.h"
#include "form/settings.h"
#include "form/startup.h"
#include "publish/mqtt_settings.h"

namespace pelmora {

CoreServices::CoreServices(PlatformServices platform)
    : m_platform(std::move(platform)),
      m_keeper(m_platform.keychain, m_platform.token_file, m_platform.settings, kSettingsApp),
      m_pins(m_platform.settings, kSettingsApp),
      m_token_request(m_platform.https, m_pins, m_platform.clock),
      m_request(m_platform.plain, m_token_request, m_keeper),
      m_access{m_keeper, m_token_request, m_platform.clock},
      m_publisher(m_platform.bus, &m_platform.clock),
      m_password(m_platform.keychain, m_platform.password_file),
      m_publish{m_platform.settings, m_password, m_publisher, m_platform.bus},
      m_history(m_platform.files, m_platform.calendar, m_platform.clock, m_platform.history_folder),
      m_measured({&m_publisher, &m_history}, m_platform.log),
      // The second meter counts consumption where the program reads it so.
      m_counters(m_platform.program == kConsumptionExecutable, m_platform.log, {&m_measured}, &m_platform.files,
                 m_platform.counters_folder),
      m_site(m_request, m_platform.clock, {&m_counters}),
      m_alerts(m_platform.clock, m_platform.notifier),
      // The documents beside the readings go with each read to the site and the alerts.
      m_equipment(m_request, m_platform.clock, m_platform.log, {&m_site, &m_alerts}),
      m_tariff(LoadTariffSettings(m_platform.settings, kSettingsApp)),
      m_tariff_services{m_platform.settings, [this] { return m_equipment.equipment().tariff; },
                        [this](const TariffSettings& settings) { m_tariff = settings; }},
      m_money(m_history, m_platform.calendar, m_platform.clock, [this] { return tariff(); }) {
    // The token is looked up while the window opens.
    m_keeper.StartLookup();
    m_publisher.set_device_keeper([this](const std::string& id) {
        m_platform.settings.SaveSetting(kSettingsApp, kMqttSection, kDeviceIdKey, id);
    });
    // The history counts money at the prices that count now.
    m_history.set_tariff([this] { return tariff(); });
    m_publisher.set_money([this] { return m_money(); });
    m_site.set_access_generation([this] { return m_keeper.Generation(); });
    // The meter list comes off the reads' thread, each time over a request of its own.
    m_site.set_background(&m_meter_list, [this] { return side_request(); });
    // The batteries, inverters and the rest come the same way, one at a time, on a thread of their own.
    m_equipment.set_access_generation([this] { return m_keeper.Generation(); });
    m_equipment.set_background(&m_documents, [this] { return side_request(); });
    m_alerts.Configure(LoadDesktopSettings(m_platform.settings, kSettingsApp));
    m_alerts.set_token_expiry([this]() -> std::optional<std::int64_t> {
        const std::optional<std::string> token = m_keeper.Token();
        if (!token) return std::nullopt;
        const TokenCheck check = DecodeToken(*token);
        return check.facts ? std::optional(check.facts->exp) : std::nullopt;
    });
}

std::unique_ptr<GatewayRequest> CoreServices::side_request() {
    const std::optional<std::string> token = m_keeper.Token();
    if (!token && !m_keeper.Expected()) return m_platform.make_plain();
    if (!token) return nullptr;
    return MakeSideTokenRequest(m_platform.make_https(), m_token_request, *token, m_platform.clock);
}

std::optional<Tariff> CoreServices::tariff() const { return TariffInForce(m_tariff, m_equipment.equipment().tariff); }

void CoreServices::StartPublishing(const std::string& address) {
    const MqttSettings mqtt = LoadMqttSettings(m_platform.settings, kSettingsApp);
    if (!mqtt.enabled) return;
    if (const std::string problem = MqttSettingsProblem(mqtt); !problem.empty())
        m_platform.log << "Pelmora: [Mqtt] " << problem << "\n" << std::flush;
    m_publisher.Configure(mqtt, mqtt.user.empty() ? std::string() : m_password.Load(), address);
}

void CoreServices::Close() {
    m_publisher.Close();
    m_history.Flush();
    m_counters.Flush();
}

}  // namespace pelmora
