#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>

#include "ExText.h"

namespace quorvel::gui {

namespace {

const QString kFileName = QStringLiteral("QUORVEL.INI");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// A file written by hand or by an older program may not be UTF-8; its bytes
// are then read as Windows-1252 rather than turned into replacement marks.
QString DecodeSettings(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    const std::string converted = Cp1252ToUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    return QString::fromStdString(converted);
}

}  // namespace

QString SettingsFilePath() {
    const QString configDir = qEnvironmentVariable("QUORVEL_CONFIG_DIR");
    if (!configDir.isEmpty()) return QDir(configDir).filePath(kFileName);
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base =
        !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? xdg : QDir(QDir::homePath()).filePath(QStringLiteral(".config"));
    return QDir(QDir(base).filePath(QStringLiteral("quorvel"))).filePath(kFileName);
}

TIniFile::TIniFile(QString path) : path_(std::move(path)) { Load(); }

void TIniFile::Load() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) return;
    QString text = DecodeSettings(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

    TSection* current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            auto found = std::find_if(sections_.begin(), sections_.end(),
                                      [&](const TSection& s) { return SameName(s.name, name); });
            if (found == sections_.end()) {
                sections_.push_back({name, {}});
                current = &sections_.back();
            } else {
                current = &*found;
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (current == nullptr || equals <= 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        auto entry = std::find_if(current->entries.begin(), current->entries.end(),
                                  [&](const auto& e) { return SameName(e.first, key); });
        // As with the classic readers, the first of two equal keys wins.
        if (entry == current->entries.end()) current->entries.emplace_back(key, value);
    }
}

bool TIniFile::HasKey(const QString& section, const QString& key) const {
    for (const TSection& s : sections_) {
        if (!SameName(s.name, section)) continue;
        for (const auto& entry : s.entries)
            if (SameName(entry.first, key)) return true;
    }
    return false;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    for (const TSection& s : sections_) {
        if (!SameName(s.name, section)) continue;
        for (const auto& entry : s.entries)
            if (SameName(entry.first, key)) return entry.second;
    }
    return defaultValue;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    bool ok = false;
    const int value = ReadString(section, key).toInt(&ok);
    return ok ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    // A line break would end the entry early and let the rest of the text be
    // read as other keys or sections; such a value is not written at all.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || key.trimmed().isEmpty() ||
        key.contains(QLatin1Char('=')) || section.contains(QLatin1Char(']'))) {
        ok_ = false;
        return;
    }
    auto found =
        std::find_if(sections_.begin(), sections_.end(), [&](const TSection& s) { return SameName(s.name, section); });
    if (found == sections_.end()) {
        sections_.push_back({section, {}});
        found = sections_.end() - 1;
    }
    auto entry = std::find_if(found->entries.begin(), found->entries.end(),
                              [&](const auto& e) { return SameName(e.first, key); });
    if (entry == found->entries.end())
        found->entries.emplace_back(key, value);
    else
        entry->second = value;
    if (updateDepth_ == 0)
        ok_ = Store();
    else
        pending_ = true;
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::BeginUpdate() { ++updateDepth_; }

bool TIniFile::EndUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0 && pending_) {
        pending_ = false;
        ok_ = Store() && ok_;
    }
    return ok_;
}

bool TIniFile::Store() {
    const QFileInfo info(path_);
    if (!QDir().mkpath(info.absolutePath())) return false;

    QString text;
    for (const TSection& s : sections_) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QLatin1Char('[') + s.name + QStringLiteral("]\n");
        for (const auto& [key, value] : s.entries) text += key + QLatin1Char('=') + value + QLatin1Char('\n');
    }
    // QSaveFile writes beside the target and renames over it on commit, so a
    // crash or a full disk leaves the previous settings intact.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace quorvel::gui
