#pragma once

#include <QDate>

#include "catalog/catalog_writes.h"
#include "catalog/list_window.h"
#include "core/dataset.h"

// The lower date bound of the shift records counted before a product delete: the first day of the month before
// today's, in the year 2000 (December 2000 in January), so that practically all records of the product count.
QDate productDeleteDateBound(const QDate& today);

// The products list: searches, adds, edits and deletes the products (goods rows with their nomenclature group),
// and picks a product for the operation price dialog (tag 1).
// The grid, search box, buttons, Tag, FormActivate, Edit1Change and Edit1KeyDown come from
// catalog::ListWindow; the search box takes only Up and Down.
class TForm3 : public catalog::ListWindow {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    Dataset Izdel_Smena;  // shift records of the product from a date on
    Dataset ii_oper;      // priced operations of the product

    // Opening from the main menu: list mode.
    void runList();
    // Opening by the operation price dialog (tag 1): the product's id and marka (trimmed), nothing when none
    // was picked.
    std::optional<catalog::Picked> pick(int tag);

    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
};
