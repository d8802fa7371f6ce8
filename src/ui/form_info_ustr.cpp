#include "ui/form_info_ustr.h"

#include "instrument/link_test.h"
#include "ui/window_helpers.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zeltar {

FormInfoUstr::FormInfoUstr(QWidget *settingsWindow)
    : QDialog(settingsWindow), m_settingsWindow(settingsWindow)
{
    setObjectName(QStringLiteral("formInfoUstr"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    // 313 x 217, wide enough for the longest progress line in the title bar.
    setFixedSize(qMax(313, TitleBarWidth(this, LinkTestProgressCaption(LinkTestAttempts))), 217);

    const QStringList captions = {QStringLiteral("Порт:"),      QStringLiteral("Скорость:"),
                                  QStringLiteral("Адрес:"),     QStringLiteral("Тип прибора: "),
                                  QStringLiteral("Версия ПО:"), QStringLiteral("Качество связи:")};
    const char *valueNames[] = {"stPort", "stBaud", "stAdr", "stType", "StVer", "stQW"};
    QLabel **valueFields[] = {&stPort, &stBaud, &stAdr, &stType, &StVer, &stQW};
    auto *grid = new QGridLayout;
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(captions.at(i), this);
        label->setObjectName(QStringLiteral("StaticText%1").arg(i + 1));
        labels.at(static_cast<size_t>(i)) = label;
        auto *value = new QLabel(this);
        value->setObjectName(QLatin1String(valueNames[i]));
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        *valueFields[i] = value;
        grid->addWidget(label, i, 0, Qt::AlignRight);
        grid->addWidget(value, i, 1);
    }

    stNoFind = new QLabel(QStringLiteral("Прибор не найден"), this);
    stNoFind->setObjectName(QStringLiteral("stNoFind"));
    QFont larger = stNoFind->font();
    larger.setPixelSize(13);
    stNoFind->setFont(larger);
    stNoFind->setAlignment(Qt::AlignCenter);
    stNoFind->hide();

    Button1 = new QPushButton(QStringLiteral("Закрыть"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &FormInfoUstr::Button1Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(stNoFind, 1);
    layout->addLayout(buttons);
}

std::array<QLabel *, 6> FormInfoUstr::values() const
{
    return {stPort, stBaud, stAdr, stType, StVer, stQW};
}

void FormInfoUstr::setFoundVisible(bool found)
{
    for (QLabel *label : labels)
        label->setVisible(found);
    for (QLabel *value : values())
        value->setVisible(found);
    stNoFind->setVisible(!found);
}

void FormInfoUstr::beginTest()
{
    setEnabled(false);
    stNoFind->hide();
    for (QLabel *value : values()) {
        value->clear();
        value->hide();
    }
}

void FormInfoUstr::showProgress(const QString &caption)
{
    setWindowTitle(caption);
}

void FormInfoUstr::showResult(const LinkTestResult &result)
{
    setWindowTitle(result.caption());
    if (result.found()) {
        stPort->setText(result.port);
        stBaud->setText(result.baud);
        stAdr->setText(result.address);
        stType->setText(result.type);
        StVer->setText(result.version);
        stQW->setText(result.quality());
    }
    setFoundVisible(result.found());
}

void FormInfoUstr::endTest()
{
    setEnabled(true);
}

void FormInfoUstr::enableSettingsWindow()
{
    if (m_settingsWindow)
        m_settingsWindow->setEnabled(true);
}

void FormInfoUstr::Button1Click()
{
    enableSettingsWindow();
    close();
}

void FormInfoUstr::closeEvent(QCloseEvent *event)
{
    // While the test runs the dialog does not react, its close box included.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    enableSettingsWindow();
    QDialog::closeEvent(event);
}

void FormInfoUstr::keyPressEvent(QKeyEvent *event)
{
    // Escape closes the dialog like its close box, so the settings window comes back too.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zeltar
