#include "ui/assignaddressespanel.h"

#include "base/consoleline.h"
#include "core/devicemaker.h"
#include "core/devicerecord.h"
#include "core/macaddress.h"
#include "ui/coretexts.h"
#include "ui/sharedstyles.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The settings panel's look: labels, fields and buttons alike.
const char* const kLabelStyle = "QLabel{color:rgba(227,227,227,1);font-size:18px;background-color:transparent;}";
const char* const kEditStyle = "QLineEdit{background-color:#393939;color:white;border:0px solid #444444;padding:8px 12px;"
                               "font-size:16px;border-radius:10px;}"
                               "QLineEdit:focus{border:0px solid #444444;background-color:#494949;}"
                               "QLineEdit:disabled{background-color:#333333;color:#9a9a9a;}";
const char* const kButtonStyle =
    "QPushButton{background:qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #6292EA, stop:1 #634EFF);"
    "color:rgb(227,227,227);border:0px solid #2e6da4;padding:0px 0px;font-size:16px;border-radius:6px;}"
    "QPushButton:hover{background:qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #72A2EA, stop:1 #854EFF);}"
    "QPushButton:pressed{background:qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5282DA, stop:1 #443EEF);}"
    "QPushButton:disabled{background:#3a3a4a;color:rgba(227,227,227,0.45);}";
const char* const kLinesStyle = "QTableWidget{background-color:#3b3b3b;color:#e3e3e3;gridline-color:#404040;"
                                "border:1px solid #404040;border-radius:8px;font-size:16px;}"
                                "QHeaderView::section{background-color:#3c3c3c;color:#f0f0f0;padding:4px 8px;"
                                "border:0px;}"
                                "QTableWidget::item{background-color:transparent;}";
const char* const kScrollStyle = "QScrollBar:vertical{background:#2b2b2b;width:12px;margin:0px;border:0px;}"
                                 "QScrollBar::handle:vertical{background:#5a5a5a;border-radius:6px;min-height:24px;}"
                                 "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0px;}"
                                 "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:none;}";

const QColor kProblemColour(0xFA, 0x5A, 0x5A);
const QColor kDoneColour(110, 210, 130);
const QColor kUnansweredColour(255, 176, 32);
const QColor kSendingColour(190, 190, 205);

enum Column { Name, Mac, CurrentIp, NewIp, Status, Columns };

QLineEdit* addressField(QWidget* parent, const char* objectName)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(objectName));
    field->setStyleSheet(QLatin1String(kEditStyle));
    field->setFixedWidth(180);
    return field;
}

QLabel* fieldLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(QLatin1String(kLabelStyle));
    return label;
}

QPushButton* panelButton(QWidget* parent, const QString& text, const char* objectName)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setMinimumSize(100, 38);
    button->setStyleSheet(QLatin1String(kButtonStyle));
    return button;
}

} // namespace

