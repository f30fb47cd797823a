#include "RecentFiles.h"

namespace quorvel::gui {

namespace {

const QString kSection = QStringLiteral("Arquivos");
constexpr int kRecentCount = 4;

QString KeyOf(int index) { return QString::number(index); }

}  // namespace

void UpdateRecentFiles(TIniFile& ini, const QString& currentFile) {
    QString old[kRecentCount + 1];
    for (int k = 1; k <= kRecentCount; ++k) old[k] = ini.ReadString(kSection, KeyOf(k));

    ini.BeginUpdate();
    // The current file goes first, even when empty (a base never saved):
    // the empty entry then takes the slot and the menu skips it.
    ini.WriteString(kSection, KeyOf(1), currentFile);
    int next = 2;
    for (int i = 1; i < kRecentCount; ++i) {
        if (old[i] == currentFile) continue;
        ini.WriteString(kSection, KeyOf(next), old[i]);
        ++next;
    }
    // When the current file was among the first three, the fourth entry
    // keeps its place.
    for (; next <= kRecentCount; ++next)
        if (old[next] != currentFile) ini.WriteString(kSection, KeyOf(next), old[next]);
    ini.EndUpdate();
}

QStringList RecentFileEntries(const TIniFile& ini) {
    QStringList entries;
    for (int k = 1; k <= kRecentCount; ++k) {
        const QString entry = ini.ReadString(kSection, KeyOf(k));
        if (!entry.isEmpty()) entries << entry;
    }
    return entries;
}

}  // namespace quorvel::gui
