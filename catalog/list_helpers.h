#pragma once

#include "app/ui.h"

#include <QAbstractButton>
#include <QString>

class QKeyEvent;

// Small pieces the reference-book windows share: the search filter text, which keys a search box keeps, and
// button wiring through the error guard.
namespace catalog {

// The client-side filter of an incremental search: "<field> like '<typed>%'", the typed text kept as it is
// (an apostrophe doubled, so a name such as O'Brien is found and the filter never breaks).
QString likePrefixFilter(const QString& field, const QString& typed);

// For a search box that consumes every key-down: true for the keys that still reach it — characters, Backspace,
// the dialog keys (Enter, Esc, Tab) and the clipboard/undo shortcuts. Cursor keys, Home, End, Delete and the
// like are consumed.
bool searchBoxKeepsKey(const QKeyEvent* e);

// Connects a button's click to a handler, guarded so that a database error is shown and stops the action.
template <class F>
void onClick(QAbstractButton* button, QObject* context, F handler) {
    QObject::connect(button, &QAbstractButton::clicked, context, ui::guarded([handler](bool) { handler(); }));
}

}  // namespace catalog
