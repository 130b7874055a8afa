#pragma once
// Start-up settings shared by main() and the tests that build the real window.

// High-DPI attributes; must run before the application object exists.
void setHighDpiAttributes();

// The application-wide font; needs the application object.
void installApplicationFont();
