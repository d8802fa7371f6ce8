#include "ui/up_down.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace zeltar {

UpDown::UpDown(QLineEdit *associate, int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_associate(associate), m_minimum(minimum), m_maximum(maximum)
{
    auto *up = new QToolButton(this);
    auto *down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton *button : {up, down}) {
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
}

int UpDown::position() const
{
    bool ok = false;
    const int value = m_associate->text().trimmed().toInt(&ok);
    return ok ? value : m_minimum;
}

void UpDown::setPosition(int value)
{
    m_associate->setText(QString::number(value));
    Q_EMIT changed(value);
}

void UpDown::stepBy(int steps)
{
    setPosition(qBound(m_minimum, position() + steps, m_maximum));
}

} // namespace zeltar
