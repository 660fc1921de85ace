#include "qt/qt_message_box.h"

#include <QMessageBox>
#include <QString>

namespace pelmora {

void QtMessageBox::Show(const std::string& text, const std::string& title, unsigned style) {
    QString body = QString::fromStdString(text);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QMessageBox::Icon icon = (style & MB_ICONINFORMATION) ? QMessageBox::Information : QMessageBox::NoIcon;
    QMessageBox box(icon, QString::fromStdString(title), body, QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtMessageBox::AskYesNo(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace pelmora
