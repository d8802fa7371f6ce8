#include "ui/message_box_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace zeltar {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool MessageBoxService::show(MessageIcon icon, MessageButtons buttons, const QString &text)
{
    const bool question = buttons == MessageButtons::YesNo;
    // The station's texts break lines with a bare carriage return.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(boxIcon(icon), MessageCaption, shown.trimmed(),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    // The station speaks Russian whatever the desktop's language.
    if (question) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
        box.setDefaultButton(QMessageBox::Yes);
    }
    return box.exec() == QMessageBox::Yes;
}

} // namespace zeltar
