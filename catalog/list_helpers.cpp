#include "catalog/list_helpers.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QVBoxLayout>

namespace catalog {

namespace {

// The typed text inside the filter's apostrophes: an apostrophe written twice.
QString filterText(const QString& typed) {
    QString value = typed;
    value.replace(QLatin1Char('\''), QStringLiteral("''"));
    return value;
}

}  // namespace

QString likePrefixFilter(const QString& field, const QString& typed) {
    return field + QStringLiteral(" like '") + filterText(typed) + QStringLiteral("%'");
}

QString likeAnywhereFilter(const QString& field, const QString& typed) {
    return field + QStringLiteral(" like '%") + filterText(typed) + QStringLiteral("%'");
}

bool searchBoxKeepsKey(const QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Backspace:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return true;
        default:
            break;
    }
    const QKeySequence::StandardKey kept[] = {QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut,
                                              QKeySequence::Undo,  QKeySequence::Redo, QKeySequence::SelectAll};
    for (auto k : kept)
        if (e->matches(k))
            return true;
    const QString text = e->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

void addSaveCancel(QDialog* dialog, QWidget* group, QPushButton*& save, QPushButton*& cancel,
                   const QString& saveCaption) {
    save = new QPushButton(saveCaption, dialog);
    save->setObjectName(QStringLiteral("Button1"));
    save->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    cancel->setObjectName(QStringLiteral("Button2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(group);
    layout->addLayout(buttons);
    onClick(cancel, dialog, [dialog] { dialog->reject(); });
}

}  // namespace catalog
