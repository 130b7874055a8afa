#pragma once
// The window's language for the texts the engine writes in English. The engine's texts are
// console lines too, which scripts read, so they stay English where they are made; the window
// translates them where it shows them.

#include <QString>

#include <string>

// `text` in the user's language: a known text whole; otherwise each part of a "; "-joined
// list; a text with values (addresses, MACs, line numbers) by its template, the values kept
// and themselves translated where they are known texts. Unknown texts stay as they are.
QString translatedCoreText(const std::string& text);
QString translatedCoreText(const QString& text);