AssignAddressesPanel::AssignAddressesPanel(QWidget* parent, std::vector<AssignedDevice> devices, const QString& mask,
                                           const QString& gatewayText, Planner plan, Sender send)
    : QWidget(parent)
    , planner(std::move(plan))
    , sender(std::move(send))
{
    setObjectName(QStringLiteral("assignAddressesPanel"));
    setWindowTitle(tr("Assign Addresses"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#assignAddressesPanel{border-radius:10px;background-color:rgb(43,43,43);}"));
    resize(820, 640);
    shownPlan.devices = std::move(devices);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 12, 16, 12);
    auto* title = new QLabel(tr("Assign Addresses"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setStyleSheet(QStringLiteral("QLabel{color:rgba(227,227,227,1);font-size:20px;font-weight:bold;"
                                        "background-color:transparent;}"));
    column->addWidget(title);

    lines = new QTableWidget(static_cast<int>(shownPlan.devices.size()), Columns, this);
    lines->setObjectName(QStringLiteral("assignLines"));
    lines->setHorizontalHeaderLabels({tr("Name"), tr("MAC"), tr("Current IP"), tr("New IP"), tr("Status")});
    lines->setStyleSheet(QLatin1String(kLinesStyle));
    lines->verticalHeader()->setVisible(false);
    lines->verticalScrollBar()->setStyleSheet(QLatin1String(kScrollStyle));
    lines->horizontalHeader()->setStyleSheet(QStringLiteral(
        "QHeaderView::section{background-color:#3c3c3c;color:#f0f0f0;padding:2px 8px;border:0px;font-weight:bold;"
        "font-size:15px;}"));
    lines->horizontalHeader()->setFixedHeight(34);
    lines->verticalHeader()->setDefaultSectionSize(34);
    lines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lines->setSelectionMode(QAbstractItemView::NoSelection);
    // Reached by Tab after the buttons, for a screen reader to read the lines' outcomes; it
    // selects nothing.
    lines->setFocusPolicy(Qt::TabFocus);
    lines->setAccessibleName(tr("The selected devices and their new addresses"));
    lines->setShowGrid(false);
    const int widths[Columns] = {100, 180, 130, 130, 240}; // room for "waits for <MAC>"
    for (int c = 0; c < Columns; ++c)
        lines->setColumnWidth(c, widths[c]);
    lines->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < lines->rowCount(); ++row) {
        const AssignedDevice& device = shownPlan.devices[static_cast<size_t>(row)];
        const QString texts[Columns] = {shownText(device.name), shownText(device.mac), shownText(device.currentIp),
                                        QString(), QString()};
        for (int c = 0; c < Columns; ++c) {
            auto* cell = new QTableWidgetItem(texts[c]);
            cell->setTextAlignment(Qt::AlignCenter);
            if (c == Mac)
                cell->setToolTip(shownText(QString::fromStdString(makerIfLoaded(device.mac))));
            lines->setItem(row, c, cell);
        }
    }
    column->addWidget(lines, 1);

    auto* fields = new QHBoxLayout;
    firstIp = addressField(this, "firstIp");
    submask = addressField(this, "submask");
    gateway = addressField(this, "gateway");
    firstIp->setAccessibleName(tr("First IP"));
    submask->setAccessibleName(tr("Submask"));
    gateway->setAccessibleName(tr("Gateway"));
    submask->setText(shownText(mask));
    gateway->setText(shownText(gatewayText));
    fields->addWidget(fieldLabel(this, tr("First IP")));
    fields->addWidget(firstIp);
    fields->addStretch();
    fields->addWidget(fieldLabel(this, tr("Submask")));
    fields->addWidget(submask);
    fields->addStretch();
    fields->addWidget(fieldLabel(this, tr("Gateway")));
    fields->addWidget(gateway);
    column->addLayout(fields);

    message = new QLabel(this);
    message->setObjectName(QStringLiteral("assignMessage"));
    message->setWordWrap(true);
    message->setMinimumHeight(48);
    message->setAlignment(Qt::AlignCenter);
    column->addWidget(message);

    auto* buttons = new QHBoxLayout;
    cancel = panelButton(this, tr("Cancel"), "cancelButton");
    confirmButton = panelButton(this, tr("Confirm"), "confirmButton");
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(confirmButton);
    buttons->addStretch();
    column->addLayout(buttons);

    setTabOrder(firstIp, submask);
    setTabOrder(submask, gateway);
    setTabOrder(gateway, confirmButton);
    setTabOrder(confirmButton, cancel);
    setTabOrder(cancel, lines);
    for (QLineEdit* field : {firstIp, submask, gateway}) {
        connect(field, &QLineEdit::textChanged, this, &AssignAddressesPanel::replan);
        connect(field, &QLineEdit::returnPressed, this, &AssignAddressesPanel::confirm);
    }
    connect(cancel, &QPushButton::clicked, this, &QWidget::deleteLater);
    connect(confirmButton, &QPushButton::clicked, this, &AssignAddressesPanel::confirm);
    replan();
    firstIp->setFocus();
}

void AssignAddressesPanel::replan()
{
    if (sent || asking)
        return;
    const AssignmentPlan plan = planner(shownPlan.devices, firstIp->text().toStdString(), submask->text().toStdString(),
                                        gateway->text().toStdString());
    showAddresses(plan);
    // What Confirm refused no longer holds for the new values; what the plan is said before.
    const QString text = planText(plan);
    if (text.isEmpty())
        message->clear();
    else
        showNote(text);
}

QString AssignAddressesPanel::planText(const AssignmentPlan& plan)
{
    QStringList parts;
    if (plan.note)
        parts << translatedCoreText(*plan.note);
    if (!plan.passedOver.empty()) {
        QStringList addresses;
        for (const PassedOver& passed : plan.passedOver)
            addresses << QString::fromStdString(passed.ip);
        parts << tr("Passed over, in use: %1").arg(addresses.join(QStringLiteral(", ")));
    }
    return parts.join(QLatin1Char('\n'));
}

void AssignAddressesPanel::showAddresses(const AssignmentPlan& plan)
{
    shownPlan.devices = plan.devices;
    QStringList reasons;
    for (const PassedOver& passed : plan.passedOver)
        reasons << translatedCoreText(passed.reason);
    message->setToolTip(reasons.join(QLatin1Char('\n')));
    for (int row = 0; row < lines->rowCount(); ++row)
        lines->item(row, NewIp)->setText(QString::fromStdString(shownPlan.devices[static_cast<size_t>(row)].newIp));
}

void AssignAddressesPanel::showProblem(const QString& text)
{
    message->setStyleSheet(QStringLiteral("QLabel{color:#FA5A5A;font-size:18px;background-color:transparent;}"));
    message->setText(text);
}

void AssignAddressesPanel::showNote(const QString& text)
{
    message->setStyleSheet(QStringLiteral("QLabel{color:%1;font-size:16px;background-color:transparent;}")
                               .arg(kUnansweredColour.name()));
    message->setText(text);
}

void AssignAddressesPanel::setEditable(bool editable)
{
    for (QLineEdit* field : {firstIp, submask, gateway})
        field->setEnabled(editable);
    confirmButton->setEnabled(editable);
}

void AssignAddressesPanel::confirm()
{
    if (sent || asking)
        return;
    const AssignmentPlan plan = planner(shownPlan.devices, firstIp->text().toStdString(), submask->text().toStdString(),
                                        gateway->text().toStdString());
    showAddresses(plan);
    if (!plan.ok()) {
        brenmoor::console::printLine("[ERROR] " + *plan.problem);
        showProblem(translatedCoreText(*plan.problem));
        return;
    }
    asking = true;
    setEditable(false);
    message->setStyleSheet(QStringLiteral("QLabel{color:rgba(227,227,227,1);font-size:18px;background-color:transparent;}"));
    message->setText(tr("Asking who holds the planned addresses now"));
    sender(shownPlan.devices, firstIp->text().toStdString(), submask->text().toStdString(), gateway->text().toStdString());
}

void AssignAddressesPanel::refuse(const QString& reason)
{
    asking = false;
    setEditable(true);
    showProblem(reason);
}

void AssignAddressesPanel::showSending(const AssignmentPlan& plan, const std::vector<QString>& waitsFor)
{
    asking = false;
    sent = true;
    showAddresses(plan);
    shownPlan = plan;
    waiting = lines->rowCount();
    cancel->setText(tr("Close"));
    const QString text = planText(plan);
    message->setStyleSheet(QStringLiteral("QLabel{color:rgba(227,227,227,1);font-size:16px;background-color:transparent;}"));
    message->setText((waiting == 1 ? tr("Sent: waiting for the device to report its new settings")
                                   : tr("Sending to %n devices: waiting for each to report its new settings", nullptr, waiting))
                     + (text.isEmpty() ? QString() : QStringLiteral("\n") + text));
    for (int row = 0; row < lines->rowCount(); ++row) {
        const QString& other = static_cast<size_t>(row) < waitsFor.size() ? waitsFor[static_cast<size_t>(row)] : QString();
        setStatus(row, other.isEmpty() ? tr("sending") : tr("waits for %1").arg(shownText(other)), kSendingColour);
    }
}

void AssignAddressesPanel::setStatus(int row, const QString& text, const QColor& colour)
{
    QTableWidgetItem* cell = lines->item(row, Status);
    cell->setText(text);
    cell->setForeground(QBrush(colour, Qt::SolidPattern));
}

void AssignAddressesPanel::markSent(const QString& mac)
{
    for (int row = 0; row < lines->rowCount(); ++row)
        if (isSameMac(shownPlan.devices[static_cast<size_t>(row)].mac, mac))
            setStatus(row, tr("sent"), kSendingColour);
}

void AssignAddressesPanel::settle(const QString& mac, bool proven, bool sentAtAll, const QString& detail)
{
    if (!sent)
        return;
    for (int row = 0; row < lines->rowCount(); ++row) {
        const AssignedDevice& device = shownPlan.devices[static_cast<size_t>(row)];
        QTableWidgetItem* status = lines->item(row, Status);
        if (!isSameMac(device.mac, mac) || status->data(Qt::UserRole).toBool())
            continue;
        setStatus(row, proven ? tr("verified") : sentAtAll ? tr("not verified") : tr("not sent"),
                  proven ? kDoneColour : kUnansweredColour);
        status->setData(Qt::UserRole, true);
        status->setToolTip(translatedCoreText(detail));
        status->setData(Qt::AccessibleDescriptionRole, status->toolTip()); // the tooltip, said
        verifiedCount += proven ? 1 : 0;
        --waiting;
    }
    if (waiting > 0)
        return;
    const int total = lines->rowCount();
    const bool all = verifiedCount == total;
    message->setStyleSheet(QStringLiteral("QLabel{color:%1;font-size:18px;background-color:transparent;}")
                               .arg((all ? kDoneColour : kUnansweredColour).name()));
    message->setText(all ? (total == 1 ? tr("The device reports its new settings")
                                       : tr("All %n devices report their new settings", nullptr, total))
                         : tr("%1 of %n devices report their new settings; %2 did not", nullptr, total)
                               .arg(verifiedCount)
                               .arg(total - verifiedCount));
}

void AssignAddressesPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        deleteLater();
        return;
    }
    // Enter does what the default button does: Confirm while there is something to confirm,
    // Close once the changes are out.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (sent)
            deleteLater();
        else if (confirmButton->isEnabled())
            confirm();
        return;
    }
    QWidget::keyPressEvent(event);
}

QPoint panelPosition(const QRect& window, const QSize& panel)
{
    const int x = window.left() + (window.width() - panel.width()) / 2;
    const int y = window.top() + (window.height() - panel.height()) / 2;
    return {std::max(window.left(), x), std::max(window.top(), y)};
}
