#pragma once
// The panel in which the user changes one device's IP address, mask and gateway. Confirm
// validates; a valid Confirm closes the panel, reports the values and sends them to the
// device in both protocols.

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

namespace Ui {
class modifyIPDialog;
}

class modifyIPDialog : public QWidget
{
    Q_OBJECT

public:
    explicit modifyIPDialog(QWidget* parent = nullptr);
    ~modifyIPDialog() override;

    void SetName(QString name);
    void SetMac(QString mac);
    void SetIP(QString ip);
    void Setsubmask(QString submask);
    void Setgateway(QString gateway);

    // Why an address cannot go to the device with this MAC (another device or this computer
    // answers from it), or nothing. Confirm asks it after the values pass their own checks.
    using AddressCheck = std::function<std::optional<std::string>(const std::string& ip, const QString& mac)>;
    void setAddressCheck(AddressCheck check) { addressCheck = std::move(check); }

signals:
    void setNetParam(QString mac, QString ip, QString submask, QString gateway, QString name);

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();

private:
    Ui::modifyIPDialog* ui;
    // The device's own texts: the read-only fields show them escaped, and Confirm sends these,
    // so a name with a tab goes back with its tab, not with the backslash text shown.
    QString deviceName;
    QString deviceMac;
    AddressCheck addressCheck;
};

// Where the panel goes over the window: centred on the window's geometry, then pulled up
// so it fits a low window (to y 0 when centring leaves no room for its 436 pixels, 40
// pixels higher when there is less than 486).
QPoint dialogPosition(const QRect& window, const QRect& dialog);
