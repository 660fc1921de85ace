#include "windows/gateway_page.h"

#include <windows.h>

#include "access/token_text.h"
#include "windows/page_controls.h"

namespace pelmora {

namespace {

constexpr COLORREF kProblemColour = RGB(0xb0, 0x00, 0x00);

}  // namespace

void GatewayPage::Create(const PagePlace& place) {
    m_dialog = place.dialog;
    const int bottom = place.area.height * 96 / place.dpi;
    struct Made {
        int id;
        const wchar_t* type;
        unsigned long style;
        const char* text;
        int x, y, width, height;
    };
    const Made made[] = {
        {kIntro, L"STATIC", SS_LEFT | SS_NOPREFIX,
         "Gateways with firmware 7 or later answer only over HTTPS, and only to the holder of an owner token made for "
         "the gateway's serial number. Paste the token below. Without a token Pelmora speaks plain http.",
         8, 8, 0, 48},
        {kToken, L"EDIT", WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL, "", 8, 60, 0, 76},
        {kFacts, L"STATIC", SS_LEFT | SS_NOPREFIX, "", 8, 144, 0, 50},
        {kMessage, L"STATIC", SS_LEFT | SS_NOPREFIX, "", 8, 198, 0, 36},
        {kKeyChange, L"EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL, "", 8, 238, 0, 96},
        {kFromList, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX,
         "Read the second meter as the gateway's meter list says, whatever the program's name", 8, bottom - 66, 0, 22},
        {kTrust, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Trust the new certificate", 8, bottom - 36, 190, 26},
        {kSave, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Save", 310, bottom - 36, 84, 26},
        {kRemove, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Remove", 400, bottom - 36, 84, 26},
        {kClose, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, "Close", 490, bottom - 36, 84, 26},
    };
    for (const Made& m : made) {
        if (m.id == kFromList && !m_mode.set) continue;
        MakePageControl(place, m.id, m.type, m.style, m.text, m.x, m.y, m.width, m.height);
        m_ids.push_back(m.id);
    }
    // A paste is cut one character past the longest token, which Save then refuses.
    SendMessageW(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kToken), EM_SETLIMITTEXT, kLongestToken + 1, 0);
    if (m_mode.set)
        SendMessageW(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kFromList), BM_SETCHECK,
                     m_mode.on ? BST_CHECKED : BST_UNCHECKED, 0);
    m_access.keeper.LookAgain();
}

void GatewayPage::Show(bool shown) {
    m_shown = shown;
    for (const int id : m_ids) ShowPageControl(m_dialog, id, shown);
    if (!shown) return;
    show_status();
    show_paste();
}

void GatewayPage::Command(int id, int code) {
    if (id == kToken && code == EN_CHANGE && !m_quiet) show_paste();
    if (code != BN_CLICKED) return;
    switch (id) {
        case kSave: save(); break;
        case kRemove:
            m_access.keeper.Remove();
            m_quiet = true;
            SetPageControlText(m_dialog, kToken, "");
            m_quiet = false;
            say("Removed: reads go back to plain http.", false);
            show_status();
            break;
        case kTrust:
            if (const auto& change = m_access.request.pending_key_change()) m_access.request.trust(change->seen);
            show_status();
            break;
        case kFromList:
            m_mode.set(SendMessageW(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kFromList), BM_GETCHECK, 0, 0) ==
                       BST_CHECKED);
            say("Saved.", false);
            break;
        case kClose:
            if (close) close();
            break;
        default: break;
    }
}

std::optional<unsigned long> GatewayPage::TextColour(int id) const {
    if ((id == kMessage && m_problem) || id == kKeyChange) return kProblemColour;
    return std::nullopt;
}

void GatewayPage::Tick() {
    if (m_saving) {
        if (const std::optional<TokenKeeper::SaveResult> saved = m_access.keeper.SaveDone()) {
            m_saving = false;
            save_answered(*saved);
        }
    }
    show_status();
}

void GatewayPage::show_status() {
    SetPageControlText(m_dialog, kFacts, TokenStatusText(m_access));
    const bool change = m_access.request.pending_key_change().has_value();
    SetPageControlText(m_dialog, kKeyChange, PendingKeyText(m_access));
    ShowPageControl(m_dialog, kKeyChange, m_shown && change);
    ShowPageControl(m_dialog, kTrust, m_shown && change);
}

void GatewayPage::show_paste() {
    if (m_saving) return;
    const PasteVerdict verdict = PastedTokenVerdict(PageControlText(m_dialog, kToken), m_access.clock.EpochSeconds());
    say(verdict.message, verdict.problem);
}

void GatewayPage::say(const std::string& message, bool problem) {
    m_problem = problem;
    SetPageControlText(m_dialog, kMessage, message);
    InvalidateRect(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kMessage), nullptr, TRUE);
}

void GatewayPage::save() {
    if (const std::optional<TokenKeeper::SaveResult> refused =
            m_access.keeper.StartSave(PageControlText(m_dialog, kToken))) {
        save_answered(*refused);
        return;
    }
    m_saving = true;
    EnableWindow(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kSave), FALSE);
    say("Saving...", false);
}

void GatewayPage::save_answered(const TokenKeeper::SaveResult& result) {
    EnableWindow(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kSave), TRUE);
    say(result.message, !result.saved);
    show_status();
    if (!result.saved) return;
    // The page stays open with what was saved, as the other pages do.
    m_quiet = true;
    SetPageControlText(m_dialog, kToken, "");
    m_quiet = false;
}

}  // namespace pelmora
