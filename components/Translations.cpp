#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <vector>

namespace quorvel::gui {

bool InstallQtTranslations() {
    static bool installed = false;
    if (installed) return true;
    if (!QCoreApplication::instance()) return false;
    std::vector<QLocale> wanted;
    if (const QLocale user = QLocale::system(); user.language() == QLocale::Portuguese) wanted.push_back(user);
    wanted.emplace_back(QLocale::Portuguese, QLocale::Brazil);

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    for (const QLocale& locale : wanted) {
        // "qtbase" holds the widgets' texts; the older "qt" catalogue stands in where it is missing.
        for (const char* catalogue : {"qtbase", "qt"}) {
            if (translator->load(locale, QLatin1String(catalogue), QStringLiteral("_"), folder)) {
                installed = QCoreApplication::installTranslator(translator);
                return installed;
            }
        }
    }
    delete translator;
    return false;
}

}  // namespace quorvel::gui
