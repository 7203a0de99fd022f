#pragma once

#include <optional>

#include "catalog/list_window.h"
#include "core/dataset.h"

// Nomenclature picker: the nomenclature groups of the ERP classifier, narrowed by the beginning of a name, one of
// which is handed to the maintenance work entry dialog.
// The grid, search box, "Выбрать" (Button1), "Выход" (Button4), Tag and the search come from catalog::ListWindow
// as a picker: the search takes every key-down and stays from one showing to the next.
class TForm26 : public catalog::ListWindow {
    Q_OBJECT
public:
    explicit TForm26(QWidget* parent = nullptr);

    // Opening by the maintenance work entry dialog (tag 24): the list opened, the window shown modally (the
    // search text and its filter kept from the last showing), the list closed again. The group chosen, its id
    // and name; id 0 and an empty name when the list was empty; nothing after "Выход".
    std::optional<catalog::Picked> pick(int tag);

    Dataset& item;  // the groups, owned by the window

    // Choosing, by "Выбрать" or a double click: the current group handed over, the window closed.
    void Button2Click() override;

private:
    TForm26(QWidget* parent, Dataset* groups);
};
