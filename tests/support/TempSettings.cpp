#include "TempSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include "DiskFiles.h"

namespace {

constexpr char HomeVariable[] = "XDG_CONFIG_HOME";

}  // namespace

TempSettings::Store::Store()
    : SettingsStore(QStringLiteral("Notariello"), QStringLiteral("Notariello")) {}

TempSettings::TempSettings() : m_dir(std::make_unique<QTemporaryDir>()) {
    m_parent = m_dir->path();
    m_oldHome = qgetenv(HomeVariable);
    qputenv(HomeVariable, QFile::encodeName(home()));
}

TempSettings::TempSettings(const QString& parent) : m_parent(parent) {
    m_oldHome = qgetenv(HomeVariable);
    qputenv(HomeVariable, QFile::encodeName(home()));
}

TempSettings::~TempSettings() {
    if (m_oldHome.isNull())
        qunsetenv(HomeVariable);
    else
        qputenv(HomeVariable, m_oldHome);
}

QString TempSettings::home() const { return m_parent + QStringLiteral("/config"); }

QString TempSettings::folder() const { return home() + QStringLiteral("/Notariello"); }

QString TempSettings::file() const { return folder() + QStringLiteral("/Notariello.conf"); }

bool TempSettings::write(const QByteArray& bytes) const { return DiskFiles::put(file(), bytes); }
