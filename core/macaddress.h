#pragma once
// A device's identity: its MAC address, in whatever form the device writes it.

#include <QString>
#include <string>

// Equal after removing every ':' and '-' and ignoring case.
bool isSameMac(const QString& a, const QString& b);
// The form isSameMac compares: without ':' and '-', upper case.
QString normalMac(QString mac);
// Whether a text is a MAC address: six pairs of hexadecimal digits, joined by ':' or '-' or
// written as twelve digits.
bool isMacText(const std::string& text);
