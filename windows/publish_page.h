#pragma once

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "publish/publish_form.h"
#include "publish/publish_page_model.h"
#include "publish/publish_services.h"
#include "windows/options_page.h"

namespace pelmora {

// The Options dialog's "Publish" page: the broker, the topics and Home
// Assistant discovery, and the connection's state. The kept password is
// never shown; the page says when one is kept and an empty field keeps it.
class PublishPage : public OptionsPage {
public:
    enum Id : int {
        kEnabled = 500,
        kHostLabel,
        kHost,
        kPortLabel,
        kPort,
        kTls,
        kVerify,
        kUserLabel,
        kUser,
        kPasswordLabel,
        kPassword,
        kPasswordKept,
        kPrefixLabel,
        kPrefix,
        kDiscovery,
        kDiscoveryPrefixLabel,
        kDiscoveryPrefix,
        kInverters,
        kIntervalLabel,
        kInterval,
        kStateLabel,
        kState,
        kMessage,
        kSave,
        kClose,
    };

    PublishPage(PublishServices services, std::function<std::string()> address)
        : m_model(services, std::move(address)) {}

    std::string title() const override { return "Publish"; }
    void Create(const PagePlace& place) override;
    void Show(bool shown) override;
    void Command(int id, int code) override;
    std::optional<unsigned long> TextColour(int) const override { return std::nullopt; }
    void Tick() override;

private:
    bool checked(int id) const;
    void save();

    PublishPageModel m_model;
    Hwnd m_dialog = 0;
    std::vector<int> m_ids;
    bool m_shown = false;
};

}  // namespace pelmora
