#include "ui/form_about.h"

#include "ui/maker.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zeltar {

FormAbout::FormAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto *panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    auto *text = new QVBoxLayout(panel);
    auto addLine = [&](const QString &line, Qt::Alignment align = Qt::AlignHCenter) {
        auto *label = new QLabel(line, panel);
        label->setAlignment(align);
        text->addWidget(label);
        return label;
    };
    addLine(QStringLiteral("Версия %1 (13.05.08)").arg(StationVersion));
    text->addSpacing(6);
    addLine(QStringLiteral("Программа для считывания, хранения"));
    addLine(QStringLiteral("и обработки данных в промышленных "));
    addLine(QStringLiteral("системах на базе устройств ЗЕЛТАР"));
    auto *separator = new QFrame(panel);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    text->addWidget(separator);
    addLine(QStringLiteral("Web-сайт: <b>%1</b>").arg(MakerWebAddress), Qt::AlignLeft);
    addLine(QStringLiteral("E-mail:<b>%1</b>").arg(MakerMail), Qt::AlignLeft);
    text->addStretch();

    Button1 = new QPushButton(QStringLiteral("Закрыть"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);

    // 243 x 245 at the font it was drawn for; as large as the texts need at the desktop's.
    setFixedSize(sizeHint().expandedTo(QSize(243, 245)));
}

} // namespace zeltar
