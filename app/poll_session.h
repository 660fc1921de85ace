#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "desktop/tray_text.h"
#include "gateway/gateway_request.h"
#include "gateway/read_pace.h"
#include "history/history.h"
#include "phases/form_values.h"
#include "platform/controls_view.h"
#include "platform/file_system.h"
#include "platform/regional_format.h"
#include "platform/settings_store.h"
#include "platform/tick_source.h"
#include "readings/finished_read.h"
#include "records/error_log.h"
#include "site/said_once.h"
#include "site/equipment_stage.h"
#include "site/site_row.h"
#include "site/site_stage.h"

namespace pelmora {

// What one poll session works with; the window supplies itself as `view`.
struct PollServices {
    ControlsView& view;
    GatewayRequest& request;
    TickSource& ticks;
    const RegionalFormat& format;
    FileSystem& files;
    SettingsStore& settings;
    // Each read that reached the output file goes to these, after the read.
    std::vector<FinishedReadSink*> finished_reads = {};
    const SiteStage* site = nullptr;            // none: no site row
    History* history = nullptr;                 // none: no energy of the day in the tooltips
    std::string program;                        // the program's name, for the tray's tooltip
    const EquipmentStage* equipment = nullptr;  // none: no batteries' charge
};

// What the site says after a good read.
struct SiteView {
    SiteRow row;
    bool caption_changed = false;      // the caption's misfit note is to be shown again
    std::optional<std::string> notes;  // the window's own tooltip, when it changed
    std::string fresh_notes;           // lines not said before in this run, for standard error
};

// What a window shows after a tick beyond what the read wrote into its boxes.
struct PollOutcome {
    bool read = false;             // false: the pace held the read back and TimeStamp says for how long
    std::optional<SiteView> site;  // after a good read, when there is a site stage
    std::vector<std::pair<std::string, std::string>> tooltips;  // box name and its whole tooltip
    std::optional<TrayState> tray;
};

// One window's reads: the pace after failures, the read itself, the
// finished read handed to the sinks, and what the site and the day's energy
// add to the window, given back as data for the window to show. Both front
// ends drive it from their timer tick.
class PollSession {
public:
    explicit PollSession(PollServices services);
    PollSession(const PollSession&) = delete;
    PollSession& operator=(const PollSession&) = delete;

    // Takes [Gateway] Backoff and SecondMeterFromList; the form's mode as
    // start-up set it is the one the program's name gives.
    void Load();
    // One tick's read. What the read throws passes through.
    PollOutcome Tick();

    FormValues& form() { return m_form; }
    ErrorLog& log() { return m_log; }
    const ReadPace& pace() const { return m_pace; }
    // What the caption adds after the window's own text.
    std::string CaptionNote() const { return MisfitCaption(m_mode_misfits, m_form.ConsumptionMode); }
    bool mode_from_list() const { return m_mode_from_list; }
    // Keeps the switch in [Gateway]; switched off, the name's mode is back.
    void set_mode_from_list(bool on);

private:
    SiteView site_view(const SiteReading* site);
    std::vector<std::pair<std::string, std::string>> today_tooltips();

    PollServices m_services;
    FormValues m_form;
    ErrorLog m_log;
    ReadPace m_pace;
    std::optional<bool> m_backoff;  // by default on in token mode, off for plain http
    bool m_named_mode = false;
    bool m_mode_from_list = false;
    bool m_mode_misfits = false;
    std::string m_site_notes;
    SaidOnce m_said_notes;
};

}  // namespace pelmora
