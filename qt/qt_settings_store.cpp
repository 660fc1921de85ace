#include "qt/qt_settings_store.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QString>
#include <cerrno>
#include <cstdio>

namespace pelmora {

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// A probe under an application name no file has shares the folder.
std::string QtSettingsStore::FilePath(const std::string& app) {
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, "Pelmora", "pelmora path probe");
    const QFileInfo probe_file(probe.fileName());
    return (probe_file.absolutePath() + '/' + q(app) + '.' + probe_file.suffix()).toStdString();
}

bool QtSettingsStore::usable(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return errno == ENOENT;
    if (S_ISREG(status.st_mode)) return true;
    if (!m_said_not_regular) {
        m_said_not_regular = true;
        std::fprintf(stderr, "Pelmora: %s is not a regular file; the settings are the defaults and are not saved\n",
                     path.c_str());
    }
    return false;
}

std::string QtSettingsStore::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                        const std::string& fallback) {
    if (!usable(FilePath(app))) return fallback;
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
    const std::string path = FilePath(app);
    if (!usable(path)) return;
    {
        // QSettings itself would wait for the lock without end.
        QDir().mkpath(QFileInfo(q(path)).absolutePath());
        QLockFile lock(q(path) + ".lock");
        if (!lock.tryLock(m_locked_out ? 0 : kLockWaitMs) && lock.error() == QLockFile::LockFailedError) {
            if (!m_locked_out) {
                std::fprintf(stderr, "Pelmora: %s.lock is held by another program; the settings were not saved\n",
                             path.c_str());
            }
            m_locked_out = true;
            return;
        }
        m_locked_out = false;
    }
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Pelmora", q(app));
    settings.beginGroup(q(section));
    settings.setValue(q(key), q(value));
    settings.endGroup();
    settings.sync();
}

}  // namespace pelmora
