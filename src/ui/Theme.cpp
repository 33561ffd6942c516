#include "ui/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

void Theme::apply(QApplication &app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QColor panel(kPanel);
    const QColor list(kList);
    const QColor gold(kGold);
    QPalette p;
    p.setColor(QPalette::Window, panel);
    p.setColor(QPalette::WindowText, QColor(0xe6, 0xe6, 0xe6));
    p.setColor(QPalette::Base, list);
    p.setColor(QPalette::AlternateBase, QColor(0x1a, 0x1a, 0x1a));
    p.setColor(QPalette::Text, Qt::white);
    p.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    p.setColor(QPalette::Highlight, gold.darker(140));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, panel);
    p.setColor(QPalette::ToolTipText, gold);
    p.setColor(QPalette::Link, gold);
    p.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x70, 0x70, 0x70));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x70, 0x70, 0x70));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x70, 0x70, 0x70));
    app.setPalette(p);

    app.setStyleSheet(QStringLiteral(R"(
QMainWindow, QDialog { background: %1; }
QTreeView, QListView, QTextEdit, QPlainTextEdit, QTableView {
    background: %2; color: white; border: 1px solid #3a3a3a;
    selection-background-color: #7a5e17; selection-color: white;
}
QHeaderView::section {
    background: #2e2e2e; color: %3; border: none; border-right: 1px solid #1c1c1c;
    border-bottom: 1px solid %3; padding: 3px 3px; font-weight: bold;
}
QSplitter::handle { background: #1c1c1c; }
QSplitter::handle:hover { background: %3; }
QLineEdit {
    background: #161616; color: white; border: 1px solid #4a4a4a; border-radius: 3px; padding: 3px;
}
QLineEdit:focus { border-color: %3; }
QPushButton {
    background: #343434; color: #f0f0f0; border: 1px solid #4f4f4f; border-radius: 3px;
    padding: 4px 12px;
}
QPushButton:hover { border-color: %3; color: %3; }
QPushButton:pressed { background: #7a5e17; color: white; }
QToolButton { border: none; padding: 2px; }
QToolButton:hover { background: #333333; border-radius: 4px; }
QTabWidget::pane { border: 1px solid #3a3a3a; top: -1px; }
QTabBar::tab {
    background: #2b2b2b; color: #bdbdbd; padding: 5px 14px; border: 1px solid #3a3a3a;
    border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;
}
QTabBar::tab:selected { background: %2; color: %3; border-color: %3; }
QStatusBar { background: #1b1b1b; color: #d0d0d0; }
QStatusBar::item { border: none; border-right: 1px solid #333333; }
QLabel#chatTitle { color: %3; font-size: 16pt; font-weight: bold; }
QLabel#heading { color: %3; font-weight: bold; }
QFrame#topBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #303030, stop:1 #222222);
    border-bottom: 2px solid %3; }
QLabel#placeholder { color: %3; font-size: 11pt; }
QMenu { background: #2a2a2a; color: #eeeeee; border: 1px solid %3; }
QMenu::item:selected { background: #7a5e17; }
QMenu::item:disabled { color: #6a6a6a; }
QMenu::separator { height: 1px; background: #444444; margin: 3px 6px; }
QScrollBar:vertical { background: #1a1a1a; width: 12px; }
QScrollBar::handle:vertical { background: #4a4a4a; min-height: 24px; border-radius: 4px; }
QScrollBar::handle:vertical:hover { background: %3; }
QScrollBar:horizontal { background: #1a1a1a; height: 12px; }
QScrollBar::handle:horizontal { background: #4a4a4a; min-width: 24px; border-radius: 4px; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
)")
                          .arg(QLatin1String(kPanel), QLatin1String(kList), QLatin1String(kGold)));
}
