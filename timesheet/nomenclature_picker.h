#pragma once

#include <QDialog>

#include "core/dataset.h"

class DbGrid;
class QLineEdit;
class QPushButton;

// Nomenclature picker: the nomenclature groups of the ERP classifier, narrowed by the beginning of a name, one of
// which is handed to the maintenance work entry dialog.
class TForm26 : public QDialog {
    Q_OBJECT
public:
    explicit TForm26(QWidget* parent = nullptr);

    // Opens the list, shows the window modally (the search text and its filter kept from the last showing) and
    // closes the list again. True when a group was chosen: pickedId and pickedText hold it (0 and an empty text
    // when the list was empty).
    bool runPick();

    int Tag = 0;
    int pickedId = 0;
    QString pickedText;

    Dataset item;

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button4;

    void Edit1Change();
    // Up/Down move the list; the other keys that act only at key-down (arrows, Home, End, Delete) are swallowed.
    // True when the key was consumed.
    bool Edit1KeyDown(int key);
    void DBGrid1DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
