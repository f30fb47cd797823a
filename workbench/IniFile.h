// The workbench's settings file: a classic initialisation file (sections in
// brackets, key=value lines, integers as decimal text, Booleans as 0 or 1)
// written in UTF-8 with its Portuguese keys exactly as they are.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace quorvel::gui {

// QUORVEL.INI in $QUORVEL_CONFIG_DIR, else $XDG_CONFIG_HOME/quorvel, else
// ~/.config/quorvel.
QString SettingsFilePath();

class TIniFile {
public:
    // Reads the file if it exists; a missing file is an empty one.
    explicit TIniFile(QString path = SettingsFilePath());

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;
    bool HasKey(const QString& section, const QString& key) const;

    // Changes are written to the file at once; sections and keys keep the
    // order in which they first appeared.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // Between BeginUpdate and the matching EndUpdate the writes are kept in
    // memory and stored once at the end (SaveSettings writes some forty keys).
    // EndUpdate returns Ok().
    void BeginUpdate();
    bool EndUpdate();

    const QString& Path() const { return path_; }
    // False when the last write failed, or was refused because a section,
    // key or value held a line break (it would corrupt the file).
    bool Ok() const { return ok_; }

private:
    struct TSection {
        QString name;
        std::vector<std::pair<QString, QString>> entries;
    };
    void Load();
    bool Store();

    QString path_;
    std::vector<TSection> sections_;
    bool ok_ = true;
    int updateDepth_ = 0;
    bool pending_ = false;
};

}  // namespace quorvel::gui
