#include "windows/publish_page.h"

#include <windows.h>

#include "windows/page_controls.h"

namespace pelmora {

void PublishPage::Create(const PagePlace& place) {
    m_dialog = place.dialog;
    const PublishForm& s = m_model.loaded();
    const int bottom = place.area.height * 96 / place.dpi;
    const auto make = PageControlMaker(place, m_ids);
    const unsigned long box = WS_TABSTOP | BS_AUTOCHECKBOX;
    const unsigned long field = WS_TABSTOP | ES_AUTOHSCROLL;
    int y = 8;
    make(kEnabled, L"BUTTON", box, "Publish every reading to an MQTT broker", 8, y, 0, 22);
    const auto row = [&](int label, const char* text, int id, const std::string& value, unsigned long style) {
        y += 28;
        make(label, L"STATIC", SS_LEFT, text, 8, y + 3, 140, 20);
        make(id, L"EDIT", style, value, 150, y, 300, 22);
    };
    row(kHostLabel, "Broker host", kHost, s.host, field);
    row(kPortLabel, "Port", kPort, s.port, field | ES_NUMBER);
    y += 28;
    make(kTls, L"BUTTON", box, "TLS", 150, y, 300, 22);
    y += 24;
    make(kVerify, L"BUTTON", box, "Verify the broker's certificate", 150, y, 300, 22);
    row(kUserLabel, "User name", kUser, s.user, field);
    row(kPasswordLabel, "Password", kPassword, "", field | ES_PASSWORD);
    make(kPasswordKept, L"STATIC", SS_LEFT, "", 458, y + 3, 110, 20);
    row(kPrefixLabel, "Topic prefix", kPrefix, s.prefix, field);
    y += 28;
    make(kDiscovery, L"BUTTON", box, "Home Assistant discovery", 150, y, 300, 22);
    row(kDiscoveryPrefixLabel, "Discovery prefix", kDiscoveryPrefix, s.discovery_prefix, field);
    y += 28;
    make(kInverters, L"BUTTON", box, "A power sensor for each panel (up to a hundred)", 150, y, 400, 22);
    row(kIntervalLabel, "Publish every (s)", kInterval, s.interval, field);
    y += 28;
    make(kStateLabel, L"STATIC", SS_LEFT, "Connection", 8, y, 140, 20);
    make(kState, L"STATIC", SS_LEFT | SS_NOPREFIX, "", 150, y, 0, 20);
    make(kMessage, L"STATIC", SS_LEFT | SS_NOPREFIX, "", 8, y + 26, 0, 36);
    make(kSave, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Save", 400, bottom - 36, 84, 26);
    make(kClose, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Close", 490, bottom - 36, 84, 26);

    for (const auto& [id, on] :
         {std::pair{kEnabled, s.enabled}, std::pair{kTls, s.tls}, std::pair{kVerify, s.verify_peer},
          std::pair{kDiscovery, s.discovery}, std::pair{kInverters, s.inverters}})
        SetPageControlChecked(m_dialog, id, on);
    EnablePageControl(m_dialog, kVerify, s.tls);
}

void PublishPage::Show(bool shown) {
    m_shown = shown;
    for (const int id : m_ids) ShowPageControl(m_dialog, id, shown);
    if (shown) Tick();
}

bool PublishPage::checked(int id) const { return PageControlChecked(m_dialog, id); }

void PublishPage::Command(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id == kTls) EnablePageControl(m_dialog, kVerify, checked(kTls));
    if (id == kSave) save();
    if (id == kClose && close) close();
}

void PublishPage::Tick() {
    m_model.Tick();
    SetPageControlText(m_dialog, kState, m_model.state());
    SetPageControlText(m_dialog, kMessage, m_model.message());
    SetPageControlText(m_dialog, kPasswordKept, m_model.password_kept() ? "(kept: empty keeps it)" : "");
}

void PublishPage::save() {
    const PublishForm form{checked(kEnabled),
                           PageControlText(m_dialog, kHost),
                           PageControlText(m_dialog, kPort),
                           checked(kTls),
                           checked(kVerify),
                           PageControlText(m_dialog, kUser),
                           PageControlText(m_dialog, kPassword),
                           PageControlText(m_dialog, kPrefix),
                           checked(kDiscovery),
                           PageControlText(m_dialog, kDiscoveryPrefix),
                           PageControlText(m_dialog, kInterval),
                           checked(kInverters)};
    if (m_model.Save(form)) SetPageControlText(m_dialog, kPassword, "");
    Tick();
}

}  // namespace pelmora
