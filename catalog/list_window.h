#pragma once

#include <QDialog>
#include <QList>
#include <QSize>
#include <optional>

#include "core/dataset_model.h"

class Dataset;
class QLineEdit;
class QPushButton;
class QKeyEvent;

namespace catalog {

// What a pick mode hands back: the row's id and its text (trimmed).
struct Picked {
    qlonglong id = 0;
    QString text;
};

// What a reference-book list window (workers, products, operation kinds) is made of: a grid over one shared
// dataset, a search box filtering it by the prefix of one field, the buttons "Добавить", "Изменить"/"Выбрать",
// "Удалить", "Выход", and the openings in list mode (from the main menu) and in pick mode (by a dialog that
// chooses a row). Insert, F2 (or Enter on a row) and Delete press "Добавить", "Изменить"/"Выбрать" and
// "Удалить" while the button is shown and enabled. Each window gives its dataset, columns and search field in a Setup
// and adds the three button handlers.
class ListWindow : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        const char* objectName;
        QString title;
        QSize size;
        QList<GridColumn> columns;
        Dataset* dataset;
        QString searchField;  // the field the search filters by and pick mode hands over as the picked text
        QString idField = QStringLiteral("id");  // the field pick mode hands over as the picked id
        // The search box also serves list mode: no button is the default one there (Enter in the box does
        // nothing), and the box stays shown after a pick.
        bool searchInListMode = false;
        // The search box consumes every key-down (characters and Backspace still edit it); otherwise it only
        // takes Up and Down, which move the grid.
        bool searchTakesAllKeys = false;
        // The search box's placeholder: what it searches (e.g. "Поиск по фамилии").
        QString searchHint = {};
    };

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Добавить"
    QPushButton* Button2;  // "Изменить" / "Выбрать"
    QPushButton* Button3;  // "Удалить"
    QPushButton* Button4;  // "Выход"

    int Tag = 0;

    void FormActivate();
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* e);  // true: the key is consumed
    virtual void Button1Click() = 0;
    virtual void Button2Click() = 0;
    virtual void Button3Click() = 0;

protected:
    ListWindow(QWidget* parent, Setup setup);

    // The list-mode opening: tag 0, "Изменить", the add and delete buttons shown, the modal showing, then the
    // dataset closed.
    void runListMode();
    // The pick-mode opening for the caller's tag: "Выбрать" as the default button, add and delete hidden, the
    // search box shown and cleared, the modal showing; the row picked, if any.
    std::optional<Picked> runPickMode(int tag);
    // Button2 in pick mode: keeps the current row (unless the list is empty) and closes the window.
    void pickCurrentRow();

    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Dataset& data_;
    QString searchField_;
    QString idField_;
    bool searchInListMode_;
    bool searchTakesAllKeys_;
    std::optional<Picked> picked_;
};

}  // namespace catalog
