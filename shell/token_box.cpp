#include "shell/token_box.h"

#include <QMimeData>

#include "access/token_text.h"

namespace pelmora {

void TokenBox::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || !source->hasText()) return;
    // The paste replaces the selection.
    const qsizetype kept = toPlainText().size() - textCursor().selectedText().size();
    const qsizetype room = static_cast<qsizetype>(kLongestToken) + 1 - kept;
    if (room <= 0) return;
    insertPlainText(source->text().left(room));
}

}  // namespace pelmora
