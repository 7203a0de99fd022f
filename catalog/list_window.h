#pragma once

#include <QDialog>
#include <QList>
#include <QSize>
#include <optional>

#include "core/dataset_model.h"

class Dataset;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QKeyEvent;
namespace live {
class Follower;
}

namespace catalog {

// What a pick mode hands back: the row's id and its text (trimmed).
struct Picked {
    qlonglong id = 0;
    QString text;
};

// What every list window (workers, products, operations, operation kinds, the nomenclature picker) is made of:
// a grid over one dataset, a search box filtering it by one field, the buttons "Добавить", "Изменить"/"Выбрать",
// "Удалить", "Выход", and the openings in list mode (from the main menu) and in pick mode (by a dialog that
// chooses a row). Insert, F2 (or Enter on a row) and Delete press "Добавить", "Изменить"/"Выбрать" and
// "Удалить" while the button is shown and enabled. Each window gives its dataset, columns and search field in
// a Setup and adds its button handlers. A picker only (Setup::pickerOnly) has just "Выбрать" and "Выход".
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
        // The search matches the typed text anywhere in the field, and blanks only show every row; otherwise
        // it matches the beginning of the field and only an empty box shows every row.
        bool searchAnywhere = false;
        // The search box stands in the row of the buttons, before them, rather than on a line of its own.
        bool searchBesideButtons = false;
        // A picker only, without list mode: its buttons are "Выбрать" (Button1, the default one; it does what
        // Button2Click does) and "Выход"; Button2 and Button3 do not exist. The search text and its filter stay
        // from one showing to the next.
        bool pickerOnly = false;
        // The search box's placeholder: what it searches (e.g. "Поиск по фамилии").
        QString searchHint = {};
    };

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;  // "Добавить" ("Выбрать" in a picker)
    QPushButton* Button2;  // "Изменить" / "Выбрать" (none in a picker)
    QPushButton* Button3;  // "Удалить" (none in a picker)
    QPushButton* Button4;  // "Выход"

    int Tag = 0;

    // Reads the list again when another workstation changes a table it shows, keeping the current row (by the
    // id field), the scroll position and the search; held back while a row is edited in the grid.
    live::Follower* liveList = nullptr;

    void FormActivate();
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* e);  // true: the key is consumed
    // "Добавить", "Изменить" in list mode or the pick in pick mode, "Удалить". A picker has only the pick.
    virtual void Button1Click() {}
    virtual void Button2Click() = 0;
    virtual void Button3Click() {}
    // A double click on the grid: what Button2 does, unless the window says otherwise.
    virtual void DBGrid1DblClick();

protected:
    ListWindow(QWidget* parent, Setup setup);

    // The list-mode opening: tag 0, "Изменить", the add and delete buttons shown, the modal showing, then the
    // dataset closed. Not for a picker.
    void runListMode();
    // The pick-mode opening for the caller's tag: "Выбрать" as the default button, add and delete hidden, the
    // search box shown and cleared, the modal showing; the row picked, if any.
    std::optional<Picked> runPickMode(int tag);
    // The steps of runPickMode around the modal showing, for a window that opens its dataset or positions it
    // in its own way: the tag, the buttons of pick mode, the search box shown and cleared; afterwards the
    // search box hidden again and "Выбрать" no longer the default button (unless the search also serves list
    // mode). A picker keeps its buttons and its search box as they are.
    void enterPickMode(int tag);
    void leavePickMode();
    // Button2 in pick mode: keeps the current row (unless the list is empty) and closes the window.
    void pickCurrentRow();
    // Hands p to the caller of runPickMode and closes the window.
    void handOver(const Picked& p);

    QHBoxLayout* buttonRow() const { return buttonRow_; }  // for a window's own buttons beside the given ones

    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Dataset& data_;
    QString searchField_;
    QString idField_;
    bool searchInListMode_;
    bool searchTakesAllKeys_;
    bool searchAnywhere_;
    bool pickerOnly_;
    QHBoxLayout* buttonRow_;
    std::optional<Picked> picked_;
};

}  // namespace catalog
