#pragma once

#include <optional>
#include <string>

#include "access/token_keeper.h"
#include "access/token_request.h"
#include "platform/controls_view.h"
#include "platform/message_box.h"
#include "platform/wall_clock.h"
#include "platform/window_frame.h"

namespace pelmora {

// What the window needs of token access; main wires the real ones in.
struct AccessServices {
    TokenKeeper& keeper;
    TokenGatewayRequest& request;
    const WallClock& clock;
};

// The token's state on the window: the caption warns of the token's expiry,
// `IP`'s tooltip tells of a renewed gateway certificate, and a changed key
// is put to the user once.
class AccessStatus {
public:
    AccessStatus(AccessServices services, WindowFrame& frame, ControlsView& view, MessageBox& box)
        : m_services(services), m_frame(frame), m_view(view), m_box(box) {}

    // The caption without the token's state, as start-up set it.
    void set_base_caption(std::string caption) { m_base_caption = std::move(caption); }
    void RefreshCaption();
    // After each read; true when a changed key waits for AskAboutKey.
    bool AfterRead();
    // Asks whether to trust the changed key; Yes pins it.
    void AskAboutKey();

private:
    AccessServices m_services;
    WindowFrame& m_frame;
    ControlsView& m_view;
    MessageBox& m_box;
    std::string m_base_caption;
    std::optional<TokenGatewayRequest::KeyChange> m_question;
};

// What changed: the two keys and the new certificate.
std::string KeyChangeText(const TokenGatewayRequest::KeyChange& change);
// The question put when the gateway's key changed.
std::string KeyChangeQuestion(const TokenGatewayRequest::KeyChange& change);

}  // namespace pelmora
