#pragma once
// The panel in which the user changes one device's IP address, mask and gateway. Confirm
// validates, then hands the values to the window's change run, which asks whether anything
// holds the address now: the panel closes and reports the values once they are sent; a held
// address is refused in the panel; an address only remembered in use is a warning that
// Confirm pressed again overrides. Without a confirmer the panel sends itself, in both
// protocols.

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

    // Takes the validated values (canonical) after Confirm; `force` once a warning was
    // confirmed again. The panel waits, Confirm disabled, for accept, refuse or warn.
    using Confirmer = std::function<void(const std::string& ip, const std::string& mask, const std::string& gateway,
                                         const QString& name, bool force)>;
    void setConfirmer(Confirmer confirm) { confirmer = std::move(confirm); }
    // The change went out: the panel reports the values and closes.
    void accept();
    // Nothing was sent: why, in red.
    void refuse(const QString& reason);
    // Nothing was sent: a warning, in amber, that Confirm pressed again overrides.
    void warn(const QString& warning);

signals:
    void setNetParam(QString mac, QString ip, QString submask, QString gateway, QString name);

protected:
    // Enter confirms and Escape cancels, as the buttons do.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();

private:
    Ui::modifyIPDialog* ui;
    // The device's own texts: the read-only fields show them escaped, and Confirm sends these,
    // so a name with a tab goes back with its tab, not with the backslash text shown.
    QString deviceName;
    QString deviceMac;
    Confirmer confirmer;
    bool waiting = false;    // the confirmer has the values
    bool forceNext = false;  // a warning stands for the values as they are
    std::string sentIp, sentMask, sentGateway;
};

// Where the panel goes over the window: centred on the window's geometry, then pulled up
// so it fits a low window (to y 0 when centring leaves no room for its 436 pixels, 40
// pixels higher when there is less than 486).
QPoint dialogPosition(const QRect& window, const QRect& dialog);
