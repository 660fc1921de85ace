#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "access/access_request.h"
#include "access/access_status.h"
#include "access/settings_pin_store.h"
#include "access/token_keeper.h"
#include "access/token_request.h"
#include "app/money_now.h"
#include "desktop/alert_watch.h"
#include "gateway/gateway_request.h"
#include "gateway/https_transport.h"
#include "gateway/threaded_side_document.h"
#include "history/history.h"
#include "platform/file_system.h"
#include "platform/local_calendar.h"
#include "platform/message_bus.h"
#include "platform/notifier.h"
#include "platform/secret_store.h"
#include "platform/settings_store.h"
#include "platform/wall_clock.h"
#include "publish/broker_password.h"
#include "publish/publish_services.h"
#include "publish/publisher.h"
#include "site/counter_stage.h"
#include "site/equipment_stage.h"
#include "site/site_stage.h"
#include "site/tariff_form.h"

namespace pelmora {

// What a front end's platform lends the core; each must outlive the core's
// services.
struct PlatformServices {
    FileSystem& files;
    SettingsStore& settings;
    const WallClock& clock;
    const LocalCalendar& calendar;
    SecretStore& keychain;       // the desktop's secret store
    SecretStore& token_file;     // where the token is kept without one
    SecretStore& password_file;  // where the broker's password is kept without one
    HttpsTransport& https;       // the reads' HTTPS connection
    GatewayRequest& plain;       // the reads' plain http request
    MessageBus& bus;
    Notifier& notifier;
    std::ostream& log;  // notes for the user on the console
    // A fresh request of each kind for the meter list, which has its own.
    std::function<std::unique_ptr<GatewayRequest>()> make_plain;
    std::function<std::unique_ptr<HttpsTransport>()> make_https;
    std::string program;          // the executable's name without folder and extension
    std::string history_folder;   // the day files
    std::string counters_folder;  // the lifetime counters' state
};

// The core's services built over one platform, in the order a read passes
// them: token access and the request, the site by meter, the counters, then
// history and publishing behind the plausibility check, and the alerts.
class CoreServices {
public:
    explicit CoreServices(PlatformServices platform);
    CoreServices(const CoreServices&) = delete;
    CoreServices& operator=(const CoreServices&) = delete;

    GatewayRequest& request() { return m_request; }
    AccessServices& access() { return m_access; }
    PublishServices& publish() { return m_publish; }
    TokenKeeper& keeper() { return m_keeper; }
    Publisher& publisher() { return m_publisher; }
    BrokerPassword& password() { return m_password; }
    History& history() { return m_history; }
    SiteStage& site() { return m_site; }
    EquipmentStage& equipment() { return m_equipment; }
    AlertWatch& alerts() { return m_alerts; }
    TariffServices& tariff_services() { return m_tariff_services; }
    // The prices that count now: those chosen on the Tariff page, or the gateway's.
    std::optional<Tariff> tariff() const;
    // Where the window hands each finished read.
    std::vector<FinishedReadSink*> finished_reads() { return {&m_equipment}; }

    // Starts publishing when [Mqtt] switches it on, for the gateway at
    // `address`; a setting that cannot work is told to the log.
    void StartPublishing(const std::string& address);
    // Ends publishing and keeps what history and the counters hold.
    void Close();

private:
    std::unique_ptr<GatewayRequest> side_request();

    PlatformServices m_platform;
    TokenKeeper m_keeper;
    SettingsPinStore m_pins;
    TokenGatewayRequest m_token_request;
    AccessRequest m_request;
    AccessServices m_access;
    Publisher m_publisher;
    BrokerPassword m_password;
    PublishServices m_publish;
    History m_history;
    PlausibleReads m_measured;
    CounterStage m_counters;
    SiteStage m_site;
    ThreadedSideDocument m_meter_list;
    AlertWatch m_alerts;
    EquipmentStage m_equipment;
    ThreadedSideDocument m_documents;
    TariffSettings m_tariff;
    TariffServices m_tariff_services;
    MoneyNow m_money;
};

}  // namespace pelmora
