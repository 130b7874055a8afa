#pragma once
// The panel in which the user gives the selected devices a range of addresses: one line per
// device with its name, MAC, current and new IP, the first IP, mask and gateway to edit, and
// Confirm and Cancel. The new addresses follow what is typed, with what the network showed
// when the panel opened; Confirm hands the values to a change run, which asks every planned
// address on the wire and plans again around those that answer. The panel then shows the
// plan as it goes out (which moves wait for another device to leave first) and how each
// device's change went, until it is closed.

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
    // Plans the panel's devices as the user types.
    using Planner = std::function<AssignmentPlan(const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                                                 const std::string& mask, const std::string& gateway)>;
    // Confirm: starts the change run for the values typed.
    using Sender = std::function<void(const std::vector<AssignedDevice>& devices, const std::string& firstIp,
                                      const std::string& mask, const std::string& gateway)>;

    AssignAddressesPanel(QWidget* parent, std::vector<AssignedDevice> devices, const QString& mask,
                         const QString& gateway, Planner planner, Sender sender);

    // The run's plan after its asks, as it goes out; `waitsFor` names, per device, the MAC it
    // waits for to leave its new address (empty: sent at once).
    void showSending(const AssignmentPlan& plan, const std::vector<QString>& waitsFor);
    // The run refused: nothing was sent; the values can be edited and confirmed again.
    void refuse(const QString& reason);
    // A device's change was sent.
    void markSent(const QString& mac);
    // A device's change settled: its line reads "verified", "not verified" or "not sent".
    void settle(const QString& mac, bool proven, bool sentAtAll, const QString& detail);
    // From a valid Confirm until every line has settled.
    bool running() const { return asking || (sent && waiting > 0); }

protected:
    // Escape closes the panel, as Cancel does (Enter in a field confirms).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void replan();
    void confirm();
    void setStatus(int row, const QString& text, const QColor& colour);
    // The plan's new addresses in the New IP column.
    void showAddresses(const AssignmentPlan& plan);
    void showProblem(const QString& text);
    void showNote(const QString& text);
    void setEditable(bool editable);
    // What the plan passed over and where it is, under the lines.
    static QString planText(const AssignmentPlan& plan);

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
    bool asking = false; // Confirm pressed, the run asks the addresses
    bool sent = false;
    int waiting = 0;
    int verifiedCount = 0;
};

// Where a panel goes over the window: centred, and kept inside the window where it fits.
QPoint panelPosition(const QRect& window, const QSize& panel);
