#include "TempSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include "DiskFiles.h"

namespace {

constexpr char HomeVariable[] = "XDG_CONFIG_HOME";
constexpr char StateVariable[] = "XDG_STATE_HOME";

}  // namespace

TempSettings::Store::Store()
    : SettingsStore(QStringLiteral("Notariello"), QStringLiteral("Notariello")) {}

TempSettings::TempSettings() : m_dir(std::make_unique<QTemporaryDir>()) {
    m_parent = m_dir->path();
    m_oldHome = qgetenv(HomeVariable);
    m_oldState = qgetenv(StateVariable);
    qputenv(HomeVariable, QFile::encodeName(home()));
    qputenv(StateVariable, QFile::encodeName(state()));
}

TempSettings::TempSettings(const QString& parent) : m_parent(parent) {
    m_oldHome = qgetenv(HomeVariable);
    m_oldState = qgetenv(StateVariable);
    qputenv(HomeVariable, QFile::encodeName(home()));
    qputenv(StateVariable, QFile::encodeName(state()));
}

TempSettings::~TempSettings() {
    for (const auto& [name, old] :
         {std::pair{HomeVariable, m_oldHome}, {StateVariable, m_oldState}}) {
        if (old.isNull())
            qunsetenv(name);
        else
            qputenv(name, old);
    }
}

QString TempSettings::home() const { return m_parent + QStringLiteral("/config"); }

QString TempSettings::state() const { return m_parent + QStringLiteral("/state"); }

QString TempSettings::folder() const { return home() + QStringLiteral("/Notariello"); }

QString TempSettings::file() const { return folder() + QStringLiteral("/Notariello.conf"); }

bool TempSettings::write(const QByteArray& bytes) const { return DiskFiles::put(file(), bytes); }
