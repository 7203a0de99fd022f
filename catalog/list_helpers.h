#pragma once

#include <QAbstractButton>
#include <QString>

#include "core/ui.h"

class QDialog;
class QKeyEvent;
class QPushButton;

// Small pieces the reference-book windows share: the search filter text, which keys a search box keeps, button
// wiring through the error guard, and the layout of an entry dialog.
namespace catalog {

// The client-side filter of an incremental search: "<field> like '<typed>%'", the typed text kept as it is
// (an apostrophe doubled, so a name such as O'Brien is found and the filter never breaks).
QString likePrefixFilter(const QString& field, const QString& typed);
// The same for a search anywhere in the field: "<field> like '%<typed>%'".
QString likeAnywhereFilter(const QString& field, const QString& typed);

// For a search box that consumes every key-down: true for the keys that still reach it — characters, Backspace,
// the dialog keys (Enter, Esc, Tab) and the clipboard/undo shortcuts. Cursor keys, Home, End, Delete and the
// like are consumed.
bool searchBoxKeepsKey(const QKeyEvent* e);

// Connects a button's click to a handler, guarded so that a database error is shown and stops the action.
template <class F>
void onClick(QAbstractButton* button, QObject* context, F handler) {
    QObject::connect(button, &QAbstractButton::clicked, context, ui::guarded([handler](bool) { handler(); }));
}

// Lays out an entry dialog: its group of fields above a row of "Записать" (save, the default button; another
// caption where the dialog has its own) and "Отмена" (cancel, closes the dialog). The dialog connects save to its
// own handler.
void addSaveCancel(QDialog* dialog, QWidget* group, QPushButton*& save, QPushButton*& cancel,
                   const QString& saveCaption = QStringLiteral("Записать"));

}  // namespace catalog
