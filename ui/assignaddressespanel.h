#pragma once
// The panel in which the user gives the selected devices a range of addresses: one line per
// device with its name, MAC, current and new IP, the first IP, mask and gateway to edit, and
// Confirm and Cancel. The new addresses follow what is typed; Confirm plans again with what
// the network shows at that moment and sends only a plan that passes whole. Each line then
// tells how its device's change went, until the panel is closed.

#include "core/addressassignment.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class AssignAddressesPanel : public QWidget
{
    Q_OBJECT

public:
    // Plans the panel's devices; `fresh` reads the network's address use again (Confirm) rather
    // than the one read when the panel opened (typing).
    using Planner = std::function<AssignmentPlan(const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                                                 const std::string& mask, const std::string& gateway, bool fresh)>;
    using Sender = std::function<void(const AssignmentPlan& plan)>;

    AssignAddressesPanel(QWidget* parent, std::vector<AssignedDevice> devices, const QString& mask,
                         const QString& gateway, Planner planner, Sender sender);

    // A device's change settled: its line reads "verified" or "no answer".
    void settle(const QString& mac, bool verified);
    // From a valid Confirm until every line has settled.
    bool running() const { return sent && waiting > 0; }

private:
    void replan();
    void confirm();
    void setStatus(int row, const QString& text, const QColor& colour);
    // The plan's new addresses in the New IP column.
    void showAddresses(const AssignmentPlan& plan);
    void showProblem(const QString& text);

    Planner planner;
    Sender sender;
    AssignmentPlan shownPlan;
    QTableWidget* lines = nullptr;
    QLineEdit* firstIp = nullptr;
    QLineEdit* submask = nullptr;
    QLineEdit* gateway = nullptr;
    QLabel* message = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* confirmButton = nullptr;
    bool sent = false;
    int waiting = 0;
    int verifiedCount = 0;
};

// Where a panel goes over the window: centred, and kept inside the window where it fits.
QPoint panelPosition(const QRect& window, const QSize& panel);
