#include "app/QuitAlert.h"

#include "support/design/AlertLayout.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

bool QuitAlert::keepInstalling()
{
    QMessageBox alert(QMessageBox::Warning, QStringLiteral("Ravelond"), QString::fromUtf8(message));
    alert.setObjectName(QStringLiteral("quitAlert"));
    alert.setTextFormat(Qt::PlainText);
    alert.setInformativeText(QString::fromUtf8(informativeText));
    AlertLayout::fitToTexts(alert);
    // One role for both keeps them in the order they are added on every desktop's button layout.
    QPushButton *keep = alert.addButton(QString::fromUtf8(keepInstallingTitle), QMessageBox::ActionRole);
    QPushButton *quit = alert.addButton(QString::fromUtf8(quitTitle), QMessageBox::ActionRole);
    alert.setDefaultButton(keep);
    alert.setEscapeButton(keep);
    alert.exec();
    return alert.clickedButton() != quit;
}

void QuitAlert::dismiss()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *alert = qobject_cast<QMessageBox *>(widget); alert && alert->objectName() == "quitAlert")
            alert->reject();
    }
}
