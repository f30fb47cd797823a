// Qt's own texts (file dialogs, standard buttons, the edit boxes' context
// menus, the command line's usage) in Portuguese, like the rest of the program.
#pragma once

namespace quorvel::gui {

// Installs Qt's translations into the application: the user's own variant
// when the locale is a Portuguese one, Brazilian Portuguese otherwise. False
// when no catalogue was found (Qt's texts then stay in English). Once is
// enough; later calls change nothing.
bool InstallQtTranslations();

}  // namespace quorvel::gui
