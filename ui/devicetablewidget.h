#pragma once
// The device table's widget: a QTableWidget whose row insertions do not reposition every
// row's buttons at once.

#include <QTableWidget>

class DeviceTableWidget : public QTableWidget
{
    Q_OBJECT

public:
    using QTableWidget::QTableWidget;

protected:
    // The base view moves every cell widget (two per row) on each inserted row, which makes
    // a burst of replies quadratic. The buttons are placed by the next layout pass instead,
    // once for the whole burst, before anything is painted.
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
};
