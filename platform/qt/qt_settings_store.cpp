#include "platform/qt/qt_settings_store.h"

#include <QSettings>
#include <QString>

namespace pelmora {

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::string QtSettingsStore::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                        const std::string& fallback) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Pelmora", q(app));
    settings.beginGroup(q(section));
    const QVariant value = settings.value(q(key));
    if (!value.isValid()) return fallback;
    // An unquoted "," in a hand-written value makes QSettings read a list.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',').toStdString();
    return value.toString().toStdString();
}

void QtSettingsStore::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                  const std::string& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Pelmora", q(app));
    settings.beginGroup(q(section));
    settings.setValue(q(key), q(value));
    settings.endGroup();
    settings.sync();
}

}  // namespace pelmora
