#include "ui/sharedstyles.h"

#include <QPushButton>
#include <algorithm>

const QString buttonBluePushButton = QStringLiteral(
    "QPushButton{"
    "background:qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #6292EA, stop:1 #634EFF);"
    "color:rgb(227,227,227);"
    "border:0px solid #2e6da4;"
    "padding:0px 0px;"
    "font-size:18px;"
    "border-radius:6px;"
    "border-top-left-radius:6px;border-top-right-radius:6px;"
    "border-bottom-left-radius:6px;border-bottom-right-radius:6px;"
    "}"
    "QPushButton:hover{"
    "background:qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #72A2EA, stop:1 #854EFF);"
    "}"
    "QPushButton:pressed{"
    "background:qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5282DA, stop:1 #443EEF);"
    "}");

const QString styleSheet_QTableWidget_2 = QStringLiteral(R"(
QTableWidget {
    background-color: #2b2b2b;
    color: #e3e3e3;
    gridline-color: #404040;
    border: 1px solid #404040;
    border-radius: 8px;
    selection-color: #ffffff;
    font-size: 20px;
    alternate-background-color: #6c6c6c;
}
QHeaderView::section {
    background-color: #3c3c3c;
    color: #f0f0f0;
    padding: 0px 0px;
    border: 1px solid #404040;
    border-radius: 0px;
    font-weight: bold;
    font-size: 20px;
}
QHeaderView::section:horizontal, QHeaderView::section:vertical {
    border-left: none;
    border-top: none;
    border-right: 1px solid #404040;
    border-bottom: 1px solid #404040;
}
QHeaderView::section:hover { background-color: #4a4a4a; }
QHeaderView::section:pressed { background-color: #5a5a5a; }
QTableWidget::item {
    padding: 0px 0px;
    border-radius: 0px;
    background-color: #343434;
    border-left: none;
    border-right: none;
    border-bottom: none;
    border-top: 15px solid #2B2B2B;
}
QTableWidget::item:selected { background-color: #707070; color: #ffffff; }
QTableWidget::item:hover { background-color: #404040; }
QTableWidget::item:alternate { background-color: #323232; }
QScrollBar:vertical {
    background: #2b2b2b;
    width: 12px;
    border-radius: 6px;
    border: 1px solid #404040;
}
QScrollBar:horizontal {
    background: #2b2b2b;
    height: 12px;
    border-radius: 6px;
    border: 1px solid #404040;
}
QScrollBar::handle:vertical, QScrollBar::handle:horizontal {
    background: #5a5a5a;
    border-radius: 6px;
    margin: 2px;
}
QScrollBar::handle:vertical { min-height: 20px; }
QScrollBar::handle:horizontal { min-width: 20px; }
QScrollBar::handle:vertical:hover, QScrollBar::handle:horizontal:hover { background: #6a6a6a; }
QScrollBar::handle:vertical:pressed, QScrollBar::handle:horizontal:pressed { background: #4a90e2; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { background: none; height: 0px; }
QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { background: none; width: 0px; }
QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical,
QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal { background: none; }
QTableCornerButton::section {
    background-color: #3c3c3c;
    border: 1px solid #404040;
}
QTabWidget::pane {
    background-color: #2b2b2b;
    border: 1px solid #404040;
    border-radius: 8px;
    margin-top: -1px;
}
QTabBar::tab {
    background-color: #3c3c3c;
    color: #b0b0b0;
    padding: 10px 20px;
    margin-right: 2px;
    border: 1px solid #404040;
    border-bottom: none;
    border-top-left-radius: 8px;
    border-top-right-radius: 8px;
    font-weight: normal;
    font-size: 11px;
    min-width: 80px;
}
QTabBar::tab:selected {
    background-color: #909090;
    color: #ffffff;
    border-color: #909090;
    font-weight: bold;
    font-size: 18px;
}
QTabBar::tab:hover:!selected { background-color: #4a4a4a; }
QTabBar::tab:pressed { background-color: #5a5a5a; }
QTabBar::close-button {
    image: url(:/icons/close.png);
    subcontrol-position: right;
    subcontrol-origin: padding;
    background: transparent;
    border: none;
    padding: 2px;
}
QTabBar::close-button:hover { background-color: #ff4444; border-radius: 3px; }
QTabBar QToolButton {
    background-color: #3c3c3c;
    color: #ffffff;
    border: 1px solid #404040;
    border-radius: 4px;
    padding: 4px 8px;
    margin: 2px;
    font-weight: bold;
}
QTabBar QToolButton:hover { background-color: #4a4a4a; }
QTabBar QToolButton:pressed { background-color: #5a5a5a; }
QTableWidget:focus { border: 2px solid #909090; }
QTableWidget QLineEdit {
    background-color: #3c3c3c;
    color: #ffffff;
    border: 1px solid #909090;
    border-radius: 4px;
    padding: 4px;
    selection-background-color: #909090;
    selection-color: #ffffff;
}
QMenu {
    background-color: #3c3c3c;
    color: #ffffff;
    border: 1px solid #404040;
    border-radius: 6px;
    padding: 4px;
}
QMenu::item { padding: 8px 20px; border-radius: 4px; margin: 2px; }
QMenu::item:selected { background-color: #909090; color: #ffffff; }
QMenu::item:pressed { background-color: #5a5a5a; }
QMenu::separator { height: 1px; background-color: #404040; margin: 4px 8px; }
QToolTip {
    background-color: #3c3c3c;
    color: #ffffff;
    border: 1px solid #404040;
    border-radius: 4px;
    padding: 6px;
    font-size: 16px;
}
)");

int widthForText(QPushButton* button, int minimum, int padding)
{
    button->ensurePolished(); // the style sheet's font, not the default one, is measured
    return std::max(minimum, button->fontMetrics().horizontalAdvance(button->text()) + padding);
}
