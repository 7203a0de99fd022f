#pragma once

#include "catalog/list_window.h"

// The operation kinds list: searches, adds, renames and deletes the kinds of work (accounts_dep.vid_oper), and
// picks a kind for the operation price dialog (tag 1).
// The grid, search box, buttons, Tag, FormActivate, Edit1Change and Edit1KeyDown come from
// catalog::ListWindow; the search box takes every key-down.
class TForm8 : public catalog::ListWindow {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // Opening from the main menu: list mode, the whole list.
    void runList();
    // Opening by the operation price dialog (tag 1): the kind's id and name (trimmed), nothing when none was
    // picked.
    std::optional<catalog::Picked> pick(int tag);

    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
};
