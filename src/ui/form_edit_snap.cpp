#include "ui/form_edit_snap.h"

#include "core/message_service.h"
#include "instrument/regulation_program.h"
#include "ui/field_values.h"
#include "ui/window_helpers.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zeltar {

FormEditSnap::FormEditSnap(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formEditSnap"));
    setWindowTitle(QStringLiteral("Настройка шага регулирования"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto *box = new QGroupBox(QStringLiteral(" Значения шага регулирования "), this);
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    maskTimeSnap = new QLineEdit(box);
    maskTimeSnap->setObjectName(QStringLiteral("maskTimeSnap"));
    // Two digit places, a fixed colon, two digit places; empty places are blanks.
    maskTimeSnap->setInputMask(QStringLiteral("99:99; "));
    editZnacSnap = new QLineEdit(box);
    editZnacSnap->setObjectName(QStringLiteral("editZnacSnap"));
    LimitTyping(editZnacSnap, 6);
    auto *timeLabel = new QLabel(QStringLiteral("Время"), box);
    auto *valueLabel = new QLabel(QStringLiteral("Значение"), box);
    QFont plain = bold;
    plain.setBold(false);
    for (QWidget *child :
         std::initializer_list<QWidget *>{maskTimeSnap, editZnacSnap, timeLabel, valueLabel})
        child->setFont(plain);
    auto *fields = new QGridLayout(box);
    fields->addWidget(timeLabel, 0, 0);
    fields->addWidget(maskTimeSnap, 0, 1);
    fields->addWidget(valueLabel, 0, 2);
    fields->addWidget(editZnacSnap, 0, 3);

    BtnSnapOK = new QPushButton(QStringLiteral("OK"), this);
    BtnSnapOK->setObjectName(QStringLiteral("BtnSnapOK"));
    BtnSnapOK->setDefault(true);
    BtnSnapCansel = new QPushButton(QStringLiteral("Отмена"), this);
    BtnSnapCansel->setObjectName(QStringLiteral("BtnSnapCansel"));
    connect(BtnSnapOK, &QPushButton::clicked, this, &FormEditSnap::BtnSnapOKClick);
    connect(BtnSnapCansel, &QPushButton::clicked, this, &FormEditSnap::BtnSnapCanselClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnSnapOK);
    buttons->addWidget(BtnSnapCansel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addLayout(buttons);
    fitToCaption();
}

void FormEditSnap::prepare(InstrumentSettings &record, int row)
{
    const StepEditorTexts texts = RegulationProgram(record).editorTexts(row);
    m_record = &record;
    Tag = row;
    setWindowTitle(texts.caption);
    fitToCaption();
    // A step of 100 hours and more keeps its third place of hours.
    maskTimeSnap->setInputMask(texts.time.indexOf(QLatin1Char(':')) > 2
                                   ? QStringLiteral("999:99; ")
                                   : QStringLiteral("99:99; "));
    maskTimeSnap->setText(texts.time);
    ShowFromStart(editZnacSnap, texts.value);
}

void FormEditSnap::fitToCaption()
{
    // 301 x 115 at least; wide enough for the caption in a title bar's bold font beside the
    // window's icon and buttons, and for the fields at the desktop's font.
    const int caption = TitleBarWidth(this, windowTitle());
    setFixedSize(sizeHint().expandedTo(QSize(qMax(301, caption), 115)));
}

void FormEditSnap::BtnSnapOKClick()
{
    if (m_record == nullptr) {
        reject();
        return;
    }
    // The masked field keeps blanks in its empty places, which the time check expects.
    const QString refusal = RegulationProgram(*m_record).applyEdit(Tag, maskTimeSnap->displayText(),
                                                                   editZnacSnap->text());
    if (!refusal.isEmpty()) {
        ShowError(refusal);
        return;
    }
    accept();
}

void FormEditSnap::BtnSnapCanselClick()
{
    reject();
}

} // namespace zeltar
