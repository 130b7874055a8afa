#pragma once
// The device table's cells: the IP item that orders rows by the list's rule, the row identity
// that survives sorting, column geometry, the row buttons' cell and the conflict colour.

#include "core/iporder.h"

#include <QColor>
#include <QString>
#include <QTableWidgetItem>
#include <array>

class QTableWidget;
class QPushButton;
class QWidget;

// Column-2 item: orders rows by numeric IPv4 value; a text that is not four numeric parts
// falls back to plain text order. The numbers are parsed once per text, not per comparison.
class IpAddressItem : public QTableWidgetItem
{
public:
    explicit IpAddressItem(const QString& ip);
    ~IpAddressItem() override;
    bool operator<(const QTableWidgetItem& other) const override;
    void setData(int role, const QVariant& value) override;

private:
    IpOrderKey key;
};

// The current row whose IP item carries `oldRow` as its row id, or -1.
int findNewRowFromOldRow(int oldRow, QTableWidget* table);

// Column k gets width * weight[k] / 886, truncated.
constexpr std::array<int, 7> kColumnWeights{86, 176, 136, 136, 116, 98, 138};
std::array<int, 7> columnWidths(int tableWidth);
void applyColumnWidths(QTableWidget* table);

// A transparent container holding `button` centred both ways.
QWidget* makeCenteredCell(QPushButton* button);

// The IP text of a conflicting row.
inline const QColor kConflictColour(250, 81, 81);
// The IP text of a row whose device was sent new settings: still waiting for it to answer at
// its new address, and it did not.
inline const QColor kPendingColour(150, 150, 168);
inline const QColor kUnansweredColour(255, 176, 32);

// With a site record loaded: the column that says what changed since, beside the seven.
constexpr int kSinceColumn = 7;
constexpr int kSinceColumnWidth = 170;
// The colours of what changed since the record, and of a device of the record that is gone.
inline const QColor kSinceColour(120, 190, 255);
inline const QColor kMissingColour(140, 140, 150);

constexpr int kRowIdRole = Qt::UserRole;
constexpr int kCreatedIpRole = Qt::UserRole + 1; // the IP the row was created with
