#include "publish/publish_form.h"

#include "readings/trimmed_text.h"

namespace pelmora {

PublishForm LoadPublishForm(const PublishServices& services) {
    const MqttSettings s = LoadMqttSettings(services.settings, kSettingsApp);
    const auto stored = [&](const char* key) {
        return services.settings.GetSetting(kSettingsApp, kMqttSection, key, "");
    };
    return PublishForm{s.enabled,
                       s.host,
                       s.port != 0 ? std::to_string(s.port) : stored("Port"),
                       s.tls,
                       s.verify_peer,
                       s.user,
                       "",
                       s.prefix,
                       s.discovery,
                       s.discovery_prefix,
                       s.interval != 0 ? std::to_string(s.interval) : stored("Interval"),
                       s.inverters};
}

std::string SavePublishForm(const PublishServices& services, const PublishForm& form, const std::string& address) {
    MqttSettings s;
    s.enabled = form.enabled;
    s.host = TrimmedText(form.host);
    s.port = PortFromText(TrimmedText(form.port));
    s.tls = form.tls;
    s.verify_peer = form.verify_peer;
    s.user = form.user;
    s.prefix = form.prefix;
    s.discovery = form.discovery;
    s.discovery_prefix = form.discovery_prefix;
    s.inverters = form.inverters;
    s.interval = IntervalFromText(TrimmedText(form.interval));
    s.device_id = services.publisher.settings().device_id;
    if (s.device_id.empty()) s.device_id = LoadMqttSettings(services.settings, kSettingsApp).device_id;
    if (std::string problem = MqttSettingsProblem(s); !problem.empty()) return problem;
    if (!form.password.empty() || s.user.empty()) {
        if (std::string problem = services.password.Save(s.user.empty() ? std::string() : form.password);
            !problem.empty())
            return problem;
    }
    SaveMqttSettings(services.settings, kSettingsApp, s);
    services.publisher.Configure(s, s.user.empty() ? std::string() : services.password.Load(), address);
    return "";
}

}  // namespace pelmora
