#pragma once

#include <QWidget>
#include <functional>

#include "access/token_keeper.h"
#include "platform/wall_clock.h"

class QLabel;
class QPlainTextEdit;

namespace pelmora {

// The Options dialog's "Gateway" page: paste, save or remove the owner
// token, and see what the token says. Validation and storage are the
// keeper's; the page only shows what it answers.
class GatewayPage : public QWidget {
public:
    GatewayPage(TokenKeeper& keeper, const WallClock& clock, QWidget* parent = nullptr);

    // Save, Remove and Cancel end the dialog through these.
    void on_done(std::function<void(bool changed)> done) { m_done = std::move(done); }
    void Save();
    void Remove();

private:
    void show_facts();

    TokenKeeper& m_keeper;
    const WallClock& m_clock;
    QPlainTextEdit* m_paste;
    QLabel* m_facts;
    QLabel* m_message;
    std::function<void(bool)> m_done;
};

// What a token says, in one line: expiry with days left, user type, serial.
std::string DescribeToken(const TokenFacts& facts, std::int64_t now);

}  // namespace pelmora
