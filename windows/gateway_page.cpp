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
        if (m.id == kFromList && !m_model.has_mode_switch()) continue;
        MakePageControl(place, m.id, m.type, m.style, m.text, m.x, m.y, m.width, m.height);
        m_ids.push_back(m.id);
    }
    // A paste is cut one character past the longest token, which Save then refuses.
    SendMessageW(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kToken), EM_SETLIMITTEXT, kLongestToken + 1, 0);
    if (m_model.has_mode_switch()) SetPageControlChecked(m_dialog, kFromList, m_model.mode_on());
}

void GatewayPage::Show(bool shown) {
    m_shown = shown;
    for (const int id : m_ids) ShowPageControl(m_dialog, id, shown);
    if (!shown) return;
    m_model.Pasted(PageControlText(m_dialog, kToken));
    draw();
}

void GatewayPage::Command(int id, int code) {
    if (id == kToken && code == EN_CHANGE && !m_quiet) {
        m_model.Pasted(PageControlText(m_dialog, kToken));
        draw();
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kSave: m_model.Save(PageControlText(m_dialog, kToken)); break;
        case kRemove: m_model.Remove(); break;
        case kTrust: m_model.Trust(); break;
        case kFromList:
            m_model.SetModeFromList(SendMessageW(GetDlgItem(reinterpret_cast<HWND>(m_dialog), kFromList), BM_GETCHECK,
                                                 0, 0) == BST_CHECKED);
            break;
        case kClose:
            if (close) close();
            return;
        default: return;
    }
    draw();
}

std::optional<unsigned long> GatewayPage::TextColour(int id) const {
    if ((id == kMessage && m_model.problem()) || id == kKeyChange) return kProblemColour;
    return std::nullopt;
}

void GatewayPage::Tick() {
    m_model.Tick();
    draw();
}

void GatewayPage::draw() {
    HWND dialog = reinterpret_cast<HWND>(m_dialog);
    if (m_model.TakeEmptiedPaste()) {
        m_quiet = true;
        SetPageControlText(m_dialog, kToken, "");
        m_quiet = false;
    }
    EnablePageControl(m_dialog, kSave, !m_model.saving());
    if (PageControlText(m_dialog, kMessage) != m_model.message()) {
        SetPageControlText(m_dialog, kMessage, m_model.message());
        InvalidateRect(GetDlgItem(dialog, kMessage), nullptr, TRUE);
    }
    SetPageControlText(m_dialog, kFacts, m_model.facts());
    const bool change = m_model.key_changed();
    SetPageControlText(m_dialog, kKeyChange, m_model.key_text());
    ShowPageControl(m_dialog, kKeyChange, m_shown && change);
    ShowPageControl(m_dialog, kTrust, m_shown && change);
}

}  // namespace pelmora
