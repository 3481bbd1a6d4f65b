// Draws a few Qt widgets the way a Qt program shows them (a menu with
// shortcuts, a table, a wizard page) and saves each as NAME.png with its
// text as NAME.txt in the folder given. Each is grabbed once its window is
// shown and active, with a caret that does not blink, so that it is drawn
// the same every time.
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

// Handles events until the window is shown and active (a popup menu has no
// activation of its own: until it is exposed).
static void showActive(QWidget &widget)
{
    widget.show();
    widget.activateWindow();
    const bool popup = widget.windowType() == Qt::Popup;
    const QDeadlineTimer deadline(30000);
    while (!(popup ? widget.windowHandle()->isExposed() : widget.isActiveWindow())) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "qt_screens: %s was never shown active\n", qPrintable(widget.objectName()));
            std::exit(1);
        }
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
}

static void save(QWidget &widget, const QString &folder, const QString &name, const QString &truth)
{
    widget.setObjectName(name);
    showActive(widget);
    widget.grab().save(folder + "/" + name + ".png");
    QFile file(folder + "/" + name + ".txt");
    file.open(QIODevice::WriteOnly);
    QTextStream(&file) << truth;
    widget.hide();
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    // A field's caret stays drawn instead of blinking.
    QApplication::setCursorFlashTime(0);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    QApplication::setFont(font);
    const QString folder = argv[1];

    QMenu menu;
    menu.addAction("New Tab")->setShortcut(QKeySequence("Ctrl+T"));
    menu.addAction("Open File...")->setShortcut(QKeySequence("Ctrl+O"));
    menu.addAction("Save As...")->setShortcut(QKeySequence("Ctrl+Shift+S"));
    menu.addSeparator();
    menu.addAction("Reload")->setShortcut(QKeySequence("F5"));
    menu.addAction("Quit")->setShortcut(QKeySequence("Ctrl+Q"));
    menu.setActiveAction(menu.actions().at(1));
    save(menu, folder, "qt-menu",
         "New Tab Ctrl+T\nOpen File... Ctrl+O\nSave As... Ctrl+Shift+S\nReload F5\nQuit Ctrl+Q\n");

    QTableWidget table(4, 3);
    table.setHorizontalHeaderLabels({"Name", "Size", "Modified"});
    const char *rows[4][3] = {{"report.pdf", "1.2 MB", "2024-03-01"},
                              {"Illustration.svg", "88 KB", "2024-02-17"},
                              {"notes.txt", "4 KB", "2024-01-09"},
                              {"backup.tar.gz", "310 MB", "2023-12-30"}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            table.setItem(r, c, new QTableWidgetItem(rows[r][c]));
    table.verticalHeader()->hide();
    table.resizeColumnsToContents();
    table.horizontalHeader()->setStretchLastSection(true);
    table.selectRow(1);
    table.resize(360, 150);
    save(table, folder, "qt-table",
         "Name Size Modified\nreport.pdf 1.2 MB 2024-03-01\nIllustration.svg 88 KB 2024-02-17\n"
         "notes.txt 4 KB 2024-01-09\nbackup.tar.gz 310 MB 2023-12-30\n");

    QWidget wizard;
    auto *layout = new QVBoxLayout(&wizard);
    auto *title = new QLabel("<b>Connect your account</b>");
    layout->addWidget(title);
    layout->addWidget(new QLabel("Enter the server address and your user name."));
    auto *server = new QLineEdit("imap.example.org");
    layout->addWidget(server);
    server->setFocus();
    layout->addWidget(new QCheckBox("Use an encrypted connection"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(new QPushButton("< Back"));
    buttons->addWidget(new QPushButton("Next >"));
    buttons->addWidget(new QPushButton("Cancel"));
    layout->addLayout(buttons);
    wizard.resize(400, 160);
    save(wizard, folder, "qt-wizard",
         "Connect your account\nEnter the server address and your user name.\nimap.example.org\n"
         "Use an encrypted connection\n< Back Next > Cancel\n");
    return 0;
}
