#pragma once

#include <QComboBox>
#include <QPointer>
#include <optional>

#include "core/dataset.h"

// A drop-down list of the rows of a dataset: shows one field, keyed by another. It follows the dataset: closed,
// the list is empty; reopened, it is filled again and the key chosen before is chosen again when it is still
// there. Nothing is chosen until the user or the program chooses.
class DbLookupCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DbLookupCombo(QWidget* parent = nullptr);

    void setDataset(Dataset* ds, const QString& keyField, const QString& listField);

    // The key of the row shown, 0 when none is shown.
    qlonglong keyValue() const;
    bool hasKey() const { return currentIndex() >= 0; }
    // Chooses the row with this key (none when absent).
    void setKeyValue(qlonglong key);
    void clearKey();

private:
    void rebuild();

    QPointer<Dataset> ds_;
    QString keyField_, listField_;
    std::optional<qlonglong> key_;
    bool rebuilding_ = false;
};
