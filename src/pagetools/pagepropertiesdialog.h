#pragma once

#include <QDialog>
#include <QString>

#include "engine/pageproperties.h"

class QFormLayout;
class QLabel;

namespace skiff {

// The modeless Page Properties dialog.
class PagePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PagePropertiesDialog(QWidget* parent);

    void showProperties(const PageProperties& properties);
    // The text shown beside `label` (such as "Title:"); empty when there is no such row.
    QString valueOf(const QString& label) const;

private:
    void setRow(int row, const QString& value);

    QFormLayout* m_rows;
};

}  // namespace skiff
