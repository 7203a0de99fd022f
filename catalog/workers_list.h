#pragma once

#include "catalog/list_window.h"

// The workers list: searches, adds, edits and deletes the workers of accounts_dep.person, and picks a worker
// for the shift entry dialog (tag 1) and the maintenance work entry dialog (tag 24).
// The grid, search box, buttons, Tag, FormActivate, Edit1Change and Edit1KeyDown come from catalog::ListWindow;
// the search box also serves list mode and takes every key-down.
class TForm5 : public catalog::ListWindow {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Opening from the main menu: list mode.
    void runList();
    // Opening by a dialog that chooses a worker (tag 1: shift entry, 24: maintenance work entry): the worker's
    // id and name (trimmed), nothing when none was picked.
    std::optional<catalog::Picked> pick(int tag);

    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
};
