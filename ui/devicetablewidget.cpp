#include "devicetablewidget.h"

void DeviceTableWidget::rowsInserted(const QModelIndex& /*parent*/, int /*start*/, int /*end*/)
{
    scheduleDelayedItemsLayout();
}
