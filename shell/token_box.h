#pragma once

#include <QPlainTextEdit>

namespace pelmora {

// The box a token is pasted into. A paste is cut one character past the
// longest token, so that a huge paste neither freezes the box's layout nor
// gets through: Save then says it is too large.
class TokenBox : public QPlainTextEdit {
public:
    explicit TokenBox(QWidget* parent = nullptr) : QPlainTextEdit(parent) {}

protected:
    void insertFromMimeData(const QMimeData* source) override;
};

}  // namespace pelmora
