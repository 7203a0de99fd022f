#pragma once

// Qt's own texts (the print, print preview and file dialogs, the standard buttons) in Russian, from the Qt
// translations installed on the workstation. Quietly does nothing when they are absent; true when loaded.
bool loadQtTranslations();
