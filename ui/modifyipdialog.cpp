#include "ui/modifyipdialog.h"

#include "base/consoleline.h"
#include "core/devicerecord.h"
#include "core/networkvalidation.h"
#include "ui/windowprotocol.h"
#include "ui_modifyipdialog.h"

modifyIPDialog::modifyIPDialog(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::modifyIPDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
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
        ui->label_5->setText(QString::fromStdString(error));
        return;
    }
    // What goes out, and into the row, is what was validated: "010" is 10 here, but a device
    // stack may read it as octal 8.
    const std::string sentIp = canonicalAddress(ip);
    const std::string sentMask = canonicalAddress(mask);
    const std::string sentGateway = canonicalAddress(gateway);
    // A device given an address another one answers from takes it: two then answer there.
    if (addressCheck) {
        if (const auto taken = addressCheck(sentIp, deviceMac)) {
            brenmoor::console::printLine("[ERROR] " + *taken);
            ui->label_5->setText(QString::fromStdString(*taken));
            return;
        }
    }
    deleteLater(); // gone once control is back in the event loop; the steps below still run
    emit setNetParam(QString::fromStdString(mac), QString::fromStdString(sentIp), QString::fromStdString(sentMask),
                     QString::fromStdString(sentGateway), QString::fromStdString(name));
    SetDeviceNetworkByVisca(mac, sentIp, sentMask, sentGateway, name);
    Send_allloc_IP_To_Device(mac, sentIp, sentMask, sentGateway);
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
