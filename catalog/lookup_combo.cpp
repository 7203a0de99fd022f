#include "catalog/lookup_combo.h"

DbLookupCombo::DbLookupCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setMaxVisibleItems(10);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (rebuilding_)
            return;
        if (index >= 0)
            key_ = itemData(index).toLongLong();
        else
            key_.reset();
    });
}

void DbLookupCombo::setDataset(Dataset* ds, const QString& keyField, const QString& listField) {
    if (ds_)
        disconnect(ds_, nullptr, this, nullptr);
    ds_ = ds;
    keyField_ = keyField;
    listField_ = listField;
    if (ds_)
        connect(ds_, &Dataset::reset, this, [this] { rebuild(); });
    rebuild();
}

void DbLookupCombo::rebuild() {
    rebuilding_ = true;
    clear();
    if (ds_ && ds_->isOpen()) {
        const int keyCol = ds_->columnIndex(keyField_);
        const int listCol = ds_->columnIndex(listField_);
        if (keyCol >= 0 && listCol >= 0) {
            const int n = ds_->recordCount();
            for (int r = 0; r < n; ++r)
                addItem(ds_->textAt(r, listCol), ds_->valueAt(r, keyCol).toLongLong());
        }
    }
    setCurrentIndex(key_ ? findData(*key_) : -1);
    rebuilding_ = false;
}

qlonglong DbLookupCombo::keyValue() const {
    return currentIndex() >= 0 ? currentData().toLongLong() : 0;
}

void DbLookupCombo::setKeyValue(qlonglong key) {
    key_ = key;
    rebuilding_ = true;
    setCurrentIndex(findData(key));
    rebuilding_ = false;
}

void DbLookupCombo::clearKey() {
    key_.reset();
    rebuilding_ = true;
    setCurrentIndex(-1);
    rebuilding_ = false;
}
