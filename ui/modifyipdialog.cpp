#include "ui/modifyipdialog.h"

#include "base/consoleline.h"
#include "core/devicerecord.h"
#include "core/networkvalidation.h"
#include "ui/coretexts.h"
#include "ui/sharedstyles.h"
#include "ui/windowprotocol.h"
#include "ui_modifyipdialog.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

namespace {

// The message label's look, in the colour of what it says.
QString labelStyle(const QString& colour)
{
    return QStringLiteral(" QLabel { color :%1; font-size : 18px;background-color: transparent; }").arg(colour);
}

} // namespace

modifyIPDialog::modifyIPDialog(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::modifyIPDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    // Each field is named as its label names it, for a screen reader.
    ui->lineEdit->setAccessibleName(tr("Name"));
    ui->lineEdit_5->setAccessibleName(tr("MAC"));
    ui->lineEdit_2->setAccessibleName(tr("IP address"));
    ui->lineEdit_3->setAccessibleName(tr("Subnet mask"));
    ui->lineEdit_4->setAccessibleName(tr("Gateway"));
    // A translation longer than the English keeps a margin around its word.
    for (QPushButton* button : {ui->pushButton_3, ui->pushButton_4}) {
        constexpr int kPadding = 24;
        button->setMinimumWidth(widthForText(button, button->minimumWidth(), kPadding));
    }
    // Values edited after a warning are new values: the warning no longer covers them.
    for (QLineEdit* field : {ui->lineEdit_2, ui->lineEdit_3, ui->lineEdit_4})
        connect(field, &QLineEdit::textEdited, this, [this] { forceNext = false; });
    // The name is cut to 8 characters by SetName. The field's own maximum length counts UTF-16
    // units and would cut an emoji in half, which goes out as invalid UTF-8; the field is
    // read-only, so its limit matters only there.
}

modifyIPDialog::~modifyIPDialog()
{
    delete ui;
}

void modifyIPDialog::SetName(QString name)
{
    deviceName = firstCharacters(name, kNameCharacters);
    ui->lineEdit->setText(shownText(deviceName));
}

void modifyIPDialog::SetMac(QString mac)
{
    deviceMac = mac;
    ui->lineEdit_5->setText(shownText(mac));
}

// The address fields are edited and validated as shown: an address has no control character.
void modifyIPDialog::SetIP(QString ip)
{
    ui->lineEdit_2->setText(shownText(ip));
}

void modifyIPDialog::Setsubmask(QString submask)
{
    ui->lineEdit_3->setText(shownText(submask));
}

void modifyIPDialog::Setgateway(QString gateway)
{
    ui->lineEdit_4->setText(shownText(gateway));
}

void modifyIPDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ui->pushButton_4->isEnabled())
            on_pushButton_4_clicked();
        return;
    case Qt::Key_Escape:
        on_pushButton_3_clicked();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void modifyIPDialog::on_pushButton_3_clicked()
{
    deleteLater();
}

void modifyIPDialog::on_pushButton_4_clicked()
{
    const std::string name = deviceName.toStdString();
    const std::string mac = deviceMac.toStdString();
    const std::string ip = ui->lineEdit_2->text().toStdString();
    const std::string mask = ui->lineEdit_3->text().toStdString();
    const std::string gateway = ui->lineEdit_4->text().toStdString();

    std::string error;
    if (!checkNetworkConfig(ip, mask, gateway, error)) {
        forceNext = false;
        ui->label_5->setStyleSheet(labelStyle(QStringLiteral("#FA5A5A")));
        ui->label_5->setText(translatedCoreText(error));
        return;
    }
    // What goes out, and into the row, is what was validated: "010" is 10 here, but a device
    // stack may read it as octal 8.
    sentIp = canonicalAddress(ip);
    sentMask = canonicalAddress(mask);
    sentGateway = canonicalAddress(gateway);
    if (confirmer) {
        if (waiting)
            return;
        waiting = true;
        ui->pushButton_4->setEnabled(false);
        ui->label_5->setStyleSheet(labelStyle(QStringLiteral("rgb(227, 227, 227)")));
        ui->label_5->setText(tr("Asking who holds %1 now").arg(QString::fromStdString(sentIp)));
        confirmer(sentIp, sentMask, sentGateway, deviceName, std::exchange(forceNext, false));
        return;
    }
    accept();
    SetDeviceNetworkByVisca(mac, sentIp, sentMask, sentGateway, name);
    Send_allloc_IP_To_Device(mac, sentIp, sentMask, sentGateway);
}

void modifyIPDialog::accept()
{
    waiting = false;
    deleteLater(); // gone once control is back in the event loop; the caller's steps still run
    emit setNetParam(deviceMac, QString::fromStdString(sentIp), QString::fromStdString(sentMask),
                     QString::fromStdString(sentGateway), deviceName);
}

void modifyIPDialog::refuse(const QString& reason)
{
    waiting = false;
    forceNext = false;
    ui->pushButton_4->setEnabled(true);
    ui->label_5->setStyleSheet(labelStyle(QStringLiteral("#FA5A5A")));
    ui->label_5->setText(reason);
}

void modifyIPDialog::warn(const QString& warning)
{
    waiting = false;
    forceNext = true;
    ui->pushButton_4->setEnabled(true);
    ui->label_5->setStyleSheet(labelStyle(QStringLiteral("rgb(255, 176, 32)")));
    ui->label_5->setText(tr("%1. Press Confirm again to send anyway.").arg(warning));
}

QPoint dialogPosition(const QRect& window, const QRect& dialog)
{
    const int x = (window.left() + window.right()) / 2 - (dialog.right() - dialog.left()) / 2;
    int y = (window.top() + window.bottom()) / 2 - (dialog.bottom() - dialog.top()) / 2;
    const int height = window.bottom() - window.top() + 1;
    if (y + 436 > height)
        y = 0;
    else if (y + 486 > height)
        y -= 40;
    return {x, y};
}
