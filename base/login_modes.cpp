#include "base/login_modes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QRadioButton>
#include <QWidget>

#include "core/db.h"

namespace login {

namespace {
constexpr int V = int(Mode::Viewer), F = int(Mode::Foreman), W = int(Mode::Warehouse);

QObject* findControl(QWidget* window, const QString& name) {
    if (QWidget* w = window->findChild<QWidget*>(name))
        return w;
    return window->findChild<QAction*>(name);
}

void switchOff(QObject* control) {
    if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->menuAction()->setEnabled(false);
        menu->setEnabled(false);
    } else if (auto* w = qobject_cast<QWidget*>(control)) {
        w->setEnabled(false);
    } else if (auto* a = qobject_cast<QAction*>(control)) {
        a->setEnabled(false);
    }
}

void selectItem(QObject* control, int item) {
    if (control->property("itemIndex").isValid()) {
        control->setProperty("itemIndex", item);
        return;
    }
    const auto buttons = control->findChildren<QRadioButton*>();
    if (item < buttons.size())
        buttons[item]->setChecked(true);
}
}  // namespace

std::optional<Mode> modeOfWord(const QString& typed) {
    const QString word = typed.trimmed();
    if (word == QLatin1String("tavrik"))
        return Mode::Viewer;
    if (word == QLatin1String("quilpon"))
        return Mode::Foreman;
    if (word == QLatin1String("mobun"))
        return Mode::Warehouse;
    if (word == QLatin1String("36172548") || word == QLatin1String("3958"))
        return Mode::Full;
    return std::nullopt;
}

QString groupOf(Mode mode) {
    switch (mode) {
        case Mode::Viewer:
            return QStringLiteral("tabel_viewer");
        case Mode::Foreman:
            return QStringLiteral("tabel_foreman");
        case Mode::Warehouse:
            return QStringLiteral("tabel_warehouse");
        case Mode::Full:
            return QStringLiteral("tabel_full");
    }
    return {};
}

std::optional<Mode> modeOfSession(Db& db) {
    // Membership through another role counts too; pg_roles keeps the query good where a group is missing.
    auto r = db.query(QStringLiteral(
        "select rolname from pg_roles where rolname in ('tabel_full', 'tabel_foreman', 'tabel_warehouse', "
        "'tabel_viewer') and pg_has_role(session_user, oid, 'MEMBER')"));
    QStringList groups;
    for (int i = 0; i < r->rowCount(); ++i)
        groups << r->text(i, 0);
    for (Mode m : {Mode::Full, Mode::Foreman, Mode::Warehouse, Mode::Viewer})
        if (groups.contains(groupOf(m)))
            return m;
    return std::nullopt;
}

const QList<DisabledControl>& disabledControls() {
    static const QList<DisabledControl> table = {
        // The main window. Everything not listed (the menu "Отчеты", "Выход", "Структура БД", the button
        // "Ср.сд./хоз. работы") stays enabled in every mode.
        {QStringLiteral("TForm1"), QStringLiteral("Button1"), V | W},
        {QStringLiteral("TForm1"), QStringLiteral("Button2"), V | F | W},
        {QStringLiteral("TForm1"), QStringLiteral("Button3"), V | F | W},
        {QStringLiteral("TForm1"), QStringLiteral("RadioButton1"), V},
        {QStringLiteral("TForm1"), QStringLiteral("RadioButton2"), V},
        {QStringLiteral("TForm1"), QStringLiteral("RadioButton3"), V},
        {QStringLiteral("TForm1"), QStringLiteral("RadioButton4"), V},
        {QStringLiteral("TForm1"), QStringLiteral("CBox1"), V},
        {QStringLiteral("TForm1"), QStringLiteral("Button8"), V},
        {QStringLiteral("TForm1"), QStringLiteral("DBGrid2"), V},
        {QStringLiteral("TForm1"), QStringLiteral("DateT"), V},
        {QStringLiteral("TForm1"), QStringLiteral("N2"), V | F | W},
        {QStringLiteral("TForm1"), QStringLiteral("N11"), V | F | W},
        // The summary reports window: warehouse sees only the detailed product report of finished products.
        {QStringLiteral("TForm18"), QStringLiteral("Button1"), F | W},
        {QStringLiteral("TForm18"), QStringLiteral("Button2"), F | W},
        {QStringLiteral("TForm18"), QStringLiteral("Button4"), F | W},
        {QStringLiteral("TForm18"), QStringLiteral("Button6"), F | W},
        {QStringLiteral("TForm18"), QStringLiteral("RadioGroup1"), W, 1},
    };
    return table;
}

QStringList disabledIn(const QString& window, Mode mode) {
    QStringList names;
    for (const DisabledControl& row : disabledControls())
        if (row.window == window && (row.modes & int(mode)))
            names << row.control;
    return names;
}

void applyMode(Mode mode) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const DisabledControl& row : disabledControls()) {
        if (!(row.modes & int(mode)))
            continue;
        for (QWidget* window : windows) {
            if (window->objectName() != row.window)
                continue;
            QObject* control = findControl(window, row.control);
            if (!control) {
                qWarning("login modes: %s has no control %s", qPrintable(row.window), qPrintable(row.control));
                continue;
            }
            switchOff(control);
            if (row.selectItem >= 0)
                selectItem(control, row.selectItem);
        }
    }
}

}  // namespace login
