#pragma once

#include <vector>

#include "access/gateway_page_model.h"
#include "access/access_status.h"
#include "access/token_status.h"
#include "windows/options_page.h"

namespace pelmora {

// The Options dialog's "Gateway" page: paste, save or remove the owner
// token, and see what the token in force says, what keeps one that is
// expected from being used, whether the gateway refused it, and a changed
// gateway certificate that waits to be trusted. Validation and storage are
// the keeper's; the page only shows what it answers, and never waits for
// the secret store.
class GatewayPage : public OptionsPage {
public:
    // The page's controls, by id.
    enum Id : int {
        kIntro = 200,
        kToken,
        kFacts,
        kMessage,
        kKeyChange,
        kFromList,
        kTrust,
        kSave,
        kRemove,
        kClose,
    };

    GatewayPage(AccessServices access, GatewayModeSwitch mode) : m_model(access, std::move(mode)) {}

    std::string title() const override { return "Gateway"; }
    void Create(const PagePlace& place) override;
    void Show(bool shown) override;
    void Command(int id, int code) override;
    std::optional<unsigned long> TextColour(int id) const override;
    void Tick() override;

private:
    // Draws what the model says now.
    void draw();

    GatewayPageModel m_model;
    Hwnd m_dialog = 0;
    std::vector<int> m_ids;  // the controls made
    bool m_shown = false;
    bool m_quiet = false;  // the page itself is changing the paste
};

}  // namespace pelmora
