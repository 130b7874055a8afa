#include "ui/modifyipdialog.h"

#include "ui/networkvalidation.h"
#include "ui/protocolhandlers.h"
#include "ui_modifyipdialog.h"

modifyIPDialog::modifyIPDialog(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::modifyIPDialog)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    ui->lineEdit->setMaxLength(8);
}

modifyIPDialog::~modifyIPDialog()
{
    delete ui;
}

void modifyIPDialog::SetName(QString name)
{
    ui->lineEdit->setText(name); // cut to its first 8 characters by the field's maximum length
}

void modifyIPDialog::SetMac(QString mac)
{
    ui->lineEdit_5->setText(mac);
}

void modifyIPDialog::SetIP(QString ip)
{
    ui->lineEdit_2->setText(ip);
}

void modifyIPDialog::Setsubmask(QString submask)
{
    ui->lineEdit_3->setText(submask);
}

void modifyIPDialog::Setgateway(QString gateway)
{
    ui->lineEdit_4->setText(gateway);
}

void modifyIPDialog::on_pushButton_3_clicked()
{
    deleteLater();
}

void modifyIPDialog::on_pushButton_4_clicked()
{
    const std::string name = ui->lineEdit->text().toStdString();
    const std::string mac = ui->lineEdit_5->text().toStdString();
    const std::string ip = ui->lineEdit_2->text().toStdString();
    const std::string mask = ui->lineEdit_3->text().toStdString();
    const std::string gateway = ui->lineEdit_4->text().toStdString();

    std::string error;
    if (!checkNetworkConfig(ip, mask, gateway, error)) {
        ui->label_5->setText(QString::fromStdString(error));
        return;
    }
    deleteLater(); // gone once control is back in the event loop; the steps below still run
    emit setNetParam(QString::fromStdString(mac), QString::fromStdString(ip), QString::fromStdString(mask),
                     QString::fromStdString(gateway), QString::fromStdString(name));
    SetDeviceNetworkByVisca(mac, ip, mask, gateway, name);
    Send_allloc_IP_To_Device(mac, ip, mask, gateway);
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
