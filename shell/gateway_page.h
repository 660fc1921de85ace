#pragma once

#include <QWidget>
#include <functional>

#include "access/gateway_page_model.h"
#include "access/token_keeper.h"
#include "access/access_status.h"
#include "access/token_status.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace pelmora {

// The Options dialog's "Gateway" page: paste, save or remove the owner
// token, and see what the token in force says, what keeps one that is
// expected from being used, whether the gateway refused it, and a changed
// gateway certificate that waits to be trusted. Validation and storage are
// the keeper's; the page only shows what it answers, and never waits for
// the secret store.
class GatewayPage : public QWidget {
public:
    GatewayPage(AccessServices access, const GatewayModeSwitch& mode = {}, QWidget* parent = nullptr);

    // Save, Remove and Cancel end the dialog through these.
    void on_done(std::function<void(bool changed)> done) { m_done = std::move(done); }
    void Save();
    void Remove();

private:
    // Draws what the model says now.
    void draw();

    GatewayPageModel m_model;
    QPlainTextEdit* m_paste;
    QLabel* m_facts;
    QLabel* m_message;
    QPlainTextEdit* m_key;
    QPushButton* m_trust;
    QPushButton* m_save;
    QTimer* m_watch;
    std::function<void(bool)> m_done;
};

}  // namespace pelmora
